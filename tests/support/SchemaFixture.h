#ifndef QRT_TESTS_SCHEMAFIXTURE_H
#define QRT_TESTS_SCHEMAFIXTURE_H

// A schema as real applications have it, on either engine, with a few
// hundred rows: the tables, keys, names and column types the library must
// cope with beyond its own tidy test tables.
//
//   PostgreSQL: a uuid key filled by a default, a bigint identity starting
//   beyond 32 bits, a bigserial, a composite key, a table without any key,
//   an identity that takes no values in a second schema under a mixed-case
//   name; numeric(30,10) (with NaN), money, real and double precision (with
//   NaN and the infinities), interval, time(6), timetz, timestamptz(6),
//   text[], integer[], json, jsonb, an enum, a domain with a check, bytea,
//   a generated column, char(8); column names such as "Kunden Nr",
//   "Preis (EUR)", user, order, "Straße", "MixedCase"; texts holding line
//   breaks, tabs, chr(11), XML's special characters, "_x0041_"; and a view.
//
//   SQLite: DATETIME columns holding ISO texts (with "T", fractions and
//   "Z"), julian days (REAL) and unix times (INTEGER); BOOLEAN as 0/1,
//   'true'/'false' and 'Y'/'N'; a VARCHAR(255) holding 300 characters; a
//   column without a declared type holding integers, reals and texts; TIME
//   texts; a WITHOUT ROWID table; a generated column; a BLOB; the same
//   awkward names and texts; and a 100-row view.
//
// Use it in a test on a fresh TestDatabase:
//
//     class MySchemaTest : public EngineTest { … };
//     TEST_P(MySchemaTest, …)
//     {
//         QRT_REQUIRE_DATABASE(db);
//         SchemaFixture fixture(db);
//         for (const FixtureTable &table : fixture.tables()) {
//             const QString document = fixture.document(table); // ADOBUILDER for a form on it
//             const auto before = fixture.snapshot(table);      // every value, at the SQL level
//             … open a CAdoDataMgr / CFilterMgr / form on document, work …
//             EXPECT_EQ(fixture.snapshot(table), before);
//         }
//     }
//
// Each FixtureTable says what the library is expected to do with it:
// whether it can be edited, which columns the engine computes, a text per
// column that a user could type to change it (edits), texts the engine or
// the library must refuse (refusedEdits), columns no filter can compare
// (unfilterable), and a new record the table takes (newRow).

#include "support/TestDatabase.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

struct FixtureTable
{
    QString name;                         // as a host names the table (the form's TABELLENNAME)
    QString sql;                          // as the tests' own SQL names it
    int rows = 0;                         // rows the fixture stores in it
    bool editable = true;                 // false: opens read-only (a view)
    QStringList keys;                     // primary key columns
    QStringList computed;                 // columns the engine computes from others
    QHash<QString, QString> edits;        // column -> a text that changes its value
    QHash<QString, QString> refusedEdits; // column -> a text that must be refused
    QStringList unfilterable;             // columns a "gleich" filter cannot compare
    QHash<QString, QString> newRow;       // a new record the table takes
};

class SchemaFixture
{
public:
    // Creates the schema and its rows in db, which should be empty.
    explicit SchemaFixture(const TestDatabase &db);

    const QVector<FixtureTable> &tables() const { return m_tables; }
    const FixtureTable &table(const QString &name) const;

    // The ADOBUILDER document of a form on the table, in data mode, with a
    // SORT where one is given (the key order by default: updates move rows
    // on PostgreSQL, and tests that take "the first row" want the same one).
    QString document(const FixtureTable &table, const QString &sort = QString()) const;

    // Every row of the table, each as the list of its columns' values
    // written exactly as the engine holds them (PostgreSQL: the value's text
    // output; SQLite: storage class and value, 'real:2459280.75'), NULL as
    // "NULL"; sorted, so that rows are compared whatever their order.
    QVector<QStringList> snapshot(const FixtureTable &table) const;
    // The table's column names in catalog order, as the snapshot lists them.
    QStringList columns(const FixtureTable &table) const;
    // What a statement of another connection wrote since the last call:
    // PostgreSQL's row versions (xmin) of the table, SQLite's data_version
    // of the whole file. Equal answers mean nothing was written.
    QString writeMark(const FixtureTable &table) const;

private:
    void createPostgres();
    void createSqlite();

    const TestDatabase &m_db;
    QVector<FixtureTable> m_tables;
};

#endif // QRT_TESTS_SCHEMAFIXTURE_H
