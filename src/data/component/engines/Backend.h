#ifndef QRT_DATA_COMPONENT_ENGINES_BACKEND_H
#define QRT_DATA_COMPONENT_ENGINES_BACKEND_H

#include "data/component/ConnectionString.h"
#include "data/component/KeysetCursor.h"
#include "data/component/TableSchema.h"
#include "data/component/Variant.h"
#include "platform/ComError.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <functional>
#include <memory>

// One open database, as the component's connection, recordset and catalog see
// it. Each engine has its own subclass in its own file; everything an engine
// does differently (its catalog, how keys are read without blocking writers,
// how a row is identified, how its errors read, how it proves that a text is
// one statement) stays there, behind the hooks below.
//
// Every statement goes through prepare() or exec(), which
//  - refuse a text that would run more than one statement (ComError
//    DB_SEC_E_PERMISSIONDENIED): filters, sorts, saved filter values and
//    table names are pasted into statements, and none of them may ever run a
//    statement of its own;
//  - turn the engine's failure into a ComError with the engine's own words;
//  - notice a connection the server dropped: that statement fails with
//    E_CONNECTION_ABORTED, and the next one opens the connection anew (the
//    generation() then differs, so recordsets re-prepare their statements
//    and re-read their keys).
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
    // Open until closed: a connection the server dropped still counts as
    // open, since the next statement opens it anew.
    // Open from a successful open() until close(), a lost connection too
    // (the next statement makes it anew).
    bool isOpen() const { return m_lost || m_opened; }
    void close();

    // Whether a session of this engine is worth keeping open for the next
    // owner once nobody holds it (see SessionPool): where opening one costs.
    virtual bool keptWhenIdle() const { return false; }
    // Whether the session can serve a new owner as a new one would: open,
    // not lost, outside any transaction and, as far as the engine can tell
    // without asking the server, still connected.
    virtual bool isReusable();
    // Before the session is kept: its side connections go, they serve
    // cursors that are closed by now.
    void prepareForKeeping() { dropSideConnections(); }
    // Before a kept session serves its next owner: what it learnt about
    // tables is forgotten (they may have changed meanwhile), and the new
    // owner's command timeout applies.
    void prepareForReuse(int commandTimeout);

    // How often the connection was opened anew after it was lost.
    int generation() const { return m_generation; }
    // Opens the connection again when the server dropped it; throws when
    // that fails, and inside a transaction, which went with the connection
    // (until it ends, every statement fails). Every prepare() and exec()
    // starts with it.
    void reconnectIfLost();
    // The same, and a query made for the old connection is made anew.
    void reconnectIfLost(QSqlQuery &query);

    // A query on the main connection, exact numbers, forward only.
    QSqlQuery newQuery() const;
    // Prepares sql (one statement) or throws ComError.
    void prepare(QSqlQuery &query, const QString &sql);
    // Runs sql (or the prepared query) and throws ComError when the engine refuses.
    void exec(QSqlQuery &query, const QString &sql);
    void exec(QSqlQuery &query);
    // A row the recordset writes, for explaining the engine's refusal of it
    // where the engine's own report leaves out which table or which side of
    // a foreign key it meant (SQLite says no more than "FOREIGN KEY
    // constraint failed").
    struct RowWrite
    {
        enum class Kind { Insert, Update, Delete };
        Kind kind = Kind::Insert;
        QString table;        // as the statement names it
        QStringList columns;  // Insert, Update: the columns written
        QVariantList values;  // their driver values
        QString rowCondition; // Update, Delete: the row, as "identity = ?" terms
        QVariantList rowKey;  // their values
    };
    // Runs the prepared statement of such a write, as exec(query).
    void execWrite(QSqlQuery &query, const RowWrite &write);
    // query.next(), where no row for a connection that broke while the rows
    // came is a lost connection, never an empty result.
    bool next(QSqlQuery &query);
    // Throws the ComError for an engine error, with the engine's own words
    // and, where the engine refused by one of its rules, that rule.
    [[noreturn]] void raise(const QSqlError &error, EngineRefusal refusal = EngineRefusal());
    // Throws DB_SEC_E_PERMISSIONDENIED unless sql is exactly one statement.
    void requireSingleStatement(const QString &sql);

    // Transactions of the connection; nested calls are counted, so the
    // component's own short write transactions join one the caller opened.
    // A rollback always ends the whole transaction; serial() tells a nested
    // user that the transaction it joined is gone.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    bool inTransaction() const { return m_transactionDepth > 0; }
    quint64 transactionSerial() const { return m_transactionSerial; }

    virtual QStringList tableNames() = 0;
    // The table's columns and keys; ComError DB_E_NOTABLE when there is none.
    virtual TableSchema readTable(const QString &name) = 0;
    // How the table is written in SQL (readTable's sqlName), where the
    // engine can tell it without reading the columns and keys.
    virtual QString readTableSqlName(const QString &name) { return readTable(name).sqlName; }
    // The SQL expressions that identify a row of the table: its primary key,
    // or the engine's row address; empty when rows cannot be identified.
    virtual QStringList rowIdentity(const TableSchema &table) const;
    // Whether the engine's row address (no primary key) is a whole number.
    virtual bool rowAddressIsInteger() const { return false; }
    // Runs a key query so that its rows can be read in batches while other
    // connections write. Engines without such a reader read everything now.
    virtual std::unique_ptr<KeySource> openKeySource(const QString &sql, int width);
    // The query limited to its first rows: the engine answers it with a
    // bounded (top-N) sort instead of sorting every row. Empty where the
    // engine has no such limit; keys are then read from the start only.
    virtual QString limitedQuery(const QString &sql, qsizetype rows) const;
    // Appends the first rows of a key query to keys: limitedQuery() on the
    // main connection, run the way the engine answers it fastest.
    virtual void readLimited(const QString &sql, qsizetype rows, KeyStore &keys);
    // Whether a key query can be read to its end on a connection of its own,
    // in another thread, without holding back any writer (the background
    // key reader opens that connection with params()).
    virtual bool readsKeysInBackground() const { return false; }
    // Whether NULL comes first in an ascending order (SQLite, SQL Server),
    // rather than last (PostgreSQL).
    virtual bool nullsSortFirst() const { return true; }
    // Runs a key query on this connection itself, for a reader that does
    // nothing else on it: the background key reader's own connection.
    virtual std::unique_ptr<KeySource> openOwnKeySource(const QString &sql, int width);
    // Something another thread may call to cut this connection's running
    // statement short (it then fails); empty where the engine has nothing
    // of the kind and the statement runs to its end.
    virtual std::function<void()> canceller() { return {}; }
    // Whether INSERT … RETURNING gives the new row's identity.
    virtual bool supportsReturning() const { return true; }
    // The identity the engine gave the row just inserted, where it has no
    // RETURNING; empty when it cannot tell.
    virtual QVariantList lastInsertedIdentity() { return {}; }
    // What follows a row lookup to lock it until the transaction ends.
    virtual QString lockClause() const { return QString(); }
    virtual QString beginStatement() const { return QStringLiteral("BEGIN"); }
    // Serialises schema changes of one name among all connections until the
    // transaction ends (where the engine's write lock does not already).
    virtual void lockSchemaChange(const QString &name) { Q_UNUSED(name); }
    // Whether CREATE TABLE IF NOT EXISTS and ALTER TABLE … ADD CONSTRAINT work.
    virtual bool canCreateIfNotExists() const { return false; }
    virtual bool canAddConstraint() const { return true; }

    // The table's columns and keys as readTable() gives them, read once per
    // connection (the component's own lookups; not for the catalog).
    const TableSchema &schema(const QString &table);

    // Values between the driver and the component, typed by the column.
    virtual Variant fromDriver(const QVariant &value, const ColumnSchema &column) const;
    // Throws ComError DB_E_CANTCONVERTVALUE when the value does not fit.
    // storedLike is a value the column holds, as the driver returned it (the
    // row's old value, or storedSample()): where one column may hold a value
    // in several forms, the new value is written in that one. Null: the
    // engine's usual form.
    virtual QVariant toDriver(const Variant &value, const ColumnSchema &column,
                              const QVariant &storedLike = QVariant()) const;
    // A value of a result column that no table column describes.
    static Variant fromDriverUntyped(const QVariant &value);
    // Some value the column of the table (as SQL names it) holds, as the
    // driver returns it, where the engine lets a column hold its values in
    // several forms (SQLite: a date as text, julian day or unix time); null
    // elsewhere, and when the column holds nothing but NULL.
    virtual QVariant storedSample(const QString &table, const ColumnSchema &column);
    // Throws ComError DB_E_CANTCONVERTVALUE when the engine would refuse the
    // value (as toDriver() made it) for the column, without writing anything:
    // the engine's own check of a domain, an enum label, a uuid's digits.
    virtual void checkValue(const ColumnSchema &column, const QVariant &driverValue);
    // How statements read a column written as name: the name itself, or an
    // expression of it that hands the value to the driver without loss.
    virtual QString selectExpression(const ColumnSchema &column, const QString &name) const;
    // Where a written row takes a value of the column: "?", or the marker
    // in what the engine must read it as.
    virtual QString valueMark(const ColumnSchema &column) const
    {
        Q_UNUSED(column);
        return QStringLiteral("?");
    }
    // A filter's comparison of a column with an operand written the way
    // filters write them (numbers with ".", dates as the dialect's literal,
    // yes/no as true/false/1/0/-1, everything else as a quoted text):
    // rewrites column and operand where the engine needs another form to
    // compare the column's values (SQLite dates held as numbers, PostgreSQL
    // money). Usually both stay as they are.
    virtual void adaptComparison(const QString &table, const ColumnSchema &column,
                                 QString *columnSql, QString *operand);

    // Always quoted, for names the component puts in its own statements.
    QString quoteIdentifier(const QString &name) const;
    // A catalog name as SQL: unchanged where the engine reads it unquoted as
    // that very name (so ordinary names keep the statements as hosts know
    // them), quoted where it would not (reserved words, blanks, umlauts,
    // and on PostgreSQL capitals).
    QString sqlName(const QString &name) const;
    // How a table the caller named is written in SQL (the catalog resolves
    // it once; a name that works as written stays as written).
    QString tableSqlName(const QString &name);
    // The same for a column of a table, named by the caller in any letter
    // case (the library's own SQL spells QRTFILTER_ID in capitals, which
    // PostgreSQL keeps as qrtfilter_id).
    QString columnSqlName(const QString &table, const QString &column);

    // The command timeout in seconds (0: none); applies from the next statement.
    void setCommandTimeout(int seconds);

