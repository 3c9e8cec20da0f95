// A PostgreSQL server that goes away under an open form: shut down by its
// administrator, crashed, or frozen so that it answers nothing. The user
// saves, moves and saves a layout meanwhile; each time the form answers
// within the timeouts with one message, keeps what the user entered, and
// leaves the stored data as it was. Once the server is back the next try
// connects anew and does what the failed one would have done.
//
// The program starts a server of its own for this: the shared one of the
// other test programs must never go down under them.

#include "runtime/FormDialogTestSupport.h"

#include "data/component/ConnectionString.h"
#include "runtime/RecordExport.h"
#include "support/CuttingPgProxy.h"
#include "support/PgServer.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUndoStack>

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

using namespace CommandTable;
using Answer = UserMessages::Answer;

namespace {

// Short enough that a server which answers nothing costs the test seconds.
constexpr int kConnectTimeout = 2;
constexpr int kCommandTimeout = 1;
// Generous: only an endless (or a far too long) wait fails the test, not a
// slow machine.
constexpr qint64 kLongestAcceptableWaitMs = 3 * 1000 * qMax(kConnectTimeout, kCommandTimeout);

enum class Fate { Halt, Kill, Pause };
const char *const kFateNames[] = {"Schnelles Herunterfahren", "Absturz (SIGKILL)",
                                  "Keine Antwort (SIGSTOP)"};

class ServerOutageTest : public FormDialogTest
{
protected:
    // The program's own throw-away server; TestDatabase finds it through
    // QRT_PG_DIR like the shared one.
    static void SetUpTestSuite()
    {
        ConnectionParams::setDefaultTimeouts(kConnectTimeout, kCommandTimeout);
        s_dir = std::make_unique<QTemporaryDir>();
        s_server = std::make_unique<PgServer>(s_dir->filePath(QStringLiteral("state")));
        if (s_server->isRunning())
            qputenv("QRT_PG_DIR", s_server->stateFolder().toLocal8Bit());
        else if (s_server->binariesFound())
            ADD_FAILURE() << "pg-server.sh start: " << s_server->error().toStdString();
    }
    static void TearDownTestSuite()
    {
        s_server.reset();
        s_dir.reset();
        ConnectionParams::setDefaultTimeouts(15, 30);
    }

    void SetUp() override
    {
        if (!s_server->isRunning()) {
            if (TestDatabase::isCi())
                FAIL() << "the test's own PostgreSQL server did not start";
            GTEST_SKIP() << "no PostgreSQL server binaries";
        }
        FormDialogTest::SetUp();
    }
    void TearDown() override
    {
        // A failed expectation may leave the server down; the form and the
        // test database go only with the server back.
        if (m_down)
            recover();
        FormDialogTest::TearDown();
    }

    void befall(Fate fate)
    {
        m_fate = fate;
        m_down = true;
        ASSERT_TRUE(fate == Fate::Halt   ? s_server->halt()
                    : fate == Fate::Kill ? s_server->kill()
                                         : s_server->pause())
            << "pg-server.sh: " << s_server->error().toStdString();
    }
    void recover()
    {
        m_down = false;
        ASSERT_TRUE(m_fate == Fate::Pause ? s_server->resume() : s_server->restart())
            << "pg-server.sh: " << s_server->error().toStdString();
        ASSERT_TRUE(db.reopen());
    }

    // Presses the key (or runs the step) as the user does, and fails the
    // test if the form kept the user waiting too long.
    template <typename Step> static void promptly(Step step)
    {
        QElapsedTimer clock;
        clock.start();
        step();
        EXPECT_LT(clock.elapsed(), kLongestAcceptableWaitMs);
    }

    // What the user was told (not asked); each of it an error.
    QStringList errors() const
    {
        QStringList texts;
        for (const auto &message : messages.messages()) {
            if (message.kind == RecordingMessages::Kind::Information) {
                texts << message.text;
                EXPECT_EQ(message.severity, UserMessages::Severity::Error);
            }
        }
        return texts;
    }
    // Exactly one error message, and it names the lost connection.
    void expectOneConnectionMessage() const
    {
        const QStringList told = errors();
        ASSERT_EQ(told.size(), 1) << told.join("\n---\n").toStdString();
        EXPECT_TRUE(told.first().startsWith("Die Verbindung zur Datenbank wurde unterbrochen.\r\n"))
            << told.first().toStdString();
    }

