#include "data/CTabInfo.h"
#include "data/LookupList.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// The rows a field's foreign key refers to, as its list reads them: found
// through both catalogs, narrowed by the engine, typed text never read as a
// pattern, names read once.
namespace {

class LookupListTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        CTabInfo::ClearConString();
        db.exec({"CREATE TABLE firmen (nr INTEGER PRIMARY KEY, kuerzel VARCHAR(5), "
                 "name VARCHAR(40) NOT NULL)",
                 "INSERT INTO firmen VALUES (1, 'MB', 'Meier Bau'), (2, NULL, 'Bachmeier'), "
                 "(3, 'MC', 'meier & Co'), (4, NULL, '50%_Rabatt\\'), (5, NULL, 'Ölmühle Süd'), "
                 "(6, NULL, 'Anders'), (7, NULL, 'Meier Bau')",
                 "CREATE TABLE auftraege (id INTEGER PRIMARY KEY, firma INT REFERENCES firmen, "
                 "vertreter INT REFERENCES firmen (nr), menge INT)"});
        connection.Open(db.connectionString());
        CTabInfo catalog;
        ASSERT_TRUE(catalog.OpenCatalog(connection));
        ASSERT_TRUE(catalog.GetSpaltenInfos(QStringLiteral("auftraege"), columns, true));
    }

    static QStringList shown(const QVector<LookupList::Entry> &entries)
    {
        QStringList texts;
        for (const LookupList::Entry &entry : entries)
            texts << entry.key + QLatin1Char('=') + entry.shown;
        return texts;
    }

    Connection connection;
    QVector<ColumnInfo> columns;
};

