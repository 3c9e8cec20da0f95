#ifndef QRT_CONTROLS_CDYNDATETIME_H
#define QRT_CONTROLS_CDYNDATETIME_H

#include "controls/CDynEdit.h"

#include <QCalendarWidget>
#include <QDate>

// A date field: a one-line edit of at most 10 characters that takes digits,
// "." and ",", shows its date as "dd.mm.yyyy" and reads what the user typed
// when the field loses the focus: "5,3,21" is read as day 5, month 3 of the
// current year (a year below 100 is replaced, not expanded); a day the
// calendar does not have empties the field. F4 or Alt+Down opens a calendar.
class QRT_EXPORT CDynDateTime : public CDynEdit
{
    Q_OBJECT

public:
    using CDynEdit::CDynEdit;

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::DateTime); }
    void ClearValue() override { SetDate(QDate()); }

    // Shows date (an invalid date empties the field); not the user's change.
    void SetDate(const QDate &date);
    // Reads the field's text first; an invalid date when it holds none.
    [[nodiscard]] QDate GetDate();

    [[nodiscard]] bool AcceptsCharacter(QChar c) const override;

    // The date a typed text means; currentYear replaces years below 100.
    [[nodiscard]] static QDate ParseDateText(const QString &text, int currentYear);
    // "dd.mm.yyyy", or "" for an invalid date.
    [[nodiscard]] static QString FormatDateText(const QDate &date);

    // The calendar opened by F4 or Alt+Down, while it is open.
    [[nodiscard]] QCalendarWidget *Calendar() const { return m_calendar; }

protected:
    void FinishCreate(const ControlDescription &description) override;
    bool FilterEvent(QObject *watched, QEvent *event) override;
    [[nodiscard]] bool WantsMultiLineWindow() const override { return false; }
    [[nodiscard]] QString InitialText(const ControlDescription &description) const override;
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;

private:
    void ReadText();
    void ShowDate();
    void OpenCalendar();

    QDate m_value; // invalid: no date
    QPointer<QCalendarWidget> m_calendar;
};

#endif // QRT_CONTROLS_CDYNDATETIME_H
