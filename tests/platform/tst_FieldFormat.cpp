#include "platform/FieldFormat.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>

namespace {

const QDate kToday(2026, 12, 7);

struct Case
{
    const char *format; // a name from formatNamed()
    const char *typed;
    const char *value; // nullptr: refused
    const char *shown; // the field's normal form; for a refusal a part of the problem
    const char *before = "";
};

FieldFormat formatNamed(const std::string &name)
{
    const std::map<std::string, FieldFormat> formats = {
        {"int", FieldFormat::wholeNumber(std::numeric_limits<qint32>::min(),
                                         std::numeric_limits<qint32>::max())},
        {"smallint", FieldFormat::wholeNumber(-32768, 32767)},
        {"numeric(12,2)", FieldFormat::decimal(10, 2)},
        {"double", FieldFormat::decimal(0, -1, 15)},
        {"numeric", FieldFormat::decimal(0, -1)},
        {"date", FieldFormat::date()},
        {"datetime", FieldFormat::dateTime()},
        {"time", FieldFormat::time()},
        {"varchar(5)", FieldFormat::text(5)},
        {"varchar(5) crlf", FieldFormat::text(5, "\r\n")}};
    EXPECT_EQ(formats.count(name), 1u) << name;
    return formats.count(name) ? formats.at(name) : FieldFormat();
}

// What a German user types, what is stored, and what the field shows then.
TEST(FieldFormat, ReadsWhatAGermanUserTypesOrSaysWhatItExpects)
{
    const Case cases[] = {
        // Numbers: "." groups thousands, "," is the decimal comma.
        {"numeric(12,2)", "1.234,56", "1234.56", "1234,56"},
        {"numeric(12,2)", "1234,56", "1234.56", "1234,56"},
        {"numeric(12,2)", "-1.234", "-1234", "-1234,00"},
        {"numeric(12,2)", " ,5 ", "0.5", "0,50"},
        {"numeric(12,2)", "0", "0", "0,00"},
        {"numeric(12,2)", "-0,00", "0", "0,00"},
        {"numeric(12,2)", "", "", ""},
        {"numeric(12,2)", "1234,567", nullptr, "höchstens 10 Stellen vor und 2 nach dem Komma"},
        {"numeric(12,2)", "123456789012345", nullptr, "zum Beispiel 1234,56"},
        {"numeric(12,2)", "9.999.999.999,99", "9999999999.99", "9999999999,99"},
        {"numeric", "1.234.567,5", "1234567.5", "1234567,5"},
        {"numeric", "1,2,3", nullptr, "ein Punkt trennt nur Tausender"},
        {"numeric", "1.23,4", nullptr, "erwartet eine Zahl"},
        {"numeric", "12.5", nullptr, "erwartet eine Zahl"},
        {"numeric", "1e5", nullptr, "erwartet eine Zahl"},
        {"numeric", "-", nullptr, "erwartet eine Zahl"},
        {"numeric", "12", "12", "12,0"},
        {"double", "-12.345,5", "-12345.5", "-12345,5"},
        {"double", "0,000123456789012345", "0.000123456789012345", "0,000123456789012345"},
        {"double", "0,1234567890123456", nullptr, "15 gültigen Stellen"},
        {"int", "12345", "12345", "12345"},
        {"int", "-1.234", "-1234", "-1234"},
        {"int", "0", "0", "0"},
        {"int", "+7", "7", "7"},
        {"int", "12-3", nullptr, "ganze Zahl von -2147483648 bis 2147483647"},
        {"int", "1,5", nullptr, "ganze Zahl"},
        {"int", "2.147.483.648", nullptr, "ganze Zahl"},
        {"int", "99999999999999999999999", nullptr, "ganze Zahl"},
        {"smallint", "70000", nullptr, "von -32768 bis 32767"},
        // Dates: day.month.year; two-digit years within 80 back and 19 ahead.
        {"date", "1.2.24", "2024-2-1", "01.02.2024"},
        {"date", "3.4.99", "1999-4-3", "03.04.1999"},
        {"date", "1.1.45", "2045-1-1", "01.01.2045"},
        {"date", "1.1.46", "1946-1-1", "01.01.1946"},
        {"date", "1.2.", "2026-2-1", "01.02.2026"},
        {"date", "29,02,2024", "2024-2-29", "29.02.2024"},
        {"date", "010224", "2024-2-1", "01.02.2024"},
        {"date", "heute", "2026-12-7", "07.12.2026"},
        {"date", "31.02.2024", nullptr, "den 31.02.2024 gibt es nicht"},
        {"date", "0.1.2024", nullptr, "den 00.01.2024 gibt es nicht"},
        {"date", "1.13.2024", nullptr, "Tag.Monat.Jahr"},
        {"date", "1.2.202", nullptr, "Tag.Monat.Jahr"},
        {"date", "32", nullptr, "Tag.Monat.Jahr"},
        // A date with its time; only a day typed keeps the time it had.
        {"datetime", "2.3.2024 12:30", "2024-3-2 12:30:00", "02.03.2024 12:30"},
        {"datetime", "2.3.24 9:05:07", "2024-3-2 09:05:07", "02.03.2024 09:05:07"},
        {"datetime", "2.3.2024", "2024-3-2 12:30:00.250", "02.03.2024 12:30",
         "01.03.2024 12:30:00.250"},
        {"datetime", "2.3.2024", "2024-3-2 00:00:00", "02.03.2024 00:00"},
        {"datetime", "2.3.2024 25:00", nullptr, "Datum mit Uhrzeit"},
        // Times of day.
        {"time", "9:15", "09:15:00", "09:15"},
        {"time", "0915", "09:15:00", "09:15"},
        {"time", "13:45:10+02", "13:45:10+02", "13:45:10+02"},
        {"time", "25:99", nullptr, "Uhrzeit"},
        {"time", "8:01", "08:01:00.123456", "08:01", "08:01:00.123456"},
        // Texts: as long as the column holds, line breaks as stored.
        {"varchar(5)", "a\nbcd", "a\nbcd", "a\nbcd"},
        {"varchar(5) crlf", "a\nbcd", nullptr, "höchstens 5 Zeichen auf; der Text hat 6"},
    };
    for (const Case &c : cases) {
        const FieldFormat format = formatNamed(c.format);
        const FieldFormat::Reading reading =
            format.read(QString::fromUtf8(c.typed), kToday, QString::fromUtf8(c.before));
        const std::string where = std::string(c.format) + " <- \"" + c.typed + "\"";
        if (!c.value) {
            EXPECT_FALSE(reading.ok) << where << " gave " << reading.value.toStdString();
            EXPECT_TRUE(reading.problem.contains(QString::fromUtf8(c.shown)))
                << where << ": " << reading.problem.toStdString();
            continue;
        }
        EXPECT_TRUE(reading.ok) << where << ": " << reading.problem.toStdString();
        EXPECT_EQ(reading.value, QString::fromUtf8(c.value)) << where;
        EXPECT_EQ(reading.shown, QString::fromUtf8(c.shown)) << where;
        // The normal form reads as the same value again.
        EXPECT_EQ(format.read(reading.shown, kToday, QString::fromUtf8(c.before)).value,
                  reading.value)
            << where;
    }
}

// What the records hand the form is shown in the field's normal form; a
// value that is none of the field's kind is shown as it is.
TEST(FieldFormat, ShowsRecordValuesAndRoomForEveryValue)
{
    const Case cases[] = {
        {"numeric(12,2)", "1960.60000000", "", "1960,60"},
        {"numeric(12,2)", "100", "", "100,00"},
        {"numeric(12,2)", "-0.00500000", "", "-0,01"},
        {"numeric(12,2)", "0.00400000", "", "0,00"},
        {"numeric(12,2)", "9.99900000", "", "10,00"},
        {"double", "12.50000000", "", "12,5"},
        {"double", "NaN", "", "NaN"},
        {"int", "-42", "", "-42"},
        {"int", "0", "", "0"},
        {"int", "-007", "", "-7"},   // a text the column holds, read as a number
        {"int", "12.5", "", "12.5"}, // a REAL that SQLite keeps in an INTEGER column
        {"date", "07.03.2021", "", "07.03.2021"},
        {"datetime", "07.03.2021 14:30:00.123", "", "07.03.2021 14:30"},
        {"datetime", "07.03.2021 14:30:15", "", "07.03.2021 14:30:15"},
        {"datetime", "07.03.2021", "", "07.03.2021 00:00"},
        {"time", "08:01:00.123456", "", "08:01"},
        {"time", "abc", "", "abc"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatNamed(c.format).show(QString::fromUtf8(c.typed)),
                  QString::fromUtf8(c.shown))
            << c.format << " " << c.typed;

    // Every value of the column can be typed, with thousands separators.
    EXPECT_EQ(formatNamed("int").typingLimit(), int(QStringLiteral("-2.147.483.648").size()));
    EXPECT_EQ(formatNamed("numeric(12,2)").typingLimit(),
              int(QStringLiteral("-9.999.999.999,99").size()));
    EXPECT_EQ(formatNamed("numeric").typingLimit(), 0);
    EXPECT_TRUE(formatNamed("int").acceptsCharacter(QLatin1Char(',')));
    EXPECT_FALSE(formatNamed("int").acceptsCharacter(QLatin1Char('a')));
    EXPECT_FALSE(formatNamed("date").acceptsCharacter(QLatin1Char(':')));
    EXPECT_TRUE(formatNamed("datetime").acceptsCharacter(QLatin1Char(':')));
}

} // namespace
