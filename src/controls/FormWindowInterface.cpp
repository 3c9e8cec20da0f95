#include "controls/FormWindowInterface.h"

// Out of line, so that the vtables live in the library.
ControlTracker::~ControlTracker() = default;
FormWindowInterface::~FormWindowInterface() = default;
