#include "platform/CalendarDateEdit.h"

#include "platform/PopupPlacement.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLocale>
#include <QScreen>

CalendarDateEdit::CalendarDateEdit(const QDate &date, QWidget *parent) : QDateEdit(date, parent)
{
    setCalendarPopup(true);
    // The calendar's month and day names in German, as the dialog around it.
    calendarWidget()->setLocale(QLocale(QLocale::German, QLocale::Germany));
    static_cast<void>(calendarPopup()); // watched before the arrow button first opens it
}

QWidget *CalendarDateEdit::calendarPopup() const
{
    // QDateEdit makes its calendar window on first use and keeps it; its
    // own arrow button shows it too, so the placing happens when it shows.
    QWidget *popup = calendarWidget()->window();
    if (popup != m_watchedPopup) {
        popup->installEventFilter(const_cast<CalendarDateEdit *>(this));
        m_watchedPopup = popup;
    }
    return popup;
}

void CalendarDateEdit::showCalendar()
{
    if (isReadOnly() || !isEnabled())
        return;
    // calendarWidget() also gives the calendar the field's date and range.
    QCalendarWidget *calendar = calendarWidget();
    QWidget *popup = calendarPopup();
    popup->show();
    calendar->setFocus(Qt::PopupFocusReason);
}

void CalendarDateEdit::keyPressEvent(QKeyEvent *event)
{
    const QKeyCombination key(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key()));
    if (key == QKeyCombination(Qt::Key_F4) || key == (Qt::AltModifier | Qt::Key_Down) ||
        key == (Qt::AltModifier | Qt::Key_Up)) {
        showCalendar();
        event->accept();
        return;
    }
    QDateEdit::keyPressEvent(event);
}

bool CalendarDateEdit::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}

bool CalendarDateEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedPopup) {
        switch (event->type()) {
        case QEvent::Show:
            m_dateAtOpen = date();
            placeCalendar(m_watchedPopup);
            break;
        case QEvent::KeyPress:
            // The calendar writes every day the arrow keys reach into the
            // field; Escape takes that back, as it does in any drop-down.
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                setDate(m_dateAtOpen);
            break;
        default:
            break;
        }
    }
    return QDateEdit::eventFilter(watched, event);
}

void CalendarDateEdit::placeCalendar(QWidget *popup) const
{
    const QRect field(mapToGlobal(QPoint(0, 0)), size());
    const QScreen *screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(field.topLeft(), QSize());
    popup->setGeometry(placePopup(field, popup->sizeHint(), available, m_alignment));
}
