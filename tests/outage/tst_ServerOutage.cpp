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
#include "support/PgServer.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUndoStack>

#include <atomic>
#include <csignal>
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

const char *nameOf(Fate fate)
{
    const char *names[] = {"Schnelles Herunterfahren", "Absturz (SIGKILL)",
                           "Keine Antwort (SIGSTOP)"};
    return names[int(fate)];
}

// The program's own throw-away server; TestDatabase finds it through
// QRT_PG_DIR like the shared one. A failing script fails the test with
// what it said.
class OwnServer
{
public:
    OwnServer() : m_server(m_dir.filePath(QStringLiteral("state")))
    {
        if (m_server.isRunning())
            qputenv("QRT_PG_DIR", m_server.stateFolder().toLocal8Bit());
        else if (m_server.binariesFound())
            ADD_FAILURE() << "pg-server.sh start: " << m_server.error().toStdString();
    }

    bool isRunning() const { return m_server.isRunning(); }
    bool befall(Fate fate)
    {
        return reported(fate == Fate::Halt   ? m_server.halt()
                        : fate == Fate::Kill ? m_server.kill()
                                             : m_server.pause());
    }
    // The same for a server in the middle of a statement, by signals sent
    // straight away: under load, starting the script may take longer than
    // the server's own statement timeout, which would end the statement
    // first. Pause or kill only.
    bool befallAtOnce(Fate fate)
    {
        return reported(m_server.signalAtOnce(fate == Fate::Pause ? SIGSTOP : SIGKILL));
    }
    bool recover(Fate fate)
    {
        return reported(fate == Fate::Pause ? m_server.resume() : m_server.restart());
    }

private:
    bool reported(bool done) const
    {
        if (!done)
            ADD_FAILURE() << "pg-server.sh: " << m_server.error().toStdString();
        return done;
    }

    QTemporaryDir m_dir;
    PgServer m_server;
};

class ServerOutageTest : public FormDialogTest
{
protected:
    static void SetUpTestSuite()
    {
        ConnectionParams::setDefaultTimeouts(kConnectTimeout, kCommandTimeout);
        s_server = std::make_unique<OwnServer>();
    }
    static void TearDownTestSuite()
    {
        s_server.reset();
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
        ASSERT_TRUE(s_server->befall(fate));
    }
    void recover()
    {
        m_down = false;
        ASSERT_TRUE(s_server->recover(m_fate));
        ASSERT_TRUE(db.reopen());
    }

    // Runs a step of the user's and returns how long the form kept the
    // user waiting.
    template <typename Step> static qint64 timed(Step step)
    {
        QElapsedTimer clock;
        clock.start();
        step();
        return clock.elapsed();
    }

    // What the user was told (not asked).
    QStringList errors() const
    {
        QStringList texts;
        for (const auto &message : messages.messages()) {
            if (message.kind == RecordingMessages::Kind::Information)
                texts << message.text;
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
        for (const auto &message : messages.messages()) {
            if (message.kind == RecordingMessages::Kind::Information) {
                EXPECT_EQ(message.severity, UserMessages::Severity::Error);
            }
        }
    }

    QList<QStringList> storedCustomers() const
    {
        return db.rows(QStringLiteral("SELECT * FROM kunden ORDER BY id"));
    }
    // The stored definition of the form: its own row, then its controls in
    // their order.
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
        // Items of no form would be the remains of a half-made save.
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
    // A change to every control: all moved three points right, one taller.
    void changeEveryControl()
    {
        press(Qt::Key_A, Qt::ControlModifier);
        for (int i = 0; i < 3; ++i)
            press(Qt::Key_Right);
        press(Qt::Key_Down, Qt::ShiftModifier);
    }

    void throughTheRecords(Fate fate);
    void throughTheLayout(Fate fate);

    static inline std::unique_ptr<OwnServer> s_server;
    Fate m_fate = Fate::Halt;
    bool m_down = false;
};

// What the user does while the server is away: save the edited record, move
// to the next one (which offers to save it first), move to the last one.
struct Action
{
    const char *name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool edits;      // with entries of the user's
    bool asksToSave; // the form offers to save them first
};

const Action kActions[] = {
    {"Speichern", Qt::Key_S, Qt::ControlModifier, true, false},
    {"Nächster", Qt::Key_PageDown, Qt::NoModifier, true, true},
    {"Letzter", Qt::Key_PageDown, Qt::ControlModifier, false, false},
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

        befall(fate);
        // Once right after the server went, once more while it is still away.
        for (int attempt = 1; attempt <= 2; ++attempt) {
            SCOPED_TRACE(attempt);
            messages.clear();
            if (action.asksToSave)
                messages.answer(Answer::Yes);
            const qint64 waited = timed([&] { press(action.key, action.modifiers); });
            EXPECT_LT(waited, kLongestAcceptableWaitMs);
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
        messages.clear();
        if (action.asksToSave)
            messages.answer(Answer::Yes);
        press(action.key, action.modifiers);
        EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
        if (action.edits) {
            EXPECT_EQ(stored("ort", 1), place);
            EXPECT_EQ(stored("notiz", 1), note);
        }
        EXPECT_FALSE(form()->isAnyControlModified());
        if (action.key == Qt::Key_PageDown) {
            EXPECT_EQ(shown("name"), CustomerForm::nameOf(action.modifiers ? 5 : 2));
        }
    }
}

void ServerOutageTest::throughTheLayout(Fate fate)
{
    open(CustomerForm::document(db, true));
    ASSERT_NE(form(), nullptr);
    const QStringList old = storedLayout();
    changeEveryControl();
    const QStringList edited = editedControls();
    ASSERT_NE(old.mid(1, edited.size()), edited) << "the test wants a changed layout";
    const int steps = form()->undoStack()->count();

    befall(fate);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        messages.clear();
        const qint64 waited = timed([this] { choose(IdDateiSpeichern); });
        EXPECT_LT(waited, kLongestAcceptableWaitMs);
        expectOneConnectionMessage();
        EXPECT_EQ(editedControls(), edited);
        EXPECT_EQ(form()->undoStack()->count(), steps);
    }
    recover();
    EXPECT_EQ(storedLayout(), old);

