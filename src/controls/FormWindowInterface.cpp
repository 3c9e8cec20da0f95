#include "controls/FormWindowInterface.h"

#include "controls/CDynControl.h"

// Out of line, so that the vtables live in the library.
ControlTracker::~ControlTracker() = default;
FormWindowInterface::~FormWindowInterface() = default;

void FormWindowInterface::applyControlProperties(CDynControl &control,
                                                 const ControlProperties &properties)
{
    control.ApplyProperties(properties);
}
