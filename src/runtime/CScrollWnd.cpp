#include "runtime/CScrollWnd.h"

#include <QResizeEvent>
#include <QScrollBar>

CScrollWnd::CScrollWnd(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    // The page keys of the bars move by the form's own page rules; the bars'
    // page step only sizes their thumbs.
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { pageStepTaken(Qt::Horizontal, action); });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { pageStepTaken(Qt::Vertical, action); });
}

CScrollWnd::~CScrollWnd() = default;

void CScrollWnd::setContents(QWidget *contents)
{
    m_contents = contents;
    if (contents) {
        contents->setParent(viewport());
        contents->show();
    }
    placeContents();
}

void CScrollWnd::SetDocumentRect(const QRect &rect)
{
    m_document = rect;
    UpdateScrollBars();
}

QPoint CScrollWnd::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CScrollWnd::ResetScrolling()
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    placeContents();
}

void CScrollWnd::ScrollTo(const QPoint &point)
{
    ResetScrolling();
    horizontalScrollBar()->setValue(
        qMin(point.x() / ScrollSteps::kHorizontalUnit, m_steps.maxHorizontal));
    verticalScrollBar()->setValue(
        qMin(point.y() / ScrollSteps::kVerticalUnit, m_steps.maxVertical));
    placeContents();
}

void CScrollWnd::UpdateScrollBars()
{
    m_steps = ScrollSteps::forSizes(m_document.size(), viewport()->size());
    QScrollBar *across = horizontalScrollBar();
    QScrollBar *down = verticalScrollBar();
    across->setRange(0, m_steps.maxHorizontal);
    down->setRange(0, m_steps.maxVertical);
    across->setPageStep(qMax(1, viewport()->width() / ScrollSteps::kHorizontalUnit));
    down->setPageStep(qMax(1, viewport()->height() / ScrollSteps::kVerticalUnit));
    placeContents();
}

void CScrollWnd::pageStepTaken(Qt::Orientation orientation, int action)
{
    QScrollBar *bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    const int page =
        orientation == Qt::Horizontal ? ScrollSteps::kHorizontalPage : m_steps.verticalPage();
    int step = 0;
    if (action == QAbstractSlider::SliderPageStepAdd)
        step = page;
    else if (action == QAbstractSlider::SliderPageStepSub)
        step = -page;
    else
        return;
    // The bar has already applied its own page step; start again from its value.
    bar->setSliderPosition(ScrollSteps::moved(bar->value(), step, bar->maximum()));
}

void CScrollWnd::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CScrollWnd::scrollContentsBy(int, int)
{
    placeContents();
}

void CScrollWnd::placeContents()
{
    if (!m_contents)
        return;
    m_contents->move(m_document.left() -
                         horizontalScrollBar()->value() * ScrollSteps::kHorizontalUnit,
                     m_document.top() - verticalScrollBar()->value() * ScrollSteps::kVerticalUnit);
}