protected:
    explicit Backend(const ConnectionParams &params);
    void openDatabase(const QString &driver); // m_db from m_params; throws
    virtual void configureDatabase(QSqlDatabase &db) = 0;
    virtual void afterOpen() {}
    virtual void applyCommandTimeout() {}
    // Whether prepared statements send their values in the statement's text
    // instead of preparing it on the server: a statement prepared on one
    // server session cannot run on another, and a transaction pooler gives
    // each transaction whichever session is free. The values are written as
    // the driver writes them for its own EXECUTE, so nothing about them
    // changes but where they travel.
    virtual bool sendsValuesInline() const { return false; }
    // Whether the name reads unquoted as itself on this engine.
    bool isPlainName(const QString &name) const { return readsUnquotedAs(name, name); }
    // Whether written, unquoted in a statement, names the catalog's name.
    virtual bool readsUnquotedAs(const QString &written, const QString &catalogName) const;
    // The engine's proof that sql is one statement; throws ComError. The
    // common scan has run before.
    virtual void verifySingleStatement(const QString &sql) { Q_UNUSED(sql); }
    // The component's code for an engine error.
    virtual HRESULT_T classifyError(const QSqlError &error) const;
    // What an engine error means for the user, as a German sentence put
    // before the engine's own words; empty where those say it all.
    virtual QString explainedError(const QSqlError &error) const
    {
        Q_UNUSED(error);
        return QString();
    }
    // The code for a connection the engine refused to open: E_FAIL, or
    // DB_SEC_E_AUTH_FAILED when it refused the login, so that a host can
    // tell a wrong password from a database that is not there.
    virtual HRESULT_T classifyOpenError(const QSqlError &error) const;
    // Whether the failure of the last statement left the connection dead.
    virtual bool connectionBroken(const QSqlError &error) const;
    // The rule by which the engine refused the statement query ran, in
    // parts; empty for every other failure. write is the row the statement
    // wrote, where it was one of the recordset's.
    virtual EngineRefusal refusalOf(const QSqlError &error, const QSqlQuery &query,
                                    const RowWrite *write);
    // The connection's reader connections and the like, to drop with it.
    virtual void dropSideConnections() {}
    // Around every statement on the main connection: engines with a client-
    // side deadline arm and disarm it here.
    virtual void statementStarts(const QSqlDatabase &db) { Q_UNUSED(db); }
    virtual void statementEnds() {}
    // Whether a failed statement ends the whole transaction on the server
    // (PostgreSQL), rather than only itself (SQLite).
    virtual bool failureEndsTransaction() const { return false; }
    // Why the last statement was cut off by the client, if it was.
    virtual QString interruptionReason() const { return QString(); }
    // outcome: what became of the statement, when that is in doubt.
    [[noreturn]] void raiseLost(const QString &engineText, const QString &outcome = QString());
    static QString newConnectionName();
    static QString engineText(const QSqlError &error);
    // A day and time from the texts engines and users write for them: ISO
    // 8601 (with fractions and a zone, which is not applied), d.M.yyyy, a
    // time of day alone (on the day the calendar starts with).
    static bool parseDateText(const QString &text, QDate *date, QTime *time);
    // The day and time a Date, a day count or a date text stands for.
    static bool dateOf(const Variant &value, QDate *date, QTime *time);
    // Sets the column's defaultValue, or defaultIsToday, where its default
    // (written as SQL, without the engine's casts) is a constant: a number,
    // a quoted text, true or false, a date, CURRENT_DATE. Anything else the
    // engine computes for each row, and it stays Empty.
    void applyDefault(ColumnSchema &column, const QString &expression) const;

    ConnectionParams m_params;
    QSqlDatabase m_db;
    QString m_connectionName;
    int m_transactionDepth = 0;
    quint64 m_transactionSerial = 0;
    bool m_lost = false;
    bool m_opened = false; // see isOpen()
    int m_generation = 0;

    // Runs one statement on the main connection inside the engine's watch.
    bool watched(const std::function<bool()> &run);
    // Runs the statement prepare() made of query with its bound values,
    // inside the watch; false when the engine refused it (lastError).
    bool runPrepared(QSqlQuery &query);

private:
    void keepUntilTransactionEnds(const QSqlQuery &query);
    // The prepared text of query with its bound values written in.
    QString withValuesInline(const QSqlQuery &query, const QString &sql) const;
    void execChecked(QSqlQuery &query, const RowWrite *write);
    // The failure of query: its transaction ended where the engine ended it,
    // the error raised with the engine's refusal.
    [[noreturn]] void raiseFailed(QSqlQuery &query, const RowWrite *write);

    QVector<QSqlQuery> m_failedInTransaction;
    // Where values go into the statement's text (sendsValuesInline): the
    // text with its placeholders, by the query's result, from prepare to
    // every exec. A query that has gone leaves its entry until its address
    // is prepared again or the connection is made anew; only a query
    // prepared here is ever run from it.
    QHash<const QSqlResult *, QString> m_inlineSql;
    QHash<QString, QString> m_tableSqlNames;
    QHash<QString, QString> m_columnSqlNames; // "table\ncolumn" -> SQL
    QHash<QString, TableSchema> m_schemas;
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
