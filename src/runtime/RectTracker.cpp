#include "runtime/RectTracker.h"

#include <QPainter>

RectTracker::RectTracker(const QRect &rect, int style) : m_rect(rect), m_style(style) {}

QVector<QRect> RectTracker::handleRects() const
{
    // Handles outside lie just beyond the edges, so they never cover the
    // control's own text; inside they lie on its corners.
    const bool outside = m_style & ResizeOutside;
    const QRect r = m_rect;
    const int left = outside ? r.left() - HandleSize : r.left();
    const int top = outside ? r.top() - HandleSize : r.top();
    const int right = outside ? r.right() + 1 : r.right() + 1 - HandleSize;
    const int bottom = outside ? r.bottom() + 1 : r.bottom() + 1 - HandleSize;
    const int middleX = r.left() + (r.width() - HandleSize) / 2;
    const int middleY = r.top() + (r.height() - HandleSize) / 2;
    const QSize size(HandleSize, HandleSize);
    return {QRect(QPoint(left, top), size),       QRect(QPoint(right, top), size),
            QRect(QPoint(right, bottom), size),   QRect(QPoint(left, bottom), size),
            QRect(QPoint(middleX, top), size),    QRect(QPoint(right, middleY), size),
            QRect(QPoint(middleX, bottom), size), QRect(QPoint(left, middleY), size)};
}

void RectTracker::draw(QPainter &painter) const
{
    painter.save();
    QPen outline(Qt::black, 1, (m_style & DottedLine) ? Qt::DotLine : Qt::SolidLine);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_rect.adjusted(-1, -1, 0, 0)); // around the control, not on it
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QRect &handle : handleRects())
        painter.drawRect(handle);
    painter.restore();
}
