#ifndef QRT_DATA_COMPONENT_ENGINES_ODBCBACKEND_H
#define QRT_DATA_COMPONENT_ENGINES_ODBCBACKEND_H

#include "data/component/engines/Backend.h"

// SQL Server and Access through Qt's QODBC driver: the connection string goes
// to the ODBC driver manager as it is (on Linux FreeTDS answers to the driver
// name "SQL Server"; Access needs Microsoft's Access driver, which exists on
// Windows only). The catalog comes from ODBC's catalog functions; keys are
// read at once, since ODBC offers no reader that leaves writers alone.
//
// SQL Server runs every statement of a batch, and needs no ";" between them,
// so a select that carries host SQL is refused when a statement keyword stands
// at its top level after the first.
class OdbcBackend final : public Backend
{
public:
    explicit OdbcBackend(const ConnectionParams &params);

    QStringList tableNames() override;
    TableSchema readTable(const QString &name) override;
    bool supportsReturning() const override { return false; }
    QVariantList lastInsertedIdentity() override;
    QString beginStatement() const override
    {
        return m_params.kind == DatabaseKind::SqlServer ? QStringLiteral("BEGIN TRANSACTION")
                                                        : QStringLiteral("BEGIN");
    }

protected:
    void configureDatabase(QSqlDatabase &db) override;
    void verifySingleStatement(const QString &sql) override;
};

#endif // QRT_DATA_COMPONENT_ENGINES_ODBCBACKEND_H
