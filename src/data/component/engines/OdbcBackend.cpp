#include "data/component/engines/OdbcBackend.h"

#include "data/component/SqlText.h"

#include <QSqlDriver>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>

namespace {

// ODBC's SQL type codes (sql.h) as Qt reports them in QSqlField::typeID().
ColumnSchema columnFromOdbc(const QSqlField &field)
{
    const char *declared = "varchar";
    switch (field.typeID()) {
    case 5:
        declared = "smallint";
        break; // SQL_SMALLINT
    case -6:
        declared = "tinyint";
        break; // SQL_TINYINT
    case 4:
        declared = "integer";
        break; // SQL_INTEGER
    case -5:
        declared = "bigint";
        break; // SQL_BIGINT
    case 6:
    case 8:
        declared = "double";
        break; // SQL_FLOAT, SQL_DOUBLE
    case 7:
        declared = "real";
        break; // SQL_REAL
    case 2:
    case 3:
        declared = "numeric";
        break; // SQL_NUMERIC, SQL_DECIMAL
    case 9:
    case 91:
        declared = "date";
        break; // SQL_DATE, SQL_TYPE_DATE
    case 11:
    case 93:
        declared = "datetime";
        break; // SQL_TIMESTAMP
    case 10:
    case 92:
        declared = "time";
        break;
    case -7:
        declared = "bit";
        break; // SQL_BIT
    case 1:
    case -8:
        declared = "char";
        break;
    case 12:
    case -9:
        declared = "varchar";
        break;
    case -1:
    case -10:
        declared = "text";
        break;
    case -11:
        declared = "uniqueidentifier";
        break;
    case -2:
        declared = "binary";
        break;
    case -3:
        declared = "varbinary";
        break;
    case -4:
        declared = "image";
        break;
    default:
        break;
    }
    ColumnSchema column = columnFromDeclaredType(field.name(), QString::fromLatin1(declared));
    if (column.valueKind == ValueKind::Text && field.length() > 0)
        column.definedSize = field.length();
    if (column.valueKind == ValueKind::Decimal && field.length() > 0) {
        column.precision = field.length();
        column.numericScale = qMax(0, field.precision());
    }
    if (field.requiredStatus() != QSqlField::Required)
        column.attributes |= adColNullable;
    column.autoIncrement = field.isAutoValue();
    return column;
}

} // namespace

OdbcBackend::OdbcBackend(const ConnectionParams &params) : Backend(params)
{
    try {
        openDatabase(QStringLiteral("QODBC"));
    } catch (const ComError &error) {
        if (params.kind == DatabaseKind::Access) {
            throw ComError(
                E_FAIL,
                QStringLiteral("Access-Datenbanken brauchen den ODBC-Treiber \"Microsoft Access "
                               "Driver (*.mdb, *.accdb)\", der auf diesem System nicht "
                               "verfügbar ist.\r\n") +
                    error.description());
        }
        throw;
    }
}

void OdbcBackend::configureDatabase(QSqlDatabase &db)
{
    db.setDatabaseName(m_params.odbcString);
    if (m_params.connectTimeout > 0)
        db.setConnectOptions(
            QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(m_params.connectTimeout));
}

void OdbcBackend::verifySingleStatement(const QString &sql)
{
    // Only selects carry host SQL; the component's own writes name their
    // table as the catalog resolved it and bind every value.
    if (!sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive))
        return;
    if (SqlText::hasTopLevelStatementKeyword(sql)) {
        throw ComError(DB_SEC_E_PERMISSIONDENIED,
                       QStringLiteral("Die SQL-Anweisung enthält eine zweite Anweisung; sie wird "
                                      "nicht ausgeführt."));
    }
}

QVariantList OdbcBackend::lastInsertedIdentity()
{
    QSqlQuery query = newQuery();
    exec(query, QStringLiteral("SELECT @@IDENTITY"));
    QVariantList key;
    if (query.next())
        key << query.value(0);
    return key;
}

QStringList OdbcBackend::tableNames()
{
    return m_db.tables(QSql::Tables) + m_db.tables(QSql::Views);
}

TableSchema OdbcBackend::readTable(const QString &name)
{
    const QSqlRecord record = m_db.record(name);
    if (record.isEmpty())
        throw ComError(DB_E_NOTABLE,
                       QStringLiteral("Die Tabelle %1 gibt es in der Datenbank nicht.").arg(name));
    TableSchema table;
    table.name = name;
    table.sqlName = SqlText::unquoteIdentifier(name) == name && !isPlainName(name)
                        ? quoteIdentifier(name)
                        : name;
    for (int i = 0; i < record.count(); ++i)
        table.columns << columnFromOdbc(record.field(i));
    const QSqlIndex primary = m_db.primaryIndex(name);
    if (!primary.isEmpty()) {
        KeySchema key;
        key.type = adKeyPrimary;
        key.name = primary.name();
        for (int i = 0; i < primary.count(); ++i)
            key.columns << primary.fieldName(i);
        table.keys << key;
    }
    return table;
}