    QList<QStringList> storedCustomers() const
    {
        return db.rows(QStringLiteral("SELECT * FROM kunden ORDER BY id"));
    }
    // The stored definition of the form: its own row, then its controls in
    // their order, then the number of items of no form (the remains of a
    // half-made save).
    QStringList storedLayout() const
    {
        QStringList layout;
        for (const QStringList &row :
             db.rows(QStringLiteral("SELECT FORM_LEFT, FORM_TOP, FORM_RIGHT, FORM_BOTTOM, "
                                    "RASTER_X, RASTER_Y, SHOW_RASTER, FORM_TITEL FROM QRTFORM "
                                    "WHERE NAME = 'kunden' ORDER BY QRTFORM_ID")))
            layout << row.join(QLatin1Char('|'));
        for (const QStringList &row :
             db.rows(QStringLiteral("SELECT i.CONTROLINFO FROM QRTFORMITEM i JOIN QRTFORM f ON "
                                    "f.QRTFORM_ID = i.QRTFORM_ID WHERE f.NAME = 'kunden' ORDER "
                                    "BY i.QRTFORMITEM_ID")))
            layout << row.first();
        layout << db.scalar(QStringLiteral("SELECT COUNT(*) FROM QRTFORMITEM WHERE QRTFORM_ID NOT "
                                           "IN (SELECT QRTFORM_ID FROM QRTFORM)"));
        return layout;
    }
    // The controls as the editor has them, as they are stored.
    QStringList editedControls() const
    {
        QStringList controls;
        for (const CDynControl *control : form()->controls())
            controls << control->GetControlInfo();
        return controls;
    }
    // Opens the form's layout and changes every control: all moved three
    // points right, one taller. The controls as edited.
    QStringList changeTheLayout()
    {
        open(CustomerForm::document(db, true));
        if (!form()) {
            ADD_FAILURE() << "no form in design mode";
            return {};
        }
        press(Qt::Key_A, Qt::ControlModifier);
        for (int i = 0; i < 3; ++i)
            press(Qt::Key_Right);
        press(Qt::Key_Down, Qt::ShiftModifier);
        const QStringList edited = editedControls();
        EXPECT_NE(storedLayout().mid(1, edited.size()), edited) << "the test wants a change";
        return edited;
    }
    // With the server back, the old layout is still stored whole, and the
    // next save stores the edited one whole.
    void expectTheNextSaveStores(const QStringList &old, const QStringList &edited)
    {
        EXPECT_EQ(storedLayout(), old);
        messages.clear();
        choose(IdDateiSpeichern);
        EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
        const QStringList saved = storedLayout();
        ASSERT_EQ(saved.size(), edited.size() + 2) << "one form row, its controls, no strays";
        EXPECT_EQ(saved.mid(1, edited.size()), edited);
        EXPECT_EQ(saved.last(), "0");
    }

    // The Kunden form through proxy; with formComputesKeys the form gives a
    // new record its key, otherwise the engine does.
    QString documentThrough(const CuttingPgProxy &proxy, bool formComputesKeys = false) const
    {
        CKeloForm host;
        host.Init(db.dbName(), proxy.address(), db.userId(), QString(), CustomerForm::Table,
                  ns_qrttypen::KELO_POSTGRESQL);
        if (formComputesKeys)
            host.RemoveColumn(QStringLiteral("id"), true);
        return host.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(),
                                   QStringLiteral("id"));
    }

    void throughTheRecords(Fate fate);
    void throughTheLayout(Fate fate);

    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline std::unique_ptr<PgServer> s_server;
    Fate m_fate = Fate::Halt;
    bool m_down = false;
};

// What the user does while the server is away: save the edited record, move
// to the next one (which offers to save it first), move to the last one.
const struct Action
{
    const char *name;
    QKeyCombination key;
    bool edits;      // with entries of the user's
    bool asksToSave; // the form offers to save them first
} kActions[] = {
    {"Speichern", Qt::ControlModifier | Qt::Key_S, true, false},
    {"Nächster", QKeyCombination(Qt::Key_PageDown), true, true},
    {"Letzter", Qt::ControlModifier | Qt::Key_PageDown, false, false},
};

