#ifndef QRT_DATA_COMPONENT_ENGINES_POSTGRESBACKEND_H
#define QRT_DATA_COMPONENT_ENGINES_POSTGRESBACKEND_H

#include "data/component/engines/Backend.h"

// PostgreSQL through Qt's QPSQL driver.
//
// Key queries run as cursors on a second connection, fetched in batches: a
// cursor reads from its own snapshot (MVCC), so writers on other connections
// go on undisturbed, and the main connection stays in autocommit. The reader
// connection holds one read transaction while any cursor is open and ends it
// when the last one closes. (Its share lock on the table does delay DDL on
// that table until then.)
class PostgresBackend final : public Backend
{
public:
    explicit PostgresBackend(const ConnectionParams &params);
    ~PostgresBackend() override;

    QStringList tableNames() override;
    TableSchema readTable(const QString &name) override;
    QStringList rowIdentity(const TableSchema &table) const override;
    std::unique_ptr<KeySource> openKeySource(const QString &sql, int width) override;
    QString lockClause() const override { return QStringLiteral(" FOR UPDATE"); }

    // The reader connection's cursor bookkeeping, used by its key sources.
    QString declareCursor(const QString &sql);
    QSqlQuery readerQuery();
    void closeCursor(const QString &name);

protected:
    void configureDatabase(QSqlDatabase &db) override;

private:
    QSqlDatabase readerDatabase();

    QString m_readerName;
    int m_openCursors = 0;
    int m_cursorCounter = 0;
};

#endif // QRT_DATA_COMPONENT_ENGINES_POSTGRESBACKEND_H
