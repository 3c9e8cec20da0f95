#ifndef QRT_DATA_COMPONENT_ENGINES_BACKEND_H
#define QRT_DATA_COMPONENT_ENGINES_BACKEND_H

#include "data/component/ConnectionString.h"
#include "data/component/KeysetCursor.h"
#include "data/component/TableSchema.h"
#include "data/component/Variant.h"
#include "platform/ComError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <memory>

// One open database, as the component's connection, recordset and catalog see
// it. Each engine has its own subclass in its own file; everything an engine
// does differently (its catalog, how keys are read without blocking writers,
// how a row is identified) stays there.
class Backend
{
public:
    virtual ~Backend();
    Backend(const Backend &) = delete;
    Backend &operator=(const Backend &) = delete;

    // Opens the database a connection string names; throws ComError.
    static std::unique_ptr<Backend> open(const ConnectionParams &params);

    DatabaseKind kind() const { return m_params.kind; }
    const ConnectionParams &params() const { return m_params; }
    bool isOpen() const { return m_db.isOpen(); }
    void close();

    // A query on the main connection, exact numbers, forward only.
    QSqlQuery newQuery() const;
    // Runs sql (or the prepared query) and throws ComError when the engine refuses.
    void exec(QSqlQuery &query, const QString &sql) const;
    void exec(QSqlQuery &query) const;
    // Throws the ComError for an engine error, with the engine's own words.
    [[noreturn]] void raise(const QSqlError &error) const;

    // Transactions of the connection; nested calls are counted, so the
    // component's own short write transactions join one the caller opened.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    bool inTransaction() const { return m_transactionDepth > 0; }

    virtual QStringList tableNames() = 0;
    // The table's columns and keys; ComError DB_E_NOTABLE when there is none.
    virtual TableSchema readTable(const QString &name) = 0;
    // The SQL expressions that identify a row of the table: its primary key,
    // or the engine's row address; empty when rows cannot be identified.
    virtual QStringList rowIdentity(const TableSchema &table) const;
    // Runs a key query so that its rows can be read in batches while other
    // connections write. Engines without such a reader read everything now.
    virtual std::unique_ptr<KeySource> openKeySource(const QString &sql, int width);
    // Whether INSERT … RETURNING gives the new row's identity.
    virtual bool supportsReturning() const { return true; }
    // What follows a row lookup to lock it until the transaction ends.
    virtual QString lockClause() const { return QString(); }
    virtual QString beginStatement() const { return QStringLiteral("BEGIN"); }

    // Values between the driver and the component, typed by the column.
    Variant fromDriver(const QVariant &value, const ColumnSchema &column) const;
    // Throws ComError DB_E_CANTCONVERTVALUE when the value does not fit.
    QVariant toDriver(const Variant &value, const ColumnSchema &column) const;
    // A value of a result column that no table column describes.
    static Variant fromDriverUntyped(const QVariant &value);

    QString quoteIdentifier(const QString &name) const;

protected:
    explicit Backend(const ConnectionParams &params);
    void openDatabase(const QString &driver); // m_db from m_params; throws
    virtual void configureDatabase(QSqlDatabase &db) = 0;
    virtual void afterOpen() {}
    virtual bool datesAsText() const { return false; } // SQLite keeps ISO texts
    static QString newConnectionName();

    ConnectionParams m_params;
    QSqlDatabase m_db;
    QString m_connectionName;
    int m_transactionDepth = 0;
};

// Reads every row of a query on the main connection at once; used where an
// engine has no reader that leaves writers alone, and for small results.
class EagerKeySource final : public KeySource
{
public:
    EagerKeySource(QSqlQuery query, int width);
    bool read(KeyStore &keys, qsizetype maxRows) override;

private:
    QSqlQuery m_query;
};

#endif // QRT_DATA_COMPONENT_ENGINES_BACKEND_H
