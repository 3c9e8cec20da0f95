#ifndef QRT_RUNTIME_CSCROLLWND_H
#define QRT_RUNTIME_CSCROLLWND_H

#include "qrt_export.h"
#include "runtime/ScrollSteps.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QRect>

// A window that scrolls one contents widget (the form window) in fixed
// steps: 8 pixels a horizontal unit, 4 a vertical one, over a document
// rectangle that its owner sets. The scroll bars show where the user is; the
// page keys of the bars follow ScrollSteps (a vertical page goes all the way).
//
// The contents widget is moved, not repainted into a buffer: the form's
// controls are real widgets and keep their focus and state while scrolled.
class QRT_EXPORT CScrollWnd : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit CScrollWnd(QWidget *parent = nullptr);
    ~CScrollWnd() override;

    // The widget that scrolls; it becomes a child of the viewport.
    void setContents(QWidget *contents);
    [[nodiscard]] QWidget *contents() const { return m_contents; }

    void SetDocumentRect(const QRect &rect);
    // Back to the origin.
    void ResetScrolling();
    // To the unit that holds point (form coordinates), within the ranges.
    void ScrollTo(const QPoint &point);
    // Recomputes the bars from the document rectangle and the client size.
    void UpdateScrollBars();
    // The scroll positions, in units.
    [[nodiscard]] QPoint scrollPosition() const;
    [[nodiscard]] ScrollSteps steps() const { return m_steps; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void pageStepTaken(Qt::Orientation orientation, int action);
    void placeContents();

    QPointer<QWidget> m_contents;
    QRect m_document;
    ScrollSteps m_steps;
};

#endif // QRT_RUNTIME_CSCROLLWND_H
