// The engine-neutral parts of the component, without a database.

#include "data/component/KeysetCursor.h"
#include "data/component/SelectStatement.h"
#include "data/component/Variant.h"
#include "platform/ComError.h"

#include <QDate>

#include <gtest/gtest.h>

TEST(SelectStatement, RecognisesTheKeysetShapeOnly)
{
    SelectStatement s;
    ASSERT_TRUE(SelectStatement::parse(QStringLiteral("SELECT * FROM Kunden"), &s));
    EXPECT_EQ(s.table, QStringLiteral("Kunden"));
    EXPECT_TRUE(s.condition.isEmpty() && s.ordering.isEmpty());

    ASSERT_TRUE(SelectStatement::parse(
        QStringLiteral(
            "select *  from Kunden where Name='order by x' AND (a=1) Order  By Name DESC, ID"),
        &s));
    EXPECT_EQ(s.condition, QStringLiteral("Name='order by x' AND (a=1)"));
    EXPECT_EQ(s.ordering, QStringLiteral("Name DESC, ID"));

    ASSERT_TRUE(SelectStatement::parse(QStringLiteral("SELECT * FROM Kunden ORDER BY Ort"), &s));
    EXPECT_TRUE(s.condition.isEmpty());
    EXPECT_EQ(s.ordering, QStringLiteral("Ort"));

    // Quotes inside a quoted name are doubled.
    ASSERT_TRUE(SelectStatement::parse(
        QStringLiteral("SELECT * FROM \"Kunden \"\"Alt\"\" 'x'\" WHERE \"a\"\"b\" = 'c' "
                       "ORDER BY \"ID\""),
        &s));
    EXPECT_EQ(s.table, QStringLiteral("\"Kunden \"\"Alt\"\" 'x'\""));
    EXPECT_EQ(s.condition, QStringLiteral("\"a\"\"b\" = 'c'"));
    ASSERT_TRUE(SelectStatement::parse(QStringLiteral("[a]]b]"), &s));
    EXPECT_EQ(s.table, QStringLiteral("[a]]b]"));

    ASSERT_TRUE(SelectStatement::parse(QStringLiteral("  QRTFILTER "), &s));
    EXPECT_EQ(s.table, QStringLiteral("QRTFILTER"));
    // A column whose name merely starts like a keyword is no keyword.
    ASSERT_TRUE(SelectStatement::parse(QStringLiteral("SELECT * FROM t WHERE wherever = 1"), &s));
    EXPECT_EQ(s.condition, QStringLiteral("wherever = 1"));

    for (const char *other :
         {"SELECT Name FROM Kunden", "SELECT * FROM a, b", "SELECT * FROM a JOIN b ON a.x=b.x",
          "SELECT * FROM a GROUP BY x", "SELECT * FROM a WHERE x=1 GROUP BY x",
          "SELECT * FROM a WHERE", "SELECT * FROM a ORDER BY x LIMIT 3", "SELECT DISTINCT * FROM a",
          "DELETE FROM a", "SELECT"}) {
        EXPECT_FALSE(SelectStatement::parse(QString::fromLatin1(other), &s)) << other;
    }
}

namespace {

// Hands out the keys 1..total in batches and counts the reads.
class CountingSource final : public KeySource
{
public:
    CountingSource(int total, int *reads) : m_total(total), m_reads(reads) {}
    bool read(KeyStore &keys, qsizetype maxRows) override
    {
        ++*m_reads;
        for (qsizetype i = 0; i < maxRows && m_next <= m_total; ++i)
            keys.append({QVariant(qlonglong(m_next++))});
        return m_next <= m_total;
    }

private:
    int m_total;
    int *m_reads;
    int m_next = 1;
};

qlonglong key(const KeysetCursor &cursor)
{
    return cursor.currentKey().constFirst().toLongLong();
}

} // namespace

TEST(KeysetCursor, ReadsKeysOnlyWhenAMovePassesTheLastOneRead)
{
    int reads = 0;
    KeysetCursor cursor(KeyStore(1, true), std::make_unique<CountingSource>(1000, &reads));
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(cursor.keysRead(), 256);
    EXPECT_EQ(key(cursor), 1);
    for (int i = 0; i < 255; ++i)
        cursor.moveNext();
    EXPECT_EQ(key(cursor), 256);
    EXPECT_EQ(reads, 1);
    cursor.moveNext();
    EXPECT_EQ(key(cursor), 257);
    EXPECT_EQ(reads, 2);
    EXPECT_FALSE(cursor.isComplete());
    cursor.moveLast();
    EXPECT_TRUE(cursor.isComplete());
    EXPECT_EQ(key(cursor), 1000);
    EXPECT_FALSE(cursor.moveNext());
    EXPECT_TRUE(cursor.isEOF());
    EXPECT_FALSE(cursor.isBOF());
}

