#include "data/CBaseMgr.h"
#include "data/component/Connection.h"
#include "data/component/ConnectionString.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/RefusingPgServer.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A value is a value: whatever a password or a file name holds, it never
// becomes another key of the string, and the string never shows a password.

TEST(ConnectionString, HostileValuesSurviveTheRoundTrip)
{
    const QStringList values = {"ge;heim",  "geheim;Database=other",
                                "b.c=d",    "{x}",
                                "}}",       "a}b{",
                                " führend", "hinten ",
                                "a b",      "",
                                "plain",    "ÄÖÜß€"};
    for (const QString &value : values) {
        SCOPED_TRACE(value.toStdString());
        const QString postgres =
            ConnectionString::build(DatabaseKind::PostgreSql, value, value, value, value);
        const ConnectionParams params = ConnectionParams::parse(postgres);
        EXPECT_EQ(params.kind, DatabaseKind::PostgreSql);
        EXPECT_EQ(params.host, value.trimmed()); // a host name has no blanks around it
        EXPECT_EQ(params.user, value);
        EXPECT_EQ(params.password, value);
        EXPECT_EQ(params.database, value);

        const QString sqlite = ConnectionString::build(DatabaseKind::Sqlite, value, {}, {}, {});
        EXPECT_EQ(ConnectionParams::parse(sqlite).database, value);
        const QString sqlServer =
            ConnectionString::build(DatabaseKind::SqlServer, "kelo", "srv", "sa", value);
        EXPECT_EQ(ConnectionParams::parse(sqlServer).password, value);
        EXPECT_EQ(ConnectionParams::parse(sqlServer).database, "kelo");
        EXPECT_FALSE(ConnectionString::redacted(sqlServer).contains("geheim"));
    }
    // Ordinary values give the strings hosts know, byte for byte.
    EXPECT_EQ(ConnectionString::build(DatabaseKind::SqlServer, "kelo", "srv", "sa", "geheim"),
              "Driver={SQL Server}; Provider=SQLOLEDB; Server=srv; Uid=sa;Pwd=geheim;"
              "Database=kelo");
    EXPECT_EQ(ConnectionString::build(DatabaseKind::Access, "C:\\daten\\kunden.mdb", "x", "y", "z"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\daten\\kunden.mdb;Persist Security "
              "Info=False");
    EXPECT_EQ(ConnectionString::build(DatabaseKind::PostgreSql, "kelo", "127.0.0.1:5432", "anna",
                                      "ge;heim"),
              "Provider=PostgreSQL;Server=127.0.0.1:5432;Uid=anna;Pwd={ge;heim};Database=kelo");
    EXPECT_EQ(CBaseMgr::BuildConnectionString("a;b.sqlite", {}, {}, {}, 3),
              "Provider=SQLite;Data Source={a;b.sqlite}");
    EXPECT_EQ(CBaseMgr::BuildConnectionString("x", {}, {}, {}, 9), "") << "no kind, no string";

    EXPECT_EQ(ConnectionString::redacted(
                  "Provider=PostgreSQL;Server=h;Uid=anna;Pwd={ge;h}}eim};Database=kelo"),
              "Provider=PostgreSQL;Server=h;Uid=anna;Pwd=***;Database=kelo");
    EXPECT_EQ(ConnectionString::value("A=1; Command Timeout = 7 ;b={x;y}", "command timeout"),
              " 7 ");
    EXPECT_EQ(
        ConnectionParams::parse("Provider=SQLite;Data Source=x;Command Timeout=7").commandTimeout,
        7);
}

// A PostgreSQL server text may carry libpq's TLS settings and an
// application name; they become keys of their own and nothing else.
TEST(ConnectionString, ServerSettingsBecomeKeysOfTheirOwn)
{
    const auto build = [](const QString &server) {
        return CBaseMgr::BuildConnectionString("kelo", server, "anna", "geheim", 4);
    };
    EXPECT_EQ(build("db.example.org:5432 sslmode=verify-full sslrootcert='/etc/kelo/c a.pem' "
                    "application_name=Kunden"),
              "Provider=PostgreSQL;Server=db.example.org:5432;Uid=anna;Pwd=geheim;Database=kelo;"
              "SSL Mode=verify-full;Root Certificate={/etc/kelo/c a.pem};Application Name=Kunden");
    ConnectionParams params = ConnectionParams::parse(
        build("  db:5433  application_name='Anna\\'s \\\\Kasse' sslmode=REQUIRE"));
    EXPECT_EQ(params.host, "db");
    EXPECT_EQ(params.port, 5433);
    EXPECT_EQ(params.sslMode, "require");
    EXPECT_EQ(params.applicationName, "Anna's \\Kasse");
    EXPECT_TRUE(params.sslRootCert.isEmpty());

    // A CA alone asks for the certificate to be checked, host name and all.
    params = ConnectionParams::parse(build("db sslrootcert=/ca.pem"));
    EXPECT_EQ(params.sslMode, "verify-full");
    EXPECT_EQ(params.sslRootCert, "/ca.pem");
    // The keys may also be written by a host into its own string.
    params = ConnectionParams::parse(
        "Provider=PostgreSQL;Server=db;Uid=a;Pwd=;Database=k;SSL Mode=verify-ca;"
        "Root Certificate={/x y/ca.pem}");
    EXPECT_EQ(params.sslMode, "verify-ca");
    EXPECT_EQ(params.sslRootCert, "/x y/ca.pem");

    // Several servers, the primary wanted: libpq's lists of hosts and ports.
    params = ConnectionParams::parse(build("db1:5433,db2 target_session_attrs=Read-Write"));
    EXPECT_EQ(params.host, "db1,db2");
    EXPECT_EQ(params.ports, "5433,5432");
    EXPECT_EQ(params.targetSessionAttrs, "read-write");

    // Nothing given: nothing changes, and libpq's defaults hold.
    params = ConnectionParams::parse(build("127.0.0.1:5432"));
    EXPECT_TRUE(params.sslMode.isEmpty());
    EXPECT_TRUE(params.applicationName.isEmpty());

    // What cannot be passed on safely is refused by name, never dropped.
    const QStringList refused = {"db sslmod=require",
                                 "db sslmode=sometimes",
                                 "db other sslmode=require",
                                 "db application_name='offen",
                                 "db application_name=a;b",
                                 "db sslmode=require;Database=x",
                                 "db1,db2 target_session_attrs=irgendeiner",
                                 "a=b"};
    for (const QString &server : refused) {
        SCOPED_TRACE(server.toStdString());
        try {
            ConnectionParams::parse(build(server));
            ADD_FAILURE() << "accepted";
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), E_INVALIDARG);
            EXPECT_FALSE(error.description().contains("geheim"));
        }
    }
}

