#ifndef QRT_DATA_DATETEXT_H
#define QRT_DATA_DATETEXT_H

#include "data/component/Variant.h"
#include "qrt_export.h"

#include <QString>

// The system's three date texts:
//   shown     "07.03.2021"  (FormatDate, day.month.year, zero-padded)
//   typed     "7.3.2021"    (ParseDate, day.month.year)
//   written   "2021-3-7"    (ParseDbDate, year-month-day, from the record text)
// Numbers are read as decimal integers and the separators must match.
namespace DateText {

// Day, month and year of a Date (or a day count held in a number); the time
// of day is dropped. "" for values that hold no date.
QRT_EXPORT QString FormatDate(const Variant &date);

// A Date from "d.m.yyyy" with the current time of day (UTC). A text without
// three numbers, or a day the calendar does not have, gives Null.
QRT_EXPORT Variant ParseDate(const QString &text);

// A Date at midnight from "y-m-d"; *valid tells whether the calendar has
// that day. Texts of 4 characters or fewer are never valid.
QRT_EXPORT Variant ParseDbDate(const QString &text, bool *valid);

// Whether the fields survive the round trip through a date value unchanged:
// 30 February, month 13, year 0 and the like do not.
QRT_EXPORT bool IsValidDate(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0);

} // namespace DateText

#endif // QRT_DATA_DATETEXT_H
