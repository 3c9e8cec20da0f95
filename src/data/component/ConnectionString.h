#ifndef QRT_DATA_COMPONENT_CONNECTIONSTRING_H
#define QRT_DATA_COMPONENT_CONNECTIONSTRING_H

#include "data/component/SqlDialect.h"
#include "qrt_export.h"

#include <QString>

// What a connection string asks for. The strings are the ones the base manager
// builds ("Provider=SQLite;Data Source=…", "Provider=PostgreSQL;Server=…;Uid=…;
// Pwd=…;Database=…", "Driver={SQL Server}; …" and the Jet provider string);
// keys are matched ignoring case and blanks, values are taken as written.
struct QRT_AUTOTEST_EXPORT ConnectionParams
{
    DatabaseKind kind = DatabaseKind::SqlServer;
    QString database; // file name for SQLite and Access, database name otherwise
    QString host;
    int port = -1;
    QString user;
    QString password;
    QString odbcString; // SQL Server and Access: what the ODBC driver manager gets

    // Throws ComError (E_FAIL) for a string that names no known provider.
    static ConnectionParams parse(const QString &connectionString);
};

#endif // QRT_DATA_COMPONENT_CONNECTIONSTRING_H
