#include "formdef/FormWindow.h"

// Out of line, so that the vtable lives in the library.
FormWindow::~FormWindow() = default;
