#include "data/component/Connection.h"
#include "data/component/KeysetCursor.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// The keyset recordset on every engine the tests can reach.
class RecordsetTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        // Names in lower case: PostgreSQL folds unquoted names anyway.
        db.exec({"CREATE TABLE kunden (id INTEGER PRIMARY KEY, name VARCHAR(50) NOT NULL, "
                 "ort VARCHAR(40), betrag DOUBLE PRECISION)",
                 "INSERT INTO kunden VALUES (1, 'Meier', 'Bonn', 12.5), (2, 'Anders', 'Köln', "
                 "NULL), (3, 'Zander', NULL, 3)"});
        connection.Open(db.connectionString());
    }

    static QString text(Recordset &rs, const char *column = "name")
    {
        return rs.Fields().Item(QString::fromLatin1(column)).Value().toString();
    }

    // The column's texts from the first row to the last, or from the last
    // to the first (then in query order again).
    static QStringList walk(Recordset &rs, bool backward = false, const char *column = "name")
    {
        QStringList seen;
        if (rs.IsBOF() && rs.IsEOF())
            return seen;
        if (backward) {
            for (rs.MoveLast(); !rs.IsBOF(); rs.MovePrevious())
                seen.prepend(text(rs, column));
        } else {
            for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
                seen << text(rs, column);
        }
        return seen;
    }

    Connection connection;
};

TEST_P(RecordsetTest, MovesFollowTheQueryOrderAndStopAtBothEnds)
{
    Recordset rs;
    rs.Open("SELECT * FROM kunden ORDER BY name", connection, adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(text(rs), "Anders");
    rs.MovePrevious();
    EXPECT_TRUE(rs.IsBOF() && !rs.IsEOF());
    EXPECT_THROW(rs.MovePrevious(), ComError);
    rs.MoveLast();
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_THROW(rs.Fields().Item(0).Value(), ComError);
    try {
        rs.MoveNext();
        ADD_FAILURE() << "MoveNext at EOF must throw";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), ADO_E_NOCURRENTRECORD);
    }
    rs.MovePrevious();
    EXPECT_EQ(text(rs), "Zander");
    EXPECT_EQ(walk(rs), QStringList({"Anders", "Meier", "Zander"}));

    Recordset filtered;
    filtered.Open("SELECT * FROM kunden WHERE betrag > 1 ORDER BY betrag DESC", connection);
    EXPECT_EQ(walk(filtered), QStringList({"Meier", "Zander"}));

    // An empty result is at both ends; a new row there, cancelled, leaves it so.
    Recordset none;
    none.Open("SELECT * FROM kunden WHERE name = 'niemand'", connection);
    none.MoveFirst(); // allowed on an empty result, stays there
    none.MoveLast();
    EXPECT_TRUE(none.IsBOF() && none.IsEOF());
    none.AddNew();
    EXPECT_EQ(none.EditMode(), adEditAdd);
    EXPECT_TRUE(none.Fields().Item("ort").Value().isNull());
    none.Fields().Item("name").PutValue(QStringLiteral("Verworfen"));
    none.CancelUpdate();
    EXPECT_TRUE(none.IsBOF() && none.IsEOF());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "3");
}

