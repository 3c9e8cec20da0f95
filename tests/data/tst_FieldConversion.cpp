#include "data/DateText.h"
#include "data/FieldConversion.h"

#include <QDate>

#include <cmath>

#include <gtest/gtest.h>

using FieldConversion::Result;

namespace {

ColumnInfo column(TypeCategory category, bool nullable, int size = 0)
{
    ColumnInfo info;
    info.name = QStringLiteral("SPALTE");
    info.category = category;
    info.flags = nullable ? CF_NULLABLE : 0;
    info.definedSize = size;
    return info;
}

Variant convert(const ColumnInfo &info, const Variant &old, const char *text,
                Result::Status expected = Result::Status::Ok)
{
    const Result result = FieldConversion::fromRecordText(info, old, QString::fromUtf8(text));
    EXPECT_EQ(int(result.status), int(expected)) << text;
    return result.value;
}

} // namespace

TEST(FieldConversion, WholeNumbersReadLikeAtoi)
{
    const ColumnInfo nullable = column(TypeCategory::WholeNumber, true);
    const ColumnInfo required = column(TypeCategory::WholeNumber, false);
    EXPECT_EQ(convert(nullable, Variant::null(), "12abc"), Variant(qint32(12)));
    EXPECT_EQ(convert(nullable, Variant::null(), "  -7"), Variant(qint32(-7)));
    EXPECT_TRUE(convert(nullable, Variant(qint32(5)), "0").isNull());
    EXPECT_TRUE(convert(nullable, Variant(qint32(5)), "").isNull());
    EXPECT_EQ(convert(required, Variant::null(), ""), Variant(qint32(0)));
    EXPECT_EQ(convert(required, Variant::null(), "abc"), Variant(qint32(0)));
    // The stored value's type is kept.
    EXPECT_EQ(convert(required, Variant(qint16(1)), "300"), Variant(qint16(300)));
    EXPECT_EQ(convert(required, Variant::machineInt(1), "4"), Variant::machineInt(4));
    // A number too big for a 16-bit column is not wrapped into another number.
    EXPECT_NE(convert(required, Variant(qint16(1)), "70000"), Variant(qint16(4464)));
    EXPECT_EQ(convert(required, Variant(2.5), "3", Result::Status::InvalidType), Variant(2.5));
}

TEST(FieldConversion, FractionalNumbersTakeTheDecimalComma)
{
    const ColumnInfo nullable = column(TypeCategory::Fractional, true);
    const ColumnInfo required = column(TypeCategory::Fractional, false);
    EXPECT_EQ(convert(nullable, Variant(1.0), "3,5"), Variant(3.5));
    EXPECT_EQ(convert(nullable, Variant(float(1)), "0,25"), Variant(float(0.25)));
    convert(nullable, Variant(1.0), "3,5x", Result::Status::InvalidValue);
    convert(nullable, Variant(1.0), " ", Result::Status::InvalidValue);
    EXPECT_EQ(convert(nullable, Variant(1.0), "1e3"), Variant(1000.0));
    EXPECT_TRUE(convert(nullable, Variant(1.0), "0,0").isNull());
    // Clearing a stored amount: Null where allowed, 0 where a value is required.
    EXPECT_TRUE(convert(nullable, Variant(1.0), "").isNull());
    EXPECT_TRUE(convert(nullable, Variant(float(1)), "").isNull());
    EXPECT_EQ(convert(required, Variant(1.0), ""), Variant(0.0));
    EXPECT_EQ(convert(required, Variant(float(1)), ""), Variant(float(0)));
    // Nothing stored yet: read without a check, and a 0 stays a 0 …
    EXPECT_EQ(convert(nullable, Variant::null(), "abc"), Variant(0.0));
    EXPECT_EQ(convert(nullable, Variant::null(), "0"), Variant(0.0));
    EXPECT_EQ(convert(nullable, Variant(), "2,5kg"), Variant(2.5));
    EXPECT_EQ(convert(required, Variant::null(), "abc"), Variant(0.0));
    EXPECT_EQ(convert(required, Variant::null(), ""), Variant(0.0));
    // … but the empty text the form showed for the Null keeps it.
    EXPECT_TRUE(convert(nullable, Variant::null(), "").isNull());
    // A stored decimal takes the text unchecked; 0 stays a 0 there too.
    EXPECT_EQ(convert(nullable, Variant::decimal(QStringLiteral("1")), "12,50"),
              Variant::decimal(QStringLiteral("12.5")));
    EXPECT_EQ(convert(nullable, Variant::decimal(QStringLiteral("1")), ""),
              Variant::decimal(QStringLiteral("0")));
    EXPECT_EQ(convert(nullable, Variant(QStringLiteral("x")), "1", Result::Status::InvalidType),
              Variant(QStringLiteral("x")));
}

