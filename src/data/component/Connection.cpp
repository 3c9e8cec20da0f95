#include "data/component/Connection.h"

#include "data/component/Recordset.h"
#include "data/component/RecordsetPrivate.h"
#include "data/component/SessionPool.h"
#include "data/component/engines/Backend.h"

struct Connection::Private
{
    std::shared_ptr<Backend> backend;
    QString connectionString;
    int commandTimeout = -1;
};

Connection::Connection() : d(std::make_shared<Private>()) {}
Connection::~Connection() = default;
Connection::Connection(const Connection &other) = default;
Connection &Connection::operator=(const Connection &other) = default;

void Connection::Open(const QString &connectionString, const QString &userId,
                      const QString &password, long options)
{
    Q_UNUSED(options);
    if (d->backend && d->backend->isOpen())
        throw ComError(ADO_E_ILLEGALOPERATION,
                       QStringLiteral("Die Verbindung ist bereits geöffnet."));
    ConnectionParams params = ConnectionParams::parse(connectionString);
    if (!userId.isEmpty())
        params.user = userId;
    if (!password.isEmpty())
        params.password = password;
    if (d->commandTimeout >= 0)
        params.commandTimeout = d->commandTimeout;
    std::unique_ptr<Backend> backend = SessionPool::take(params);
    if (!backend)
        backend = Backend::open(params);
    // Whoever lets go of the session last (this connection, or a recordset
    // that outlives it) hands it back to the pool, which keeps or closes it.
    d->backend = std::shared_ptr<Backend>(backend.release(), &SessionPool::release);
    d->connectionString = connectionString;
}

void Connection::Close()
{
    if (!d->backend || !d->backend->isOpen())
        throw ComError(ADO_E_OBJECTCLOSED, QStringLiteral("Die Verbindung ist nicht geöffnet."));
    d->backend->close();
    d->backend.reset(); // recordsets still open keep theirs until they go
}

Recordset Connection::Execute(const QString &sql, long *recordsAffected, long options)
{
    Q_UNUSED(options);
    Backend &engine = backend();
    QSqlQuery query = engine.newQuery();
    engine.exec(query, sql);
    Recordset result;
    if (query.isSelect()) {
        if (recordsAffected)
            *recordsAffected = -1;
        result.d->openStatic(d->backend, query);
    } else {
        if (recordsAffected)
            *recordsAffected = query.numRowsAffected();
        query.finish();
    }
    return result;
}

void Connection::BeginTrans()
{
    backend().beginTransaction();
}

void Connection::CommitTrans()
{
    backend().commitTransaction();
}

void Connection::RollbackTrans()
{
    backend().rollbackTransaction();
}

long Connection::State() const
{
    return d->backend && d->backend->isOpen() ? adStateOpen : adStateClosed;
}

QString Connection::ConnectionString() const
{
    return d->connectionString;
}

void Connection::putCommandTimeout(int seconds)
{
    d->commandTimeout = qMax(0, seconds);
    if (d->backend && d->backend->isOpen())
        d->backend->setCommandTimeout(d->commandTimeout);
}

QString Connection::sqlName(const QString &catalogName) const
{
    if (!d->backend || !d->backend->isOpen())
        return catalogName;
    return d->backend->sqlName(catalogName);
}

QString Connection::sqlTableName(const QString &name) const
{
    return backend().tableSqlName(name);
}

QString Connection::sqlColumnName(const QString &table, const QString &column) const
{
    return backend().columnSqlName(table, column);
}

namespace {

// The column of exactly that name, or else the first one ignoring case.
int columnIndex(const TableSchema &schema, const QString &column)
{
    for (int i = 0; i < schema.columns.size(); ++i) {
        if (schema.columns.at(i).name == column)
            return i;
    }
    return schema.indexOf(column);
}

} // namespace

QString Connection::sqlValueExpression(const QString &table, const QString &column) const
{
    Backend &engine = backend();
    const TableSchema &schema = engine.schema(table);
    const int index = columnIndex(schema, column);
    if (index < 0)
        return engine.sqlName(column);
    return engine.selectExpression(schema.columns.at(index),
                                   engine.sqlName(schema.columns.at(index).name));
}

void Connection::adaptComparison(const QString &table, const QString &column, QString *columnSql,
                                 QString *operand) const
{
    if (!d->backend || !d->backend->isOpen())
        return;
    Backend &engine = *d->backend;
    const TableSchema &schema = engine.schema(table);
    const int index = columnIndex(schema, column);
    if (index < 0)
        return;
    const QString sqlTable = schema.sqlName.isEmpty() ? table : schema.sqlName;
    engine.adaptComparison(sqlTable, schema.columns.at(index), columnSql, operand);
}

void Connection::lockSchemaChange(const QString &name)
{
    backend().lockSchemaChange(name);
}

bool Connection::canCreateIfNotExists() const
{
    return backend().canCreateIfNotExists();
}

bool Connection::canAddConstraint() const
{
    return backend().canAddConstraint();
}

DatabaseKind Connection::kind() const
{
    return d->backend ? d->backend->kind() : DatabaseKind::SqlServer;
}

Backend &Connection::backend() const
{
    return *sharedBackend();
}

std::shared_ptr<Backend> Connection::sharedBackend() const
{
    if (!d->backend || !d->backend->isOpen())
        throw ComError(ADO_E_OBJECTCLOSED, QStringLiteral("Die Verbindung ist nicht geöffnet."));
    return d->backend;
}
