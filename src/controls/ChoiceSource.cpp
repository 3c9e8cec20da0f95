#include "controls/ChoiceSource.h"

ChoiceSource::~ChoiceSource() = default;
