#include "data/CAdoDataMgr.h"
#include "facade/CKeloForm.h"
#include "filter/CFilterMgr.h"
#include "platform/ComError.h"
#include "platform/RecordingMessages.h"
#include "runtime/Subform.h"
#include "support/ChildProcess.h"
#include "support/PrintedMessages.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// The record manager where no form test looks: what it refuses and what it
// reads back, where the current record stands, and two programs on one
// database at the same moment, as two users at two desks (copies of this
// test program, which share nothing but the database).
namespace {

// The configuration document of a form on table; database holds name,
// server, user and kind. With autoKey the form fills in the key id itself.
QString documentFor(const QStringList &database, const QString &table, bool autoKey = false,
                    const QString &sort = QString())
{
    CKeloForm form;
    form.Init(database.at(0), database.at(1), database.at(2), QString(), table,
              ns_qrttypen::KELODBTyp(database.at(3).toInt()));
    if (autoKey)
        form.RemoveColumn("id", true);
    return form.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(), sort);
}

QStringList databaseArguments(const TestDatabase &db)
{
    return {db.dbName(), db.serverName(), db.userId(), QString::number(int(db.kind()))};
}

QRT_CHILD_ACTION(createFilterTables, [](const QStringList &args) {
    PrintedMessages printed;
    ScopedUserMessages scope(printed);
    CFilterMgr store;
    return store.LoadConfig(documentFor(args, "kunden", true)) ? 0 : 1;
});

class RecordManagerTest : public EngineTest
{
protected:
    void SetUp() override { QRT_REQUIRE_DATABASE(db); }

    void open(const char *table, bool newRecord = false, bool autoKey = false,
              const QString &sort = QString())
    {
        records.Open(documentFor(databaseArguments(db), table, autoKey, sort), newRecord);
    }
    std::string said() const { return messages.texts().join('\n').toStdString(); }

    ScriptedMessages messages;
    CAdoDataMgr records;
};

// A record text that cannot be read (as texts were composed before the
// codec) would, read as a record without values, clear every field: it is
// refused with one message and writes nothing.
TEST_P(RecordManagerTest, AnUnreadableRecordTextIsRefusedAndWritesNothing)
{
    db.exec({"CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(20))",
             "INSERT INTO kunden VALUES (1, 'Meier')"});
    open("kunden");
    const QString current = records.GetRecordXml();
    // A name with a blank, a raw character XML cannot carry, a cut text.
    for (const QString &broken :
         {QStringLiteral("<RECORDSET Kunden Nr=\"5\" name=\"a\" />"),
          QStringLiteral("<RECORDSET name=\"a&#11;b\" />"), current.left(current.size() - 3)}) {
        messages.clear();
        EXPECT_FALSE(records.WriteRecord(broken)) << broken.toStdString();
        ASSERT_EQ(messages.texts().size(), 1) << broken.toStdString();
        EXPECT_TRUE(messages.texts().first().contains("nichts geändert"));
    }
    EXPECT_EQ(db.scalar("SELECT name FROM kunden WHERE id = 1"), "Meier");
    EXPECT_EQ(records.GetRecordXml(), current);
}

