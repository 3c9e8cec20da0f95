#ifndef QRT_RUNTIME_RECTTRACKER_H
#define QRT_RUNTIME_RECTTRACKER_H

#include "controls/FormWindowInterface.h"
#include "qrt_export.h"
#include "runtime/FormGeometry.h"

#include <QPointer>
#include <QRect>
#include <QVector>

class QWidget;

// The selection outline of one control in design mode: a dotted rectangle
// around it and eight square resize handles, outside the rectangle when the
// style asks for it. The control holds it while it is selected and moves it
// along (setRect); it observes nothing and owns no control.
//
// On a form it shows as small widgets of their own, children of the form
// and above the controls (so a neighbouring field never hides a handle): a
// mouse-transparent outline and eight handles, each with the cursor of its
// direction. A handle hands every mouse event on to the form, in the form's
// coordinates, so the editor sees a press on a handle as a press on the form
// at that point and finds the handle with hitTest(). Without a form (a test
// of the arithmetic) there are no widgets.
class QRT_EXPORT RectTracker final : public ControlTracker
{
public:
    static constexpr int HandleSize = FormGeometry::kHandleSize; // pixels

    RectTracker(const QRect &rect, int style, QWidget *form = nullptr);
    ~RectTracker() override;
    RectTracker(const RectTracker &) = delete;
    RectTracker &operator=(const RectTracker &) = delete;

    [[nodiscard]] QRect rect() const override { return m_rect; }
    void setRect(const QRect &rect) override;
    [[nodiscard]] int style() const { return m_style; }

    // The handles, corners first (top-left, top-right, bottom-right,
    // bottom-left), then the middles of the top, right, bottom and left edges.
    [[nodiscard]] QVector<QRect> handleRects() const;
    // Where point (form coordinates) lies on the outline.
    [[nodiscard]] FormGeometry::Handle hitTest(const QPoint &point) const;

    // Puts the outline and handles above the controls again, after a
    // control was shown or made anew on top of them.
    void raise();

private:
    void place();

    QRect m_rect;
    int m_style;
    QPointer<QWidget> m_outline;
    QVector<QPointer<QWidget>> m_handles;
};

#endif // QRT_RUNTIME_RECTTRACKER_H
