#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <functional>

// The rule an engine refused a row or a value by, as the recordset's
// ComError carries it: PostgreSQL from the error's fields and its catalog,
// SQLite from its fixed texts and, for foreign keys, from the schema and
// the rows.

namespace {

using Rule = EngineRefusal::Rule;

// One refused change of a row: the row's id (0: a new row), the values put
// (none: the row is deleted), and what the refusal must say. An empty
// constraint is not compared (the engines name unnamed rules differently).
struct Refused
{
    const char *what;
    const char *table; // the table of the row, which is the refusal's too
    int row;
    QVector<QPair<const char *, Variant>> values;
    Rule rule;
    QStringList columns;
    const char *otherTable;
    const char *constraint;
};

class EngineRefusalTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec(QStringList{
            "CREATE TABLE kunden (id INTEGER PRIMARY KEY, email VARCHAR(60) UNIQUE, vorname "
            "VARCHAR(30), name VARCHAR(30) NOT NULL, menge INTEGER CONSTRAINT menge_positiv "
            "CHECK (menge >= 0), rabatt INTEGER CHECK (rabatt <= 50), UNIQUE (vorname, name))",
            "CREATE TABLE artikel (nr INTEGER PRIMARY KEY, bezeichnung VARCHAR(30))",
            // Keys to tell apart (one NULL, to an empty table); and a table
            // whose reference gives way (it sorts first).
            "CREATE TABLE lager (nr INTEGER PRIMARY KEY)",
            "CREATE TABLE bestellungen (id INTEGER PRIMARY KEY, kunde INTEGER REFERENCES "
            "kunden(id), artikel INTEGER REFERENCES artikel(nr), lager INTEGER REFERENCES "
            "lager(nr))",
            "CREATE TABLE adressen (id INTEGER PRIMARY KEY, kunde INTEGER REFERENCES kunden(id) "
            "ON DELETE CASCADE ON UPDATE CASCADE)",
            "INSERT INTO kunden VALUES (1, 'a@x.de', 'Anna', 'Meier', 1, 0)",
            "INSERT INTO kunden VALUES (2, 'b@x.de', 'Bert', 'Schulz', 2, 0)",
            "INSERT INTO artikel VALUES (10, 'Stift')",
            "INSERT INTO bestellungen VALUES (100, 1, 10, NULL)",
            "INSERT INTO adressen VALUES (1, 1), (2, 2)",
        });
        connection.Open(db.connectionString());
    }

    // The refusal of what change does, or a failure when nothing refuses.
    EngineRefusal refusalOf(const std::function<void()> &change)
    {
        try {
            change();
        } catch (const ComError &error) {
            EXPECT_FALSE(error.refusal().isEmpty()) << error.message().toStdString();
            return error.refusal();
        }
        ADD_FAILURE() << "nothing refused the change";
        return EngineRefusal();
    }

    void expect(const Refused &refused)
    {
        SCOPED_TRACE(refused.what);
        Recordset rs;
        const QString table = QString::fromLatin1(refused.table);
        rs.Open(QStringLiteral("SELECT * FROM %1 WHERE id = %2").arg(table).arg(refused.row),
                connection, adOpenKeyset, adLockOptimistic);
        const EngineRefusal refusal = refusalOf([&] {
            if (refused.row == 0)
                rs.AddNew();
            for (const auto &value : refused.values)
                rs.Fields().Item(QString::fromLatin1(value.first)).PutValue(value.second);
            if (refused.values.isEmpty())
                rs.Delete(1);
            else
                rs.Update();
        });
        EXPECT_EQ(refusal.rule, refused.rule);
        EXPECT_EQ(refusal.table, table);
        EXPECT_EQ(refusal.columns, refused.columns);
        EXPECT_EQ(refusal.otherTable, QString::fromLatin1(refused.otherTable));
        if (*refused.constraint) {
            EXPECT_EQ(refusal.constraint, QString::fromLatin1(refused.constraint));
        }
    }

    Connection connection;
};

