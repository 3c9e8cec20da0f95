#include "data/CAdoDataMgr.h"
#include "facade/CKeloForm.h"
#include "filter/CFilterMgr.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "xml/CXmlHelper.h"

#include <gtest/gtest.h>

// What a user stored as a filter operand on a table whose names need quotes
// is that value and nothing else: an operand that is no literal never
// reaches the condition, and a value is compared in the form its column
// stores values in.
namespace {

class NamesInSqlTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec({"CREATE TABLE \"Kunden\" (\"ID\" INT NOT NULL PRIMARY KEY, \"Name\" "
                 "VARCHAR(40), \"user\" VARCHAR(20), \"order\" INT)",
                 "INSERT INTO \"Kunden\" VALUES (1, 'Meier', 'anna', 3), (2, '50%', 'bert', "
                 "7), (3, '5_0', 'anna', 9), (4, '500', 'carl', 1)",
                 "CREATE TABLE victim (x INT)"});
        // Columns that store their values in a form of their own: SQLite
        // days as julian numbers, yes and no as words, numbers in a column
        // without a type; PostgreSQL's money, and json, which has no "=".
        if (GetParam() == DatabaseKind::Sqlite) {
            db.exec(
                {"ALTER TABLE \"Kunden\" ADD COLUMN tag DATETIME",
                 "ALTER TABLE \"Kunden\" ADD COLUMN bezahlt BOOLEAN",
                 "ALTER TABLE \"Kunden\" ADD COLUMN frei",
                 "UPDATE \"Kunden\" SET tag = 2459280.5, bezahlt = 'Y', frei = 7 WHERE \"ID\" = 1",
                 "UPDATE \"Kunden\" SET tag = 2459281.5, bezahlt = 'N' WHERE \"ID\" = 2",
                 "UPDATE \"Kunden\" SET bezahlt = 'N', frei = 12 WHERE \"ID\" = 3"});
        } else {
            db.exec({"ALTER TABLE \"Kunden\" ADD COLUMN preis MONEY",
                     "ALTER TABLE \"Kunden\" ADD COLUMN daten JSON",
                     "UPDATE \"Kunden\" SET preis = 1234.5 WHERE \"ID\" = 1",
                     "UPDATE \"Kunden\" SET preis = 12 WHERE \"ID\" = 2"});
        }
        CKeloForm form;
        form.Init(db.dbName(), db.serverName(), db.userId(), db.password(), "Kunden",
                  ns_qrttypen::KELODBTyp(int(db.kind())));
        document = form.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(), "\"ID\"");
        ASSERT_TRUE(filter.LoadConfig(document));
    }

    // The ids of the rows the filter's condition selects, through the record manager.
    QStringList ids()
    {
        CAdoDataMgr records;
        records.Open(document, false);
        records.ChangeFilter(filter.GetCondition());
        QStringList ids;
        for (Recordset *rows = records.recordset(); records.HasRecord() && !rows->IsEOF();
             rows->MoveNext())
            ids << rows->Fields().Item("ID").Value().toString();
        return ids;
    }

    QString document;
    ScriptedMessages messages;
    CFilterMgr filter;
};

TEST_P(NamesInSqlTest, StoredOperandsThatAreNoLiteralNeverReachTheCondition)
{
    // Saved by one user, or edited in the table by hand, and loaded by another.
    db.exec({"INSERT INTO QRTFILTER VALUES (1, 'böse')",
             "INSERT INTO QRTFILTERITEM VALUES (1, 1, 'order', 1, '1; DROP TABLE victim')",
             "INSERT INTO QRTFILTERITEM VALUES (2, 1, 'order', 1, '1--')",
             "INSERT INTO QRTFILTERITEM VALUES (3, 1, 'Name', 1, '''x'' OR ''a''=''a''')",
             "INSERT INTO QRTFILTERITEM VALUES (4, 1, 'user', 1, '''anna''')"});
    filter.LoadFilter("böse");
    // Not run without them either: that would show more than was asked for.
    EXPECT_EQ(filter.GetCondition(), " 1=0");
    EXPECT_EQ(ids(), QStringList());
    EXPECT_EQ(filter.ListCriteria(), QStringList("user gleich 'anna'"));
    EXPECT_EQ(messages.texts().size(), 3) << "each dropped operand is announced";
    EXPECT_EQ(filter.GetCondition(), " \"user\"='anna'");
    EXPECT_EQ(ids(), QStringList({"1", "3"}));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM victim"), "0");
}

TEST_P(NamesInSqlTest, ComparisonsMeetTheFormTheColumnStoresItsValuesIn)
{
    const struct
    {
        DatabaseKind kind;
        const char *column;
        qint32 condition;
        const char *typed;
        QStringList ids;
        CFilterMgr::AddResult result = CFilterMgr::AddResult::Added;
    } cases[] = {
        {DatabaseKind::Sqlite, "tag", FilterCondition::Equal, "08.03.2021", {"2"}},
        {DatabaseKind::Sqlite, "tag", FilterCondition::Less, "08.03.2021", {"1"}},
        {DatabaseKind::Sqlite, "bezahlt", FilterCondition::Equal, "ja", {"1"}},
        {DatabaseKind::Sqlite, "bezahlt", FilterCondition::Equal, "nein", {"2", "3"}},
        {DatabaseKind::Sqlite, "frei", FilterCondition::Equal, "12", {"3"}},
        {DatabaseKind::PostgreSql, "preis", FilterCondition::Equal, "12", {"2"}},
        {DatabaseKind::PostgreSql, "preis", FilterCondition::Greater, "1000", {"1"}},
        {DatabaseKind::PostgreSql,
         "daten",
         FilterCondition::Equal,
         "{}",
         {},
         CFilterMgr::AddResult::Refused},
    };
    for (const auto &c : cases) {
        if (c.kind != GetParam())
            continue;
        SCOPED_TRACE(std::string(c.column) + " " + c.typed);
        filter.ResetCriteria();
        messages.clear();
        ASSERT_EQ(filter.AddCriterion(filter.FindColumn(c.column), c.condition, c.typed,
                                      QDate::fromString(c.typed, "dd.MM.yyyy")),
                  c.result);
        if (c.result == CFilterMgr::AddResult::Refused) {
            EXPECT_TRUE(messages.texts().join(' ').contains("nicht gefiltert werden"));
            continue;
        }
        EXPECT_EQ(ids(), c.ids) << filter.GetCondition().toStdString();
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    }
}

QRT_INSTANTIATE_FOR_ENGINES(NamesInSqlTest);

} // namespace