TEST_P(LookupListTest, ReferencedRowsAreFoundNarrowedAndNamedByTheEngine)
{
    // Both ways of naming the referenced key, and no reference at all.
    ASSERT_EQ(columns.size(), 4);
    EXPECT_EQ(columns.at(1).referencedTable, "firmen");
    EXPECT_EQ(columns.at(2).referencedColumn, "nr");
    EXPECT_TRUE(columns.at(3).referencedTable.isEmpty());

    LookupList list(connection, columns.at(1));
    EXPECT_EQ(list.displayColumn(), "name") << "the first text column that must hold a value";
    EXPECT_EQ(list.textColumns(), QStringList({"kuerzel", "name"}));

    const struct
    {
        const char *typed;
        int limit;
        QStringList expected;
    } cases[] = {
        {"", 3, {"4=50%_Rabatt\\", "6=Anders", "2=Bachmeier"}},
        // Beginning first, then anywhere; letter case aside, umlauts too.
        {"MEIER", 10, {"1=Meier Bau", "7=Meier Bau", "3=meier & Co", "2=Bachmeier"}},
        {"meier", 2, {"1=Meier Bau", "7=Meier Bau"}},
        {"ölm", 10, {"5=Ölmühle Süd"}},
        {"SÜD", 10, {"5=Ölmühle Süd"}},
        // Typed wildcards and the escape character are plain letters.
        {"%", 10, {"4=50%_Rabatt\\"}},
        {"_", 10, {"4=50%_Rabatt\\"}},
        {"t\\", 10, {"4=50%_Rabatt\\"}},
        {"x' OR '1'='1", 10, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(shown(list.entries(QString::fromUtf8(c.typed), c.limit)), c.expected);
    }

    EXPECT_EQ(shown(list.named(QStringLiteral("MEIER & co"), 2)), QStringList("3=meier & Co"));
    EXPECT_EQ(list.named(QStringLiteral("Meier Bau"), 2).size(), 2) << "a name two rows share";
    EXPECT_TRUE(list.named(QStringLiteral("Meier"), 2).isEmpty());

    // A name is read once; a key no row has reads as none.
    LookupList other(connection, columns.at(2), QStringLiteral("kuerzel"));
    other.prefetch({"1", "2", "99"});
    db.exec("UPDATE firmen SET kuerzel = 'XX' WHERE nr = 1");
    EXPECT_EQ(other.shownFor("1"), "MB") << "kept from the prefetch";
    EXPECT_EQ(other.shownFor("2"), "2") << "an empty name shows the key";
    EXPECT_EQ(other.shownFor("99"), std::nullopt);
    EXPECT_EQ(other.shownFor("3"), "MC");

    EXPECT_THROW(LookupList(connection, columns.at(1), QStringLiteral("fehlt")), ComError);
    EXPECT_THROW(LookupList(connection, columns.at(3)), ComError);

    // As pagila has it: a film's language by a small key, named in a
    // CHAR(20), whose padding is no part of the name.
    db.exec({"CREATE TABLE sprache (language_id SMALLINT PRIMARY KEY, name CHAR(20) NOT NULL)",
             "INSERT INTO sprache VALUES (1, 'English'), (2, 'Italian'), (3, 'Japanese')",
             "CREATE TABLE film (film_id INT PRIMARY KEY, language_id SMALLINT NOT NULL "
             "REFERENCES sprache (language_id))"});
    QVector<ColumnInfo> film;
    CTabInfo catalog;
    ASSERT_TRUE(catalog.OpenCatalog(connection));
    ASSERT_TRUE(catalog.GetSpaltenInfos(QStringLiteral("film"), film, true));
    LookupList languages(connection, film.at(1));
    EXPECT_EQ(shown(languages.entries(QStringLiteral("an"), 10)),
              QStringList({"2=Italian", "3=Japanese"}));
    EXPECT_EQ(shown(languages.named(QStringLiteral("english"), 2)), QStringList("1=English"));
    EXPECT_EQ(languages.shownFor("3"), "Japanese");
}

// The only values a column takes, as both catalogs give them: a list check
// inline or as a rule of the table (each rule narrows), a yes/no as text,
// and on PostgreSQL an enum and a domain's list; any other check offers none.
TEST_P(LookupListTest, TheValuesAChecksListOrTheTypeAllows)
{
    const bool postgres = db.kind() == DatabaseKind::PostgreSql;
    if (postgres)
        db.exec({"CREATE TYPE stimmung AS ENUM ('froh', 'müde', 'O''Neill')",
                 "CREATE DOMAIN jn AS CHAR(1) CHECK (VALUE IN ('J', 'N'))"});
    db.exec(
        QStringLiteral("CREATE TABLE listen (id INT PRIMARY KEY, "
                       "status VARCHAR(10) CHECK (status IN ('offen', 'bezahlt', 'storniert')), "
                       "bezahlt CHAR(1) NOT NULL CHECK (bezahlt IN ('J', 'N')), "
                       "menge INT CHECK (menge > 0), stufe INT CHECK (stufe IN (1, 2, 3)), "
                       "stimmung %1, antwort %2, "
                       "CONSTRAINT offen_oder_bezahlt CHECK (status IN ('offen', 'bezahlt')))")
            .arg(postgres ? "stimmung" : "TEXT", postgres ? "jn" : "TEXT"));
    QVector<ColumnInfo> listed;
    CTabInfo catalog;
    ASSERT_TRUE(catalog.OpenCatalog(connection));
    ASSERT_TRUE(catalog.GetSpaltenInfos(QStringLiteral("listen"), listed, true));
    const QStringList none;
    const QVector<QStringList> expected = {
        none,
        {"offen", "bezahlt"},
        {"J", "N"},
        none,
        {"1", "2", "3"},
        postgres ? QStringList({"froh", "müde", "O'Neill"}) : none,
        postgres ? QStringList({"J", "N"}) : none,
    };
    ASSERT_EQ(listed.size(), expected.size());
    for (qsizetype i = 0; i < listed.size(); ++i)
        EXPECT_EQ(listed.at(i).allowedValues, expected.at(i)) << listed.at(i).name.toStdString();
}

QRT_INSTANTIATE_FOR_ENGINES(LookupListTest);

} // namespace
