#ifndef QRT_DATA_COLUMNINFO_H
#define QRT_DATA_COLUMNINFO_H

#include "data/component/TableSchema.h"
#include "data/component/Variant.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

// What the form layers do with a column's values: the control it gets, how a
// typed text is converted and checked, how a value is rendered. Several type
// codes share one category (the catalog's many integer and text codes).
enum class TypeCategory : qint32 {
    Unknown = 0,     // binary, GUID, times of day and every code the type table lacks:
                     // shown and written as their text
    WholeNumber = 1, // includes "numeric (var)"
    Fractional = 2,  // includes "numeric" and "decimal"
    Text = 3,
    Date = 4,
    YesNo = 5,
};

// Bits of ColumnInfo::flags.
enum ColumnFlag : quint16 {
    CF_NULLABLE = 1,   // the column accepts NULL
    CF_PRIMARYKEY = 2, // member of the primary key
    CF_UNIQUE = 4,     // member of a unique key
};

// One column of a table as the catalog describes it. Copied by value; the
// column cache keeps vectors of these per table.
struct ColumnInfo
{
    QString name;     // as the catalog spells it
    QString typeName; // short name from the type table, or "DataTypeEnum=<code>"
    TypeCategory category = TypeCategory::Unknown;
    qint32 definedSize = 0; // characters for text columns
    qint32 numericScale = 0;
    qint32 precision = 0;
    quint16 flags = 0;          // ColumnFlag bits
    Variant value;              // always Empty here; a slot for the form layers' own use
    bool autoIncrement = false; // the engine fills it in a new row
    bool hasDefault = false;    // a new row left without a value gets the column's default
    // Shown but never written: computed by the engine (generated columns,
    // identities that take no value). A form shows such a field read-only.
    bool readOnly = false;
    ReadOnlyReason readOnlyReason = ReadOnlyReason::None;
    // A new row's value where the column's default is a constant (see
    // ColumnSchema): shown on a new record, and left to the engine to store.
    Variant defaultValue;
    bool defaultIsToday = false; // DEFAULT CURRENT_DATE
    // Where the column alone is a foreign key: the table it refers to and
    // the column there (empty: that table's primary key). Empty otherwise,
    // and for a column that is only part of a key of several columns.
    QString referencedTable;
    QString referencedColumn;
    // The only values the column takes, in their order (an enum's labels, a
    // CHECK (x IN (…)) list); empty: any value of its type.
    QStringList allowedValues;
    // Bytes (BLOB, bytea, varbinary): the record text is their hexadecimal
    // digits, and a form shows them as a picture where they are one.
    bool binary = false;
};

#endif // QRT_DATA_COLUMNINFO_H
