#include "formdef/FormHost.h"

// Out of line, so that the vtable lives in the library.
FormHost::~FormHost() = default;