TEST(FieldConversion, TextsDatesAndYesNo)
{
    EXPECT_EQ(convert(column(TypeCategory::Text, true, 5), Variant::null(), "Abcdefg"),
              Variant(QStringLiteral("Abcde")));
    EXPECT_TRUE(
        convert(column(TypeCategory::Text, false, 5), Variant(QStringLiteral("a")), "").isNull());
    EXPECT_EQ(convert(column(TypeCategory::Text, true, 0), Variant::null(), "<&>"),
              Variant(QStringLiteral("<&>")));

    const ColumnInfo date = column(TypeCategory::Date, true);
    const Variant march7 = Variant::fromDate(QDate(2021, 3, 7));
    EXPECT_EQ(convert(date, Variant::fromDate(QDate(2000, 1, 1)), "2021-3-7"), march7);
    EXPECT_EQ(convert(date, Variant::null(), "2021-3-7"), Variant(march7.dateValue())); // a double
    EXPECT_TRUE(convert(date, march7, "07.03.2021").isNull());
    // A changed date is the day at midnight (an unchanged one never gets here).
    const Variant afternoon = Variant::fromDateTime(QDateTime(QDate(2021, 3, 6), QTime(14, 30)));
    EXPECT_EQ(convert(date, afternoon, "2021-3-7"), march7);
    EXPECT_TRUE(convert(date, march7, "2021-2-30").isNull());
    EXPECT_TRUE(convert(date, march7, "").isNull());

    const ColumnInfo yesNo = column(TypeCategory::YesNo, false);
    EXPECT_EQ(convert(yesNo, Variant(false), "true"), Variant(true));
    EXPECT_EQ(convert(yesNo, Variant(false), "True"), Variant(true));
    EXPECT_EQ(convert(yesNo, Variant(true), "1"), Variant(false));

    // A type the form does not know travels as its text; the engine reads it.
    const Variant uuid(QStringLiteral("3431e1d6-3f9e-4ea9-b7d0-2edf9c9448b5"));
    EXPECT_EQ(convert(column(TypeCategory::Unknown, true), uuid, "1 day"),
              Variant(QStringLiteral("1 day")));
    EXPECT_TRUE(convert(column(TypeCategory::Unknown, true), uuid, "").isNull());
}

