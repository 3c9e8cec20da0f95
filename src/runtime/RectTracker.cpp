#include "runtime/RectTracker.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

namespace {

using FormGeometry::Handle;

// The dotted line just outside the control. It takes no mouse: a press on
// it reaches the control or the form beneath.
class TrackerOutline final : public QWidget
{
public:
    explicit TrackerOutline(QWidget *form) : QWidget(form)
    {
        setObjectName(QStringLiteral("trackerOutline"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// One square handle. It keeps the mouse from press to release, as any
// widget does, and hands each event to the form in the form's coordinates.
class TrackerHandle final : public QWidget
{
public:
    TrackerHandle(QWidget *form, Qt::CursorShape shape) : QWidget(form)
    {
        setObjectName(QStringLiteral("trackerHandle"));
        setFocusPolicy(Qt::NoFocus);
        setCursor(shape);
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Qt::black); }

    bool event(QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            break;
        default:
            return QWidget::event(event);
        }
        QWidget *form = parentWidget();
        if (!form)
            return true;
        const auto *mouse = static_cast<QMouseEvent *>(event);
        QMouseEvent onForm(mouse->type(), mapToParent(mouse->position()), mouse->globalPosition(),
                           mouse->button(), mouse->buttons(), mouse->modifiers(),
                           mouse->pointingDevice());
        QCoreApplication::sendEvent(form, &onForm);
        return true;
    }
};

Qt::CursorShape cursorOf(Handle handle)
{
    switch (handle) {
    case Handle::TopLeft:
    case Handle::BottomRight:
        return Qt::SizeFDiagCursor;
    case Handle::TopRight:
    case Handle::BottomLeft:
        return Qt::SizeBDiagCursor;
    case Handle::Top:
    case Handle::Bottom:
        return Qt::SizeVerCursor;
    case Handle::Right:
    case Handle::Left:
        return Qt::SizeHorCursor;
    case Handle::None:
    case Handle::Inside:
        break;
    }
    return Qt::ArrowCursor;
}

} // namespace

RectTracker::RectTracker(const QRect &rect, int style, QWidget *form) : m_rect(rect), m_style(style)
{
    if (!form)
        return;
    m_outline = new TrackerOutline(form);
    for (Handle handle :
         {Handle::TopLeft, Handle::TopRight, Handle::BottomRight, Handle::BottomLeft, Handle::Top,
          Handle::Right, Handle::Bottom, Handle::Left})
        m_handles << new TrackerHandle(form, cursorOf(handle));
    place();
    m_outline->show();
    for (const QPointer<QWidget> &handle : std::as_const(m_handles))
        handle->show();
    raise();
}

RectTracker::~RectTracker()
{
    // The form may have gone first and taken the widgets with it.
    delete m_outline.data();
    for (const QPointer<QWidget> &handle : std::as_const(m_handles))
        delete handle.data();
}

void RectTracker::setRect(const QRect &rect)
{
    m_rect = rect;
    place();
}

QVector<QRect> RectTracker::handleRects() const
{
    return FormGeometry::handleRects(m_rect, m_style & ResizeOutside);
}

FormGeometry::Handle RectTracker::hitTest(const QPoint &point) const
{
    return FormGeometry::hitHandle(m_rect, m_style & ResizeOutside, point);
}

void RectTracker::raise()
{
    if (m_outline)
        m_outline->raise();
    for (const QPointer<QWidget> &handle : std::as_const(m_handles)) {
        if (handle)
            handle->raise();
    }
}

void RectTracker::place()
{
    if (m_outline)
        m_outline->setGeometry(m_rect.adjusted(-1, -1, 1, 1)); // around the control, not on it
    const QVector<QRect> rects = handleRects();
    for (qsizetype i = 0; i < m_handles.size() && i < rects.size(); ++i) {
        if (m_handles.at(i))
            m_handles.at(i)->setGeometry(rects.at(i));
    }
}
