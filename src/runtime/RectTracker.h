#ifndef QRT_RUNTIME_RECTTRACKER_H
#define QRT_RUNTIME_RECTTRACKER_H

#include "controls/FormWindowInterface.h"
#include "qrt_export.h"

#include <QRect>
#include <QVector>

class QPainter;

// The selection outline of one control in design mode: a dotted rectangle
// and eight square resize handles, outside the rectangle when the style asks
// for it. The control holds it while it is selected; the form window draws
// it. It observes nothing and owns nothing: the control moves it along.
class QRT_EXPORT RectTracker final : public ControlTracker
{
public:
    static constexpr int HandleSize = 6; // pixels

    RectTracker(const QRect &rect, int style);

    [[nodiscard]] QRect rect() const override { return m_rect; }
    void setRect(const QRect &rect) override { m_rect = rect; }
    [[nodiscard]] int style() const { return m_style; }

    // The handles, corners first (top-left, top-right, bottom-right,
    // bottom-left), then the middles of the top, right, bottom and left edges.
    [[nodiscard]] QVector<QRect> handleRects() const;
    void draw(QPainter &painter) const;

private:
    QRect m_rect;
    int m_style;
};

#endif // QRT_RUNTIME_RECTTRACKER_H
