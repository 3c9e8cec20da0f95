#include "data/CAdoDataMgr.h"
#include "facade/CKeloForm.h"
#include "filter/CFilterMgr.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "xml/CXmlHelper.h"

#include <gtest/gtest.h>

// What a user typed or stored as a filter operand on a table whose names
// need quotes is that value and nothing else: wildcards are literal, and an
// operand that is no literal never reaches the condition.
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
        CKeloForm form;
        form.Init(db.dbName(), db.serverName(), db.userId(), db.password(),
                  QStringLiteral("Kunden"), ns_qrttypen::KELODBTyp(int(db.kind())));
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
            ids << rows->Fields().Item(QStringLiteral("ID")).Value().toString();
        return ids;
    }

    QString document;
    ScriptedMessages messages;
    CFilterMgr filter;
};

TEST_P(NamesInSqlTest, ContainsFindsWildcardsAsTheUserTypedThem)
{
    const struct
    {
        const char *typed;
        QStringList ids;
    } cases[] = {{"0%", {"2"}}, {"5_", {"3"}}, {"E", {"1"}}}; // ignoring case
    for (const auto &c : cases) {
        filter.ResetCriteria();
        filter.AddCriterion(filter.FindColumn("Name"), FilterCondition::Contains, c.typed, QDate());
        EXPECT_EQ(ids(), c.ids) << c.typed;
    }
}

TEST_P(NamesInSqlTest, StoredOperandsThatAreNoLiteralNeverReachTheCondition)
{
    // Saved by one user, or edited in the table by hand, and loaded by another.
    db.exec({"INSERT INTO QRTFILTER VALUES (1, 'böse')",
             "INSERT INTO QRTFILTERITEM VALUES (1, 1, 'order', 1, '1; DROP TABLE victim')",
             "INSERT INTO QRTFILTERITEM VALUES (2, 1, 'order', 1, '1--')",
             "INSERT INTO QRTFILTERITEM VALUES (3, 1, 'Name', 1, '''x'' OR ''a''=''a''')",
             "INSERT INTO QRTFILTERITEM VALUES (4, 1, 'user', 1, '''anna''')"});
    filter.LoadFilter(QStringLiteral("böse"));
    EXPECT_EQ(filter.GetCondition(), " \"user\"='anna'");
    EXPECT_EQ(ids(), QStringList({"1", "3"}));
    EXPECT_EQ(filter.ListCriteria(), QStringList("user gleich 'anna'"));
    EXPECT_EQ(messages.texts().size(), 3) << "each dropped operand is announced";
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM victim"), "0");
}

QRT_INSTANTIATE_FOR_ENGINES(NamesInSqlTest);

} // namespace
