#ifndef QRT_CONTROLS_CDYNDATETIME_H
#define QRT_CONTROLS_CDYNDATETIME_H

#include "controls/CDynEdit.h"

#include <QCalendarWidget>
#include <QDate>

// A date field: a one-line edit that reads a day as a German user types it
// ("1.2.24", "1.2.", "heute"; FieldFormat), with the time of day where its
// column keeps one ("01.03.2024 12:30"). F4 or Alt+Down opens a calendar,
// whose choice keeps the time of day the field shows.
class QRT_EXPORT CDynDateTime : public CDynEdit
{
    Q_OBJECT

public:
    explicit CDynDateTime(bool designMode);

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::DateTime); }
    void ClearValue() override { SetDate(QDate()); }

    // Shows date (an invalid date empties the field); not the user's change.
    void SetDate(const QDate &date);
    // The day the field's text means; an invalid date when it means none.
    [[nodiscard]] QDate GetDate() const;

    // The calendar opened by F4 or Alt+Down, while it is open.
    [[nodiscard]] QCalendarWidget *Calendar() const { return m_calendar; }

protected:
    void FinishCreate(const ControlDescription &description) override;
    bool FilterEvent(QObject *watched, QEvent *event) override;
    [[nodiscard]] bool WantsMultiLineWindow() const override { return false; }
    [[nodiscard]] QString InitialText(const ControlDescription &description) const override;

private:
    void OpenCalendar();

    QPointer<QCalendarWidget> m_calendar;
};

#endif // QRT_CONTROLS_CDYNDATETIME_H
