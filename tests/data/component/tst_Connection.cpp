#include "data/component/Connection.h"
#include "platform/ComError.h"
#include "support/RefusingPgServer.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// Opening a connection: what fails says why, with the engine's words and
// the code a host tells a refused login by (a host tells the user "wrong
// password" only if the code says so); a password never shows.

TEST(Connection, FailuresNameTheirCauseAndAnOpenConnectionCloses)
{
    TestDatabase db(DatabaseKind::PostgreSql);
    QRT_REQUIRE_DATABASE(db);
    RefusingPgServer passwords;
    ASSERT_TRUE(passwords.isListening());
    const QString pg = "Provider=PostgreSQL;Server=%1;Uid=%2;Pwd=%3;Database=%4";
    const QString closedPort = passwords.address().section(':', 0, 0) + ":1";
    const struct
    {
        QString connection;
        HRESULT_T code;
        QString named;        // the description names it
        QStringList notNamed; // and never these
    } cases[] = {
        {"Provider=SQLite;Data Source=/nirgends/da.sqlite", E_FAIL, "/nirgends/da.sqlite", {}},
        // Access without an Access driver.
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=kunden.mdb;Persist Security Info=False",
         E_FAIL,
         "Microsoft Access Driver",
         {}},
        // Nothing listens on the port, so the driver itself must answer:
        // the string went through the driver manager to the driver
        // registered as "SQL Server" (FreeTDS here).
        {"Driver={SQL Server}; Provider=SQLOLEDB; Server=127.0.0.1; Port=1; Uid=sa;Pwd=;"
         "Database=kelo",
         E_FAIL,
         "",
         {"Data source name not found", "Can't open lib"}},
        {pg.arg(db.serverName(), "postgres", "", "gibtsnicht"), E_FAIL, "gibtsnicht", {}},
        {pg.arg(passwords.address(), "anna", "falsch7", "kelo"),
         DB_SEC_E_AUTH_FAILED,
         "anna",
         {"falsch7"}},
        // Asked for a password it does not have, the client gives up by itself.
        {pg.arg(passwords.address(), "anna", "", "kelo"), DB_SEC_E_AUTH_FAILED, "", {}},
        // Nobody listening is no refused login.
        {pg.arg(closedPort, "anna", "x", "kelo"), E_FAIL, "", {}},
        // The tests' server trusts every role it knows: an unknown one is a wrong user.
        {pg.arg(db.serverName(), "niemand", "", db.dbName()), DB_SEC_E_AUTH_FAILED, "", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.connection.toStdString());
        Connection connection;
        try {
            connection.Open(c.connection);
            ADD_FAILURE() << "opened";
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), c.code) << error.what();
            EXPECT_FALSE(error.description().isEmpty());
            EXPECT_TRUE(error.description().contains(c.named)) << error.what();
            for (const QString &hidden : c.notNamed)
                EXPECT_FALSE(error.description().contains(hidden)) << error.what();
        }
        EXPECT_EQ(connection.State(), adStateClosed);
        EXPECT_THROW(connection.Execute("SELECT 1"), ComError);
    }
    EXPECT_EQ(passwords.refusals(), 1);

    // Opened, it refuses a commit without a transaction, and closes.
    Connection open;
    open.Open(db.connectionString());
    EXPECT_EQ(open.State(), adStateOpen);
    EXPECT_THROW(open.CommitTrans(), ComError);
    open.Close();
    EXPECT_EQ(open.State(), adStateClosed);
}
