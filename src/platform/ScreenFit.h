#ifndef QRT_PLATFORM_SCREENFIT_H
#define QRT_PLATFORM_SCREENFIT_H

#include "qrt_export.h"

#include <QSize>

class QWidget;

// Gives a top-level window the size it prefers where the screen has room
// for it, and less where it has not (large fonts, 200 % scaling, a small
// screen), but never less than its layout's minimum, below which texts would
// be cut. Room for the window frame is kept, so the title bar stays on the
// screen.
//
// Call it once the window's layout is complete; the window must be
// resizable for the user to give it back the room it had to give up.
QRT_EXPORT void fitToScreen(QWidget *window, const QSize &preferred);

// The size a window of that preferred and minimum size gets on a screen
// with that much available room, frame excluded.
QRT_AUTOTEST_EXPORT QSize fittedSize(const QSize &preferred, const QSize &minimum,
                                     const QSize &room);

#endif // QRT_PLATFORM_SCREENFIT_H