// The rows of a view are shown but never written: the user is told so once
// on opening, and again at each try to change them.
TEST_P(RecordManagerTest, AViewIsAnnouncedAsReadOnlyAndNeverWritten)
{
    db.exec({"CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(20))",
             "INSERT INTO kunden VALUES (1, 'Meier')",
             "CREATE VIEW sicht AS SELECT * FROM kunden"});
    open("sicht");
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().contains("nur angezeigt, aber nicht geändert werden: "
                                                  "sicht ist eine Sicht."))
        << said();
    EXPECT_FALSE(records.WriteRecord(records.GetRecordXml().replace("Meier", "Schulz")));
    EXPECT_FALSE(records.AddRecord());
    EXPECT_FALSE(records.DeleteRecord());
    EXPECT_EQ(messages.texts().size(), 4) << "each refused change says why";
    EXPECT_EQ(db.rows("SELECT * FROM kunden"), QList<QStringList>({{"1", "Meier"}}));

    // A keyed table whose sort only the whole statement takes (a column
    // number) is shown read-only too, and not called a view.
    messages.clear();
    CAdoDataMgr sorted;
    sorted.Open(documentFor(databaseArguments(db), "kunden", false, "2"), false);
    ASSERT_EQ(messages.texts().size(), 1) << said();
    EXPECT_TRUE(messages.texts().first().contains(
        "kunden lässt sich mit diesem Filter oder dieser Sortierung nicht zum Bearbeiten öffnen"))
        << said();

    // A user who may only read the table is told so, not that it is a view.
    if (db.kind() != DatabaseKind::PostgreSql)
        return;
    db.exec({"DO $$ BEGIN CREATE ROLE qrt_leser LOGIN; EXCEPTION WHEN duplicate_object THEN "
             "NULL; END $$",
             "GRANT SELECT ON kunden TO qrt_leser"});
    messages.clear();
    CAdoDataMgr reader;
    QStringList arguments = databaseArguments(db);
    arguments[2] = "qrt_leser";
    reader.Open(documentFor(arguments, "kunden"), false);
    ASSERT_EQ(messages.texts().size(), 1) << said();
    EXPECT_TRUE(messages.texts().first().contains(
        "kunden darf von Ihnen nur gelesen werden (Sie haben nur Leserechte)"))
        << said();
    EXPECT_TRUE(reader.IsReadOnly());
    EXPECT_TRUE(reader.HasRecord()) << "the rows are shown";

    // A standby (here: a database that takes no changes) is no view either,
    // and a write that reaches one anyway says so in German.
    CAdoDataMgr writer;
    writer.Open(documentFor(databaseArguments(db), "kunden"), false);
    messages.clear();
    db.exec("ALTER DATABASE " + db.dbName() + " SET default_transaction_read_only = on");
    CAdoDataMgr standby;
    standby.Open(documentFor(databaseArguments(db), "kunden"), false);
    ASSERT_EQ(messages.texts().size(), 1) << said();
    EXPECT_TRUE(messages.texts().first().contains(
        "kunden liegt in einer Datenbank, die zurzeit nur gelesen werden kann"))
        << said();
    writer.recordset()->Fields().Item("name").PutValue(QStringLiteral("Schulz"));
    writer.recordset()->Update(); // still a session that writes
    db.exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" +
            db.dbName() + "' AND pid <> pg_backend_pid()");
    for (int attempt = 0; attempt < 2; ++attempt) { // the first finds the session gone
        try {
            writer.recordset()->Fields().Item("name").PutValue(QStringLiteral("Schmidt"));
            writer.recordset()->Update();
            ADD_FAILURE() << "written to a read-only database";
        } catch (const ComError &error) {
            if (attempt == 1) {
                EXPECT_TRUE(error.description().startsWith(
                    "Die Datenbank nimmt zurzeit keine Änderungen an"))
                    << error.description().toStdString();
            }
        }
    }
    EXPECT_EQ(db.scalar("SELECT name FROM kunden WHERE id = 1"), "Schulz");
}

// A record text written back as it was read says nothing and changes
// nothing, in whatever form the engine holds the values (SQLite keeps a
// REAL in a NUMERIC column, 1e-7 as a REAL, a whole number as an INTEGER).
TEST_P(RecordManagerTest, ARecordWrittenBackAsItWasReadSaysNothing)
{
    db.exec({"CREATE TABLE konten (id INT PRIMARY KEY, saldo NUMERIC, betrag NUMERIC(10,2), "
             "zins DOUBLE PRECISION, rund DECIMAL(10))",
             "INSERT INTO konten VALUES (1, 1234.5678, 12.5, 0.1, 7.5)",
             "INSERT INTO konten VALUES (2, 0.0000001, 3, 1e-7, 2)",
             "INSERT INTO konten VALUES (3, -98765432.25, NULL, 123456789.125, -0.25)"});
    open("konten");
    const QList<QStringList> before = db.rows("SELECT * FROM konten ORDER BY id");
    for (int row = 1; row <= 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_TRUE(records.WriteRecord(records.GetRecordXml())) << said();
        records.MoveNext();
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << said();
    EXPECT_EQ(db.rows("SELECT * FROM konten ORDER BY id"), before);
}

// Deleting a row another user deleted meanwhile tells the user so and
// shows the neighbour; it never passes in silence.
TEST_P(RecordManagerTest, DeletingARowAnotherUserDeletedSaysSoAndMovesOn)
{
    db.exec({"CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(20))",
             "INSERT INTO kunden VALUES (1, 'Meier'), (2, 'Schulz')"});
    open("kunden");
    db.exec("DELETE FROM kunden WHERE id = 1");
    records.DeleteRecord();
    ASSERT_EQ(messages.texts().size(), 1) << said();
    EXPECT_TRUE(messages.texts().first().contains("gelöscht")) << said();
    EXPECT_TRUE(records.GetRecordXml().contains("Schulz")) << records.GetRecordXml().toStdString();
}

// Undo after a refused save shows the row as it is stored now, read again
// (with what another user saved meanwhile), not the refused entries.
TEST_P(RecordManagerTest, UndoAfterARefusedSaveShowsTheRowAsStoredNow)
{
    db.exec({"CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(20), anzahl INT)",
             "INSERT INTO kunden VALUES (1, 'Meier', 3)"});
    open("kunden");
    EXPECT_FALSE(records.WriteRecord("<RECORDSET id=\"1\" name=\"Abgelehnt\" anzahl=\"viele\" />"));
    db.exec("UPDATE kunden SET name = 'Schulz' WHERE id = 1");
    records.Undo();
    const QString shown = records.GetRecordXml();
    EXPECT_TRUE(shown.contains("Schulz") && !shown.contains("Abgelehnt")) << shown.toStdString();
    messages.clear();
    EXPECT_TRUE(records.WriteRecord(shown)) << said();
    EXPECT_EQ(db.rows("SELECT name, anzahl FROM kunden"), QList<QStringList>({{"Schulz", "3"}}));
}

// A key the engine fills in for a new row is read back whole, beyond 32 bits.
TEST_P(RecordManagerTest, AKeyTheEngineFillsInIsReadBackWhole)
{
    db.exec(GetParam() == DatabaseKind::PostgreSql
                ? QStringList{"CREATE TABLE kunden (id BIGINT GENERATED BY DEFAULT AS IDENTITY "
                              "(START WITH 5000000000) PRIMARY KEY, name VARCHAR(20))"}
                : QStringList{"CREATE TABLE kunden (id INTEGER PRIMARY KEY, name VARCHAR(20))",
                              "INSERT INTO kunden VALUES (4999999999, 'Meier')"});
    open("kunden", true);
    ASSERT_TRUE(records.WriteRecord("<RECORDSET name=\"Neu\" />")) << said();
    EXPECT_EQ(records.GetLastUpdateKey(), Q_INT64_C(5000000000));
}

// Where the current record stands ("Datensatz n von m"): the number comes
// from the keys read so far (counted back from the count at the end of the
// keyset), the count from the engine until every key is read, and neither
// ever reads the whole keyset by itself. There are more rows than one end of
// the keyset holds, so that the keys are not all read at once.
class RecordPositionTest : public RecordManagerTest
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
        db.exec({"CREATE TABLE kunden (id INT NOT NULL PRIMARY KEY, name VARCHAR(20) NOT NULL, "
                 "gerade INT)",
                 "INSERT INTO kunden VALUES " + rows.join(',')});
        open("kunden", false, true, "name");
    }

    static constexpr int kRows = 3000;
};

