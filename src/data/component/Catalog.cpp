#include "data/component/Catalog.h"

#include "data/component/TableSchema.h"
#include "data/component/engines/Backend.h"

CatalogTable::CatalogTable(const TableSchema &schema) : m_name(schema.name)
{
    for (const ColumnSchema &source : schema.columns) {
        CatalogColumn column;
        column.m_name = source.name;
        column.m_type = source.type;
        column.m_definedSize = source.definedSize;
        column.m_numericScale = source.numericScale;
        column.m_precision = source.precision;
        column.m_attributes = source.attributes;
        column.m_autoIncrement = source.autoIncrement;
        column.m_hasDefault = source.hasDefault;
        column.m_readOnly = source.readOnly;
        column.m_readOnlyReason = source.readOnlyReason;
        column.m_defaultValue = source.defaultValue;
        column.m_defaultIsToday = source.defaultIsToday;
        column.m_allowedValues = source.allowedValues;
        m_columns.m_items << column;
    }
    for (const KeySchema &source : schema.keys) {
        CatalogKey key;
        key.m_name = source.name;
        key.m_type = source.type;
        key.m_columns = source.columns;
        key.m_relatedTable = source.relatedTable;
        key.m_relatedColumns = source.relatedColumns;
        m_keys.m_items << key;
    }
}

void CatalogTables::Refresh()
{
    m_tables.clear();
    m_names.clear();
    m_namesRead = false;
}

QStringList CatalogTables::Names()
{
    if (!m_connected)
        throw ComError(E_POINTER, QStringLiteral("Der Katalog hat keine aktive Verbindung."));
    if (!m_namesRead) {
        m_names = m_connection.backend().tableNames();
        m_namesRead = true;
    }
    return m_names;
}

int CatalogTables::Count()
{
    return int(Names().size());
}

const CatalogTable &CatalogTables::Item(const QString &name)
{
    if (!m_connected)
        throw ComError(E_POINTER, QStringLiteral("Der Katalog hat keine aktive Verbindung."));
    auto found = m_tables.find(name);
    if (found == m_tables.end()) {
        auto table = std::make_unique<CatalogTable>(m_connection.backend().readTable(name));
        found = m_tables.emplace(name, std::move(table)).first;
    }
    return *found->second;
}

void Catalog::putActiveConnection(const Connection &connection)
{
    m_tables.m_connection = connection;
    m_tables.m_connected = true;
    m_tables.Refresh();
}

Connection Catalog::ActiveConnection() const
{
    if (!m_tables.m_connected)
        throw ComError(E_POINTER, QStringLiteral("Der Katalog hat keine aktive Verbindung."));
    return m_tables.m_connection;
}

CatalogTables &Catalog::Tables()
{
    return m_tables;
}
