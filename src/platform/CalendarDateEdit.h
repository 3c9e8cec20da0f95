#ifndef QRT_PLATFORM_CALENDARDATEEDIT_H
#define QRT_PLATFORM_CALENDARDATEEDIT_H

#include "qrt_export.h"

#include <QDateEdit>

// A date field whose calendar opens from the keyboard as from its arrow
// button: F4 or Alt+Down, as in every drop-down field. The calendar opens
// below the field with its left or right edge on the field's, as the
// dialog's layout asks (a field at the right of a dialog keeps its calendar
// inside the dialog), above the field where the screen has no room below.
//
// The calendar is Qt's own (calendarWidget()): the arrow keys move through
// it, Enter takes the day; Escape closes it and, unlike in a plain
// QDateEdit, gives the field back the date it had when the calendar opened.
class QRT_EXPORT CalendarDateEdit : public QDateEdit
{
    Q_OBJECT

public:
    explicit CalendarDateEdit(const QDate &date, QWidget *parent = nullptr);

    void setCalendarAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    // Opens the calendar on the field's date and gives it the focus.
    void showCalendar();
    // The window the calendar opens in (created on first use).
    [[nodiscard]] QWidget *calendarPopup() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // Tab leaves the field, as it leaves every other one; QDateEdit would
    // first step through day, month and year, which typing and the arrow
    // keys reach already.
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeCalendar(QWidget *popup) const;

    Qt::Alignment m_alignment = Qt::AlignLeft;
    mutable QWidget *m_watchedPopup = nullptr; // the popup whose showing is watched
    QDate m_dateAtOpen;                        // what Escape in the calendar goes back to
};

#endif // QRT_PLATFORM_CALENDARDATEEDIT_H
