#include "data/component/Connection.h"
#include "data/component/KeysetCursor.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <QTimeZone>

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
        // Every value type the forms use: values come typed by the declared
        // column type, whatever the driver returns.
        db.exec({"CREATE TABLE werte (id INTEGER PRIMARY KEY, klein SMALLINT, zahl INTEGER, "
                 "kommazahl DOUBLE PRECISION, betrag NUMERIC(12,2), datum DATE, zeitpunkt "
                 "TIMESTAMP, text VARCHAR(20), aktiv BOOLEAN)",
                 "INSERT INTO werte VALUES (1, 7, 123456, 2.5, 1234567890.12, '2021-03-07', "
                 "'2021-03-07 14:30:00', 'a<b & \"c\"', TRUE), (2, NULL, NULL, NULL, NULL, NULL, "
                 "NULL, NULL, NULL)"});
        connection.Open(db.connectionString());
    }

    static Variant field(Recordset &rs, const char *name) { return rs.Fields().Item(name).Value(); }
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

// A row reached by its key or its place without the complete list: the
// moves around it read the query from it on, and meet every row in the
// order the complete list has, NULL values and ties included.
TEST_P(RecordsetTest, AWindowAroundARowMovesAsTheCompleteListWould)
{
    const int all = 3 * KeysetCursor::kEndKeys;
    const QString hours =
        GetParam() == DatabaseKind::Sqlite
            ? QStringLiteral("datetime('2021-01-01', (i % 17) || ' hours')")
            : QStringLiteral("timestamp '2021-01-01' + (i % 17) * interval '1 hour'");
    db.exec({"CREATE TABLE lang (id INTEGER PRIMARY KEY, ort VARCHAR(10), betrag INTEGER, zeit "
             "TIMESTAMP, wert DOUBLE PRECISION)",
             QStringLiteral("WITH RECURSIVE z(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM z "
                            "WHERE i < %1) INSERT INTO lang SELECT i, CASE WHEN i % 7 = 0 THEN "
                            "NULL ELSE 'O' || (i % 5) END, CASE WHEN i % 11 = 0 THEN NULL ELSE "
                            "i % 13 END, %2, (i % 23) / 7.0 FROM z")
                 .arg(all)
                 .arg(hours)});
    for (const char *order : {"ort, betrag DESC", "ort DESC, betrag", "betrag DESC NULLS LAST",
                              "lower(ort) NULLS FIRST, betrag", "zeit DESC, wert"}) {
        SCOPED_TRACE(order);
        // A condition of the host's, which each read from a row on joins.
        const QString where = QStringLiteral(" WHERE id > 3 OR ort IS NULL ORDER BY ");
        QStringList expected;
        for (const QStringList &row :
             db.rows(QStringLiteral("SELECT id FROM lang%1%2, id").arg(where, order)))
            expected << row.first();
        const int rows = expected.size();
        // Opened at the middle row, without the first keys of the order.
        Recordset rs;
        const int middle = rows / 2;
        rs.OpenAt({expected.at(middle).toLongLong()},
                  QStringLiteral("SELECT * FROM lang%1%2").arg(where, order), connection);
        EXPECT_EQ(text(rs, "id"), expected.at(middle));
        EXPECT_EQ(rs.keysRead(), 1);
        EXPECT_EQ(rs.AbsolutePosition(), adPosUnknown);
        rs.placeCurrent();
        EXPECT_EQ(rs.AbsolutePosition(), middle + 1);
        for (int i = middle + 1; i < rows; ++i) {
            rs.MoveNext();
            ASSERT_EQ(text(rs, "id"), expected.at(i)) << i;
        }
        rs.MoveNext();
        EXPECT_TRUE(rs.IsEOF());
        rs.MoveTo(middle);
        EXPECT_EQ(text(rs, "id"), expected.at(middle - 1));
        EXPECT_EQ(rs.AbsolutePosition(), middle);
        for (int i = middle - 2; i >= 0; --i) {
            rs.MovePrevious();
            ASSERT_EQ(text(rs, "id"), expected.at(i)) << i;
        }
        rs.MovePrevious();
        EXPECT_TRUE(rs.IsBOF());
        rs.MoveFirst(); // the head, read now
        EXPECT_EQ(text(rs, "id"), expected.first());
        rs.MoveTo(KeysetCursor::kEndKeys + 2);
        EXPECT_EQ(text(rs, "id"), expected.at(KeysetCursor::kEndKeys + 1));
        rs.MoveLast();
        EXPECT_EQ(text(rs, "id"), expected.last());
        // A row deleted in the window: the move goes on from where it stood.
        rs.MoveTo(middle);
        rs.Delete();
        rs.MoveNext();
        EXPECT_EQ(text(rs, "id"), expected.at(middle));
        db.exec("INSERT INTO lang VALUES (" + expected.at(middle - 1) +
                ", NULL, NULL, NULL, NULL)");
        EXPECT_FALSE(rs.keysComplete()) << "no move needed every key";
        EXPECT_FALSE(rs.MoveToBookmark({qint64(all + 1)})) << "a row the table lacks";
        EXPECT_FALSE(rs.MoveToBookmark({qint64(2)})) << "a row the condition leaves out";
    }
}

