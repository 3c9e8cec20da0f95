#ifndef QRT_DATA_COMPONENT_ENGINES_PGRESULT_H
#define QRT_DATA_COMPONENT_ENGINES_PGRESULT_H

#include <libpq-fe.h>

#include <memory>

// A libpq result owned like any other object: cleared when its owner goes,
// on every path out of the code that asked for it.
struct PgResultDeleter
{
    void operator()(PGresult *result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultDeleter>;

#endif // QRT_DATA_COMPONENT_ENGINES_PGRESULT_H
