#ifndef QRT_RUNTIME_SCROLLSTEPS_H
#define QRT_RUNTIME_SCROLLSTEPS_H

#include "qrt_export.h"

#include <QSize>

// The arithmetic of a form host's scrolling, apart from any window: the
// contents move in units of 8 pixels across and 4 pixels down. A vertical
// page step covers the whole range (one page down from the top reaches the
// bottom), a horizontal one 8 units.
struct QRT_AUTOTEST_EXPORT ScrollSteps
{
    static constexpr int kHorizontalUnit = 8;
    static constexpr int kVerticalUnit = 4;
    static constexpr int kHorizontalPage = 8;

    int rawHorizontal = 0; // (document width - client width) / 8, may be negative
    int rawVertical = 0;   // (document height - client height) / 4, may be negative
    int maxHorizontal = 0; // the raw ranges, never negative
    int maxVertical = 0;

    static ScrollSteps forSizes(const QSize &document, const QSize &client);

    // The vertical page step, at least one unit.
    [[nodiscard]] int verticalPage() const { return rawVertical > 1 ? rawVertical : 1; }
    // A position moved by step and kept within 0..maximum.
    [[nodiscard]] static int moved(int position, int step, int maximum);
};

#endif // QRT_RUNTIME_SCROLLSTEPS_H