void ServerOutageTest::throughTheRecords(Fate fate)
{
    openData();
    for (const Action &action : kActions) {
        SCOPED_TRACE(action.name);
        press(Qt::Key_PageUp, Qt::ControlModifier);
        ASSERT_EQ(shown("name"), CustomerForm::nameOf(1));
        const QList<QStringList> before = storedCustomers();
        // Typed by keys, which QTest knows for ASCII only.
        const QString place =
            QStringLiteral("Ort %1").arg(int(fate) * 10 + int(&action - kActions));
        const QString note = QStringLiteral("Noch nicht gespeichert %1").arg(place);
        if (action.edits) {
            // The note last would keep the page keys for itself.
            retype("notiz", note);
            retype("ort", place);
        }
        const auto pressTheKey = [&] {
            messages.clear();
            if (action.asksToSave)
                messages.answer(Answer::Yes);
            promptly([&] { press(action.key.key(), action.key.keyboardModifiers()); });
        };

        befall(fate);
        // Once right after the server went, once more while it is still away.
        for (int attempt = 1; attempt <= 2; ++attempt) {
            SCOPED_TRACE(attempt);
            pressTheKey();
            expectOneConnectionMessage();
            if (action.asksToSave) {
                EXPECT_EQ(messages.questions(), QStringList("Den aktuellen Datensatz speichern?"));
            }
            EXPECT_EQ(shown("name"), CustomerForm::nameOf(1)) << "still on the record";
            EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 5");
            if (action.edits) {
                EXPECT_EQ(shown("ort"), place);
                EXPECT_EQ(shown("notiz"), note);
                EXPECT_TRUE(control("ort")->IsModified());
                EXPECT_TRUE(control("notiz")->IsModified());
            } else {
                EXPECT_FALSE(form()->isAnyControlModified());
            }
        }
        recover();
        EXPECT_EQ(storedCustomers(), before);

        // Back: the same key stores the entries, and moves.
        pressTheKey();
        EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
        if (action.edits) {
            EXPECT_EQ(stored("ort", 1), place);
            EXPECT_EQ(stored("notiz", 1), note);
        }
        EXPECT_FALSE(form()->isAnyControlModified());
        if (action.key.key() == Qt::Key_PageDown) {
            EXPECT_EQ(shown("name"), CustomerForm::nameOf(action.asksToSave ? 2 : 5));
        }
    }
}

void ServerOutageTest::throughTheLayout(Fate fate)
{
    const QStringList old = storedLayout();
    const QStringList edited = changeTheLayout();
    ASSERT_FALSE(edited.isEmpty());
    const int steps = form()->undoStack()->count();

    befall(fate);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        messages.clear();
        promptly([this] { choose(IdDateiSpeichern); });
        expectOneConnectionMessage();
        EXPECT_EQ(editedControls(), edited);
        EXPECT_EQ(form()->undoStack()->count(), steps);
    }
    recover();
    expectTheNextSaveStores(old, edited);
}

TEST_P(ServerOutageTest, AShutdownACrashAndAServerThatStopsAnswering)
{
    for (const Fate fate : {Fate::Halt, Fate::Kill, Fate::Pause}) {
        SCOPED_TRACE(kFateNames[int(fate)]);
        throughTheRecords(fate);
        dialog.reset();
        throughTheLayout(fate);
        dialog.reset();
    }
}

// A plain connection of another program to the test database, in the
// calling thread; removed again by name.
QSqlDatabase otherProgram(const TestDatabase &db, const QString &name)
{
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    other.setHostName(db.serverName().section(QLatin1Char(':'), 0, 0));
    other.setPort(db.serverName().section(QLatin1Char(':'), 1).toInt());
    other.setUserName(db.userId());
    other.setDatabaseName(db.dbName());
    return other;
}

