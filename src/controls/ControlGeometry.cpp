#include "controls/ControlGeometry.h"

namespace ControlGeometry {

bool frameHitTest(const QRect &frame, const QPoint &point)
{
    // Edges as the form definition counts them: right and bottom one past.
    const int left = frame.left();
    const int top = frame.top();
    const int right = frame.left() + frame.width();
    const int bottom = frame.top() + frame.height();
    const int x = point.x();
    const int y = point.y();
    if (x < left || x > right || y < top || y > bottom)
        return false;
    return x - left <= 5 || right - x <= 5 || y - top <= 10 || bottom - y <= 10;
}

QRect autoSizedRect(const QRect &rect, qsizetype characters, int maxCharWidth, int lineHeight)
{
    return QRect(rect.topLeft(), QSize(int(characters) * maxCharWidth, lineHeight + 4));
}

int widestCharacterWidth(const QFontMetrics &metrics)
{
    int widest = 0;
    for (char16_t c = 0x20; c <= 0xff; ++c) {
        if (c == 0x7f)
            c = 0xa0; // skip DEL and the C1 controls
        widest = qMax(widest, metrics.horizontalAdvance(QChar(c)));
    }
    return widest;
}

int snapDown(int edge, int step)
{
    return step < 1 ? edge : edge - edge % step;
}

int snapUp(int edge, int step)
{
    return step < 1 ? edge : edge + step - edge % step;
}

} // namespace ControlGeometry