// Find goes to the next row in the recordset's order that meets a
// condition, on from the other end past the last, the current row last of
// all: by one statement where the order can be read from a row on, by the
// keys in batches where it cannot (an order with a comment).
TEST_P(RecordsetTest, FindGoesToTheNextMatchInTheOrderAndOnFromTheOtherEnd)
{
    for (const char *order :
         {"ort DESC NULLS FIRST, name", "ort DESC NULLS FIRST /* host */, name"}) {
        SCOPED_TRACE(order);
        Recordset rs; // Zander (no place), Anders Köln, Meier Bonn
        rs.Open(QStringLiteral("SELECT * FROM kunden ORDER BY %1").arg(order), connection);
        const struct
        {
            const char *condition;
            bool forward;
            bool found;
            const char *shown;
            bool wrapped;
        } steps[] = {
            {"betrag IS NOT NULL", true, true, "Meier", false},
            {"betrag IS NOT NULL", true, true, "Zander", true},
            {"betrag IS NOT NULL", false, true, "Meier", true},
            {"name = 'Anders'", false, true, "Anders", false},
            {"name = 'Anders'", true, true, "Anders", true}, // only itself
            {"name = 'Niemand'", true, false, "Anders", false},
        };
        for (const auto &step : steps) {
            SCOPED_TRACE(step.condition);
            bool wrapped = false;
            EXPECT_EQ(rs.Find(QString::fromLatin1(step.condition), step.forward, &wrapped),
                      step.found);
            EXPECT_EQ(text(rs), step.shown);
            EXPECT_EQ(wrapped, step.wrapped);
        }
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

TEST_P(RecordsetTest, ValuesAreTypedByTheCatalogAndComeBackAsWritten)
{
    const struct
    {
        const char *column;
        Variant stored, written;
    } cases[] = {
        {"klein", qint16(7), qint16(-3)},
        {"zahl", qint32(123456), qint32(42)},
        {"kommazahl", 2.5, 0.1},
        {"betrag", Variant::decimal("1234567890.12"), Variant::decimal("-0.5")},
        {"datum", Variant::fromDate(QDate(2021, 3, 7)), Variant::fromDate(QDate(1999, 12, 31))},
        {"zeitpunkt", Variant::fromDateAndTime(QDate(2021, 3, 7), QTime(14, 30)),
         Variant::fromDateAndTime(QDate(2020, 2, 29), QTime(23, 59, 58))},
        {"text", QStringLiteral("a<b & \"c\""), QStringLiteral("Grüße, 'Welt'")},
        {"aktiv", true, false},
    };
    Recordset rs;
    rs.Open("SELECT * FROM werte ORDER BY id", connection);
    for (const auto &c : cases)
        EXPECT_EQ(field(rs, c.column), c.stored) << c.column;
    rs.MoveNext();
    for (const auto &c : cases) {
        EXPECT_TRUE(field(rs, c.column).isNull()) << c.column;
        rs.Fields().Item(c.column).PutValue(c.written);
    }
    rs.Fields().Item("zahl").PutValue(QStringLiteral("42")); // converted
    EXPECT_EQ(field(rs, "zahl"), Variant(qint32(42)));
    rs.Update();
    Recordset again;
    again.Open("SELECT * FROM werte WHERE id = 2", connection);
    for (const auto &c : cases)
        EXPECT_EQ(field(again, c.column), c.written) << c.column;
    // Dates stay comparable with a plain date literal on every engine.
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM werte WHERE datum = '1999-12-31'"), "1");

    // Back to Null, and an empty text is a text, not Null.
    again.Fields().Item("datum").PutValue(Variant::null());
    again.Fields().Item("text").PutValue(Variant(QString()));
    again.Update();
    EXPECT_EQ(field(again, "text"), Variant(QString(QLatin1String(""))));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM werte WHERE datum IS NULL AND text = ''"), "1");
}

TEST_P(RecordsetTest, AValueThatDoesNotFitIsRefusedAtOnce)
{
    Recordset rs;
    rs.Open("werte", connection);
    for (const char *name : {"zahl", "kommazahl", "betrag", "datum", "aktiv"}) {
        try {
            rs.Fields().Item(name).PutValue(QStringLiteral("abc"));
            ADD_FAILURE() << "accepted text in " << name;
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), DB_E_CANTCONVERTVALUE);
            EXPECT_TRUE(error.description().contains(name));
        }
    }
    EXPECT_EQ(rs.EditMode(), adEditNone);
    EXPECT_EQ(field(rs, "zahl"), Variant(qint32(123456))); // nothing stored was touched
}

