#include "data/CAdoDataMgr.h"
#include "facade/CKeloForm.h"
#include "filter/CFilterMgr.h"
#include "platform/ComError.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "xml/CXmlHelper.h"

#include <gtest/gtest.h>

// Names as real schemas have them: capitals (which PostgreSQL keeps only in
// quotes), reserved words and umlauts. Wherever the library writes SQL from
// catalog names, such a name is that column and that table.
namespace {

class NamesInSqlTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec({QStringLiteral("CREATE TABLE \"Kunden\" (\"ID\" INT NOT NULL PRIMARY KEY, "
                                "\"Name\" VARCHAR(40), \"user\" VARCHAR(20), \"order\" INT, "
                                "\"Straße\" VARCHAR(40))"),
                 QStringLiteral("INSERT INTO \"Kunden\" VALUES (1, 'Meier', 'anna', 3, "
                                "'Hauptstraße'), (2, '50%', 'bert', 7, 'Ring'), (3, '5_0', "
                                "'anna', 9, 'Ring'), (4, '500', 'carl', 1, NULL)")});
    }

    QString document()
    {
        CKeloForm form;
        form.Init(db.dbName(), db.serverName(), db.userId(), db.password(),
                  QStringLiteral("Kunden"), ns_qrttypen::KELODBTyp(int(db.kind())));
        form.RemoveColumn(QStringLiteral("ID"), true);
        return form.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(),
                                   QStringLiteral("\"ID\""));
    }

    // The ids of the rows a condition selects, through the record manager.
    QStringList idsWhere(const QString &condition)
    {
        CAdoDataMgr records;
        records.Open(document(), false);
        records.ChangeFilter(condition); // as the filter command applies it
        QStringList ids;
        for (int guard = 0; records.HasRecord() && guard < 20; ++guard) {
            CXmlHelper xml;
            EXPECT_TRUE(xml.loadXml(records.GetRecordXml()));
            const QString id = xml.getAttributeValue(QDomNode(), QStringLiteral("ID"));
            if (ids.contains(id))
                break;
            ids << id;
            records.MoveNext();
        }
        return ids;
    }

    ScriptedMessages messages;
};

TEST_P(NamesInSqlTest, RecordsOfATableWithCapitalsAndReservedWords)
{
    CAdoDataMgr records;
    records.Open(document(), false);
    ASSERT_TRUE(records.HasRecord()) << messages.texts().join('\n').toStdString();
    EXPECT_TRUE(records.GetRecordXml().contains(QStringLiteral("user=\"anna\"")))
        << records.GetRecordXml().toStdString();
    records.AddRecord();
    ASSERT_TRUE(records.WriteRecord(QStringLiteral(
        "<RECORDSET Name=\"Neu\" user=\"dora\" order=\"2\" Straße=\"Weg\" />")))
        << messages.texts().join('\n').toStdString();
    EXPECT_EQ(records.GetLastUpdateKey(), 5) << "the next key of \"ID\"";
    EXPECT_EQ(db.scalar("SELECT \"user\" FROM \"Kunden\" WHERE \"ID\" = 5"), "dora");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_P(NamesInSqlTest, FiltersOnEveryColumnCompareThatColumn)
{
    CFilterMgr filter;
    ASSERT_TRUE(filter.LoadConfig(document())) << messages.texts().join('\n').toStdString();
    ASSERT_EQ(filter.AddCriterion(filter.FindColumn("user"), 1, "anna", QDate()),
              CFilterMgr::AddResult::Added);
    ASSERT_EQ(filter.AddCriterion(filter.FindColumn("order"), 4, "2", QDate()),
              CFilterMgr::AddResult::Added);
    EXPECT_TRUE(filter.TestCondition()) << filter.GetSelectStatement().toStdString();
    EXPECT_EQ(idsWhere(filter.GetCondition()), QStringList({"1", "3"}));

    filter.ResetCriteria();
    filter.AddCriterion(filter.FindColumn("Straße"), 1, "Ring", QDate());
    filter.AddCriterion(filter.FindColumn("Name"), 2, "Meier", QDate());
    EXPECT_TRUE(filter.TestCondition()) << filter.GetSelectStatement().toStdString();
    EXPECT_EQ(idsWhere(filter.GetCondition()), QStringList({"2", "3"}));

    // The value list of a column called user holds its values, not the name
    // of the one who asks.
    QStringList users;
    filter.GetDistinctValues(QStringLiteral("user"), users);
    EXPECT_EQ(users, QStringList({"anna", "bert", "carl"}));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_P(NamesInSqlTest, ContainsFindsWildcardsAsTheUserTypedThem)
{
    CFilterMgr filter;
    ASSERT_TRUE(filter.LoadConfig(document()));
    filter.AddCriterion(filter.FindColumn("Name"), 3, "0%", QDate());
    EXPECT_EQ(idsWhere(filter.GetCondition()), QStringList({"2"}));
    filter.ResetCriteria();
    filter.AddCriterion(filter.FindColumn("Name"), 3, "5_", QDate());
    EXPECT_EQ(idsWhere(filter.GetCondition()), QStringList({"3"}));
    filter.ResetCriteria();
    filter.AddCriterion(filter.FindColumn("Name"), 3, "E", QDate());
    EXPECT_EQ(idsWhere(filter.GetCondition()), QStringList({"1"})) << "ignoring case";
}

TEST_P(NamesInSqlTest, StoredOperandsThatAreNoLiteralNeverReachTheCondition)
{
    db.exec({QStringLiteral("CREATE TABLE victim (x INT)")});
    CFilterMgr filter;
    ASSERT_TRUE(filter.LoadConfig(document()));
    // Saved by one user, or edited in the table by hand, and loaded by another.
    db.exec({QStringLiteral("INSERT INTO QRTFILTER VALUES (1, 'böse')"),
             QStringLiteral("INSERT INTO QRTFILTERITEM VALUES (1, 1, 'order', 1, "
                            "'1; DROP TABLE victim')"),
             QStringLiteral("INSERT INTO QRTFILTERITEM VALUES (2, 1, 'order', 1, '1--')"),
             QStringLiteral("INSERT INTO QRTFILTERITEM VALUES (3, 1, 'Name', 1, "
                            "'''x'' OR ''a''=''a''')"),
             QStringLiteral("INSERT INTO QRTFILTERITEM VALUES (4, 1, 'user', 1, '''anna''')")});
    filter.LoadFilter(QStringLiteral("böse"));
    EXPECT_EQ(filter.GetCondition(), " \"user\"='anna'");
    EXPECT_TRUE(filter.TestCondition());
    EXPECT_EQ(filter.ListCriteria(), QStringList("user gleich 'anna'"));
    EXPECT_EQ(messages.texts().size(), 3) << "each dropped operand is announced";
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM victim"), "0");
}

QRT_INSTANTIATE_FOR_ENGINES(NamesInSqlTest);

} // namespace
