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

QString pgPort()
{
    const QString dir = qEnvironmentVariable("QRT_PG_DIR");
    if (dir.isEmpty())
        return {};
    QFile file(dir + QStringLiteral("/port"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

// The test's own connections wait no longer than the test server lets any
// connection wait (pg-server.sh): a lock left behind by a fault makes the
// statement fail in seconds, with the engine's words, instead of hanging.
const QString kPgOptions =
    QStringLiteral("connect_timeout=10;options='-c lock_timeout=5s -c statement_timeout=30s'");
const QString kSqliteOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");

QSqlDatabase addPgConnection(const QString &name, const QString &port, const QString &user,
                             const QString &database)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(port.toInt());
    db.setUserName(user);
    db.setDatabaseName(database);
    db.setConnectOptions(kPgOptions);
    return db;
}

QString uniqueName(const char *prefix)
{
    static QAtomicInt counter;
    return QStringLiteral("%1_%2_%3")
        .arg(QLatin1String(prefix))
        .arg(QCoreApplication::applicationPid())
        .arg(counter.fetchAndAddRelaxed(1) + 1);
}

bool runOn(QSqlDatabase db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    *error = query.lastError().text();
    return false;
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

bool TestDatabase::isCi()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

TestDatabase::TestDatabase(DatabaseKind kind) : m_kind(kind), m_qtName(uniqueName("testdb"))
{
    if (kind == DatabaseKind::Sqlite) {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dbName = m_dir->filePath(QStringLiteral("test.sqlite"));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_qtName);
        db.setDatabaseName(m_dbName);
        db.setConnectOptions(kSqliteOptions);
        m_available = db.open();
        if (!m_available)
            m_skipReason = db.lastError().text();
        return;
    }
    if (kind != DatabaseKind::PostgreSql) {
        m_skipReason = QStringLiteral("no test server for this engine");
        return;
    }
    const QString port = pgPort();
    if (port.isEmpty()) {
        m_skipReason = QStringLiteral("no PostgreSQL test server (QRT_PG_DIR/port missing)");
        return;
    }
    m_server = QStringLiteral("127.0.0.1:") + port;
    m_user = QStringLiteral("postgres");
    m_dbName = uniqueName("qrt_test").toLower();
    {
        QSqlDatabase admin = addPgConnection(m_qtName + QStringLiteral("_admin"), port, m_user,
                                             QStringLiteral("postgres"));
        QString error;
        if (!admin.open()) {
            m_skipReason = admin.lastError().text();
        } else if (!runOn(admin, QStringLiteral("CREATE DATABASE ") + m_dbName, &error)) {
            m_skipReason = error;
        } else {
            m_available = true;
        }
        admin.close();
    }
    QSqlDatabase::removeDatabase(m_qtName + QStringLiteral("_admin"));
    if (!m_available)
        return;
    QSqlDatabase db = addPgConnection(m_qtName, port, m_user, m_dbName);
    m_available = db.open();
    if (!m_available)
        m_skipReason = db.lastError().text();
}

TestDatabase::~TestDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_qtName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_qtName);
    if (m_kind == DatabaseKind::PostgreSql && m_available) {
        const QString admin = m_qtName + QStringLiteral("_drop");
        {
            QSqlDatabase db = addPgConnection(admin, pgPort(), m_user, QStringLiteral("postgres"));
            if (db.open()) {
                QString error;
                runOn(db, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_dbName),
                      &error);
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(admin);
    }
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
    if (!runOn(QSqlDatabase::database(m_qtName, false), sql, &error))
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
    QSqlQuery query(QSqlDatabase::database(m_qtName, false));
    if (!query.exec(sql)) {
        ADD_FAILURE() << "query failed: " << sql.toStdString() << "\n  "
                      << query.lastError().text().toStdString();
        return {};
    }
    return query.next() ? query.value(0).toString() : QString();
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