// The statement a session of the database is waiting in for a lock, once
// one is (empty after 20 seconds without).
QString statementWaitingForALock(const TestDatabase &db)
{
    QString statement;
    {
        QSqlDatabase watch = otherProgram(db, QStringLiteral("lock-watch"));
        const bool open = watch.open();
        QSqlQuery query(watch);
        QElapsedTimer clock;
        clock.start();
        while (open && statement.isEmpty() && clock.elapsed() < 20000) {
            if (query.exec(QStringLiteral("SELECT query FROM pg_stat_activity WHERE datname = "
                                          "current_database() AND wait_event_type = 'Lock'")) &&
                query.next())
                statement = query.value(0).toString();
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lock-watch"));
    return statement;
}

// Signals are sent straight away, not through the script: under load,
// starting it may take longer than the server's own statement timeout,
// which would end the statement first.
TEST_P(ServerOutageTest, TheServerGoesInTheMiddleOfALayoutSave)
{
    for (const Fate fate : {Fate::Kill, Fate::Pause}) {
        SCOPED_TRACE(kFateNames[int(fate)]);
        const QStringList old = storedLayout();
        const QStringList edited = changeTheLayout();

        // Another program reads the form table in a transaction of its own:
        // the save deletes the old controls, then waits to delete the form's
        // row, and there the server goes.
        const QString other = QStringLiteral("other-program");
        {
            QSqlDatabase reader = otherProgram(db, other);
            ASSERT_TRUE(reader.open()) << reader.lastError().text().toStdString();
            ASSERT_TRUE(reader.transaction());
            ASSERT_TRUE(QSqlQuery(reader).exec(QStringLiteral("LOCK TABLE qrtform IN SHARE MODE")));
        }
        QString waitingIn;
        std::atomic<bool> befallen{false};
        std::thread server([&] {
            waitingIn = statementWaitingForALock(db);
            if (!waitingIn.isEmpty())
                befallen = s_server->signalAtOnce(fate == Fate::Pause ? SIGSTOP : SIGKILL);
        });
        messages.clear();
        promptly([this] { choose(IdDateiSpeichern); });
        server.join();
        m_fate = fate;
        m_down = befallen;
        EXPECT_TRUE(waitingIn.startsWith("DELETE FROM QRTFORM ")) << waitingIn.toStdString();
        ASSERT_TRUE(befallen) << s_server->error().toStdString();
        expectOneConnectionMessage();
        EXPECT_EQ(editedControls(), edited);

        recover();
        {
            // A paused server goes on where it stood: the save's session
            // then finds its client gone and ends without a commit.
            QSqlDatabase reader = QSqlDatabase::database(other, false);
            reader.rollback();
            reader.close();
        }
        QSqlDatabase::removeDatabase(other);
        expectTheNextSaveStores(old, edited);
        dialog.reset();
    }
}

// A primary with a hot standby; the form knows both and wants the one that
// takes changes. The primary dies while the user edits; the next save is
// told the connection is gone and keeps the entries; once the standby is
// promoted, the same key stores them there, once.
TEST_P(ServerOutageTest, AFailoverToThePromotedStandbyKeepsTheEntriesAndStoresThemOnce)
{
    PgServer standby(s_dir->filePath(QStringLiteral("standby")), *s_server);
    ASSERT_TRUE(standby.isRunning()) << standby.error().toStdString();
    CKeloForm host;
    host.Init(db.dbName(),
              s_server->server() + "," + standby.server() + " target_session_attrs=read-write",
              db.userId(), QString(), CustomerForm::Table, ns_qrttypen::KELO_POSTGRESQL);
    host.RemoveColumn(QStringLiteral("id"), true);
    open(host.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(), QStringLiteral("id")));
    ASSERT_EQ(shown("name"), CustomerForm::nameOf(1));
    retype("ort", "Nach dem Wechsel");

    befall(Fate::Kill);
    messages.clear();
    promptly([this] { press(Qt::Key_S, Qt::ControlModifier); });
    expectOneConnectionMessage();
    EXPECT_EQ(shown("ort"), "Nach dem Wechsel");

    ASSERT_TRUE(standby.promote()) << standby.error().toStdString();
    messages.clear();
    promptly([this] { press(Qt::Key_S, Qt::ControlModifier); });
    EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
    EXPECT_FALSE(form()->isAnyControlModified());
    dialog.reset(); // its sessions are on the standby, which goes with the test
    {
        QSqlDatabase promoted = QSqlDatabase::addDatabase("QPSQL", "promoted");
        promoted.setHostName("127.0.0.1");
        promoted.setPort(standby.port().toInt());
        promoted.setUserName("postgres");
        promoted.setDatabaseName(db.dbName());
        ASSERT_TRUE(promoted.open()) << promoted.lastError().text().toStdString();
        QSqlQuery rows(promoted);
        ASSERT_TRUE(
            rows.exec("SELECT ort, (SELECT COUNT(*) FROM kunden) FROM kunden WHERE id = 1"));
        ASSERT_TRUE(rows.next());
        EXPECT_EQ(rows.value(0).toString(), "Nach dem Wechsel");
        EXPECT_EQ(rows.value(1).toInt(), 5) << "no second row";
    }
    QSqlDatabase::removeDatabase("promoted");
    recover();
}

// The server stores a save, and its answer is lost with the connection:
// whether the save went through is in doubt. The form says so, keeps the
// entries, and the next save looks before it writes: a changed record and a
// new one are each stored once, with what the user changed since.
TEST_P(ServerOutageTest, ASaveWhoseAnswerIsLostIsStoredOnce)
{
    CuttingPgProxy proxy(s_server->port().toUShort());
    ASSERT_TRUE(proxy.isListening());
    const auto saveCut = [&](const QByteArray &statement) {
        proxy.cutAnswerTo({statement});
        messages.clear();
        promptly([this] { press(Qt::Key_S, Qt::ControlModifier); });
        EXPECT_TRUE(proxy.hasCut());
        expectOneConnectionMessage();
        EXPECT_TRUE(errors().value(0).contains("ob es noch gespeichert wurde, ist ungewiss"))
            << errors().value(0).toStdString();
    };
    const auto saveAgain = [&] {
        messages.clear();
        promptly([this] { press(Qt::Key_S, Qt::ControlModifier); });
        EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
        EXPECT_FALSE(form()->isAnyControlModified());
    };

    // A changed record: stored, and not written a second time.
    open(documentThrough(proxy, true));
    retype("ort", "Ungewiss");
    saveCut("COMMIT");
    EXPECT_EQ(shown("ort"), "Ungewiss");
    EXPECT_EQ(stored("ort", 1), "Ungewiss") << "the server did commit";
    const QString version = db.scalar("SELECT xmin FROM kunden WHERE id = 1");
    saveAgain();
    EXPECT_EQ(db.scalar("SELECT xmin FROM kunden WHERE id = 1"), version) << "written again";
    dialog.reset();

    // New records, with the key the form computes (written in one
    // statement) and with one the engine fills in (in a transaction); the
    // user changes a field while the save is in doubt.
    db.exec(QStringList{
        "ALTER TABLE kunden ALTER id ADD GENERATED BY DEFAULT AS IDENTITY (START 100)"});
    CKeloForm::RemoveTabFromMap(CustomerForm::Table); // as the host says after a change
    const struct
    {
        const char *name;
        bool formComputesKeys;
        QByteArray lostAnswer;
    } kNewRecords[] = {{"Kundin A", true, "INSERT INTO"}, {"Kundin B", false, "COMMIT"}};
    int rows = 5;
    for (const auto &record : kNewRecords) {
        SCOPED_TRACE(record.name);
        open(documentThrough(proxy, record.formComputesKeys), true);
        retype("name", record.name);
        retype("ort", "Zuerst");
        saveCut(record.lostAnswer);
        EXPECT_EQ(shown("name"), record.name);
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), QString::number(++rows))
            << "the server did store it";
        retype("ort", "Danach");
        saveAgain();
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), QString::number(rows))
            << "no second row";
        EXPECT_EQ(
            db.scalar(QStringLiteral("SELECT ort FROM kunden WHERE name = '%1'").arg(record.name)),
            "Danach");
        dialog.reset();
    }
}

