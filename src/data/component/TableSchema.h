#ifndef QRT_DATA_COMPONENT_TABLESCHEMA_H
#define QRT_DATA_COMPONENT_TABLESCHEMA_H

#include "data/component/Variant.h"
#include "qrt_export.h"

#include <QString>
#include <QStringList>
#include <QVector>

// ADO's DataTypeEnum codes of the types the engines report.
namespace AdoType {
enum : int {
    Empty = 0,
    SmallInt = 2,
    Integer = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    BSTR = 8,
    Boolean = 11,
    Variant = 12,
    Decimal = 14,
    TinyInt = 16,
    UnsignedTinyInt = 17,
    UnsignedSmallInt = 18,
    UnsignedInt = 19,
    BigInt = 20,
    UnsignedBigInt = 21,
    GUID = 72,
    Binary = 128,
    Char = 129,
    WChar = 130,
    Numeric = 131,
    DBDate = 133,
    DBTime = 134,
    DBTimeStamp = 135,
    VarNumeric = 139,
    VarChar = 200,
    LongVarChar = 201,
    VarWChar = 202,
    LongVarWChar = 203,
    VarBinary = 204,
    LongVarBinary = 205,
};
}

// ADOX column attributes and key types.
enum ColumnAttribute : int { adColFixed = 1, adColNullable = 2 };
enum KeyType : int { adKeyPrimary = 1, adKeyUnique = 2, adKeyForeign = 3 };

// How a value of a column is held once read: the value type follows from the
// declared type, not from what the driver happens to return. Other is every
// type the form has no typed control for (uuid, interval, time of day, json,
// arrays, enums, binary ...): its values travel as their text.
enum class ValueKind {
    Small,
    Integer,
    BigInteger,
    Floating,
    Decimal,
    Date,
    DateTime,
    Text,
    Boolean,
    Other
};

// Why the library never writes a column (ColumnSchema::readOnly).
enum class ReadOnlyReason {
    None,
    Generated, // computed by the engine from other columns
    Identity,  // a key the engine assigns and takes from no one (GENERATED ALWAYS)
};

// Whether values of the type code are bytes (their record text is their
// hexadecimal digits).
QRT_AUTOTEST_EXPORT bool isBinaryType(int adoType);

struct ColumnSchema
{
    QString name;
    int type = AdoType::Empty;
    int definedSize = 0;
    int precision = 0;
    int numericScale = 0;
    int attributes = 0;
    ValueKind valueKind = ValueKind::Other;
    bool autoIncrement = false; // the engine fills it (SQLite rowid alias, PostgreSQL identity)
    bool hasDefault = false;    // a new row without a value gets the column's default
    // The library never writes it: the engine computes it (a generated
    // column, an identity that takes no values).
    bool readOnly = false;
    ReadOnlyReason readOnlyReason = ReadOnlyReason::None; // set exactly when readOnly
    // What a new row gets when the form leaves the column alone, where the
    // engine's default is a constant (DEFAULT 4.99, 'DE', true): that value;
    // Empty where there is no default or the engine computes it (a
    // sequence, a uuid, now()). CURRENT_DATE is today's date whenever a new
    // row starts, so it is a flag, not a value.
    Variant defaultValue;
    bool defaultIsToday = false;
    // The only values a check or the type allows, in their order: an enum's
    // labels, a CHECK (x IN (…)) list of the column or of its domain. Empty:
    // no such list (any value of the type).
    QStringList allowedValues;
    // The engine's own name of the type, where values must be checked
    // against it before they are written (PostgreSQL: domains, enums,
    // arrays, uuid ...); empty elsewhere.
    QString checkedType;
};

struct KeySchema
{
    QString name;
    int type = adKeyPrimary;
    QStringList columns;
    QString relatedTable;       // foreign keys: the table referenced
    QStringList relatedColumns; // its columns, in key order (empty: its primary key)
};

struct QRT_AUTOTEST_EXPORT TableSchema
{
    QString name;    // as the catalog holds it
    QString sqlName; // how statements name it (as the caller wrote it where that works)
    QVector<ColumnSchema> columns;
    QVector<KeySchema> keys;
    bool isView = false; // rows are computed, not stored: no row address
    // The user may read the rows but change none of them: no privilege to
    // update any column, or a database opened or stored read-only.
    bool readOnly = false;
    // The database takes no changes at all now (a standby server).
    bool databaseReadOnly = false;

    int indexOf(const QString &column) const; // ignoring case; -1 when absent
    QStringList primaryKey() const;
};

// The values that every one of lists allows, in the order of the first;
// empty for no lists.
QRT_AUTOTEST_EXPORT QStringList allowedByAll(const QVector<QStringList> &lists);

// How a type name the rules do not know is read.
enum class UnknownTypes {
    SqliteAffinity, // SQLite's affinity rules: a name containing INT is a whole number, …
    Other,          // engines whose type names mean what they say ("interval" is no INT)
};

// The type code, sizes and value kind of a declared SQL type, such as
// "VARCHAR(50)", "NUMERIC(10,2)", "double precision" or "timestamp without
// time zone". Unknown names fall back to SQLite's affinity rules where asked
// (and where they apply) and otherwise keep ADO's "variant" code, category
// unknown. Binary values travel as their hexadecimal digits.
QRT_AUTOTEST_EXPORT ColumnSchema
columnFromDeclaredType(const QString &name, const QString &declaredType,
                       UnknownTypes unknown = UnknownTypes::SqliteAffinity);

#endif // QRT_DATA_COMPONENT_TABLESCHEMA_H
