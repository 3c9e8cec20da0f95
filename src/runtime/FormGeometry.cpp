#include "runtime/FormGeometry.h"

#include "controls/ControlGeometry.h"

#include <QtGlobal>

#include <algorithm>
#include <numeric>

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

bool grabsLeft(Handle handle)
{
    return handle == Handle::TopLeft || handle == Handle::BottomLeft || handle == Handle::Left;
}

bool grabsRight(Handle handle)
{
    return handle == Handle::TopRight || handle == Handle::BottomRight || handle == Handle::Right;
}

bool grabsTop(Handle handle)
{
    return handle == Handle::TopLeft || handle == Handle::TopRight || handle == Handle::Top;
}

bool grabsBottom(Handle handle)
{
    return handle == Handle::BottomLeft || handle == Handle::BottomRight ||
           handle == Handle::Bottom;
}

bool sameRow(const QRect &first, const QRect &other)
{
    const int overlap = qMin(bottomOf(first), bottomOf(other)) - qMax(first.top(), other.top());
    if (overlap <= 0)
        return first.top() == other.top(); // flat rectangles on one line
    return 2 * overlap >= qMin(first.height(), other.height());
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
            rect.moveLeft(toRaster ? ControlGeometry::snapDown(rect.left(), stepX) : common);
            break;
        case Edge::Right: {
            const int right = toRaster ? ControlGeometry::snapUp(rightOf(rect), stepX) : common;
            rect.moveLeft(right - rect.width());
            break;
        }
        case Edge::Bottom: {
            const int bottom = toRaster ? ControlGeometry::snapUp(bottomOf(rect), stepY) : common;
            rect.moveTop(bottom - rect.height());
            break;
        }
        case Edge::Top:
            rect.moveTop(toRaster ? ControlGeometry::snapDown(rect.top(), stepY) : common);
            break;
        }
        result << rect;
    }
    return result;
}

QVector<QRect> handleRects(const QRect &rect, bool outside)
{
    const int size = kHandleSize;
    const int left = outside ? rect.left() - size : rect.left();
    const int top = outside ? rect.top() - size : rect.top();
    const int right = outside ? rightOf(rect) : rightOf(rect) - size;
    const int bottom = outside ? bottomOf(rect) : bottomOf(rect) - size;
    const int middleX = rect.left() + (rect.width() - size) / 2;
    const int middleY = rect.top() + (rect.height() - size) / 2;
    const QSize square(size, size);
    return {QRect(QPoint(left, top), square),       QRect(QPoint(right, top), square),
            QRect(QPoint(right, bottom), square),   QRect(QPoint(left, bottom), square),
            QRect(QPoint(middleX, top), square),    QRect(QPoint(right, middleY), square),
            QRect(QPoint(middleX, bottom), square), QRect(QPoint(left, middleY), square)};
}

Handle hitHandle(const QRect &rect, bool outside, const QPoint &point)
{
    static const Handle kOrder[] = {Handle::TopLeft,    Handle::TopRight, Handle::BottomRight,
                                    Handle::BottomLeft, Handle::Top,      Handle::Right,
                                    Handle::Bottom,     Handle::Left};
    const QVector<QRect> handles = handleRects(rect, outside);
    for (qsizetype i = 0; i < handles.size(); ++i) {
        if (handles.at(i).contains(point))
            return kOrder[i];
    }
    return rect.contains(point) ? Handle::Inside : Handle::None;
}

bool resizes(Handle handle)
{
    return handle != Handle::None && handle != Handle::Inside;
}

QRect resized(const QRect &start, Handle handle, const QPoint &delta, const QSize &minimum)
{
    int left = start.left();
    int top = start.top();
    int right = rightOf(start);
    int bottom = bottomOf(start);
    // A control smaller than the minimum already may stay so, not shrink more.
    const int minWidth = qMin(minimum.width(), start.width());
    const int minHeight = qMin(minimum.height(), start.height());
    if (grabsLeft(handle))
        left = qBound(qMin(0, start.left()), left + delta.x(), right - minWidth);
    if (grabsRight(handle))
        right = qMax(left + minWidth, right + delta.x());
    if (grabsTop(handle))
        top = qBound(qMin(0, start.top()), top + delta.y(), bottom - minHeight);
    if (grabsBottom(handle))
        bottom = qMax(top + minHeight, bottom + delta.y());
    return QRect(left, top, right - left, bottom - top);
}

QPoint keptOnForm(const QVector<QRect> &rects, const QPoint &delta)
{
    if (rects.isEmpty())
        return delta;
    int left = rects.first().left();
    int top = rects.first().top();
    for (const QRect &rect : rects) {
        left = qMin(left, rect.left());
        top = qMin(top, rect.top());
    }
    return QPoint(qMax(delta.x(), -qMax(0, left)), qMax(delta.y(), -qMax(0, top)));
}

QRect band(const QPoint &from, const QPoint &to)
{
    return QRect(qMin(from.x(), to.x()), qMin(from.y(), to.y()), qAbs(to.x() - from.x()),
                 qAbs(to.y() - from.y()));
}

bool touches(const QRect &band, const QRect &rect)
{
    return !band.isEmpty() && band.intersects(rect);
}

QVector<int> readingOrder(const QVector<QRect> &rects)
{
    QVector<int> byTop(rects.size());
    std::iota(byTop.begin(), byTop.end(), 0);
    std::stable_sort(byTop.begin(), byTop.end(), [&rects](int a, int b) {
        const QRect &ra = rects.at(a);
        const QRect &rb = rects.at(b);
        return ra.top() != rb.top() ? ra.top() < rb.top() : ra.left() < rb.left();
    });
    QVector<int> order;
    order.reserve(rects.size());
    QVector<bool> placed(rects.size(), false);
    for (int first : std::as_const(byTop)) {
        if (placed.at(first))
            continue;
        QVector<int> row;
        for (int other : std::as_const(byTop)) {
            if (!placed.at(other) && sameRow(rects.at(first), rects.at(other))) {
                row << other;
                placed[other] = true;
            }
        }
        std::stable_sort(row.begin(), row.end(), [&rects](int a, int b) {
            return rects.at(a).left() < rects.at(b).left();
        });
        order << row;
    }
    return order;
}

bool inReadingOrder(const QVector<QRect> &rects)
{
    const QVector<int> order = readingOrder(rects);
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (order.at(i) != i)
            return false;
    }
    return true;
}

} // namespace FormGeometry
