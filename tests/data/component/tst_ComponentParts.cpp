// The engine-neutral parts of the component, without a database.

#include "data/component/ConnectionString.h"
#include "data/component/KeysetCursor.h"
#include "data/component/SelectStatement.h"
#include "data/component/SqlDialect.h"
#include "data/component/TableSchema.h"
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

TEST(KeysetCursor, WholeNumberKeysWidenWhenTheyOutgrowThirtyTwoBits)
{
    KeyStore store(1, true);
    store.append({QVariant(qlonglong(7))});
    store.append({QVariant(qlonglong(-3))});
    store.insert(1, {QVariant(qlonglong(5'000'000'000))});
    store.replace(0, {QVariant(qlonglong(-6'000'000'000))});
    ASSERT_EQ(store.size(), 3);
    EXPECT_EQ(store.at(0).constFirst().toLongLong(), -6'000'000'000);
    EXPECT_EQ(store.at(1).constFirst().toLongLong(), 5'000'000'000);
    EXPECT_EQ(store.at(2).constFirst().toLongLong(), -3);
    store.remove(1);
    EXPECT_EQ(store.at(1).constFirst().toLongLong(), -3);
}

TEST(KeysetCursor, CompositeKeysKeepTheirColumns)
{
    const auto keyOf = [](char order, int pos) {
        return QVariantList{QVariant(QString(QLatin1Char(order))), QVariant(pos)};
    };
    KeyStore store(2, false);
    for (char order : {'a', 'b', 'c', 'd', 'e'})
        store.append(keyOf(order, order - 'a'));
    const auto keys = [&store] {
        QList<QVariantList> all;
        for (qsizetype i = 0; i < store.size(); ++i)
            all << store.at(i);
        return all;
    };
    store.remove(2); // the middle
    EXPECT_EQ(keys(),
              (QList<QVariantList>{keyOf('a', 0), keyOf('b', 1), keyOf('d', 3), keyOf('e', 4)}));
    store.remove(3); // the end
    store.remove(0); // the start
    EXPECT_EQ(keys(), (QList<QVariantList>{keyOf('b', 1), keyOf('d', 3)}));
    store.insert(1, keyOf('x', 9));
    store.replace(2, keyOf('y', 8));
    EXPECT_EQ(keys(), (QList<QVariantList>{keyOf('b', 1), keyOf('x', 9), keyOf('y', 8)}));
}

TEST(TableSchema, DeclaredTypesMapToAdoCodes)
{
    struct Case
    {
        const char *declared;
        int type;
        int size;
        int precision;
        int scale;
    };
    const Case cases[] = {
        {"SMALLINT", AdoType::SmallInt, 2, 5, 0},
        {"INTEGER", AdoType::Integer, 4, 10, 0},
        {"int", AdoType::Integer, 4, 10, 0},
        {"bigint", AdoType::BigInt, 8, 19, 0},
        {"DOUBLE", AdoType::Double, 8, 15, 0},
        {"double precision", AdoType::Double, 8, 15, 0},
        {"real", AdoType::Single, 4, 7, 0},
        {"NUMERIC(10,2)", AdoType::Numeric, 19, 10, 2},
        {"decimal( 18 , 4 )", AdoType::Numeric, 19, 18, 4},
        {"NUMERIC", AdoType::Numeric, 19, 0, 0}, // any digits
        {"money", AdoType::Currency, 8, 19, 2},
        {"DATE", AdoType::DBDate, 6, 10, 0},
        {"timestamp(3) without time zone", AdoType::DBTimeStamp, 16, 23, 0},
        {"BOOLEAN", AdoType::Boolean, 2, 0, 0},
        {"VARCHAR(50)", AdoType::VarWChar, 50, 0, 0},
        {"character varying(40)", AdoType::VarWChar, 40, 0, 0},
        {"CHAR(3)", AdoType::WChar, 3, 0, 0},
        {"TEXT", AdoType::LongVarWChar, 536870910, 0, 0},
        {"uuid", AdoType::GUID, 16, 0, 0},
        {"BLOB", AdoType::LongVarBinary, 536870910, 0, 0},
        {"UNSIGNED BIG INT", AdoType::Integer, 4, 10, 0}, // SQLite's affinity: contains INT
        {"NVARCHAR2(7)", AdoType::LongVarWChar, 7, 0, 0}, // contains CHAR
        {"", AdoType::Variant, 0, 0, 0},
    };
    for (const Case &c : cases) {
        const ColumnSchema column =
            columnFromDeclaredType(QStringLiteral("c"), QString::fromLatin1(c.declared));
        EXPECT_EQ(column.type, c.type) << c.declared;
        EXPECT_EQ(column.definedSize, c.size) << c.declared;
        EXPECT_EQ(column.precision, c.precision) << c.declared;
        EXPECT_EQ(column.numericScale, c.scale) << c.declared;
    }
}

TEST(ConnectionString, NamesTheEngineAndItsParameters)
{
    ConnectionParams p =
        ConnectionParams::parse(QStringLiteral("Provider=SQLite;Data Source=/tmp/a b.db"));
    EXPECT_EQ(p.kind, DatabaseKind::Sqlite);
    EXPECT_EQ(p.database, QStringLiteral("/tmp/a b.db"));

    p = ConnectionParams::parse(QStringLiteral(
        "Provider=PostgreSQL;Server=db.local:6543;Uid=anna;Pwd=geh eim;Database=kelo"));
    EXPECT_EQ(p.kind, DatabaseKind::PostgreSql);
    EXPECT_EQ(p.host, QStringLiteral("db.local"));
    EXPECT_EQ(p.port, 6543);
    EXPECT_EQ(p.user, QStringLiteral("anna"));
    EXPECT_EQ(p.password, QStringLiteral("geh eim"));
    EXPECT_EQ(p.database, QStringLiteral("kelo"));
    p = ConnectionParams::parse(
        QStringLiteral("Provider=PostgreSQL;Server=db.local;Uid=;Pwd=;Database=kelo"));
    EXPECT_EQ(p.port, -1);

    const QString sqlServer = QStringLiteral(
        "Driver={SQL Server}; Provider=SQLOLEDB; Server=srv; Uid=sa;Pwd=;Database=kelo");
    p = ConnectionParams::parse(sqlServer);
    EXPECT_EQ(p.kind, DatabaseKind::SqlServer);
    EXPECT_EQ(p.odbcString, sqlServer); // handed to the driver manager as written

    p = ConnectionParams::parse(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\daten\\kunden.mdb;Persist "
                       "Security Info=False"));
    EXPECT_EQ(p.kind, DatabaseKind::Access);
    EXPECT_EQ(p.database, QStringLiteral("C:\\daten\\kunden.mdb"));

    EXPECT_THROW(ConnectionParams::parse(QStringLiteral("Provider=Oracle;Data Source=x")),
                 ComError);
}

TEST(SqlDialect, OneRowPerKind)
{
    const QDate may17(2020, 5, 17);
    EXPECT_EQ(dialectFor(DatabaseKind::Access).dateLiteral(may17), QStringLiteral("#2020-5-17#"));
    EXPECT_EQ(dialectFor(DatabaseKind::SqlServer).dateLiteral(may17),
              QStringLiteral("'2020-5-17'"));
    EXPECT_EQ(dialectFor(DatabaseKind::Sqlite).dateLiteral(may17), QStringLiteral("'2020-05-17'"));
    EXPECT_EQ(dialectFor(DatabaseKind::PostgreSql).dateLiteral(QDate(987, 1, 2)),
              QStringLiteral("'0987-01-02'"));
    EXPECT_STREQ(dialectFor(DatabaseKind::Access).isNullTest, " = NULL");
    EXPECT_STREQ(dialectFor(DatabaseKind::Sqlite).isNullTest, " IS NULL");
    EXPECT_STREQ(dialectFor(DatabaseKind::PostgreSql).containsOp, " ILIKE ");
    EXPECT_STREQ(dialectFor(DatabaseKind::SqlServer).longTextType, "NTEXT");
    EXPECT_STREQ(dialectFor(DatabaseKind::Access).longTextType, "MEMO");
    for (DatabaseKind kind : {DatabaseKind::Access, DatabaseKind::SqlServer, DatabaseKind::Sqlite,
                              DatabaseKind::PostgreSql}) {
        EXPECT_EQ(dialectFor(kind).kind, kind);
        EXPECT_EQ(databaseKindFromName(QString::fromLatin1(dialectFor(kind).name)), kind);
        EXPECT_EQ(databaseKindFromNumber(int(kind)), kind);
    }
    EXPECT_EQ(databaseKindFromName(QStringLiteral("sqlite")), DatabaseKind::SqlServer);
    EXPECT_EQ(databaseKindFromNumber(0), DatabaseKind::SqlServer);
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
