#include "FilterTestSupport.h"

#include "data/CTabInfo.h"
#include "data/component/Connection.h"
#include "platform/ComError.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace {

class FilterStoreTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        createKunden(db);
        ASSERT_TRUE(store.LoadConfig(filterDocument(db, "kunden")));
    }

    // The criteria rows as "key filter column condition value", in key order.
    QStringList itemRows() const
    {
        QStringList rows;
        const int count = db.scalar("SELECT COUNT(*) FROM QRTFILTERITEM").toInt();
        for (int i = 0; i < count; ++i) {
            rows << db.scalar(QStringLiteral("SELECT CAST(QRTFILTERITEM_ID AS VARCHAR(9)) || ' ' "
                                             "|| CAST(QRTFILTER_ID AS VARCHAR(9)) || ' ' || SPALTE "
                                             "|| ' ' || CAST(BED AS VARCHAR(9)) || ' ' || WERT "
                                             "FROM QRTFILTERITEM ORDER BY QRTFILTERITEM_ID "
                                             "LIMIT 1 OFFSET %1")
                                  .arg(i));
        }
        return rows;
    }

    void addKoelnerCriteria(CFilterMgr &mgr)
    {
        mgr.AddCriterion(mgr.FindColumn("ort"), 1, "Köln", QDate());
        mgr.AddCriterion(mgr.FindColumn("betrag"), 4, "2,5", QDate());
        mgr.AddCriterion(mgr.FindColumn("seit"), 5, "", QDate(2021, 1, 1));
    }

    ScriptedMessages messages;
    CFilterMgr store;
};

