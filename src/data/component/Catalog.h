#ifndef QRT_DATA_COMPONENT_CATALOG_H
#define QRT_DATA_COMPONENT_CATALOG_H

#include "data/component/Connection.h"
#include "data/component/TableSchema.h"
#include "data/component/Variant.h"
#include "qrt_export.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <map>
#include <memory>

// A column as the catalog describes it: ADO's type code, sizes and
// attributes (adColNullable = 2 when it accepts NULL).
class QRT_EXPORT CatalogColumn
{
public:
    QString Name() const { return m_name; }
    int Type() const { return m_type; }
    int DefinedSize() const { return m_definedSize; }
    int NumericScale() const { return m_numericScale; }
    int Precision() const { return m_precision; }
    int Attributes() const { return m_attributes; }
    // The engine fills the column of a new row by itself (an identity or
    // serial column, SQLite's INTEGER PRIMARY KEY).
    bool IsAutoIncrement() const { return m_autoIncrement; }
    // A new row that gets no value for it gets the column's default.
    bool HasDefault() const { return m_hasDefault; }
    // The library does not write it (computed by the engine, or binary).
    bool IsReadOnly() const { return m_readOnly; }
    ReadOnlyReason WhyReadOnly() const { return m_readOnlyReason; }
    // A new row's value where the default is a constant, else Empty.
    Variant DefaultValue() const { return m_defaultValue; }
    // The default is CURRENT_DATE: today, whenever the row is new.
    bool IsDefaultToday() const { return m_defaultIsToday; }
    // The only values the column takes (an enum, a list check); empty: any.
    const QStringList &AllowedValues() const { return m_allowedValues; }

private:
    friend class CatalogTable;
    QString m_name;
    int m_type = 0;
    int m_definedSize = 0;
    int m_numericScale = 0;
    int m_precision = 0;
    int m_attributes = 0;
    bool m_autoIncrement = false;
    bool m_hasDefault = false;
    bool m_readOnly = false;
    ReadOnlyReason m_readOnlyReason = ReadOnlyReason::None;
    Variant m_defaultValue;
    bool m_defaultIsToday = false;
    QStringList m_allowedValues;
};

// A key: 1 primary, 2 unique, 3 foreign, with its columns in key order.
class QRT_EXPORT CatalogKey
{
public:
    QString Name() const { return m_name; }
    int Type() const { return m_type; }
    const QStringList &Columns() const { return m_columns; }
    QString RelatedTable() const { return m_relatedTable; }
    // The referenced columns of a foreign key, in key order; empty where the
    // key names the referenced table's primary key without its columns.
    const QStringList &RelatedColumns() const { return m_relatedColumns; }

private:
    friend class CatalogTable;
    QString m_name;
    int m_type = 0;
    QStringList m_columns;
    QString m_relatedTable;
    QStringList m_relatedColumns;
};

template <typename T> class CatalogItems
{
public:
    int Count() const { return int(m_items.size()); }
    const T &Item(int index) const { return m_items.at(index); }
    typename QVector<T>::const_iterator begin() const { return m_items.begin(); }
    typename QVector<T>::const_iterator end() const { return m_items.end(); }

private:
    friend class CatalogTable;
    QVector<T> m_items;
};

class QRT_EXPORT CatalogTable
{
public:
    explicit CatalogTable(const TableSchema &schema);
    QString Name() const { return m_name; }
    const CatalogItems<CatalogColumn> &Columns() const { return m_columns; }
    const CatalogItems<CatalogKey> &Keys() const { return m_keys; }

private:
    QString m_name;
    CatalogItems<CatalogColumn> m_columns;
    CatalogItems<CatalogKey> m_keys;
};

// The tables of the active connection's database. Tables are read from the
// engine's own catalog when first asked for and kept until Refresh().
class QRT_EXPORT CatalogTables
{
public:
    void Refresh();
    int Count();
    QStringList Names();
    // ComError DB_E_NOTABLE when the database has no such table.
    const CatalogTable &Item(const QString &name);

private:
    friend class Catalog;
    Connection m_connection;
    bool m_connected = false;
    QStringList m_names;
    bool m_namesRead = false;
    std::map<QString, std::unique_ptr<CatalogTable>> m_tables;
};

class QRT_EXPORT Catalog
{
public:
    void putActiveConnection(const Connection &connection);
    // ComError when no open connection was set.
    Connection ActiveConnection() const;
    CatalogTables &Tables();

private:
    CatalogTables m_tables;
};

#endif // QRT_DATA_COMPONENT_CATALOG_H
