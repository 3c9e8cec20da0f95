#include "data/component/Connection.h"
#include "platform/ComError.h"
#include "support/RefusingPgServer.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// Opening a connection: what fails says why, with the engine's words and
// the code a host tells a refused login by.

TEST(Connection, FailuresNameTheirCause)
{
    Connection connection;
    try {
        connection.Open(QStringLiteral("Provider=SQLite;Data Source=/nirgends/da.sqlite"));
        ADD_FAILURE() << "missing file opened";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), E_FAIL);
        EXPECT_TRUE(error.description().contains(QStringLiteral("/nirgends/da.sqlite")));
    }
    EXPECT_EQ(connection.State(), adStateClosed);
    EXPECT_THROW(connection.Execute(QStringLiteral("SELECT 1")), ComError);

    try {
        connection.Open(QStringLiteral(
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=kunden.mdb;Persist Security Info=False"));
        ADD_FAILURE() << "Access opened without an Access driver";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), E_FAIL);
        EXPECT_TRUE(error.description().contains(QStringLiteral("Microsoft Access Driver")))
            << error.description().toStdString();
    }
}

TEST(Connection, WrongPostgresDatabaseFailsWithTheServersWords)
{
    TestDatabase db(DatabaseKind::PostgreSql);
    QRT_REQUIRE_DATABASE(db);
    Connection connection;
    try {
        connection.Open(
            QStringLiteral("Provider=PostgreSQL;Server=%1;Uid=postgres;Pwd=;Database=gibtsnicht")
                .arg(db.serverName()));
        ADD_FAILURE() << "unknown database opened";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), E_FAIL);
        EXPECT_TRUE(error.description().contains(QStringLiteral("gibtsnicht")))
            << error.description().toStdString();
    }
    connection.Open(db.connectionString());
    EXPECT_EQ(connection.State(), adStateOpen);
    EXPECT_EQ(connection.ConnectionString(), db.connectionString());
    EXPECT_THROW(connection.CommitTrans(), ComError); // none open

    // A rolled back transaction leaves nothing behind.
    connection.Execute(QStringLiteral("CREATE TABLE t (id INT PRIMARY KEY)"));
    connection.BeginTrans();
    connection.Execute(QStringLiteral("INSERT INTO t VALUES (1)"));
    connection.RollbackTrans();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM t")), QStringLiteral("0"));
    connection.Close();
    EXPECT_EQ(connection.State(), adStateClosed);
}

TEST(Connection, ARefusedLoginIsToldApartFromAMissingDatabase)
{
    // A host tells the user "wrong password" only if the code says so; the
    // engine's words stay in the description, the password never does.
    RefusingPgServer passwords;
    ASSERT_TRUE(passwords.isListening());
    const auto openWith = [](const QString &server, const QString &user, const QString &password,
                             const QString &database) -> ComError {
        Connection connection;
        try {
            connection.Open(QStringLiteral("Provider=PostgreSQL;Server=%1;Uid=%2;Pwd=%3;"
                                           "Database=%4")
                                .arg(server, user, password, database));
        } catch (const ComError &error) {
            EXPECT_EQ(connection.State(), adStateClosed);
            return error;
        }
        ADD_FAILURE() << "opened " << server.toStdString() << " as " << user.toStdString();
        return ComError(0);
    };
    ComError refused = openWith(passwords.address(), QStringLiteral("anna"),
                                QStringLiteral("falsch7"), QStringLiteral("kelo"));
    EXPECT_EQ(refused.code(), DB_SEC_E_AUTH_FAILED) << refused.what();
    EXPECT_TRUE(refused.description().contains(QStringLiteral("anna"))) << refused.what();
    EXPECT_FALSE(refused.description().contains(QStringLiteral("falsch7")));
    EXPECT_EQ(passwords.refusals(), 1);
    // Asked for a password it does not have, the client gives up by itself.
    refused =
        openWith(passwords.address(), QStringLiteral("anna"), QString(), QStringLiteral("kelo"));
    EXPECT_EQ(refused.code(), DB_SEC_E_AUTH_FAILED) << refused.what();
    EXPECT_EQ(ComError::systemText(DB_SEC_E_AUTH_FAILED),
              QStringLiteral("Die Anmeldung an der Datenbank ist fehlgeschlagen."));

    // Nobody listening is no refused login.
    const QString closedPort =
        passwords.address().section(QLatin1Char(':'), 0, 0) + QStringLiteral(":1");
    EXPECT_EQ(
        openWith(closedPort, QStringLiteral("anna"), QStringLiteral("x"), QStringLiteral("kelo"))
            .code(),
        E_FAIL);

    TestDatabase db(DatabaseKind::PostgreSql);
    QRT_REQUIRE_DATABASE(db);
    // The tests' server trusts every role it knows: an unknown one is a wrong user.
    refused = openWith(db.serverName(), QStringLiteral("niemand"), QString(), db.dbName());
    EXPECT_EQ(refused.code(), DB_SEC_E_AUTH_FAILED) << refused.what();
    EXPECT_EQ(openWith(db.serverName(), QStringLiteral("postgres"), QString(),
                       QStringLiteral("gibtsnicht"))
                  .code(),
              E_FAIL);
}

TEST(Connection, SqlServerStringReachesTheOdbcDriver)
{
    // Nothing listens on the port, so the driver itself must answer: proof
    // that the host's connection string went through the driver manager to
    // the driver registered as "SQL Server" (FreeTDS here).
    Connection connection;
    try {
        connection.Open(QStringLiteral("Driver={SQL Server}; Provider=SQLOLEDB; Server=127.0.0.1; "
                                       "Port=1; Uid=sa;Pwd=;Database=kelo"));
        ADD_FAILURE() << "connected to nothing";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), E_FAIL);
        const QString text = error.description();
        EXPECT_FALSE(text.contains(QStringLiteral("Data source name not found")))
            << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Can't open lib"))) << text.toStdString();
        EXPECT_FALSE(text.isEmpty());
    }
}