TEST_P(RecordPositionTest, NumberAndCountWithoutReadingEveryKey)
{
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

class ConcurrentUsersTest : public RecordManagerTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec("CREATE TABLE kunden (id INT NOT NULL PRIMARY KEY, name VARCHAR(40) NOT NULL, "
                "betrag DOUBLE PRECISION CHECK (betrag >= 0))");
    }
};

TEST_P(ConcurrentUsersTest, ProgramsStartingOnAFreshDatabaseAtOnceAllFindTheFilterTables)
{
    // Several rounds: the race is lost by one program in most of them when
    // the creation is not safe.
    for (int round = 0; round < 3; ++round) {
        TestDatabase fresh(GetParam());
        fresh.exec("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40))");
        for (const auto &child :
             ChildProcess::run("createFilterTables", databaseArguments(fresh), 4))
            EXPECT_EQ(child.exitCode, 0) << "round " << round << ": " << child.output.toStdString();
        EXPECT_EQ(fresh.scalar("SELECT COUNT(*) FROM QRTFILTER"), "0");
        EXPECT_EQ(fresh.scalar("SELECT COUNT(*) FROM QRTFILTERITEM"), "0");
    }
}

TEST_P(ConcurrentUsersTest, ARefusedNewRecordTakesAFreshKeyWhenItIsSavedAgain)
{
    open("kunden", true, true);
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
    open("kunden", true, true);
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
    open("kunden", false, true);
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

// A fixed column (a subform's link) shows the records that hold its value,
// whatever the value says: it is a value, never SQL.
TEST_P(RecordManagerTest, AFixedColumnShowsTheRecordsThatHoldItsValueAndNoOthers)
{
    db.exec({"CREATE TABLE notizen (id INT PRIMARY KEY, kunde VARCHAR(20), nummer INT)",
             "INSERT INTO notizen VALUES (1, 'O''Brien', 7), (2, 'x', 8)"});
    const struct
    {
        const char *column;
        const char *value;
        qint64 count;
    } cases[] = {
        {"kunde", "O'Brien", 1}, {"kunde", "x' OR '1'='1", 0},
        {"nummer", "8", 1},      {"nummer", "8 OR 1=1", 0},
        {"nummer", "", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        CAdoDataMgr fixed;
        fixed.Open(Subform::documentFor(documentFor(databaseArguments(db), "notizen"),
                                        {QStringLiteral("notizen"), QString::fromLatin1(c.column),
                                         QStringLiteral("id")},
                                        QString::fromUtf8(c.value)),
                   false);
        EXPECT_EQ(fixed.GetPosition(true).count, c.count);
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM notizen"), "2");
}

QRT_INSTANTIATE_FOR_ENGINES(RecordManagerTest);
QRT_INSTANTIATE_FOR_ENGINES(RecordPositionTest);
QRT_INSTANTIATE_FOR_ENGINES(ConcurrentUsersTest);

} // namespace
