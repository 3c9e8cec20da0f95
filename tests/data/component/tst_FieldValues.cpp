#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <QTimeZone>

#include <gtest/gtest.h>

// Every value type the forms use, read and written on every engine: values
// come typed by the declared column type, whatever the driver returns.
class FieldValuesTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec({"CREATE TABLE werte (id INTEGER PRIMARY KEY, klein SMALLINT, zahl INTEGER, "
                 "kommazahl DOUBLE PRECISION, betrag NUMERIC(12,2), datum DATE, zeitpunkt "
                 "TIMESTAMP, text VARCHAR(20), aktiv BOOLEAN)",
                 "INSERT INTO werte VALUES (1, 7, 123456, 2.5, 1234567890.12, '2021-03-07', "
                 "'2021-03-07 14:30:00', 'a<b & \"c\"', TRUE), (2, NULL, NULL, NULL, NULL, NULL, "
                 "NULL, NULL, NULL)"});
        connection.Open(db.connectionString());
    }

    static Variant field(Recordset &rs, const char *name) { return rs.Fields().Item(name).Value(); }

    Connection connection;
};

TEST_P(FieldValuesTest, ValuesAreTypedByTheCatalogAndComeBackAsWritten)
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

TEST_P(FieldValuesTest, AValueThatDoesNotFitIsRefusedAtOnce)
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

QRT_INSTANTIATE_FOR_ENGINES(FieldValuesTest);

TEST(FieldValuesSqlite, ForeignValuesInAnSqliteFileAreHandedUpUntouched)
{
    // SQLite stores what it is given; a text in an INTEGER column must come
    // back as that text, not as 0.
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
    db.exec({"CREATE TABLE t (id INTEGER PRIMARY KEY, n INTEGER, d DATE, b BOOLEAN)",
             "INSERT INTO t VALUES (1, 'zwölf', 'morgen', 'vielleicht')"});
    Connection connection;
    connection.Open(db.connectionString());
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
TEST(FieldValuesSqlite, AChangedValueKeepsTheFormItWasStoredIn)
{
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
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
    Connection connection;
    connection.Open(db.connectionString());
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
TEST(FieldValuesPostgres, TimesWithAZoneAreTheSessionsWallClock)
{
    TestDatabase db(DatabaseKind::PostgreSql);
    QRT_REQUIRE_DATABASE(db);
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
    Connection connection;
    connection.Open(db.connectionString());
    Recordset rs;
    rs.Open("termine", connection, adOpenKeyset, adLockOptimistic);
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
