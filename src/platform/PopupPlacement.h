#ifndef QRT_PLATFORM_POPUPPLACEMENT_H
#define QRT_PLATFORM_POPUPPLACEMENT_H

#include "qrt_export.h"

#include <QRect>

// Where a drop-down opens for a field: below it, its left or right edge on
// the field's (Qt::AlignLeft, Qt::AlignRight), above the field when there is
// no room below, and moved sideways rather than cut off by the edge of the
// screen. All rectangles in the same (global) coordinates.
QRT_AUTOTEST_EXPORT QRect placePopup(const QRect &field, const QSize &popup, const QRect &screen,
                                     Qt::Alignment alignment);

#endif // QRT_PLATFORM_POPUPPLACEMENT_H