TEST(FieldConversion, RecordTexts)
{
    const auto text = [](TypeCategory category, const Variant &value, bool *typeError = nullptr) {
        bool error = false;
        const QString result = FieldConversion::toRecordText(column(category, true), value, &error);
        if (typeError)
            *typeError = error;
        else
            EXPECT_FALSE(error) << result.toStdString();
        return result;
    };
    EXPECT_EQ(text(TypeCategory::Fractional, Variant(2.5)), "2.50000000");
    EXPECT_EQ(text(TypeCategory::Fractional, Variant::decimal(QStringLiteral("-1234.5"))),
              "-1234.50000000");
    // A decimal keeps all its digits, rounded at the eighth place by its
    // digits, not by a double's.
    EXPECT_EQ(text(TypeCategory::Fractional,
                   Variant::decimal(QStringLiteral("12345678901234567890.123456785"))),
              "12345678901234567890.12345679");
    EXPECT_EQ(text(TypeCategory::Fractional, Variant::decimal(QStringLiteral("-0.000000004"))),
              "0.00000000");
    EXPECT_EQ(text(TypeCategory::Fractional, Variant::decimal(QStringLiteral("9.999999999"))),
              "10.00000000");
    EXPECT_EQ(text(TypeCategory::Fractional, Variant(std::nan(""))), "NaN");
    EXPECT_EQ(text(TypeCategory::Fractional, Variant(-HUGE_VAL)), "-Infinity");
    EXPECT_EQ(text(TypeCategory::WholeNumber, Variant(qint16(-4))), "-4");
    EXPECT_EQ(text(TypeCategory::WholeNumber, Variant(qint64(5000000050))), "5000000050");
    // Plain texts: the record text's codec escapes them.
    EXPECT_EQ(text(TypeCategory::Text, Variant(QStringLiteral("a<b & 'c'>\"\r\n"))),
              "a<b & 'c'>\"\r\n");
    EXPECT_EQ(text(TypeCategory::Date,
                   Variant::fromDateTime(QDateTime(QDate(2021, 3, 7), QTime(14, 30)))),
              "07.03.2021");
    EXPECT_EQ(text(TypeCategory::YesNo, Variant(true)), "True");
    EXPECT_EQ(text(TypeCategory::Unknown, Variant(QStringLiteral("1 day 02:00:00"))),
              "1 day 02:00:00");
    bool typeError = false;
    text(TypeCategory::WholeNumber, Variant(QStringLiteral("zwölf")), &typeError);
    EXPECT_TRUE(typeError);
}

