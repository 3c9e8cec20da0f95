#ifndef QRT_DATA_COMPONENT_ENGINES_POSTGRESBACKEND_H
#define QRT_DATA_COMPONENT_ENGINES_POSTGRESBACKEND_H

#include "data/component/engines/Backend.h"
#include "data/component/engines/ResponseWatchdog.h"

struct pg_conn;

// PostgreSQL through Qt's QPSQL driver, with libpq where the driver falls short.
//
// One statement: QPSQL sends every text, prepared or not, through the simple
// query protocol, which runs as many statements as the text holds. Before a
// text runs, the server parses it through the extended protocol (libpq's
// PQprepare of the unnamed statement), which refuses a second statement; a
// text proven single once is remembered, so the component's own repeated
// statements cost nothing more.
//
// Key queries run as cursors on a second connection, fetched in batches: a
// cursor reads from its own snapshot (MVCC), so writers on other connections
// go on undisturbed, and the main connection stays in autocommit. The reader
// connection holds one read transaction while any cursor is open and ends it
// when the last one closes. (Its share lock on the table does delay DDL on
// that table until then.) The complete key list of a large query is read the
// same way, by a cursor on a connection of its own in another thread, which
// the user's window can cancel (PQcancel is made for calls from elsewhere).
//
// Types. Columns of types the form has no control for (uuid, interval, time,
// json, arrays, enums, ranges, bytea ...) are read as the server's own text
// of them, which it reads back unchanged; before such a text (or one for a
// domain) is written, the server is asked whether it takes it, so that a
// wrong one is refused by name instead of failing the update. money is read
// and written in the C locale ("$1,234.56" and "1234.56"), whatever the
// server's lc_monetary.
//
// Encryption: the connection string's SSL mode, root certificate and
// application name go to libpq as they are (verify-full checks the
// certificate against the CA file and the host name); a certificate refused
// or a server without TLS when TLS was asked for are errors of their own
// (SEC_E_UNTRUSTED_ROOT, SEC_E_UNSUPPORTED_FUNCTION), not a failed login.
//
// Refusals: a row or value the server refuses by one of its rules is told
// from the error's fields (SQLSTATE, table, column, constraint, type), which
// are the same whatever language the server speaks; the columns of the
// constraint and an enum's labels come from the catalog (see
// PostgresBackendRefusal.cpp).
//
// Waiting: connecting gives up after the connect timeout; a statement is
// cancelled by the server after the command timeout (statement_timeout), and
// when the server does not answer even then, the response watchdog ends the
// wait a few seconds later. A connection the server dropped is reported once
// and opened anew by the next statement.
class PostgresBackend final : public Backend
{
public:
    explicit PostgresBackend(const ConnectionParams &params);
    ~PostgresBackend() override;

    QStringList tableNames() override;
    TableSchema readTable(const QString &name) override;
    QString readTableSqlName(const QString &name) override;
    QStringList rowIdentity(const TableSchema &table) const override;
    std::unique_ptr<KeySource> openKeySource(const QString &sql, int width) override;
    QString limitedQuery(const QString &sql, qsizetype rows) const override;
    void readLimited(const QString &sql, qsizetype rows, KeyStore &keys) override;
    bool readsKeysInBackground() const override { return true; }
    bool nullsSortFirst() const override { return false; }
    std::unique_ptr<KeySource> openOwnKeySource(const QString &sql, int width) override;
    std::function<void()> canceller() override;
    bool keptWhenIdle() const override { return true; }
    bool isReusable() override;
    QString lockClause() const override { return QStringLiteral(" FOR UPDATE"); }
    void lockSchemaChange(const QString &name) override;
    bool canCreateIfNotExists() const override { return true; }

    Variant fromDriver(const QVariant &value, const ColumnSchema &column) const override;
    void checkValue(const ColumnSchema &column, const QVariant &driverValue) override;
    QString selectExpression(const ColumnSchema &column, const QString &name) const override;
    // money as a number: its text is read by lc_monetary, which a session
    // behind a pooler may have as the server's ("1234.56" is 123456 in
    // German), and a number converts to money exactly in any locale.
    QString valueMark(const ColumnSchema &column) const override;
    void adaptComparison(const QString &table, const ColumnSchema &column, QString *columnSql,
                         QString *operand) override;

