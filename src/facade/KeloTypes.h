#ifndef QRT_FACADE_KELOTYPES_H
#define QRT_FACADE_KELOTYPES_H

// The database kind a host passes to the facades. Hosts built for the first
// two kinds pass plain numbers, and any value other than the ones below is
// treated as SQL Server, so this stays an unscoped enumeration.
namespace ns_qrttypen {
enum KELODBTyp {
    KELO_ACCESS = 1,     // Microsoft Access file
    KELO_SQLSERVER = 2,  // Microsoft SQL Server over ODBC
    KELO_SQLITE = 3,     // SQLite database file
    KELO_POSTGRESQL = 4, // PostgreSQL server
};
} // namespace ns_qrttypen

#endif // QRT_FACADE_KELOTYPES_H
