#include "data/CAdoDataMgr.h"
#include "facade/CKeloForm.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// A record text that cannot be read (as texts were composed before the
// codec) would, read as a record without values, clear every field: it is
// refused with one message and writes nothing.
namespace {

class UnreadableRecordTextTest : public EngineTest
{};

TEST_P(UnreadableRecordTextTest, IsRefusedAndWritesNothing)
{
    QRT_REQUIRE_DATABASE(db);
    db.exec({QStringLiteral("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(20))"),
             QStringLiteral("INSERT INTO kunden VALUES (1, 'Meier')")});
    CKeloForm form;
    form.Init(db.dbName(), db.serverName(), db.userId(), db.password(), QStringLiteral("kunden"),
              ns_qrttypen::KELODBTyp(int(db.kind())));
    ScriptedMessages messages;
    CAdoDataMgr manager;
    manager.Open(form.FilledDocument(CKeloForm::EntryPoint::ShowForm), false);
    const QString current = manager.GetRecordXml();
    // A name with a blank, a raw character XML cannot carry, a cut text.
    for (const QString &broken :
         {QStringLiteral("<RECORDSET Kunden Nr=\"5\" name=\"a\" />"),
          QStringLiteral("<RECORDSET name=\"a&#11;b\" />"), current.left(current.size() - 3)}) {
        messages.clear();
        EXPECT_FALSE(manager.WriteRecord(broken)) << broken.toStdString();
        ASSERT_EQ(messages.texts().size(), 1) << broken.toStdString();
        EXPECT_TRUE(messages.texts().first().contains("nichts geändert"));
    }
    EXPECT_EQ(db.scalar("SELECT name FROM kunden WHERE id = 1"), "Meier");
    EXPECT_EQ(manager.GetRecordXml(), current);
}

QRT_INSTANTIATE_FOR_ENGINES(UnreadableRecordTextTest);

} // namespace
