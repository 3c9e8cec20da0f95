#include "data/CAdoDataMgr.h"
#include "facade/CKeloForm.h"
#include "filter/CFilterMgr.h"
#include "platform/RecordingMessages.h"
#include "support/ChildProcess.h"
#include "support/PrintedMessages.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// Two programs on one database at the same moment, as two users at two desks:
// each test starts copies of this test program, which share nothing but the
// database.
namespace {

// The configuration document of a form on table with an automatic key id.
QString documentFor(const QStringList &database, const QString &table)
{
    CKeloForm form;
    form.Init(database.at(0), database.at(1), database.at(2), QString(), table,
              ns_qrttypen::KELODBTyp(database.at(3).toInt()));
    form.RemoveColumn("id", true);
    return form.FilledDocument(CKeloForm::EntryPoint::ShowForm);
}

QStringList databaseArguments(const TestDatabase &db)
{
    return {db.dbName(), db.serverName(), db.userId(), QString::number(int(db.kind()))};
}

QString failures(const QVector<ChildProcess::Result> &results)
{
    QString text;
    for (const ChildProcess::Result &result : results) {
        if (result.exitCode != 0)
            text += QStringLiteral("exit %1: %2\n").arg(result.exitCode).arg(result.output);
    }
    return text;
}

QRT_CHILD_ACTION(createFilterTables, [](const QStringList &args) {
    PrintedMessages printed;
    ScopedUserMessages scope(printed);
    CFilterMgr store;
    return store.LoadConfig(documentFor(args, "kunden")) ? 0 : 1;
});

class ConcurrentUsersTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec("CREATE TABLE kunden (id INT NOT NULL PRIMARY KEY, name VARCHAR(40) NOT NULL, "
                "betrag DOUBLE PRECISION CHECK (betrag >= 0))");
    }

    void open(bool newRecord)
    {
        records.Open(documentFor(databaseArguments(db), "kunden"), newRecord);
    }
    std::string said() const { return messages.texts().join('\n').toStdString(); }

    ScriptedMessages messages;
    CAdoDataMgr records;
};

TEST_P(ConcurrentUsersTest, ProgramsStartingOnAFreshDatabaseAtOnceAllFindTheFilterTables)
{
    // Several rounds: the race is lost by one program in most of them when
    // the creation is not safe.
    for (int round = 0; round < 3; ++round) {
        TestDatabase fresh(GetParam());
        fresh.exec("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40))");
        EXPECT_EQ(failures(ChildProcess::run("createFilterTables", databaseArguments(fresh), 4)),
                  QString())
            << "round " << round;
        EXPECT_EQ(fresh.scalar("SELECT COUNT(*) FROM QRTFILTER"), "0");
        EXPECT_EQ(fresh.scalar("SELECT COUNT(*) FROM QRTFILTERITEM"), "0");
    }
}

TEST_P(ConcurrentUsersTest, ARefusedNewRecordTakesAFreshKeyWhenItIsSavedAgain)
{
    open(true);
    EXPECT_FALSE(records.WriteRecord("<RECORDSET name=\"Meier\" betrag=\"-1\" />"))
        << "the check constraint let a negative amount through";
    EXPECT_EQ(records.RefusedField(), "betrag") << said();
    messages.clear();
    // Meanwhile another user stores a row with the key this one computed.
    db.exec("INSERT INTO kunden VALUES (1, 'Schulz', 3)");
    // The corrected record is stored under the next free key.
    EXPECT_TRUE(records.WriteRecord("<RECORDSET name=\"Meier\" betrag=\"5\" />")) << said();
    EXPECT_EQ(records.GetLastUpdateKey(), 2);
    EXPECT_EQ(db.rows("SELECT id, name FROM kunden ORDER BY id"),
              QList<QStringList>({{"1", "Schulz"}, {"2", "Meier"}}));
}

TEST_P(ConcurrentUsersTest, ANewRecordWhoseKeyWasTakenAndFreedMeanwhileIsStoredUnderIt)
{
    // Another user stores a row under the key this one computed and deletes
    // it again before this one computes the next key: the next key is the
    // refused one, free now, and the save must not give up on it. A trigger
    // plays the other user, refusing the first insert as the unique key does.
    if (GetParam() != DatabaseKind::PostgreSql)
        GTEST_SKIP() << "the stand-in for the other user needs PL/pgSQL";
    db.exec({"CREATE SEQUENCE inserts_seen",
             "CREATE FUNCTION refuse_first() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF "
             "nextval('inserts_seen') = 1 THEN RAISE EXCEPTION 'duplicate key value' USING "
             "ERRCODE = 'unique_violation'; END IF; RETURN NEW; END $$",
             "CREATE TRIGGER kunden_refuse_first BEFORE INSERT ON kunden FOR EACH ROW EXECUTE "
             "FUNCTION refuse_first()"});
    open(true);
    EXPECT_TRUE(records.WriteRecord("<RECORDSET name=\"Meier\" betrag=\"5\" />")) << said();
    EXPECT_EQ(records.GetLastUpdateKey(), 1);
    EXPECT_EQ(db.scalar("SELECT name FROM kunden WHERE id = 1"), "Meier");
    EXPECT_EQ(db.scalar("SELECT last_value FROM inserts_seen"), "2") << "one more try, no more";
}

TEST_P(ConcurrentUsersTest, ASaveWhoseRowAnotherUserDeletesAtOnceStillLanded)
{
    // Another user deletes the record the moment this user's save is
    // stored, before the save reads it back (a trigger plays that user).
    // The save landed: it says so, with the key it wrote, and not "no
    // current record"; the records go on with the row after it, or stand
    // behind the last one.
    db.exec("INSERT INTO kunden VALUES (1, 'Meier', 1), (2, 'Schulz', 2)");
    db.exec(GetParam() == DatabaseKind::PostgreSql
                ? QStringList{"CREATE FUNCTION delete_saved() RETURNS trigger LANGUAGE plpgsql AS "
                              "$$ BEGIN DELETE FROM kunden WHERE id = NEW.id; RETURN NULL; END $$",
                              "CREATE TRIGGER kunden_gone AFTER UPDATE ON kunden FOR EACH ROW "
                              "EXECUTE FUNCTION delete_saved()"}
                : QStringList{"CREATE TRIGGER kunden_gone AFTER UPDATE ON kunden BEGIN DELETE "
                              "FROM kunden WHERE id = NEW.id; END"});
    open(false);
    for (const QString name : {"Meier", "Schulz"}) {
        SCOPED_TRACE(name.toStdString());
        QString record = records.GetRecordXml();
        ASSERT_TRUE(record.contains(name)) << record.toStdString();
        EXPECT_TRUE(records.WriteRecord(record.replace(name, "Neu"))) << said();
        EXPECT_EQ(records.GetLastUpdateKey(), name == "Meier" ? 1 : 2);
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << said();
    EXPECT_FALSE(records.HasRecord()) << "behind the last row";
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "0");
}

QRT_INSTANTIATE_FOR_ENGINES(ConcurrentUsersTest);

} // namespace
