#include "data/DateText.h"
#include "data/FieldConversion.h"

#include <QDate>

#include <cmath>

#include <gtest/gtest.h>

using FieldConversion::Result;

namespace {

// A column as the catalog describes it: "integer", "smallint", "double",
// "numeric(12,2)", "varchar(5)", "date", "timestamp", "boolean", "uuid",
// "dbtime"; "!" in front: NOT NULL.
ColumnInfo column(const char *declared)
{
    QString type = QString::fromLatin1(declared);
    ColumnInfo info;
    info.name = "SPALTE";
    info.flags = type.startsWith(QLatin1Char('!')) ? 0 : CF_NULLABLE;
    type.remove(QLatin1Char('!'));
    const QString arguments = type.section(QLatin1Char('('), 1).chopped(type.contains('(') ? 1 : 0);
    info.typeName = type.section(QLatin1Char('('), 0, 0);
    if (info.typeName == "integer" || info.typeName == "smallint") {
        info.category = TypeCategory::WholeNumber;
        info.definedSize = info.typeName == "integer" ? 4 : 2;
    } else if (info.typeName == "double" || info.typeName == "numeric") {
        info.category = TypeCategory::Fractional;
        info.precision = arguments.section(',', 0, 0).toInt();
        info.numericScale = arguments.section(',', 1, 1).toInt();
    } else if (info.typeName == "varchar") {
        info.category = TypeCategory::Text;
        info.definedSize = arguments.toInt();
    } else if (info.typeName == "date" || info.typeName == "timestamp") {
        info.category = TypeCategory::Date;
        info.typeName = info.typeName == "date" ? "dbdate" : "dbtimestamp";
    } else if (info.typeName == "boolean") {
        info.category = TypeCategory::YesNo;
    }
    return info;
}

const Variant kMarch7 = Variant::fromDate(QDate(2021, 3, 7));
const Variant kAfternoon = Variant::fromDateAndTime(QDate(2021, 3, 7), QTime(14, 30, 0, 250));

struct Conversion
{
    const char *column;
    Variant stored;
    const char *text;
    Variant expected; // Empty: refused, the stored value stays
    const char *problem = "";
};

// What a changed field's text becomes: exactly the value meant, or a refusal
// that says what the column expects. Nothing is read as something else.
TEST(FieldConversion, AChangedTextIsExactlyItsValueOrRefused)
{
    const Conversion cases[] = {
        {"integer", Variant::null(), "  -7", Variant(qint32(-7))},
        {"integer", Variant(qint32(5)), "0", Variant(qint32(0))}, // 0 is no "unknown"
        {"integer", Variant(qint32(5)), "", Variant::null()},
        {"!integer", Variant(qint32(5)), "", Variant::null()}, // the write then asks for a value
        {"integer", Variant::null(), "12abc", Variant(), "ganze Zahl"},
        {"integer", Variant::null(), "12-3", Variant(), "ganze Zahl"},
        {"integer", Variant::null(), "2147483648", Variant(), "bis 2147483647"},
        {"smallint", Variant(qint16(1)), "300", Variant(qint16(300))}, // the stored type stays
        {"smallint", Variant(qint16(1)), "70000", Variant(), "bis 32767"},
        {"double", Variant(1.0), "3,5", Variant(3.5)},
        {"double", Variant(float(1)), "0.25", Variant(float(0.25))},
        {"double", Variant(1.0), "0", Variant(0.0)},
        {"double", Variant(1.0), "1e3", Variant(1000.0)},
        {"double", Variant(1.0), "", Variant::null()},
        {"double", Variant(1.0), "3,5x", Variant(), "Zahl"},
        {"double", Variant::null(), "abc", Variant(), "Zahl"},
        {"double", Variant(1.0), "0,12345678901234567", Variant(), "15 gültigen Stellen"},
        {"numeric", Variant::decimal(QStringLiteral("1")), "12,50",
         Variant::decimal(QStringLiteral("12.5"))},
        {"numeric", Variant::null(), "98765432109876543210.0123456789",
         Variant::decimal(QStringLiteral("98765432109876543210.0123456789"))},
        {"numeric(12,2)", Variant::null(), "1234.567", Variant(), "2 nach dem Komma"},
        {"numeric(12,2)", Variant::null(), "123456789012", Variant(), "10 Stellen vor"},
        {"numeric(12,2)", Variant::null(), "-9999999999.99",
         Variant::decimal(QStringLiteral("-9999999999.99"))},
        {"varchar(5)", Variant::null(), "Abcde", Variant(QStringLiteral("Abcde"))},
        {"varchar(5)", Variant::null(), "Abcdef", Variant(), "höchstens 5 Zeichen"},
        {"varchar(0)", Variant(QStringLiteral("a")), "", Variant::null()},
        {"date", Variant::fromDate(QDate(2000, 1, 1)), "2021-3-7", kMarch7},
        {"date", Variant::null(), "2021-3-7", Variant(kMarch7.dateValue())}, // a day count
        {"date", kMarch7, "07.03.2021", kMarch7},
        {"date", kMarch7, "2021-2-30", Variant(), "Tag.Monat.Jahr"},
        {"date", kMarch7, "", Variant::null()},
        {"timestamp", kAfternoon, "2021-3-8", // only the day: the time stays
         Variant::fromDateAndTime(QDate(2021, 3, 8), QTime(14, 30, 0, 250))},
        {"timestamp", kAfternoon, "2021-3-8 09:15:00",
         Variant::fromDateAndTime(QDate(2021, 3, 8), QTime(9, 15))},
        {"boolean", Variant(false), "True", Variant(true)},
        {"boolean", Variant(true), "1", Variant(false)},
        {"boolean", Variant(true), "", Variant::null()},
        {"!boolean", Variant(true), "", Variant(false)},
        {"uuid", Variant(QStringLiteral("3431e1d6")), "1 day", Variant(QStringLiteral("1 day"))},
        {"uuid", Variant(QStringLiteral("3431e1d6")), "", Variant::null()},
        {"integer", Variant(2.5), "3", Variant(2.5), "DatenTyp"},
    };
    for (const Conversion &c : cases) {
        ColumnInfo info = column(c.column);
        if (QByteArray(c.column) == "uuid")
            info.category = TypeCategory::Unknown;
        const Result result =
            FieldConversion::fromRecordText(info, c.stored, QString::fromUtf8(c.text));
        const std::string where = std::string(c.column) + " <- \"" + c.text + "\"";
        if (QByteArray(c.problem) == "DatenTyp") {
            EXPECT_EQ(result.status, Result::Status::InvalidType) << where;
        } else if (c.expected.isEmpty()) {
            EXPECT_EQ(result.status, Result::Status::InvalidValue) << where;
            EXPECT_TRUE(result.problem.contains(QString::fromUtf8(c.problem)))
                << where << ": " << result.problem.toStdString();
            continue;
        } else {
            EXPECT_EQ(result.status, Result::Status::Ok) << where << result.problem.toStdString();
        }
        EXPECT_EQ(result.value, c.expected)
            << where << ": " << result.value.toString().toStdString();
    }
}

TEST(FieldConversion, RecordTexts)
{
    const struct
    {
        const char *column;
        Variant value;
        const char *text;
    } cases[] = {
        {"double", Variant(2.5), "2.50000000"},
        {"numeric", Variant::decimal(QStringLiteral("-1234.5")), "-1234.50000000"},
        // Rounded at the eighth place by its digits, not by a double's.
        {"numeric", Variant::decimal(QStringLiteral("12345678901234567890.123456785")),
         "12345678901234567890.12345679"},
        {"numeric", Variant::decimal(QStringLiteral("-0.000000004")), "0.00000000"},
        {"numeric(30,10)", Variant::decimal(QStringLiteral("1.0123456789")), "1.0123456789"},
        {"double", Variant(std::nan("")), "NaN"},
        {"double", Variant(-HUGE_VAL), "-Infinity"},
        {"integer", Variant(qint64(5000000050)), "5000000050"},
        {"varchar(0)", Variant(QStringLiteral("a<b & 'c'>\"\r\n")), "a<b & 'c'>\"\r\n"},
        {"date", kAfternoon, "07.03.2021"},
        {"timestamp", kAfternoon, "07.03.2021 14:30:00.250"},
        {"timestamp", kMarch7, "07.03.2021 00:00:00"},
        {"boolean", Variant(true), "True"},
    };
    for (const auto &c : cases) {
        bool typeError = false;
        EXPECT_EQ(FieldConversion::toRecordText(column(c.column), c.value, &typeError),
                  QString::fromUtf8(c.text))
            << c.column;
        EXPECT_FALSE(typeError) << c.column;
    }
    bool typeError = false;
    FieldConversion::toRecordText(column("integer"), Variant(QStringLiteral("zwölf")), &typeError);
    EXPECT_TRUE(typeError);
}

TEST(FieldConversion, WhatTheFormWasShownKeepsTheStoredValue)
{
    const struct
    {
        const char *column;
        Variant stored;
        const char *text;
        bool unchanged;
    } cases[] = {
        {"integer", Variant::null(), "", true},
        {"double", Variant::null(), "", true},
        {"date", Variant::null(), "", true},
        {"boolean", Variant::null(), "", true},
        {"boolean", Variant::null(), "False", false}, // Null is "unknown", not "no"
        {"integer", Variant::null(), "0", false},
        {"integer", Variant(qint64(5000000050)), "5000000050", true},
        {"integer", Variant(qint32(0)), "+0", true},
        {"integer", Variant(qint32(0)), "", false},
        {"integer", Variant(qint32(7)), "7x", false},
        // At the shown precision, with either decimal sign; more digits than
        // shown are not the user's to change.
        {"double", Variant(1.0 / 3.0), "0.33333333", true},
        {"double", Variant(1.0 / 3.0), "0,33333333", true},
        {"double", Variant(1.0 / 3.0), "0,33", false},
        {"double", Variant(std::nan("")), "NaN", true},
        {"numeric", Variant::decimal(QStringLiteral("9011.85")), "9011,85", true},
        {"double", Variant(12.5), "12,6", false},
        {"varchar(0)", Variant(QStringLiteral("a\nb")), "a\r\nb", true},
        {"varchar(0)", Variant(QStringLiteral("")), "", true}, // not Null
        {"varchar(0)", Variant(QStringLiteral("a b")), "a  b", false},
        // A column of days compares days; a timestamp its time as well.
        {"date", kAfternoon, "07.03.2021", true},
        {"date", kAfternoon, "2021-3-7", true},
        {"date", kAfternoon, "2021-3-8", false},
        {"date", kAfternoon, "", false},
        {"timestamp", kAfternoon, "2021-3-7 14:30:00.250", true},
        {"timestamp", kAfternoon, "2021-3-7", true},
        {"timestamp", kAfternoon, "2021-3-7 14:30:00", false},
        {"boolean", Variant(true), "TRUE", true},
        {"boolean", Variant(false), "true", false},
        // A value its category does not expect is kept only by its very text.
        {"integer", Variant(QStringLiteral("n/a")), "n/a", true},
        {"integer", Variant(QStringLiteral("n/a")), "0", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(
            FieldConversion::isUnchanged(column(c.column), c.stored, QString::fromUtf8(c.text)),
            c.unchanged)
            << c.column << " \"" << c.text << "\"";
}

TEST(DateText, TheThreeFormats)
{
    EXPECT_EQ(DateText::FormatDate(Variant::fromDate(QDate(2020, 5, 7))), "07.05.2020");
    EXPECT_EQ(DateText::FormatDate(Variant(43958.5)), "07.05.2020");
    EXPECT_EQ(DateText::FormatDate(Variant::null()), QString());

    EXPECT_EQ(DateText::ParseDate("7.5.2020").toDateTime().date(), QDate(2020, 5, 7));
    for (const char *invalid : {"7.5", "31.2.2020"})
        EXPECT_TRUE(DateText::ParseDate(invalid).isNull()) << invalid;

    bool valid = false;
    EXPECT_EQ(DateText::ParseDbDate("2021-3-7", &valid), Variant::fromDate(QDate(2021, 3, 7)));
    EXPECT_TRUE(valid);
    for (const char *invalid : {"2021", "0-3-7x", "2021-13-01"}) {
        DateText::ParseDbDate(invalid, &valid);
        EXPECT_FALSE(valid) << invalid;
    }
    EXPECT_TRUE(DateText::IsValidDate(2020, 2, 29));
    EXPECT_FALSE(DateText::IsValidDate(2021, 2, 29));
    EXPECT_FALSE(DateText::IsValidDate(2021, 1, 1, 24, 0, 0));
}

} // namespace