// A delete the server did whose answer is lost: the second try finds the
// record gone and says nothing of another user (the form then stands on
// another record: where the deleted one stood is not known any more). And
// one whose move to the next record loses the connection: the deleted
// record is no record to the form any more, and the next move goes on from
// where it was.
TEST_P(ServerOutageTest, ADeleteWhoseAnswerIsLostIsDoneOnce)
{
    CuttingPgProxy proxy(s_server->port().toUShort());
    ASSERT_TRUE(proxy.isListening());
    open(documentThrough(proxy));
    const auto remove = [&] {
        messages.clear();
        messages.answer(Answer::Yes);
        promptly([this] { choose(IdRecordDelete); });
    };

    proxy.cutAnswerTo({"DELETE FROM"});
    remove();
    EXPECT_TRUE(proxy.hasCut());
    expectOneConnectionMessage();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "4") << "the server did delete";
    remove();
    EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "4");
    EXPECT_NE(shown("name"), CustomerForm::nameOf(1));

    press(Qt::Key_PageUp, Qt::ControlModifier);
    ASSERT_EQ(shown("name"), CustomerForm::nameOf(2));

    proxy.cutAnswerTo({"DELETE FROM", "SELECT"});
    remove();
    EXPECT_TRUE(proxy.hasCut());
    expectOneConnectionMessage();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "3");
    EXPECT_EQ(records()->GetCurrentKey(), -1);
    messages.clear();
    press(Qt::Key_PageDown);
    EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(3));
}