TEST(ConnectionString, APasswordNeverReachesAMessage)
{
    ScriptedMessages messages;
    try {
        ConnectionParams::parse("Provider=Oracle;Uid=anna;Pwd=streng;Data Source=x");
        ADD_FAILURE() << "an unknown provider was accepted";
    } catch (const ComError &error) {
        EXPECT_FALSE(QString::fromUtf8(error.what()).contains("streng")) << error.what();
    }
    // The base manager's messages show the string as the user may read it.
    CBaseMgr mgr;
    EXPECT_FALSE(mgr.Connect("kelo", "127.0.0.1:1", "anna", "streng;geheim", 4));
    EXPECT_FALSE(mgr.GetSpaltenInfos("kunden", false));
    ASSERT_FALSE(messages.texts().isEmpty());
    for (const QString &text : messages.texts())
        EXPECT_FALSE(text.contains("streng")) << text.toStdString();
}

TEST(ConnectionString, AFileNameWithASeparatorIsOneFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("a;b=c {x}.sqlite");
    {
        QFile empty(file); // an empty file is an empty SQLite database
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    Connection connection;
    connection.Open(CBaseMgr::BuildConnectionString(file, {}, {}, {}, 3));
    connection.Execute("CREATE TABLE t (x INT)");
    EXPECT_EQ(QDir(dir.path()).entryList({"*.sqlite"}, QDir::Files),
              QStringList("a;b=c {x}.sqlite"))
        << "no second file was made from a cut name";
}

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

    // Opened, it refuses a commit without a transaction, and closes. (The
    // test server trusts every login, so a password that tries to smuggle
    // in a database still logs in: into the database that was asked for.)
    Connection open;
    open.Open(CBaseMgr::BuildConnectionString(db.dbName(), db.serverName(), db.userId(),
                                              "geheim;Database=postgres", 4));
    EXPECT_EQ(open.Execute("SELECT current_database()").Fields().Item(0).Value().toString(),
              db.dbName());
    EXPECT_EQ(open.State(), adStateOpen);
    // Of two servers, the one that answers and takes changes.
    Connection either;
    either.Open(CBaseMgr::BuildConnectionString(
        db.dbName(), closedPort + "," + db.serverName() + " target_session_attrs=read-write",
        db.userId(), "", 4));
    EXPECT_EQ(either.Execute("SELECT current_database()").Fields().Item(0).Value().toString(),
              db.dbName());

    // Through a transaction pooler, a setting of this connection would stay
    // with a pooled session for other clients: none is made.
    const QString pooler = TestDatabase::poolerServer();
    if (pooler.isEmpty()) {
        EXPECT_FALSE(TestDatabase::isCi()) << "no PgBouncer in front of the test server";
        return;
    }
    Connection pooled;
    pooled.Open(CBaseMgr::BuildConnectionString(db.dbName(), pooler, db.userId(), "", 4) +
                ";Command Timeout=7");
    pooled.Execute("SELECT 1");
    // Another program, which sets nothing itself.
    QSqlDatabase other = QSqlDatabase::addDatabase("QPSQL", "pooled-other");
    other.setHostName("127.0.0.1");
    other.setPort(pooler.section(':', 1).toInt());
    other.setUserName(db.userId());
    other.setDatabaseName(db.dbName());
    ASSERT_TRUE(other.open());
    QSqlQuery show(other);
    for (int session = 0; session < 8; ++session) { // round robin over the pool's sessions
        ASSERT_TRUE(show.exec("SHOW statement_timeout") && show.next());
        EXPECT_NE(show.value(0).toString(), "7s");
    }
    show = QSqlQuery();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("pooled-other");
    EXPECT_THROW(open.CommitTrans(), ComError);
    open.Close();
    EXPECT_EQ(open.State(), adStateClosed);
}