TEST_P(RecordsetTest, ForeignValuesInAnSqliteFileAreHandedUpUntouched)
{
    if (GetParam() != DatabaseKind::Sqlite)
        GTEST_SKIP() << "SQLite's own typing";
    // SQLite stores what it is given; a text in an INTEGER column must come
    // back as that text, not as 0.
    db.exec({"CREATE TABLE t (id INTEGER PRIMARY KEY, n INTEGER, d DATE, b BOOLEAN)",
             "INSERT INTO t VALUES (1, 'zwölf', 'morgen', 'vielleicht')"});
    Recordset rs;
    rs.Open("t", connection);
    QStringList values;
    for (const char *column : {"n", "d", "b"})
        values << rs.Fields().Item(column).Value().toString();
    EXPECT_EQ(values, QStringList({"zwölf", "morgen", "vielleicht"}));
}

// A changed day and time, or yes or no, is stored the way the row held it
// before, so that the other programs writing the file still read it; a new
// row, or a Null, takes the form of the column's other rows.
TEST_P(RecordsetTest, AChangedValueKeepsTheFormItWasStoredIn)
{
    if (GetParam() != DatabaseKind::Sqlite)
        GTEST_SKIP() << "the forms of SQLite's files";
    const struct
    {
        const char *zeit, *ja; // stored, as SQL
        bool yes;              // put into ja
        const char *written;   // typeof and value of zeit, then of ja
    } cases[] = {
        {"'2022-06-05T13:00:00.000Z'", "'Y'", false, "text:2024-02-29T10:15:00.000Z|text:N"},
        {"'2022-06-05 13:00'", "'true'", false, "text:2024-02-29 10:15|text:false"},
        {"'2022-06-05 13:00:00+02:00'", "'Nein'", true, "text:2024-02-29 10:15:00+02:00|text:Ja"},
        {"'2022-06-05'", "'f'", true, "text:2024-02-29 10:15:00|text:t"},
        {"2459280.75", "NULL", true, "real:2024-02-29 10:15:00|text:Y"},     // julian day
        {"1646485200", "NULL", false, "integer:2024-02-29 10:15:00|text:N"}, // unix time
        {"1646485200.5", "1", false, "real:2024-02-29 10:15:00|integer:0"},  // with a fraction
        {nullptr, nullptr, true, "text:2024-02-29T10:15:00.000Z|text:Y"},    // a new row
    };
    db.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, zeit DATETIME, ja BOOLEAN)");
    for (int row = 0; cases[row].zeit; ++row) {
        db.exec(QStringLiteral("INSERT INTO t VALUES (%1, %2, %3)")
                    .arg(row)
                    .arg(cases[row].zeit, cases[row].ja));
    }
    Recordset rs;
    rs.Open("SELECT * FROM t ORDER BY id", connection);
    for (const auto &c : cases) {
        if (!c.zeit) {
            rs.AddNew();
            rs.Fields().Item("id").PutValue(qint32(std::size(cases) - 1));
        }
        rs.Fields().Item("zeit").PutValue(
            Variant::fromDateAndTime(QDate(2024, 2, 29), QTime(10, 15)));
        rs.Fields().Item("ja").PutValue(c.yes);
        rs.Update();
        rs.MoveNext();
    }
    const QList<QStringList> stored = db.rows(
        "SELECT typeof(zeit) || ':' || CASE typeof(zeit) WHEN 'text' THEN zeit WHEN 'integer' "
        "THEN datetime(zeit, 'unixepoch') ELSE datetime(zeit, CASE WHEN zeit > 5373484 THEN "
        "'unixepoch' ELSE '+0 days' END) END || '|' || typeof(ja) || ':' || ja FROM t ORDER BY id");
    for (int row = 0; row < int(std::size(cases)); ++row) {
        EXPECT_EQ(stored.value(row).value(0), QString::fromLatin1(cases[row].written))
            << "row " << row;
    }
}

