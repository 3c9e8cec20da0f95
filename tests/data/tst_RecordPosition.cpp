#include "data/CAdoDataMgr.h"
#include "facade/CKeloForm.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// Where the current record stands ("Datensatz n von m"): the number comes
// from the keys read so far (counted back from the count at the end of the
// keyset), the count from the engine until every key is read, and neither
// ever reads the whole keyset by itself.
namespace {

class RecordPositionTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        QStringList rows;
        for (int i = 1; i <= kRows; ++i)
            rows << QStringLiteral("(%1, 'K%2', %3)")
                        .arg(i)
                        .arg(kRows - i, 4, 10, QLatin1Char('0'))
                        .arg(i % 2);
        db.exec({"CREATE TABLE kunden (id INT NOT NULL PRIMARY KEY, name "
                 "VARCHAR(20) NOT NULL, gerade INT)",
                 "INSERT INTO kunden VALUES " + rows.join(QLatin1Char(','))});
        CKeloForm form;
        form.Init(db.dbName(), db.serverName(), db.userId(), db.password(), "kunden",
                  ns_qrttypen::KELODBTyp(int(db.kind())));
        form.RemoveColumn("id", true);
        document = form.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(), "name");
    }

    // More rows than one end of the keyset holds, so that the keys are not
    // all read at once.
    static constexpr int kRows = 3000;
    QString document;
    ScriptedMessages messages;
};

TEST_P(RecordPositionTest, NumberAndCountWithoutReadingEveryKey)
{
    CAdoDataMgr records;
    records.Open(document, false);
    CDataMgr::Position position = records.GetPosition(false);
    EXPECT_EQ(position.number, 1);
    EXPECT_EQ(position.count, -1) << "not known without asking, and not asked";
    EXPECT_FALSE(position.newRecord);

    position = records.GetPosition(true);
    EXPECT_EQ(position.count, kRows) << "the engine's count";
    EXPECT_FALSE(records.recordset()->keysComplete()) << "counting read no keys";
    records.MoveNext();
    records.MoveNext();
    EXPECT_EQ(records.GetPosition(false).number, 3);
    EXPECT_EQ(records.GetPosition(false).count, kRows) << "asked once, known since";

    records.MoveLast();
    position = records.GetPosition(false);
    EXPECT_EQ(position.number, kRows);
    EXPECT_EQ(position.count, kRows);

    // A new record is shown as such, and counted once it is stored.
    records.AddRecord();
    position = records.GetPosition(false);
    EXPECT_TRUE(position.newRecord);
    EXPECT_EQ(position.number, -1);
    ASSERT_TRUE(records.WriteRecord("<RECORDSET name=\"Neu\" />"));
    position = records.GetPosition(false);
    EXPECT_FALSE(position.newRecord);
    EXPECT_EQ(position.number, kRows + 1);
    EXPECT_EQ(position.count, kRows + 1);
    records.DeleteRecord();
    EXPECT_EQ(records.GetPosition(false).count, kRows);
}

TEST_P(RecordPositionTest, TheCountFollowsTheFilter)
{
    CAdoDataMgr records;
    records.Open(document, false);
    records.ChangeFilter("gerade = 0");
    EXPECT_EQ(records.GetPosition(true).count, kRows / 2);
    // A count asked before an insert and a delete stays right after them.
    records.AddRecord();
    ASSERT_TRUE(records.WriteRecord("<RECORDSET name=\"Neu\" gerade=\"0\" />"));
    EXPECT_EQ(records.GetPosition(false).count, kRows / 2 + 1);
    records.MoveFirst();
    records.DeleteRecord();
    records.DeleteRecord();
    EXPECT_EQ(records.GetPosition(false).count, kRows / 2 - 1);
    EXPECT_EQ(records.GetPosition(false).number, 1);

    records.ChangeFilter("gerade = 7");
    const CDataMgr::Position none = records.GetPosition(true);
    EXPECT_TRUE(none.newRecord) << "nothing matches: a new record is started";
    EXPECT_EQ(none.count, 0);
}

QRT_INSTANTIATE_FOR_ENGINES(RecordPositionTest);

} // namespace