// Keys of every kind (several columns, a text, a decimal, a day, a whole
// number) in a keyset longer than its two ends: a row added through the
// recordset (its key sorting last), the last rows read from the end of the
// query, rows deleted at the start, the middle and the end, and the seam
// crossed both ways: every row exactly once, the added one after all others.
TEST_P(RecordsetTest, KeysOfAnyKindAtBothEndsOfALongKeyset)
{
    const int rows = KeysetCursor::kEndKeys + 500;
    const struct
    {
        const char *columns;
        const char *key; // as SQL, of the row number i
        QStringList keyColumns;
        QVector<Variant> added;
    } cases[] = {
        {"auftrag VARCHAR(5), pos INTEGER, PRIMARY KEY (auftrag, pos)",
         "chr(65 + i / 100), i % 100",
         {"auftrag", "pos"},
         {QStringLiteral("Z"), qint32(1)}},
        {"code VARCHAR(10) PRIMARY KEY", "'K' || (10000 + i)", {"code"}, {QStringLiteral("Z")}},
        {"nr NUMERIC(10,2) PRIMARY KEY", "i / 4.0", {"nr"}, {Variant::decimal("99999.25")}},
        {"tag DATE PRIMARY KEY",
         "date '2000-01-01' + i",
         {"tag"},
         {Variant::fromDate(QDate(2100, 1, 1))}},
        {"id INTEGER PRIMARY KEY", "i", {"id"}, {qint32(99999)}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.columns);
        QString key = QString::fromLatin1(c.key);
        if (GetParam() == DatabaseKind::Sqlite) {
            key.replace("chr(", "char(")
                .replace("date '2000-01-01' + i", "date('2000-01-01', i || ' days')");
        }
        db.exec({"DROP TABLE IF EXISTS lang",
                 QStringLiteral("CREATE TABLE lang (n INTEGER, %1)").arg(QLatin1String(c.columns)),
                 QStringLiteral("WITH RECURSIVE z(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM z "
                                "WHERE i < %1) INSERT INTO lang SELECT i, %2 FROM z")
                     .arg(rows - 1)
                     .arg(key)});
        QStringList all;
        for (int i = 0; i < rows; ++i)
            all << QString::number(i);

        Recordset rs;
        rs.Open("SELECT * FROM lang ORDER BY " + c.keyColumns.join(", "), connection);
        ASSERT_FALSE(rs.keysComplete());
        // A row added through the recordset comes after every key, read or
        // not, though the query has it last, too.
        rs.AddNew();
        for (int i = 0; i < c.added.size(); ++i)
            rs.Fields().Item(c.keyColumns.at(i)).PutValue(c.added.at(i));
        rs.Fields().Item("n").PutValue(qint32(rows));
        rs.Update();
        rs.MovePrevious();
        EXPECT_EQ(text(rs, "n"), all.last());
        all << QString::number(rows);
        // The last row deleted, and the first, and another user one in the middle.
        rs.Delete();
        rs.MoveFirst();
        rs.Delete();
        db.exec(QStringLiteral("DELETE FROM lang WHERE n = %1").arg(rows / 2));
        all.removeAt(rows - 1);
        all.removeFirst();
        all.removeOne(QString::number(rows / 2));
        EXPECT_EQ(walk(rs, true, "n"), all);
        EXPECT_EQ(walk(rs, false, "n"), all);
    }
}

TEST_P(RecordsetTest, ReadOnlyResultsOfOtherStatements)
{
    long affected = 0;
    Recordset count = connection.Execute("SELECT MAX(id)+1 FROM kunden", &affected);
    EXPECT_EQ(count.Fields().Item(0).Value().toInt32(), 4);
    EXPECT_FALSE(count.IsUpdatable());
    EXPECT_THROW(count.Fields().Item(0).PutValue(qint32(1)), ComError);
    // Moving hands the rows over and leaves a closed recordset behind.
    Recordset moved = std::move(count);
    EXPECT_EQ(moved.Fields().Item(0).Value().toInt32(), 4);
    EXPECT_THROW(count.IsEOF(), ComError);

    connection.Execute("UPDATE kunden SET ort = 'X' WHERE id > 1", &affected);
    EXPECT_EQ(affected, 2);
    EXPECT_TRUE(connection.Execute("SELECT MAX(id) FROM kunden WHERE id > 100")
                    .Fields()
                    .Item(0)
                    .Value()
                    .isNull());
    Recordset distinct;
    distinct.Open("SELECT DISTINCT ort FROM kunden ORDER BY ort", connection, adOpenDynamic);
    EXPECT_FALSE(distinct.IsUpdatable());
    EXPECT_EQ(distinct.Fields().Item(0).Value(), Variant(QStringLiteral("Bonn")));

    const struct
    {
        const char *sql;
        HRESULT_T code;
    } refused[] = {{"SELECT * FROM kunden WHERE nichtda = 1", DB_E_ERRORSINCOMMAND},
                   {"SELECT * FROM gibtsnicht", DB_E_NOTABLE}};
    for (const auto &r : refused) {
        try {
            Recordset bad;
            bad.Open(QString::fromLatin1(r.sql), connection);
            ADD_FAILURE() << r.sql;
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), r.code) << r.sql;
            EXPECT_FALSE(error.description().isEmpty());
        }
    }
}

QRT_INSTANTIATE_FOR_ENGINES(RecordsetTest);
