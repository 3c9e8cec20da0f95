#include "support/TestDatabase.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

QString pgPort(const QString &name = QStringLiteral("port"))
{
    QFile file(qEnvironmentVariable("QRT_PG_DIR") + "/" + name);
    return qEnvironmentVariableIsEmpty("QRT_PG_DIR") || !file.open(QIODevice::ReadOnly)
               ? QString()
               : QString::fromLatin1(file.readAll()).trimmed();
}

// The test's own connections wait no longer than the test server lets any
// connection wait (pg-server.sh): a lock left behind by a fault makes the
// statement fail in seconds, with the engine's words, instead of hanging.
const QString kPgOptions =
    QStringLiteral("connect_timeout=10;options='-c lock_timeout=5s -c statement_timeout=30s'");
const QString kSqliteOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");

bool runOn(QSqlDatabase db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    *error = query.lastError().text();
    return false;
}

QSqlDatabase addPgConnection(const QString &name, const QString &port, const QString &user,
                             const QString &database)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name);
    db.setHostName("127.0.0.1");
    db.setPort(port.toInt());
    db.setUserName(user);
    db.setDatabaseName(database);
    db.setConnectOptions(kPgOptions);
    return db;
}

// Runs sql on a connection of its own to the server's database postgres.
bool runAsAdmin(const QString &name, const QString &user, const QString &sql, QString *error)
{
    bool done = false;
    {
        QSqlDatabase admin = addPgConnection(name, pgPort(), user, "postgres");
        if (!admin.open())
            *error = admin.lastError().text();
        else
            done = runOn(admin, sql, error);
        admin.close();
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

QString uniqueName(const char *prefix)
{
    static QAtomicInt counter;
    return QStringLiteral("%1_%2_%3")
        .arg(QLatin1String(prefix))
        .arg(QCoreApplication::applicationPid())
        .arg(counter.fetchAndAddRelaxed(1) + 1);
}

} // namespace

std::string engineName(DatabaseKind kind)
{
    switch (kind) {
    case DatabaseKind::Sqlite:
        return "SQLite";
    case DatabaseKind::PostgreSql:
        return "PostgreSQL";
    case DatabaseKind::Access:
        return "Access";
    case DatabaseKind::SqlServer:
        return "SqlServer";
    }
    return "?";
}

QString TestDatabase::poolerServer()
{
    const QString port = pgPort("pooler-port");
    return port.isEmpty() ? QString() : "127.0.0.1:" + port;
}

bool TestDatabase::isCi()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

TestDatabase::TestDatabase(DatabaseKind kind) : m_kind(kind), m_qtName(uniqueName("testdb"))
{
    QSqlDatabase db;
    const QString port = pgPort();
    if (kind == DatabaseKind::Sqlite) {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dbName = m_dir->filePath("test.sqlite");
        db = QSqlDatabase::addDatabase("QSQLITE", m_qtName);
        db.setDatabaseName(m_dbName);
        db.setConnectOptions(kSqliteOptions);
    } else if (kind != DatabaseKind::PostgreSql) {
        m_skipReason = "no test server for this engine";
        return;
    } else if (port.isEmpty()) {
        m_skipReason = "no PostgreSQL test server (QRT_PG_DIR/port missing)";
        return;
    } else {
        // The library's connections go through the pooler where the run
        // asks for it; the test's own stay on the server.
        m_server = "127.0.0.1:" + port;
        if (qEnvironmentVariableIntValue("QRT_PG_POOLED")) {
            m_server = poolerServer();
            if (m_server.isEmpty()) {
                m_skipReason = "no PgBouncer in front of the test server (pooler-port missing)";
                return;
            }
        }
        m_user = "postgres";
        m_dbName = uniqueName("qrt_test").toLower();
        if (!runAsAdmin(m_qtName + "_admin", m_user, "CREATE DATABASE " + m_dbName, &m_skipReason))
            return;
        db = addPgConnection(m_qtName, port, m_user, m_dbName);
    }
    m_available = db.open();
    if (!m_available)
        m_skipReason = db.lastError().text();
}

TestDatabase::~TestDatabase()
{
    QSqlDatabase::database(m_qtName, false).close();
    QSqlDatabase::removeDatabase(m_qtName);
    QString error;
    if (m_kind == DatabaseKind::PostgreSql && m_available)
        runAsAdmin(m_qtName + "_drop", m_user,
                   "DROP DATABASE IF EXISTS " + m_dbName + " WITH (FORCE)", &error);
}

bool TestDatabase::reopen() const
{
    QSqlDatabase db = QSqlDatabase::database(m_qtName, false);
    db.close();
    if (db.open())
        return true;
    ADD_FAILURE() << "cannot connect again: " << db.lastError().text().toStdString();
    return false;
}

QString TestDatabase::connectionString() const
{
    if (m_kind == DatabaseKind::Sqlite)
        return QStringLiteral("Provider=SQLite;Data Source=") + m_dbName;
    return QStringLiteral("Provider=PostgreSQL;Server=") + m_server + QStringLiteral(";Uid=") +
           m_user + QStringLiteral(";Pwd=;Database=") + m_dbName;
}

QString TestDatabase::dbTyp() const
{
    return QString::fromLatin1(dialectFor(m_kind).name);
}

void TestDatabase::exec(const QString &sql) const
{
    QString error;
    if (!tryExec(sql, &error))
        ADD_FAILURE() << "statement failed: " << sql.toStdString() << "\n  " << error.toStdString();
}

bool TestDatabase::tryExec(const QString &sql, QString *error) const
{
    QString text;
    const bool done = runOn(QSqlDatabase::database(m_qtName, false), sql, &text);
    if (error)
        *error = text;
    return done;
}

void TestDatabase::exec(const QStringList &statements) const
{
    for (const QString &sql : statements)
        exec(sql);
}

QString TestDatabase::scalar(const QString &sql) const
{
    return rows(sql).value(0).value(0);
}

int TestDatabase::sessionsSettlingAt(int wanted) const
{
    int count = -1;
    for (int attempt = 0; attempt < 50 && count != wanted; ++attempt) {
        if (attempt > 0)
            QTest::qWait(100);
        count = scalar(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = "
                                      "'%1' AND pid <> pg_backend_pid()")
                           .arg(m_dbName))
                    .toInt();
    }
    return count;
}

QList<QStringList> TestDatabase::rows(const QString &sql) const
{
    QSqlQuery query(QSqlDatabase::database(m_qtName, false));
    if (!query.exec(sql)) {
        ADD_FAILURE() << "query failed: " << sql.toStdString() << "\n  "
                      << query.lastError().text().toStdString();
        return {};
    }
    QList<QStringList> result;
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << (query.isNull(i) ? QString() : query.value(i).toString());
        result << row;
    }
    return result;
}
