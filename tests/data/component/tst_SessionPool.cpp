#include "data/component/Connection.h"
#include "data/component/ConnectionString.h"
#include "data/component/Recordset.h"
#include "data/component/SessionPool.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <QTest>

#include <gtest/gtest.h>

// A session nobody holds any more serves the next connection with the same
// login, unless the server ended it meanwhile, it was left inside a
// transaction, or its time is up.
namespace {

using namespace std::chrono_literals;

QString text(Connection &connection, const QString &sql)
{
    return connection.Execute(sql).Fields().Item(0).Value().toString();
}

qint64 pidOf(Connection &connection)
{
    return text(connection, "SELECT pg_backend_pid()").toLongLong();
}

class SessionPoolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        SessionPool::closeAll();
        db.exec("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40))");
    }
    void TearDown() override
    {
        SessionPool::setKeepTime(10s);
        SessionPool::closeAll();
    }

    // The server process of a connection opened with the test's string and
    // more, which goes again at once (and so is kept, when it can be).
    qint64 openAndDrop(const QString &more = QString())
    {
        Connection connection;
        connection.Open(db.connectionString() + more);
        return pidOf(connection);
    }

    TestDatabase db{DatabaseKind::PostgreSql};
};

TEST_F(SessionPoolTest, TheNextConnectionWithTheSameLoginTakesTheSessionOver)
{
    const qint64 first = openAndDrop();
    EXPECT_EQ(SessionPool::size(), 1);
    EXPECT_EQ(db.sessionsSettlingAt(1), 1);

    // A different command timeout is the new owner's, on the same session.
    Connection again;
    again.Open(db.connectionString() + ";Command Timeout=7");
    EXPECT_EQ(pidOf(again), first);
    EXPECT_EQ(SessionPool::size(), 0);
    EXPECT_EQ(text(again, "SHOW statement_timeout"), "7s");

    // Held by another owner, it is not handed out twice.
    Connection other;
    other.Open(db.connectionString());
    EXPECT_NE(pidOf(other), first);

    // A different login (here: another application name) never shares one.
    const qint64 named = openAndDrop(";Application Name=x");
    EXPECT_NE(named, first);
    EXPECT_NE(openAndDrop(), named);

    // Closed on purpose, it is closed.
    SessionPool::closeAll();
    again.Close();
    EXPECT_EQ(SessionPool::size(), 0);
}

TEST_F(SessionPoolTest, AKeptSessionNeverServesAnotherUserPasswordOrDatabase)
{
    // Each login on the same server gets a session of its own, never one
    // kept for an earlier login, and is who and where it asked to be.
    TestDatabase other{DatabaseKind::PostgreSql};
    const QString role = db.dbName() + "_anna";
    db.exec("CREATE ROLE " + role + " LOGIN");
    const struct
    {
        QString user, password, database;
    } logins[] = {{db.userId(), {}, db.dbName()},
                  {role, {}, db.dbName()},
                  {db.userId(), "geheim", db.dbName()},
                  {db.userId(), {}, other.dbName()}};
    QSet<qint64> sessions;
    for (const auto &login : logins) {
        SCOPED_TRACE((login.user + '/' + login.password + '@' + login.database).toStdString());
        Connection connection;
        connection.Open(ConnectionString::build(DatabaseKind::PostgreSql, login.database,
                                                db.serverName(), login.user, login.password));
        const qint64 pid = pidOf(connection);
        EXPECT_FALSE(sessions.contains(pid)) << "a session kept for another login";
        sessions << pid;
        EXPECT_EQ(text(connection, "SELECT current_user || '@' || current_database()"),
                  login.user + '@' + login.database);
    }
    SessionPool::closeAll();
    db.sessionsSettlingAt(0);
    db.exec("DROP ROLE " + role);
}

// What a session learnt of a table while it served one owner is not the
// next owner's: the table may have changed meanwhile (here a money column
// came, whose comparisons take the operand as money).
TEST_F(SessionPoolTest, ATakenSessionKnowsTheTablesAsTheyAreNow)
{
    const auto operandFor = [this](const QString &column) {
        Connection connection;
        connection.Open(db.connectionString());
        QString sql = column, operand = "12";
        connection.adaptComparison("kunden", column, &sql, &operand);
        return operand;
    };
    EXPECT_EQ(operandFor("name"), "12");
    ASSERT_EQ(SessionPool::size(), 1);
    db.exec("ALTER TABLE kunden ADD COLUMN preis MONEY");
    EXPECT_EQ(operandFor("preis"), "(12)::money");
}

TEST_F(SessionPoolTest, OnlyASessionThatCanServeAsANewOneIsKept)
{
    // Left inside a transaction: closed, and what it wrote is gone with it.
    {
        Connection connection;
        connection.Open(db.connectionString());
        connection.BeginTrans();
        connection.Execute("INSERT INTO kunden VALUES (1, 'Anna')");
    }
    EXPECT_EQ(SessionPool::size(), 0);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "0");

    // Ended by the server while kept: the next connection gets a new one,
    // without a word about the old one.
    const qint64 ended = openAndDrop();
    ASSERT_EQ(SessionPool::size(), 1);
    db.scalar(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(ended));
    QTest::qWait(100); // the server's word has to arrive on the socket
    Connection connection;
    connection.Open(db.connectionString());
    EXPECT_NE(pidOf(connection), ended);
    EXPECT_EQ(text(connection, "SELECT COUNT(*) FROM kunden"), "0");

    // A SQLite file opens in no time: nothing to keep.
    TestDatabase file{DatabaseKind::Sqlite};
    {
        Connection local;
        local.Open(file.connectionString());
        local.Execute("SELECT 1");
    }
    EXPECT_EQ(SessionPool::size(), 0);
}

TEST_F(SessionPoolTest, AKeptSessionEndsWhenItsTimeIsUpAndAtMostFourAreKept)
{
    {
        Connection held[6];
        for (Connection &connection : held)
            connection.Open(db.connectionString());
    }
    EXPECT_EQ(SessionPool::size(), 4);
    EXPECT_EQ(db.sessionsSettlingAt(4), 4) << "the two beyond four were closed";

    SessionPool::setKeepTime(50ms);
    openAndDrop();
    EXPECT_EQ(SessionPool::size(), 4);
    QTest::qWait(200);
    EXPECT_EQ(SessionPool::size(), 3) << "the one kept for 50 ms is gone, the others keep theirs";
    SessionPool::setKeepTime(0ms);
    EXPECT_EQ(SessionPool::size(), 0);
    EXPECT_EQ(db.sessionsSettlingAt(0), 0);
    openAndDrop();
    EXPECT_EQ(SessionPool::size(), 0) << "a keep time of zero keeps none";
}

} // namespace