// The connection breaks while the records are opened anew for another
// filter or order: the user hears of it, and the form goes on with the
// records it had (it had none left before).
TEST_P(ServerOutageTest, RecordsThatCannotBeOpenedAnewStayAsTheyWere)
{
    CuttingPgProxy proxy(s_server->port().toUShort());
    ASSERT_TRUE(proxy.isListening());
    open(documentThrough(proxy));
    press(Qt::Key_PageDown);
    ASSERT_EQ(shown("name"), CustomerForm::nameOf(2));
    const std::function<void()> reopenings[] = {
        [this] { dialog->GetFormHost()->ChangeFilter(QStringLiteral("id > 1")); },
        [this] {
            QTest::mouseClick(field("ort"), Qt::LeftButton);
            press(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        },
    };
    for (const auto &reopen : reopenings) {
        proxy.cutAnswerTo({"SELECT"});
        messages.clear();
        promptly(reopen);
        EXPECT_TRUE(proxy.hasCut());
        expectOneConnectionMessage();
        messages.clear();
        press(Qt::Key_PageDown);
        EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
        EXPECT_EQ(shown("name"), CustomerForm::nameOf(3));
        press(Qt::Key_PageUp);
    }
}

// The server goes while every record is read for a file: the user is told
// that the records could not be read, no file is left, and the next export
// reads them all again.
TEST_P(ServerOutageTest, AnExportWhoseServerGoesLeavesNoFile)
{
    // More records than the reader reads ahead of the export.
    db.exec(QStringLiteral("INSERT INTO kunden (id, name) SELECT g, 'Kunde ' || g FROM "
                           "generate_series(6, 20000) AS g"));
    openData();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("kunden.csv"));
    for (const Fate fate : {Fate::Halt, Fate::Kill, Fate::Pause}) {
        SCOPED_TRACE(kFateNames[int(fate)]);
        QString error;
        RecordExport::Result result = RecordExport::Result::Written;
        promptly([&] {
            result = RecordExport::toCsv(
                *manager(), path, RecordExport::Format::Program,
                [&](qint64, qint64) {
                    if (!m_down)
                        befall(fate);
                    return true;
                },
                &error);
        });
        EXPECT_EQ(result, RecordExport::Result::Failed);
        EXPECT_TRUE(
            error.startsWith(QStringLiteral("Die Datensätze konnten nicht gelesen werden: ")))
            << error.toStdString();
        EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty()) << "no part of a file";
        recover();
    }
    EXPECT_EQ(RecordExport::toCsv(*manager(), path, RecordExport::Format::Program),
              RecordExport::Result::Written);
}

INSTANTIATE_TEST_SUITE_P(Engines, ServerOutageTest, ::testing::Values(DatabaseKind::PostgreSql),
                         [](const auto &info) { return engineName(info.param); });

} // namespace
