// The engine-neutral parts of the component, without a database.

#include "data/component/SelectStatement.h"
#include "data/component/Variant.h"

#include <QDate>

#include <gtest/gtest.h>

TEST(SelectStatement, RecognisesTheKeysetShapeOnly)
{
    const struct
    {
        const char *sql;
        const char *table = nullptr; // none: not the keyset shape
        const char *condition = "", *ordering = "";
    } cases[] = {
        {"SELECT * FROM Kunden", "Kunden", "", ""},
        {"select *  from Kunden where Name='order by x' AND (a=1) Order  By Name DESC, ID",
         "Kunden", "Name='order by x' AND (a=1)", "Name DESC, ID"},
        {"SELECT * FROM Kunden ORDER BY Ort", "Kunden", "", "Ort"},
        {"SELECT * FROM \"Kunden \"\"Alt\"\" 'x'\" WHERE \"a\"\"b\" = 'c' ORDER BY \"ID\"",
         "\"Kunden \"\"Alt\"\" 'x'\"", "\"a\"\"b\" = 'c'", "\"ID\""},
        {"[a]]b]", "[a]]b]", "", ""},
        {"  QRTFILTER ", "QRTFILTER", "", ""},
        {"SELECT * FROM t WHERE wherever = 1", "t", "wherever = 1", ""},
        {"SELECT Name FROM Kunden"},
        {"SELECT * FROM a, b"},
        {"SELECT * FROM a JOIN b ON a.x=b.x"},
        {"SELECT * FROM a GROUP BY x"},
        {"SELECT * FROM a WHERE x=1 GROUP BY x"},
        {"SELECT * FROM a WHERE"},
        {"SELECT * FROM a ORDER BY x LIMIT 3"},
        {"SELECT DISTINCT * FROM a"},
        {"DELETE FROM a"},
        {"SELECT"},
    };
    for (const auto &c : cases) {
        SelectStatement s;
        ASSERT_EQ(SelectStatement::parse(QString::fromUtf8(c.sql), &s), c.table != nullptr)
            << c.sql;
        if (c.table) {
            EXPECT_EQ(QStringList({s.table, s.condition, s.ordering}),
                      QStringList({c.table, c.condition, c.ordering}))
                << c.sql;
        }
    }
}

TEST(Variant, EqualityDatesAndCoercion)
{
    EXPECT_EQ(Variant(qint32(3)), Variant(qint32(3)));
    EXPECT_NE(Variant(qint32(3)), Variant(qint16(3)));
    EXPECT_NE(Variant(qint32(3)), Variant::machineInt(3));
    EXPECT_NE(Variant(), Variant::null());
    EXPECT_EQ(Variant::decimal(QStringLiteral("012.50")), Variant::decimal(QStringLiteral("12.5")));
    EXPECT_EQ(Variant::decimal(QStringLiteral("-0.00")), Variant::decimal(QStringLiteral("0")));
    EXPECT_TRUE(Variant::decimal(QStringLiteral("1e5")).isEmpty());
    EXPECT_EQ(Variant::decimal(0.1).decimalText(), "0.1");

    // Dates are OLE day counts; before 1899 the fraction still counts forward.
    const struct
    {
        QDateTime when;
        double days;
    } dates[] = {{QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0},
                 {QDateTime(QDate(2021, 3, 7), QTime(0, 0)), 44262.0},
                 {QDateTime(QDate(2021, 3, 7), QTime(18, 0)), 44262.75},
                 {QDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25}};
    for (const auto &d : dates) {
        EXPECT_DOUBLE_EQ(Variant::fromDateTime(d.when).dateValue(), d.days) << d.days;
        EXPECT_EQ(Variant::date(d.days).toDateTime(), d.when) << d.days;
    }
    EXPECT_EQ(Variant::date(44262.999999999).toDateTime(),
              QDateTime(QDate(2021, 3, 8), QTime(0, 0)));
    EXPECT_EQ(Variant::date(44262.75).toString(), "2021-03-07 18:00:00");

    bool ok = false;
    EXPECT_EQ(Variant(2.5).toInt32(&ok), 2); // half to even
    EXPECT_TRUE(ok);
    EXPECT_EQ(Variant(3.5).toInt32(), 4);
    EXPECT_EQ(Variant(QStringLiteral(" 41 ")).toInt32(), 41);
    EXPECT_EQ(Variant(true).toInt32(), -1);
    for (const Variant &refused :
         {Variant::null(), Variant(QStringLiteral("12abc")), Variant(1e12)}) {
        refused.toInt32(&ok);
        EXPECT_FALSE(ok) << refused.toString().toStdString();
    }
    EXPECT_EQ(Variant(0.1).toString(), "0.1");
    EXPECT_EQ(Variant(false).toString(), "False");
    EXPECT_TRUE(Variant::null().toString().isNull());
}
