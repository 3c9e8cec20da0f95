#include "data/component/Connection.h"

#include "data/component/Recordset.h"
#include "data/component/RecordsetPrivate.h"
#include "data/component/engines/Backend.h"

struct Connection::Private
{
    std::shared_ptr<Backend> backend;
    QString connectionString;
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
    d->backend = Backend::open(params);
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
