#ifndef QRT_DATA_COMPONENT_ENGINES_SQLITEBACKEND_H
#define QRT_DATA_COMPONENT_ENGINES_SQLITEBACKEND_H

#include "data/component/engines/Backend.h"

// SQLite through Qt's QSQLITE driver: one file, nothing to install.
//
// Values keep the form they were stored in. A column declared DATETIME may
// hold ISO texts ("2022-06-05T13:00:00.000Z"), julian days (REAL) or unix
// times (INTEGER), a BOOLEAN 0/1, 'true'/'false' or 'Y'/'N'; SQLite does not
// care and other programs write them so. They are read as dates and yes/no
// values whatever their form, and a changed value is written in the form the
// row held (or, for a NULL, the form the column's other values have), so
// that the other programs still read it. Filters compare in that form too.
//
// Refusals: SQLite names a refused rule in fixed English texts ("UNIQUE
// constraint failed: t.a, t.b"), which are read as such; a foreign key's
// refusal names nothing, so the schema's foreign keys and the row written
// tell which key it was (SqliteBackendRefusal.cpp).
//
// Writers are never blocked by a key query that is still being read: the file
// runs in write-ahead-log mode and key queries run on a second connection to
// it, whose read snapshot does not hold back the main connection's (or
// another process's) commits; the complete key list of a large query is read
// that way in another thread (SQLite serialises nothing between two
// connections in WAL mode but the log's index). Where the log mode cannot be
// had (an in-memory database, a read-only folder) keys are read at once on
// the main connection.
class SqliteBackend final : public Backend
{
public:
    explicit SqliteBackend(const ConnectionParams &params);
    ~SqliteBackend() override;

    QStringList tableNames() override;
    TableSchema readTable(const QString &name) override;
    QStringList rowIdentity(const TableSchema &table) const override;
    bool rowAddressIsInteger() const override { return true; } // the rowid
    std::unique_ptr<KeySource> openKeySource(const QString &sql, int width) override;
    QString limitedQuery(const QString &sql, qsizetype rows) const override;
    // A reader in log mode holds back no writer; an in-memory database or a
    // file without the log has no second connection that would.
    bool readsKeysInBackground() const override { return m_snapshotReads; }
    std::unique_ptr<KeySource> openOwnKeySource(const QString &sql, int width) override;
    // sqlite3_interrupt, which SQLite makes for calls from other threads.
    std::function<void()> canceller() override;
    // A writer takes the write lock at once, so two writers never deadlock
    // on an upgrade and schema changes are serialised by it.
    QString beginStatement() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    bool canCreateIfNotExists() const override { return true; }
    bool canAddConstraint() const override { return false; }

    Variant fromDriver(const QVariant &value, const ColumnSchema &column) const override;
    QVariant toDriver(const Variant &value, const ColumnSchema &column,
                      const QVariant &storedLike = QVariant()) const override;
    QVariant storedSample(const QString &table, const ColumnSchema &column) override;
    void adaptComparison(const QString &table, const ColumnSchema &column, QString *columnSql,
                         QString *operand) override;

protected:
    void configureDatabase(QSqlDatabase &db) override;
    void afterOpen() override;
    HRESULT_T classifyError(const QSqlError &error) const override;
    bool connectionBroken(const QSqlError &error) const override;
    EngineRefusal refusalOf(const QSqlError &error, const QSqlQuery &query,
                            const RowWrite *write) override;
    void dropSideConnections() override;

private:
    // Whether the main database refuses writes (see TableSchema::readOnly).
    [[nodiscard]] bool databaseIsReadOnly() const;
    QSqlDatabase readerDatabase();

    // A foreign key as SQLite lists it (PRAGMA foreign_key_list).
    struct ForeignKey
    {
        QString table;             // the referring table
        QStringList columns;       // its columns
        QString parent;            // the table referred to
        QStringList parentColumns; // empty: the parent's primary key
        QString onUpdate;
        QString onDelete;
    };
    QVector<ForeignKey> foreignKeysOf(const QString &table);
    // Which foreign key refused the write, found by asking for the rows it
    // needs; without an answer, the kind of refusal the write implies.
    EngineRefusal foreignKeyRefusal(const RowWrite &write);
    // The table's columns a CHECK rule (its name, or its expression where
    // it has none) reads.
    QStringList checkColumns(const TableSchema &table, const QString &rule);

    bool m_snapshotReads = false;
    QString m_readerName;
    QHash<QString, QVariant> m_samples; // "table\ncolumn" -> a stored value
};

#endif // QRT_DATA_COMPONENT_ENGINES_SQLITEBACKEND_H
