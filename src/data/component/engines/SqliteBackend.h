#ifndef QRT_DATA_COMPONENT_ENGINES_SQLITEBACKEND_H
#define QRT_DATA_COMPONENT_ENGINES_SQLITEBACKEND_H

#include "data/component/engines/Backend.h"

// SQLite through Qt's QSQLITE driver: one file, nothing to install.
//
// Writers are never blocked by a key query that is still being read: the file
// runs in write-ahead-log mode and key queries run on a second connection to
// it, whose read snapshot does not hold back the main connection's (or
// another process's) commits. Where the log mode cannot be had (an in-memory
// database, a read-only folder) keys are read at once on the main connection.
class SqliteBackend final : public Backend
{
public:
    explicit SqliteBackend(const ConnectionParams &params);
    ~SqliteBackend() override;

    QStringList tableNames() override;
    TableSchema readTable(const QString &name) override;
    QStringList rowIdentity(const TableSchema &table) const override;
    std::unique_ptr<KeySource> openKeySource(const QString &sql, int width) override;
    QString beginStatement() const override { return QStringLiteral("BEGIN IMMEDIATE"); }

protected:
    void configureDatabase(QSqlDatabase &db) override;
    void afterOpen() override;
    bool datesAsText() const override { return true; }

private:
    QSqlDatabase readerDatabase();

    bool m_snapshotReads = false;
    QString m_readerName;
};

#endif // QRT_DATA_COMPONENT_ENGINES_SQLITEBACKEND_H
