#ifndef QRT_DATA_COMPONENT_CONNECTION_H
#define QRT_DATA_COMPONENT_CONNECTION_H

#include "data/component/Recordset.h"
#include "data/component/SqlDialect.h"
#include "qrt_export.h"

#include <QString>

#include <memory>

class Backend;

// State values as the component reports them.
enum ObjectStateEnum : long { adStateClosed = 0, adStateOpen = 1 };

// A database connection. Like a counted reference, copies share one
// connection: recordsets opened on it keep it alive, and Close() closes it for
// all of them. Every failure throws ComError with the engine's own message
// as description.
//
// Connection strings: "Provider=SQLite;Data Source=FILE",
// "Provider=PostgreSQL;Server=HOST[:PORT];Uid=…;Pwd=…;Database=…",
// "Driver={SQL Server}; Provider=SQLOLEDB; Server=…; Uid=…;Pwd=…;Database=…"
// and "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=FILE;…".
class QRT_EXPORT Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &other);
    Connection &operator=(const Connection &other);

    // User and password other than empty override those of the string.
    void Open(const QString &connectionString, const QString &userId = QString(),
              const QString &password = QString(), long options = 0);
    void Close();

    // Runs a statement. A query gives a read-only recordset on its first row;
    // any other statement a closed one. recordsAffected receives the count of
    // changed rows (-1 for queries).
    Recordset Execute(const QString &sql, long *recordsAffected = nullptr, long options = 0);

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    long State() const;
    QString ConnectionString() const;

    // Seconds to wait for each statement; 0 waits as long as it takes.
    // Unless set, it comes from the string ("Command Timeout") or the
    // process default (ConnectionParams::setDefaultTimeouts), as the wait
    // for the connection always does ("Connect Timeout").
    void putCommandTimeout(int seconds);

    // A catalog name as it goes into SQL: unchanged where the engine reads
    // it unquoted as itself, quoted otherwise (reserved words, blanks,
    // umlauts, capitals on PostgreSQL). Unchanged while closed.
    QString sqlName(const QString &catalogName) const;
    // How a table the caller named is written in SQL (resolved by the catalog).
    QString sqlTableName(const QString &name) const;
    // How a column of that table, named in any letter case, is written in SQL.
    QString sqlColumnName(const QString &table, const QString &column) const;
    // How a statement reads the column of a table so that its value reaches
    // the driver without loss (the server's text of a time or an interval
    // on PostgreSQL); the column's SQL name where that is all it takes.
    QString sqlValueExpression(const QString &table, const QString &column) const;
    // A filter's comparison of the column of a table with an operand in the
    // filters' usual form (numbers with ".", dates as the dialect's literal,
    // yes/no as true/false/1/0/-1, other values quoted): column and operand
    // rewritten where the engine compares the column's values in another
    // form (SQLite dates held as julian days, booleans held as 'Y'/'N';
    // PostgreSQL money). Unchanged while closed and for unknown columns.
    void adaptComparison(const QString &table, const QString &column, QString *columnSql,
                         QString *operand) const;

    // For creating the library's own tables once, whoever comes first:
    // serialises schema changes of name until the transaction ends, and says
    // what the engine's DDL offers.
    void lockSchemaChange(const QString &name);
    bool canCreateIfNotExists() const;
    bool canAddConstraint() const;

    // The kind of database open (SQL Server while closed) and its SQL dialect.
    DatabaseKind kind() const;
    const SqlDialect &dialect() const { return dialectFor(kind()); }

    // For the component's recordset and catalog; throws when not open.
    Backend &backend() const;
    std::shared_ptr<Backend> sharedBackend() const;

private:
    struct Private;
    std::shared_ptr<Private> d;
};

#endif // QRT_DATA_COMPONENT_CONNECTION_H
