#include "runtime/FormGeometry.h"

#include <QtGlobal>

namespace FormGeometry {

namespace {

int rightOf(const QRect &rect)
{
    return rect.left() + rect.width();
}

int bottomOf(const QRect &rect)
{
    return rect.top() + rect.height();
}

} // namespace

QVector<QRect> aligned(const QVector<QRect> &rects, Edge edge, bool toRaster, int rasterX,
                       int rasterY)
{
    // The common edge, from the same starting values the forms always used.
    int common = edge == Edge::Left || edge == Edge::Top ? 9999 : 0;
    for (const QRect &rect : rects) {
        switch (edge) {
        case Edge::Left:
            common = qMin(common, rect.left());
            break;
        case Edge::Right:
            common = qMax(common, rightOf(rect));
            break;
        case Edge::Bottom:
            common = qMax(common, bottomOf(rect));
            break;
        case Edge::Top:
            common = qMin(common, rect.top());
            break;
        }
    }
    const int stepX = qMax(1, rasterX);
    const int stepY = qMax(1, rasterY);
    QVector<QRect> result;
    result.reserve(rects.size());
    for (QRect rect : rects) {
        switch (edge) {
        case Edge::Left:
            rect.moveLeft(toRaster ? rect.left() - rect.left() % stepX : common);
            break;
        case Edge::Right: {
            const int right = rightOf(rect);
            rect.moveLeft((toRaster ? right + stepX - right % stepX : common) - rect.width());
            break;
        }
        case Edge::Bottom: {
            const int bottom = bottomOf(rect);
            rect.moveTop((toRaster ? bottom + stepY - bottom % stepY : common) - rect.height());
            break;
        }
        case Edge::Top:
            rect.moveTop(toRaster ? rect.top() - rect.top() % stepY : common);
            break;
        }
        result << rect;
    }
    return result;
}

} // namespace FormGeometry