TEST_P(EngineRefusalTest, RefusedRowsNameTheirRule)
{
    const Variant none = Variant::null();
    const auto text = [](const char *value) {
        return Variant(QString::fromUtf8(value));
    };
    // clang-format off
    const Refused cases[] = {
        {"a taken e-mail", "kunden", 2, {{"email", text("a@x.de")}},
         Rule::Unique, {"email"}, "", ""},
        {"a name taken as a pair", "kunden", 2, {{"vorname", text("Anna")}, {"name", text("Meier")}},
         Rule::Unique, {"vorname", "name"}, "", ""},
        {"no name", "kunden", 0, {{"id", 3}, {"name", none}},
         Rule::NotNull, {"name"}, "", ""},
        {"a named check", "kunden", 2, {{"menge", -1}},
         Rule::Check, {"menge"}, "", "menge_positiv"},
        {"a check of one column", "kunden", 2, {{"rabatt", 60}},
         Rule::Check, {"rabatt"}, "", ""},
        {"an article that does not exist", "bestellungen", 0, {{"id", 101}, {"kunde", 1}, {"artikel", 99}, {"lager", none}},
         Rule::MissingParent, {"artikel"}, "artikel", ""},
        {"a customer that does not exist", "bestellungen", 100, {{"kunde", 9}},
         Rule::MissingParent, {"kunde"}, "kunden", ""},
        {"a customer with orders deleted", "kunden", 1, {},
         Rule::StillReferenced, {}, "bestellungen", ""},
        {"a customer's number changed", "kunden", 1, {{"id", 5}},
         Rule::StillReferenced, {"id"}, "bestellungen", ""},
    };
    // clang-format on
    for (const Refused &refused : cases)
        expect(refused);
    EXPECT_EQ(db.scalar("SELECT email || vorname || menge || rabatt FROM kunden WHERE id = 2"),
              "b@x.deBert20");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "2");
}

// Values PostgreSQL refuses before anything is written (the recordset asks
// the server whether it takes them).
TEST(EngineRefusalPostgres, RefusedValuesNameTheirType)
{
    TestDatabase db(DatabaseKind::PostgreSql);
    QRT_REQUIRE_DATABASE(db);
    db.exec(QStringList{
        "CREATE TYPE ampel AS ENUM ('rot', 'gelb', 'grün')",
        "CREATE DOMAIN plz AS varchar(5) CONSTRAINT plz_fuenf_ziffern CHECK (VALUE ~ '^[0-9]{5}$')",
        "CREATE TABLE werte (id integer PRIMARY KEY, status ampel, tags text[], anzahl smallint, "
        "preis numeric(6,2), ort plz)",
        "INSERT INTO werte (id) VALUES (1)",
    });
    Connection connection;
    connection.Open(db.connectionString());
    Recordset rs;
    rs.Open("werte", connection, adOpenKeyset, adLockOptimistic);
    const struct
    {
        const char *column;
        Variant value;
        Rule rule;
        QString typeName;
        QStringList allowed;
        QString constraint;
    } cases[] = {
        {"status", QStringLiteral("lila"), Rule::InvalidText, "ampel", {"rot", "gelb", "grün"}, ""},
        {"tags", QStringLiteral("a,b"), Rule::InvalidText, "text[]", {}, ""},
        {"anzahl", 70000, Rule::OutOfRange, "smallint", {}, ""},
        {"preis", QStringLiteral("12345.5"), Rule::OutOfRange, "numeric(6,2)", {}, ""},
        {"ort", QStringLiteral("5300"), Rule::Check, "plz", {}, "plz_fuenf_ziffern"},
    };
    for (const auto &refused : cases) {
        SCOPED_TRACE(refused.column);
        try {
            rs.Fields().Item(QString::fromLatin1(refused.column)).PutValue(refused.value);
            ADD_FAILURE() << "the value was taken";
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), DB_E_CANTCONVERTVALUE);
            const EngineRefusal &refusal = error.refusal();
            EXPECT_EQ(refusal.rule, refused.rule);
            EXPECT_EQ(refusal.columns, QStringList(QString::fromLatin1(refused.column)));
            EXPECT_EQ(refusal.typeName, refused.typeName);
            EXPECT_EQ(refusal.allowedValues, refused.allowed);
            EXPECT_EQ(refusal.constraint, refused.constraint);
        }
    }
}

QRT_INSTANTIATE_FOR_ENGINES(EngineRefusalTest);

} // namespace
