#ifndef QRT_DATA_COMPONENT_CONNECTIONSTRING_H
#define QRT_DATA_COMPONENT_CONNECTIONSTRING_H

#include "data/component/SqlDialect.h"
#include "qrt_export.h"

#include <QString>

// Connection strings are built and read here and nowhere else.
//
// The strings are the ones hosts know: "Provider=SQLite;Data Source=…",
// "Provider=PostgreSQL;Server=…;Uid=…;Pwd=…;Database=…", "Driver={SQL Server};
// Provider=SQLOLEDB; Server=…; Uid=…;Pwd=…;Database=…" and the Jet provider
// string. A value holding ";", "=", a brace or a blank is quoted the ODBC way,
// "{…}" with "}}" for a closing brace, so a password "ge;heim" stays a
// password and "geheim;Database=other" never names a database; every other
// value goes in exactly as given, so ordinary strings stay byte-identical.
// Keys are matched ignoring case and surrounding blanks.
//
// A PostgreSQL server text may carry settings after the host, as libpq
// writes them: "db.example.org:5432 sslmode=verify-full
// sslrootcert=/etc/kelo/ca.pem application_name='Kundenverwaltung 2'". They
// become keys of their own ("SSL Mode", "Root Certificate", "Application
// Name"); a server text without settings gives the string it always gave.
namespace ConnectionString {

// The string for a kind; server is "host" or "host:port" where it applies.
QRT_EXPORT QString build(DatabaseKind kind, const QString &database, const QString &server,
                         const QString &user, const QString &password);

// A value as it goes into a string: unchanged or "{…}" quoted.
QRT_AUTOTEST_EXPORT QString quoteValue(const QString &value);

// The value of key (e.g. "Data Source"), unquoted; null when absent.
QRT_AUTOTEST_EXPORT QString value(const QString &connectionString, const QString &key);

// The string with its password replaced by "***", for anything a person or
// a log may read.
QRT_EXPORT QString redacted(const QString &connectionString);

} // namespace ConnectionString

// What a connection string asks for.
struct QRT_AUTOTEST_EXPORT ConnectionParams
{
    DatabaseKind kind = DatabaseKind::SqlServer;
    QString database; // file name for SQLite and Access, database name otherwise
    QString host;     // PostgreSQL: several, separated by commas
    int port = -1;    // of a single host
    QString ports;    // PostgreSQL with several hosts: theirs, separated by commas
    QString user;
    QString password;
    QString odbcString; // SQL Server and Access: what the ODBC driver manager gets
    int connectTimeout; // seconds to wait for a connection; 0 waits as long as it takes
    int commandTimeout; // seconds to wait for a statement; 0 waits as long as it takes
    // PostgreSQL only; empty when not asked for, so libpq's defaults hold.
    QString sslMode;         // disable, allow, prefer, require, verify-ca or verify-full
    QString sslRootCert;     // the CA file the server's certificate must be signed by
    QString applicationName; // what the server shows for the session
    // Which of several servers to take: "read-write" for the primary.
    QString targetSessionAttrs;

    ConnectionParams();

    // Throws ComError (E_FAIL) for a string that names no known provider,
    // E_INVALIDARG for PostgreSQL settings it does not know or cannot pass
    // on. "Connect Timeout" and "Command Timeout" (seconds) may follow any
    // string. A root certificate without an SSL mode means verify-full.
    static ConnectionParams parse(const QString &connectionString);

    // The timeouts of connections opened from now on, unless their string
    // says otherwise: 15 and 30 seconds unless changed.
    static void setDefaultTimeouts(int connectSeconds, int commandSeconds);
};

#endif // QRT_DATA_COMPONENT_CONNECTIONSTRING_H