TEST(KeysetCursor, AddedAndDeletedRows)
{
    int reads = 0;
    KeysetCursor cursor(KeyStore(1, true), std::make_unique<CountingSource>(3, &reads));
    // A row added while keys are still unread comes after all of them.
    cursor.appendAndMakeCurrent({QVariant(qlonglong(99))});
    EXPECT_EQ(key(cursor), 99);
    EXPECT_TRUE(cursor.movePrevious());
    EXPECT_EQ(key(cursor), 3);
    EXPECT_TRUE(cursor.moveNext());
    EXPECT_EQ(key(cursor), 99);

    // Deleting the middle row: the next move steps from where it stood.
    cursor.moveFirst();
    cursor.moveNext();
    cursor.removeCurrent();
    EXPECT_TRUE(cursor.isDeleted());
    EXPECT_FALSE(cursor.hasRow());
    EXPECT_FALSE(cursor.isEOF());
    cursor.moveNext();
    EXPECT_EQ(key(cursor), 3);
    cursor.removeCurrent();
    cursor.movePrevious();
    EXPECT_EQ(key(cursor), 1);

    // Deleting everything leaves both ends.
    cursor.removeCurrent();
    cursor.moveNext();
    EXPECT_EQ(key(cursor), 99);
    cursor.removeCurrent();
    cursor.moveNext();
    EXPECT_TRUE(cursor.isEOF());
    EXPECT_TRUE(cursor.isBOF());
    EXPECT_FALSE(cursor.moveFirst());
}

TEST(KeysetCursor, MovingBackFromAnAddedRowReadsTheKeysStillUnread)
{
    int reads = 0;
    KeysetCursor cursor(KeyStore(1, true), std::make_unique<CountingSource>(1000, &reads));
    cursor.appendAndMakeCurrent({QVariant(qlonglong(5000))});
    ASSERT_FALSE(cursor.isComplete());
    EXPECT_TRUE(cursor.movePrevious());
    EXPECT_EQ(key(cursor), 1000);
    EXPECT_TRUE(cursor.isComplete());
    EXPECT_TRUE(cursor.moveNext());
    EXPECT_EQ(key(cursor), 5000);
}

TEST(Variant, EqualityComparesTagAndValue)
{
    EXPECT_EQ(Variant(qint32(3)), Variant(qint32(3)));
    EXPECT_NE(Variant(qint32(3)), Variant(qint16(3)));
    EXPECT_NE(Variant(qint32(3)), Variant::machineInt(3));
    EXPECT_NE(Variant(), Variant::null());
    EXPECT_EQ(Variant::decimal(QStringLiteral("012.50")), Variant::decimal(QStringLiteral("12.5")));
    EXPECT_EQ(Variant::decimal(QStringLiteral("-0.00")), Variant::decimal(QStringLiteral("0")));
    EXPECT_TRUE(Variant::decimal(QStringLiteral("1e5")).isEmpty());
    EXPECT_EQ(Variant::decimal(0.1).decimalText(), QStringLiteral("0.1"));
}

TEST(Variant, DatesAreOleDayCounts)
{
    EXPECT_DOUBLE_EQ(Variant::fromDate(QDate(1899, 12, 30)).dateValue(), 0.0);
    EXPECT_DOUBLE_EQ(Variant::fromDate(QDate(2021, 3, 7)).dateValue(), 44262.0);
    const Variant afternoon = Variant::fromDateTime(QDateTime(QDate(2021, 3, 7), QTime(18, 0)));
    EXPECT_DOUBLE_EQ(afternoon.dateValue(), 44262.75);
    // Before 1899 the fraction still counts forward from midnight.
    const Variant old = Variant::fromDateTime(QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_DOUBLE_EQ(old.dateValue(), -1.25);
    EXPECT_EQ(old.toDateTime(), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(Variant::date(44262.999999999).toDateTime(),
              QDateTime(QDate(2021, 3, 8), QTime(0, 0)));
    EXPECT_EQ(afternoon.toString(), QStringLiteral("2021-03-07 18:00:00"));
}

TEST(Variant, ConversionsFollowVariantCoercion)
{
    bool ok = false;
    EXPECT_EQ(Variant(2.5).toInt32(&ok), 2); // half to even
    EXPECT_TRUE(ok);
    EXPECT_EQ(Variant(3.5).toInt32(), 4);
    EXPECT_EQ(Variant(QStringLiteral(" 41 ")).toInt32(), 41);
    EXPECT_EQ(Variant(true).toInt32(), -1);
    Variant::null().toInt32(&ok);
    EXPECT_FALSE(ok);
    Variant(QStringLiteral("12abc")).toDouble(&ok);
    EXPECT_FALSE(ok);
    Variant(1e12).toInt32(&ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Variant(0.1).toString(), QStringLiteral("0.1"));
    EXPECT_EQ(Variant(false).toString(), QStringLiteral("False"));
    EXPECT_TRUE(Variant::null().toString().isNull());
}
