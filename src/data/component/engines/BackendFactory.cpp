// The one place that knows which backend serves which kind of database.

#include "data/component/engines/Backend.h"
#include "data/component/engines/OdbcBackend.h"
#include "data/component/engines/PostgresBackend.h"
#include "data/component/engines/SqliteBackend.h"

std::unique_ptr<Backend> Backend::open(const ConnectionParams &params)
{
    std::unique_ptr<Backend> backend;
    switch (params.kind) {
    case DatabaseKind::Sqlite:
        backend = std::make_unique<SqliteBackend>(params);
        break;
    case DatabaseKind::PostgreSql:
        backend = std::make_unique<PostgresBackend>(params);
        break;
    case DatabaseKind::SqlServer:
    case DatabaseKind::Access:
        backend = std::make_unique<OdbcBackend>(params);
        break;
    }
    backend->afterOpen();
    return backend;
}
