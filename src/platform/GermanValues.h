#ifndef QRT_PLATFORM_GERMANVALUES_H
#define QRT_PLATFORM_GERMANVALUES_H

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// The texts of numbers, dates and times as a German user types them
// ("1.234,56", "1.2.24", "9:15") and as the record text carries them
// ("1234.56", "2024-2-1" or "01.02.2024", "09:15:00"): the pieces that
// FieldFormat reads and shows values with. Every reader is strict: it
// takes its text whole or not at all.
namespace GermanValues {

// A number as digits: the integer part without leading zeros ("" for 0),
// the fraction without trailing zeros.
struct Digits
{
    bool negative = false;
    QString integer;
    QString fraction;

    bool isZero() const { return integer.isEmpty() && fraction.isEmpty(); }
};

// The digits of the parts, leading zeros of the integer and trailing zeros
// of the fraction dropped; no "-0".
Digits normalised(bool negative, QString integer, QString fraction);
// A number as a German user types it ("-1.234,5", ",5"); fractionAllowed
// false refuses a comma. nullopt for anything else.
std::optional<Digits> typedNumber(const QString &text, bool fractionAllowed);
// A record value: digits with a decimal point (or comma), perhaps signed.
std::optional<Digits> recordNumber(const QString &text);
// The digits from the first that is not 0 to the last that is not 0.
qsizetype significantDigits(const Digits &digits);
// "-1234.5": the record text of the number.
QString recordText(const Digits &digits);
// "-1234,50" with scale 2, "12,5" and "12,0" without one (scale -1).
QString shownNumber(const Digits &digits, int scale);

// "07.03.2021", "14:30" or "14:30:15", "2021-3-7", "14:30:00.250".
QString shownDate(const QDate &date);
QString shownTime(const QTime &time);
QString recordDate(const QDate &date);
QString recordTime(const QTime &time);
// Whether the calendar has that day within the years 100 to 9999.
bool inCalendar(int year, int month, int day);
// A record value's day and time: "07.03.2021", "07.03.2021 14:30:00.123",
// "2021-3-7 14:30:00" (the time is midnight where none is given).
bool recordDateTime(const QString &text, QDate *date, QTime *time);

// A day as typed: "1.2.24", "1.2.", "010224", "heute".
struct TypedDate
{
    bool read = false;   // the text has the form of a date
    bool exists = false; // and the calendar has that day
    int day = 0, month = 0, year = 0;
};

TypedDate typedDate(QString text, const QDate &today);
// "9", "9:15", "09:15:30", "0915", with a zone where the column keeps one;
// with fraction also the fraction of a second a stored time may have.
bool typedTime(const QString &text, QTime *time, QString *zone, bool fraction);

// The words engines and users store and type for yes and no ("ja",
// "wahr", "true", "t", "on" ... and their opposites), any letter case;
// nullopt for anything else.
std::optional<bool> yesNoWord(const QString &text);

} // namespace GermanValues

#endif // QRT_PLATFORM_GERMANVALUES_H
