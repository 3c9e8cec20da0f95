#include "data/CBaseMgr.h"
#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/PgServer.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// PostgreSQL over TLS: a host asks for encryption, or for the server's
// certificate to be checked against its CA, and names its application, all
// in the server text it passes anyway. A certificate the CA did not sign,
// and a server without TLS when TLS is required, are refused before the
// login is sent, each with its own code and a German reason.
namespace {

// The code the connection was refused with (0: it was not).
HRESULT_T refusal(const QString &connectionString, QString *message = nullptr)
{
    try {
        Connection connection;
        connection.Open(connectionString);
    } catch (const ComError &error) {
        if (message)
            *message = error.message();
        return error.code();
    }
    return 0;
}

// A server certificate for localhost and 127.0.0.1 that is its own
// authority, a second authority that signed nothing, and a throw-away
// server speaking TLS with that certificate.
class TlsServer
{
public:
    TlsServer()
    {
        const QString openssl = QStandardPaths::findExecutable("openssl");
        const auto certificate = [&](const char *name, const char *subject, const char *names) {
            QStringList arguments =
                QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                               "-days 2 -keyout %1.key -out %1.crt -subj")
                    .arg(m_dir.filePath(name))
                    .split(' ');
            arguments << subject;
            if (names)
                arguments << "-addext" << names;
            return QProcess::execute(openssl, arguments) == 0;
        };
        if (openssl.isEmpty()) {
            m_skipReason = "openssl is not installed";
        } else if (!certificate("server", "/CN=localhost",
                                "subjectAltName=DNS:localhost,IP:127.0.0.1") ||
                   !certificate("other", "/CN=Fremde CA", nullptr)) {
            ADD_FAILURE() << "openssl made no certificates";
        } else {
            m_pg = std::make_unique<PgServer>(m_dir.filePath("state"), m_dir.path());
            m_skipReason = m_pg->error().toStdString();
            if (!m_pg->isRunning() && m_pg->binariesFound())
                ADD_FAILURE() << "the TLS server did not start: " << m_skipReason;
        }
    }

    bool isRunning() const { return m_pg && m_pg->isRunning(); }
    const std::string &skipReason() const { return m_skipReason; }
    QString server() const { return m_pg->server(); }
    QString caFile() const { return m_dir.filePath("server.crt"); }
    QString otherCaFile() const { return m_dir.filePath("other.crt"); }
    // The server's log: one line per session that was let in, with its
    // application name and whether it is encrypted.
    QStringList authorizedSessions() const
    {
        QFile log(m_pg->logFile());
        return log.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(log.readAll()).split('\n').filter("connection authorized")
                   : QStringList();
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PgServer> m_pg;
    std::string m_skipReason = "the TLS server did not start";
};

class EncryptedConnection : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<TlsServer>(); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        if (!s_server->isRunning()) {
            if (TestDatabase::isCi())
                FAIL() << s_server->skipReason();
            GTEST_SKIP() << s_server->skipReason();
        }
    }

    // The connection string a host's parameters give, on the TLS server.
    static QString tlsString(const QString &settings)
    {
        return CBaseMgr::BuildConnectionString(
            "postgres", s_server->server() + QLatin1Char(' ') + settings, "postgres", QString(), 4);
    }

    static QString text(Connection &connection, const QString &sql)
    {
        return connection.Execute(sql).Fields().Item(0).Value().toString();
    }

    static std::unique_ptr<TlsServer> s_server;
};

std::unique_ptr<TlsServer> EncryptedConnection::s_server;

const QString kOwnSession =
    "SELECT CASE WHEN s.ssl THEN 'verschlüsselt' ELSE 'offen' END || ' ' || "
    "a.application_name FROM pg_stat_ssl s JOIN pg_stat_activity a USING (pid) "
    "WHERE pid = pg_backend_pid()";

TEST_F(EncryptedConnection, RequiredTlsEncryptsEverySessionAndNamesTheApplication)
{
    Connection connection;
    connection.Open(tlsString("sslmode=require application_name='Kundenverwaltung Test'"));
    EXPECT_EQ(text(connection, kOwnSession), "verschlüsselt Kundenverwaltung Test");

    // The complete key list of a long query is read on a session of its
    // own: encrypted and named too.
    connection.Execute("CREATE TABLE IF NOT EXISTS kunden (id INT PRIMARY KEY)");
    connection.Execute("INSERT INTO kunden SELECT g FROM generate_series(1, 3000) g "
                       "ON CONFLICT DO NOTHING");
    Recordset keys;
    keys.Open("SELECT * FROM kunden ORDER BY id", connection);
    keys.completeKeyset(true);
    EXPECT_EQ(keys.RecordCount(), 3000);
    const QStringList sessions = s_server->authorizedSessions().filter("Kundenverwaltung Test");
    EXPECT_GE(sessions.size(), 2) << "the form's session and the key reader's";
    EXPECT_EQ(sessions.filter("SSL enabled").size(), sessions.size())
        << sessions.join(QLatin1Char('\n')).toStdString();
}

TEST_F(EncryptedConnection, OnlyACertificateSignedByTheGivenAuthorityIsAccepted)
{
    // Through the base manager, as a form connects: no message, connected.
    ScriptedMessages messages;
    CBaseMgr manager;
    EXPECT_TRUE(manager.Connect("postgres",
                                s_server->server() + " sslmode=verify-full sslrootcert=" +
                                    s_server->caFile() + " application_name=kelo",
                                "postgres", "", 4));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();

    Connection connection;
    connection.Open(tlsString("sslmode=verify-ca sslrootcert='" + s_server->caFile() + "'"));
    EXPECT_TRUE(text(connection, kOwnSession).startsWith("verschlüsselt"));

    // One another authority signed is refused, in German. A CA given
    // without a mode means: verify.
    CBaseMgr refused;
    EXPECT_FALSE(refused.Connect("postgres",
                                 s_server->server() + " sslrootcert=" + s_server->otherCaFile(),
                                 "postgres", "", 4));
    ASSERT_EQ(messages.texts().size(), 1);
    const QString shown = messages.texts().first();
    EXPECT_TRUE(shown.startsWith("Das Zertifikat des Datenbankservers wurde nicht anerkannt."))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("Zertifizierungsstelle")) << shown.toStdString();

    for (const char *mode : {"verify-ca", "verify-full"}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(
            refusal(tlsString(
                QStringLiteral("sslmode=%1 sslrootcert=%2").arg(mode, s_server->otherCaFile()))),
            SEC_E_UNTRUSTED_ROOT);
    }
    // A CA file that is not there verifies nothing.
    QString message;
    EXPECT_EQ(refusal(tlsString("sslrootcert=/nirgends/ca.crt"), &message), SEC_E_UNTRUSTED_ROOT);
    EXPECT_TRUE(message.contains("/nirgends/ca.crt")) << message.toStdString();
}

TEST(EncryptedConnectionRequired, AServerWithoutTlsIsRefusedBeforeTheLogin)
{
    TestDatabase db(DatabaseKind::PostgreSql); // the test server speaks no TLS
    QRT_REQUIRE_DATABASE(db);
    QString message;
    const QString server = db.serverName() + " sslmode=require";
    EXPECT_EQ(
        refusal(CBaseMgr::BuildConnectionString(db.dbName(), server, db.userId(), "", 4), &message),
        SEC_E_UNSUPPORTED_FUNCTION);
    EXPECT_TRUE(
        message.startsWith("Der Datenbankserver bietet keine verschlüsselte Verbindung an."))
        << message.toStdString();
    EXPECT_TRUE(message.contains("sslmode=require")) << message.toStdString();
}

} // namespace