TEST_P(FilterStoreTest, TheFilterTablesAreCreatedOnceWithTheirKeys)
{
    Connection connection;
    connection.Open(db.connectionString());
    connection.Execute("INSERT INTO QRTFILTER VALUES (7, 'vorhanden')");
    EXPECT_THROW(connection.Execute("INSERT INTO QRTFILTER VALUES (7, 'doppelt')"), ComError);
    EXPECT_THROW(connection.Execute("INSERT INTO QRTFILTERITEM VALUES (1, 8, 'ort', 1, 'x')"),
                 ComError)
        << "criteria need their filter";
    connection.Execute("INSERT INTO QRTFILTERITEM VALUES (1, 7, 'ort', 1, 'x')");

    CTabInfo::RemoveTabFromMap("QRTFILTER"); // make the second probe ask the catalog
    CFilterMgr again;
    ASSERT_TRUE(again.LoadConfig(filterDocument(db, "kunden")));
    EXPECT_EQ(again.FindFilterId("vorhanden"), 7);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFILTERITEM"), "1");
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(FilterStoreTest, SavedFiltersComeBackByNameAndGoWithTheirCriteria)
{
    addKoelnerCriteria(store);
    const QString koelner = store.GetCondition();
    ASSERT_TRUE(store.SaveFilter("Kunden 2020"));
    store.ResetCriteria();
    store.AddCriterion(store.FindColumn("name"), 3, "Bri", QDate());
    ASSERT_TRUE(store.SaveFilter("O'Brien"));
    EXPECT_EQ(itemRows(), QStringList({"1 1 ort 1 'Köln'", "2 1 betrag 4 2.5",
                                       "3 1 seit 5 '2021-01-01'", "4 2 name 3 '%Bri%'"}))
        << "keys ascend in criteria order";

    EXPECT_EQ(store.FindFilterId("O'Brien"), 2);
    EXPECT_EQ(store.FindFilterId("o'brien"), -1);
    EXPECT_EQ(store.FindFilterId("Kunden"), -1);
    QStringList names;
    store.GetFilterNames(names);
    names.sort();
    EXPECT_EQ(names, QStringList({"Kunden 2020", "O'Brien"}));

    store.LoadFilter("Kunden 2020");
    EXPECT_EQ(store.GetCondition(), koelner);
    store.LoadFilter("O'Brien");
    EXPECT_EQ(store.GetCondition(),
              QStringLiteral(" name%1'%Bri%'").arg(dialectFor(GetParam()).containsOp));
    store.LoadFilter("fehlt");
    EXPECT_TRUE(store.criteria().isEmpty());

    store.DeleteFilter(store.FindFilterId("O'Brien"));
    EXPECT_EQ(store.FindFilterId("O'Brien"), -1);
    EXPECT_EQ(itemRows().size(), 3);
    // Replacing keeps the name, writes the new criteria and drops the old ones.
    store.AddCriterion(store.FindColumn("aktiv"), 6, "", QDate());
    ASSERT_TRUE(store.ReplaceFilter(store.FindFilterId("Kunden 2020"), "Kunden 2020"));
    EXPECT_EQ(itemRows(), QStringList("1 1 aktiv 6 ")) << "keys start again in an empty table";
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFILTER"), "1");
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(FilterStoreTest, AFailedWriteLeavesNoHalfFilterAndTheStoreUsable)
{
    addKoelnerCriteria(store);
    ASSERT_TRUE(store.SaveFilter("Alt"));

    // The criteria cannot be written: the filter row must go as well.
    db.exec("ALTER TABLE QRTFILTERITEM RENAME COLUMN WERT TO WERT_ALT");
    EXPECT_THROW(store.SaveFilter("Neu"), ComError);
    EXPECT_THROW(store.ReplaceFilter(store.FindFilterId("Alt"), "Alt"), ComError);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFILTER"), "1");
    EXPECT_EQ(store.FindFilterId("Neu"), -1);
    db.exec("ALTER TABLE QRTFILTERITEM RENAME COLUMN WERT_ALT TO WERT");
    EXPECT_EQ(itemRows().size(), 3) << "the filter to be replaced is still whole";
    EXPECT_TRUE(store.SaveFilter("Neu"));
    EXPECT_EQ(store.FindFilterId("Neu"), 2);

    // The filter row cannot be deleted: its criteria stay.
    db.exec({"CREATE TABLE verweis (id INT PRIMARY KEY, filter INT REFERENCES QRTFILTER "
             "(QRTFILTER_ID))",
             "INSERT INTO verweis VALUES (1, 1)"});
    EXPECT_THROW(store.DeleteFilter(1), ComError);
    EXPECT_EQ(itemRows().size(), 6);
    store.LoadFilter("Alt");
    EXPECT_EQ(store.criteria().size(), 3);
    db.exec("DELETE FROM verweis");
    store.DeleteFilter(1);
    EXPECT_EQ(store.FindFilterId("Alt"), -1);
    EXPECT_EQ(itemRows().size(), 3);
}

// "enthält" finds exactly what was typed on every engine: the wildcards
// and the escape character itself match only themselves.
TEST_P(FilterStoreTest, ContainsMatchesWildcardsAndTheEscapeCharacterLiterally)
{
    // Keys are powers of two, so the sum of the keys found names the rows.
    db.exec({"CREATE TABLE texte (id INT PRIMARY KEY, t VARCHAR(20))",
             R"(INSERT INTO texte VALUES (1, 'C:\temp'), (2, 'C:Xtemp'), (4, '100%'), (8, '1000'),
                (16, 'a_b'), (32, 'axb'), (64, 'a\%b'), (128, 'a\xb'))"});
    CFilterMgr texts;
    ASSERT_TRUE(texts.LoadConfig(filterDocument(db, "texte")));
    const struct
    {
        const char *typed;
        const char *found;
    } cases[] = {{R"(\)", "193"}, {R"(:\t)", "1"}, {"%", "68"},
                 {"_", "16"},     {R"(\%)", "64"}, {R"(\x)", "128"}};
    for (const auto &contains : cases) {
        SCOPED_TRACE(contains.typed);
        texts.ResetCriteria();
        ASSERT_EQ(texts.AddCriterion(texts.FindColumn("t"), FilterCondition::Contains,
                                     contains.typed, QDate()),
                  CFilterMgr::AddResult::Added);
        EXPECT_EQ(db.scalar("SELECT SUM(id) FROM texte WHERE " + texts.GetCondition()),
                  QString::fromLatin1(contains.found));
        EXPECT_EQ(texts.ListCriteria(),
                  QStringList(QStringLiteral("t enthält '%1'").arg(contains.typed)));
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

// The value picker offers only what adding takes as it stands: no value
// longer than the value field, no text with a quote, numbers as the user
// types them, and for yes/no the two words.
TEST_P(FilterStoreTest, ThePickerOffersOnlyWhatAddingTakes)
{
    db.exec({"ALTER TABLE kunden ADD COLUMN notiz VARCHAR(100)",
             "INSERT INTO kunden (id, name, notiz) VALUES (5, 'O''Brien', 'kurz')",
             "INSERT INTO kunden (id, notiz) VALUES (6, '" + QString(61, 'x') + "')"});
    CTabInfo::RemoveTabFromMap("kunden");
    ASSERT_TRUE(store.LoadConfig(filterDocument(db, "kunden")));
    const std::pair<const char *, QStringList> columns[] = {{"notiz", {"kurz"}},
                                                            {"name", {"Brien", "Meier", "Schulz"}},
                                                            {"betrag", {"3,0", "12,5"}},
                                                            {"aktiv", {"ja", "nein"}}};
    for (const auto &[column, offered] : columns) {
        SCOPED_TRACE(column);
        QStringList values;
        store.GetPickableValues(store.FindColumn(column), CFilterMgr::MaxValueLength, values);
        EXPECT_EQ(values, offered);
        for (const QString &value : values)
            EXPECT_EQ(store.AddCriterion(store.FindColumn(column), FilterCondition::Equal, value,
                                         QDate()),
                      CFilterMgr::AddResult::Added)
                << value.toStdString();
    }
    EXPECT_EQ(store.criteria().value(5).value, "12.5");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_P(FilterStoreTest, AsARecordFilterItReportsATableItCannotCreate)
{
    // Something else holds the name (an index; on PostgreSQL a domain, since
    // a table brings a type of its name), so the catalog has no such table
    // and the engine refuses to create one.
    db.exec({"DROP TABLE QRTFILTERITEM", GetParam() == DatabaseKind::Sqlite
                                             ? "CREATE INDEX QRTFILTERITEM ON kunden (ort)"
                                             : "CREATE DOMAIN QRTFILTERITEM AS INT"});
    CTabInfo::RemoveTabFromMap("QRTFILTERITEM");
    CFilterMgr filter;
    RecordFilter &recordFilter = filter;
    EXPECT_FALSE(recordFilter.configure(filterDocument(db, "kunden")));
    EXPECT_FALSE(filter.isConfigured());
    ASSERT_EQ(messages.texts().size(), 1);
    const QString text = messages.texts().first();
    EXPECT_TRUE(text.startsWith(ComError::systemText(DB_E_ERRORSINCOMMAND) + "\r\n\r\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("QRTFILTERITEM", Qt::CaseInsensitive)) << text.toStdString();

    // Editing a filter that was never set up says so and changes nothing.
    QString condition = "bleibt";
    EXPECT_FALSE(recordFilter.edit(condition));
    EXPECT_EQ(condition, "bleibt");
    EXPECT_EQ(messages.texts().size(), 2);
}

QRT_INSTANTIATE_FOR_ENGINES(FilterStoreTest);

} // namespace
