#ifndef QRT_TESTS_TESTDATABASE_H
#define QRT_TESTS_TESTDATABASE_H

#include "data/component/SqlDialect.h"

#include <QString>

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <string>

// A fresh, empty database of one engine for one test: a new SQLite file in a
// temporary folder, or a new database on the throw-away PostgreSQL server
// that the test run started (its folder comes in QRT_PG_DIR). Dropped again
// when the object goes.
//
// Without a PostgreSQL server the PostgreSQL cases skip; in CI (CI=true) they
// fail instead, so a broken set-up never passes quietly. No statement of
// these connections waits for a lock longer than 5 seconds.
class TestDatabase
{
public:
    explicit TestDatabase(DatabaseKind kind);
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    // False (with the reason in skipReason()) when the engine is not there.
    bool isAvailable() const { return m_available; }
    const QString &skipReason() const { return m_skipReason; }

    DatabaseKind kind() const { return m_kind; }
    // The component's connection string, as the base manager builds it.
    QString connectionString() const;
    // The configuration parts: DBNAME, SERVERNAME, USERID, PASSWORT, DBTYP.
    QString dbName() const { return m_dbName; }
    QString serverName() const { return m_server; }
    QString userId() const { return m_user; }
    QString password() const { return QString(); }
    QString dbTyp() const;

    // Runs statements on a separate plain Qt SQL connection (not the
    // component), so tests can set up and look behind the component's back.
    // Fails the test with the engine's text when a statement fails.
    void exec(const QString &sql) const;
    void exec(const QStringList &statements) const;
    // A statement that may fail: false, with the engine's text in *error.
    bool tryExec(const QString &sql, QString *error = nullptr) const;
    // The first column of the first row of a query, as text ("" for none).
    QString scalar(const QString &sql) const;
    // Every row of a query, each as the texts of its columns (NULL as a
    // null QString).
    QList<QStringList> rows(const QString &sql) const;

    // PostgreSQL: the server's sessions on the test's database besides the
    // test's own, once there are wanted of them (a session just closed may
    // still be listed for a moment; up to 5 s), else the count last seen.
    int sessionsSettlingAt(int wanted) const;

    // Opens the test's own connection anew: after the server went away and
    // came back, the old one only reports that it was lost.
    bool reopen() const;

    static bool isCi();
    // "127.0.0.1:port" of the PgBouncer in front of the test server, empty
    // without one.
    static QString poolerServer();

private:
    QString qtConnectionName() const;

    DatabaseKind m_kind;
    bool m_available = false;
    QString m_skipReason;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_dbName;
    QString m_server;
    QString m_user;
    QString m_qtName;
};

// "SQLite" or "PostgreSQL", for parameterised test names.
std::string engineName(DatabaseKind kind);

// Skips (or, in CI, fails) the current test when db is not available.
#define QRT_REQUIRE_DATABASE(db)                                                                   \
    do {                                                                                           \
        if (!(db).isAvailable()) {                                                                 \
            if (TestDatabase::isCi())                                                              \
                FAIL() << (db).skipReason().toStdString();                                         \
            GTEST_SKIP() << (db).skipReason().toStdString();                                       \
        }                                                                                          \
    } while (false)

// A suite that runs once per engine, each test on a fresh database. Its
// SetUp starts with QRT_REQUIRE_DATABASE(db).
class EngineTest : public ::testing::TestWithParam<DatabaseKind>
{
protected:
    TestDatabase db{GetParam()};
};

// Instantiates an EngineTest suite for SQLite and PostgreSQL.
#define QRT_INSTANTIATE_FOR_ENGINES(suite)                                                         \
    INSTANTIATE_TEST_SUITE_P(Engines, suite,                                                       \
                             ::testing::Values(DatabaseKind::Sqlite, DatabaseKind::PostgreSql),    \
                             [](const auto &info) { return engineName(info.param); })

#endif // QRT_TESTS_TESTDATABASE_H