// A timestamptz is the wall-clock time of the session's time zone (the
// database's setting, which the program's own zone need not share): read
// as that, and written back as that.
TEST_P(RecordsetTest, TimesWithAZoneAreTheSessionsWallClock)
{
    if (GetParam() != DatabaseKind::PostgreSql)
        GTEST_SKIP() << "PostgreSQL's timestamptz";
    // A zone the program is not in, at two in the morning there: in the
    // program's zone that instant lies on another day, or at another hour.
    const QDateTime march5(QDate(2024, 3, 5), QTime(2, 0));
    const QString zone = QTimeZone::systemTimeZone().offsetFromUtc(march5) == 5 * 3600 + 45 * 60
                             ? "America/St_Johns"
                             : "Asia/Kathmandu";
    db.exec(QStringList{
        QStringLiteral("ALTER DATABASE %1 SET timezone TO '%2'").arg(db.dbName(), zone),
        "CREATE TABLE termine (id integer PRIMARY KEY, beginn timestamptz, notiz text)",
        QStringLiteral("INSERT INTO termine VALUES (1, '2024-03-05 02:00:00.25 %1', 'x')")
            .arg(zone),
    });
    const auto storedAt = [&](const char *wallClock) {
        return db.scalar(QStringLiteral("SELECT beginn = timestamptz '%1 %2' FROM termine")
                             .arg(QLatin1String(wallClock), zone));
    };
    Connection zoned; // opened after the zone was set
    zoned.Open(db.connectionString());
    Recordset rs;
    rs.Open("termine", zoned, adOpenKeyset, adLockOptimistic);
    Field &beginn = rs.Fields().Item("beginn");
    const Variant shown = Variant::fromDateAndTime(QDate(2024, 3, 5), QTime(2, 0, 0, 250));
    EXPECT_EQ(beginn.Value(), shown);

    // Written back as read, the instant stays (and the row, as read, is
    // found unchanged by the check before the write).
    beginn.PutValue(beginn.Value());
    rs.Update();
    EXPECT_EQ(storedAt("2024-03-05 02:00:00.25"), "true");

    // Another day keeps the time of day the user saw.
    beginn.PutValue(Variant::fromDateAndTime(QDate(2024, 3, 6), QTime(2, 0)));
    rs.Update();
    EXPECT_EQ(storedAt("2024-03-06 02:00:00"), "true");
    EXPECT_EQ(beginn.Value(), Variant::fromDateAndTime(QDate(2024, 3, 6), QTime(2, 0)));
}

TEST_P(RecordsetTest, MoneyIsWrittenAsTheAmountWhateverTheSessionsLocale)
{
    if (GetParam() != DatabaseKind::PostgreSql)
        GTEST_SKIP() << "PostgreSQL's money";
    db.exec({"CREATE TABLE gebuehren (id integer PRIMARY KEY, betrag money)",
             "INSERT INTO gebuehren VALUES (1, 10), (2, 20)"});
    Connection connection;
    connection.Open(db.connectionString());
    Recordset rs;
    rs.Open("gebuehren", connection, adOpenKeyset, adLockOptimistic);
    // A session the library did not set up (behind a pooler, the next
    // transaction's) reads money texts as the server's locale writes them:
    // in German "1234.56" would be 123456.
    connection.Execute("SET lc_monetary = 'de_DE.UTF-8'");
    rs.Fields().Item("betrag").PutValue(Variant::decimal(QStringLiteral("1234.56")));
    rs.Update();
    rs.AddNew();
    rs.Fields().Item("id").PutValue(Variant(3));
    rs.Fields().Item("betrag").PutValue(Variant::decimal(QStringLiteral("0.5")));
    rs.Update();
    EXPECT_EQ(db.scalar("SELECT string_agg(betrag::numeric::text, '|' ORDER BY id) FROM gebuehren"),
              "1234.56|20.00|0.50");
}

QRT_INSTANTIATE_FOR_ENGINES(RecordsetTest);