    messages.clear();
    choose(IdDateiSpeichern);
    EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
    const QStringList saved = storedLayout();
    ASSERT_EQ(saved.size(), edited.size() + 2) << "one form row, its controls, no strays";
    EXPECT_EQ(saved.mid(1, edited.size()), edited);
    EXPECT_EQ(saved.last(), "0");
}

TEST_P(ServerOutageTest, AShutdownACrashAndAServerThatStopsAnswering)
{
    for (const Fate fate : {Fate::Halt, Fate::Kill, Fate::Pause}) {
        SCOPED_TRACE(nameOf(fate));
        throughTheRecords(fate);
        dialog.reset();
        throughTheLayout(fate);
        dialog.reset();
    }
}

// A plain connection of a program of its own to the test database, in the
// calling thread; removed again by name.
QSqlDatabase otherProgram(const TestDatabase &db, const QString &name)
{
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    const QStringList server = db.serverName().split(QLatin1Char(':'));
    other.setHostName(server.value(0));
    other.setPort(server.value(1).toInt());
    other.setUserName(db.userId());
    other.setDatabaseName(db.dbName());
    return other;
}

// The statement a session of the database is waiting in for a lock, once
// one is (empty after 20 seconds without).
QString statementWaitingForALock(const TestDatabase &db)
{
    const QString name = QStringLiteral("lock-watch");
    QString statement;
    {
        QSqlDatabase watch = otherProgram(db, name);
        if (watch.open()) {
            QSqlQuery query(watch);
            QElapsedTimer clock;
            clock.start();
            while (statement.isEmpty() && clock.elapsed() < 20000) {
                if (query.exec(QStringLiteral("SELECT query FROM pg_stat_activity WHERE datname "
                                              "= current_database() AND wait_event_type = "
                                              "'Lock'")) &&
                    query.next())
                    statement = query.value(0).toString();
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        watch.close();
    }
    QSqlDatabase::removeDatabase(name);
    return statement;
}

TEST_P(ServerOutageTest, TheServerGoesInTheMiddleOfALayoutSave)
{
    for (const Fate fate : {Fate::Kill, Fate::Pause}) {
        SCOPED_TRACE(nameOf(fate));
        open(CustomerForm::document(db, true));
        ASSERT_NE(form(), nullptr);
        const QStringList old = storedLayout();
        changeEveryControl();
        const QStringList edited = editedControls();

        // Another program reads the form table in a transaction of its own:
        // the save deletes the old controls, then waits to delete the form's
        // row, and there the server goes.
        const QString other = QStringLiteral("other-program");
        {
            QSqlDatabase reader = otherProgram(db, other);
            ASSERT_TRUE(reader.open()) << reader.lastError().text().toStdString();
            ASSERT_TRUE(reader.transaction());
            QSqlQuery lock(reader);
            ASSERT_TRUE(lock.exec(QStringLiteral("LOCK TABLE qrtform IN SHARE MODE")))
                << lock.lastError().text().toStdString();
        }
        QString waitingIn;
        std::atomic<bool> befallen{false};
        std::thread server([&] {
            waitingIn = statementWaitingForALock(db);
            if (!waitingIn.isEmpty())
                befallen = s_server->befallAtOnce(fate);
        });
        messages.clear();
        const qint64 waited = timed([this] { choose(IdDateiSpeichern); });
        server.join();
        m_fate = fate;
        m_down = befallen;
        EXPECT_TRUE(waitingIn.startsWith("DELETE FROM QRTFORM ")) << waitingIn.toStdString();
        ASSERT_TRUE(befallen);
        EXPECT_LT(waited, kLongestAcceptableWaitMs);
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
        EXPECT_EQ(storedLayout(), old);

        messages.clear();
        choose(IdDateiSpeichern);
        EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
        EXPECT_EQ(storedLayout().mid(1, edited.size()), edited);
        dialog.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ServerOutageTest, ::testing::Values(DatabaseKind::PostgreSql),
                         [](const auto &info) { return engineName(info.param); });

} // namespace