    // The reader connection's cursor bookkeeping, used by its key sources.
    // A cursor belongs to the generation of the connection that declared it.
    QString declareCursor(const QString &sql);
    void fetch(QSqlQuery &query, const QString &cursor, qsizetype rows);
    void closeCursor(const QString &name, int generation);
    // The same for the one cursor of openOwnKeySource(), on the main connection.
    void fetchOwn(QSqlQuery &query, qsizetype rows);
    void closeOwn();

protected:
    // The driver prepares a statement as a named one of the session, which
    // a transaction pooler (PgBouncer) does not keep for the next
    // transaction ("prepared statement qpsqlpstmt_1 does not exist"); the
    // values in the text cost no more than its EXECUTE did (qrt-bench).
    bool sendsValuesInline() const override { return true; }
    void configureDatabase(QSqlDatabase &db) override;
    void afterOpen() override;
    void applyCommandTimeout() override;
    bool readsUnquotedAs(const QString &written, const QString &catalogName) const override;
    void verifySingleStatement(const QString &sql) override;
    HRESULT_T classifyOpenError(const QSqlError &error) const override;
    bool connectionBroken(const QSqlError &error) const override;
    QString explainedError(const QSqlError &error) const override;
    EngineRefusal refusalOf(const QSqlError &error, const QSqlQuery &query,
                            const RowWrite *write) override;
    void dropSideConnections() override;
    void statementStarts(const QSqlDatabase &db) override;
    void statementEnds() override;
    bool failureEndsTransaction() const override { return true; }
    QString interruptionReason() const override;

private:
    // Each column's allowed values (ColumnSchema::allowedValues).
    void readAllowedValues(QSqlQuery &query, qlonglong oid, TableSchema &table);
    // The table as the catalog finds the name (see readTable).
    struct TableHead
    {
        qlonglong oid = 0;
        QString name;
        QString sqlName;
        bool isView = false;
        bool readOnly = false;         // no column the user may update
        bool databaseReadOnly = false; // a standby, or read-only by setting
    };
    TableHead findTable(const QString &name);
    // A refused TLS connection's error with a German reason in front.
    ComError explainedOpenError(const ComError &error) const;
    QSqlDatabase readerDatabase();
    QSqlQuery readerQuery();
    // Runs an internal statement on the reader connection inside the watch.
    bool readerExec(QSqlQuery &query, const QString &sql);
    // Runs one of the component's own fixed statements on the main connection.
    void ownExec(QSqlQuery &query, const QString &sql);
    static pg_conn *nativeConnection(const QSqlDatabase &db);

    // The refusal as the error's fields tell it, before anything is asked
    // (the failed result goes with the query's next statement); its table's
    // schema into *schema.
    static EngineRefusal reportedRefusal(const QSqlError &error, const QSqlQuery &query,
                                         QString *schema);
    // Fills in what the catalog knows of the refusal's constraint.
    void explainConstraint(EngineRefusal &refusal, const QString &schema, const RowWrite *write,
                           const QString &statement);
    // Rows of a catalog query asked while explaining a refusal, as texts;
    // empty when it cannot be asked. Never throws and never ends a
    // transaction: what it cannot learn stays unsaid.
    QVector<QStringList> catalogRows(const char *sql, const QStringList &parameters);
    // The labels of an enum (or of the enum under a domain), in their order.
    QStringList enumLabels(const QString &type);

    QString m_readerName;
    int m_openCursors = 0;
    bool m_pooled = false; // connected through a pooler: no session settings (afterOpen)
    int m_cursorCounter = 0;
    ResponseWatchdog m_watchdog;
};

#endif // QRT_DATA_COMPONENT_ENGINES_POSTGRESBACKEND_H