TEST(FieldConversion, WhatTheFormWasShownKeepsTheStoredValue)
{
    const auto unchanged = [](TypeCategory category, const Variant &stored, const char *text) {
        return FieldConversion::isUnchanged(column(category, true), stored,
                                            QString::fromUtf8(text));
    };
    // Nothing stored was shown as nothing.
    for (TypeCategory category :
         {TypeCategory::WholeNumber, TypeCategory::Fractional, TypeCategory::Text,
          TypeCategory::Date, TypeCategory::YesNo, TypeCategory::Unknown})
        EXPECT_TRUE(unchanged(category, Variant::null(), "")) << int(category);

    const Variant big(qint64(5000000050));
    EXPECT_TRUE(unchanged(TypeCategory::WholeNumber, big, "5000000050"));
    EXPECT_TRUE(unchanged(TypeCategory::WholeNumber, Variant(qint32(0)), "+0"));
    EXPECT_FALSE(unchanged(TypeCategory::WholeNumber, Variant(qint32(0)), "")) << "cleared";
    EXPECT_FALSE(unchanged(TypeCategory::WholeNumber, Variant(qint32(7)), "7x"));
    EXPECT_FALSE(unchanged(TypeCategory::WholeNumber, Variant::null(), "0"));

    // At the shown precision, with either decimal sign; more digits than
    // shown are not the user's to change.
    const Variant third(1.0 / 3.0);
    EXPECT_TRUE(unchanged(TypeCategory::Fractional, third, "0.33333333"));
    EXPECT_TRUE(unchanged(TypeCategory::Fractional, third, "0,33333333"));
    EXPECT_FALSE(unchanged(TypeCategory::Fractional, third, "0,33"));
    EXPECT_TRUE(unchanged(TypeCategory::Fractional, Variant(12.5), "12,5"));
    EXPECT_TRUE(unchanged(TypeCategory::Fractional, Variant(std::nan("")), "NaN"));
    EXPECT_TRUE(unchanged(TypeCategory::Fractional, Variant::decimal(QStringLiteral("9011.85")),
                          "9011,85"));
    EXPECT_FALSE(unchanged(TypeCategory::Fractional, Variant(12.5), "12,6"));

    const QString longText(300, QLatin1Char('x'));
    EXPECT_TRUE(FieldConversion::isUnchanged(column(TypeCategory::Text, true, 255),
                                             Variant(longText), longText));
    EXPECT_TRUE(unchanged(TypeCategory::Text, Variant(QStringLiteral("a\nb")), "a\r\nb"));
    EXPECT_TRUE(unchanged(TypeCategory::Text, Variant(QStringLiteral("")), ""))
        << "an empty text stays an empty text, not Null";
    EXPECT_FALSE(unchanged(TypeCategory::Text, Variant(QStringLiteral("a b")), "a  b"));

    // The same day, as shown or as forms write dates back; the time of day
    // is not shown, so it stays.
    const Variant afternoon = Variant::fromDateTime(QDateTime(QDate(2021, 3, 7), QTime(14, 30)));
    EXPECT_TRUE(unchanged(TypeCategory::Date, afternoon, "07.03.2021"));
    EXPECT_TRUE(unchanged(TypeCategory::Date, afternoon, "2021-3-7"));
    EXPECT_FALSE(unchanged(TypeCategory::Date, afternoon, "2021-3-8"));
    EXPECT_FALSE(unchanged(TypeCategory::Date, afternoon, ""));
    EXPECT_FALSE(unchanged(TypeCategory::Date, Variant::null(), "2021-3-7"));

    // The check state: a Null shows unchecked.
    EXPECT_TRUE(unchanged(TypeCategory::YesNo, Variant::null(), "False"));
    EXPECT_FALSE(unchanged(TypeCategory::YesNo, Variant::null(), "True"));
    EXPECT_TRUE(unchanged(TypeCategory::YesNo, Variant(true), "TRUE"));
    EXPECT_TRUE(unchanged(TypeCategory::YesNo, Variant(false), "False"));
    EXPECT_FALSE(unchanged(TypeCategory::YesNo, Variant(false), "true"));

    // A value of a type its category does not expect is kept only when its
    // very text comes back.
    EXPECT_TRUE(unchanged(TypeCategory::WholeNumber, Variant(QStringLiteral("n/a")), "n/a"));
    EXPECT_FALSE(unchanged(TypeCategory::WholeNumber, Variant(QStringLiteral("n/a")), "0"));
}

TEST(DateText, TheThreeFormats)
{
    EXPECT_EQ(DateText::FormatDate(Variant::fromDate(QDate(2020, 5, 7))),
              QStringLiteral("07.05.2020"));
    EXPECT_EQ(DateText::FormatDate(Variant(43958.5)), QStringLiteral("07.05.2020"));
    EXPECT_EQ(DateText::FormatDate(Variant::null()), QString());

    const Variant typed = DateText::ParseDate(QStringLiteral("7.5.2020"));
    EXPECT_EQ(typed.toDateTime().date(), QDate(2020, 5, 7));
    EXPECT_TRUE(DateText::ParseDate(QStringLiteral("7.5")).isNull());
    EXPECT_TRUE(DateText::ParseDate(QStringLiteral("31.2.2020")).isNull());

    bool valid = false;
    EXPECT_EQ(DateText::ParseDbDate(QStringLiteral("2021-3-7"), &valid),
              Variant::fromDate(QDate(2021, 3, 7)));
    EXPECT_TRUE(valid);
    DateText::ParseDbDate(QStringLiteral("2021"), &valid); // too short
    EXPECT_FALSE(valid);
    DateText::ParseDbDate(QStringLiteral("0-3-7x"), &valid);
    EXPECT_FALSE(valid);
    DateText::ParseDbDate(QStringLiteral("2021-13-01"), &valid);
    EXPECT_FALSE(valid);
    EXPECT_TRUE(DateText::IsValidDate(2020, 2, 29));
    EXPECT_FALSE(DateText::IsValidDate(2021, 2, 29));
    EXPECT_FALSE(DateText::IsValidDate(2021, 1, 1, 24, 0, 0));
}
