#include "data/component/TableSchema.h"

int TableSchema::indexOf(const QString &column) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).name.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList TableSchema::primaryKey() const
{
    for (const KeySchema &key : keys) {
        if (key.type == adKeyPrimary)
            return key.columns;
    }
    return {};
}

namespace {

// Long texts have no declared size; ADO reports this for memo columns.
constexpr int kLongTextSize = 536870910;

struct TypeRule
{
    const char *name; // lower case, blanks collapsed
    int type;
    ValueKind kind;
    int size;
    int precision;
    bool fixed;
};

const TypeRule kRules[] = {
    {"smallint", AdoType::SmallInt, ValueKind::Small, 2, 5, true},
    {"int2", AdoType::SmallInt, ValueKind::Small, 2, 5, true},
    {"tinyint", AdoType::UnsignedTinyInt, ValueKind::Small, 1, 3, true},
    {"byte", AdoType::UnsignedTinyInt, ValueKind::Small, 1, 3, true},
    {"integer", AdoType::Integer, ValueKind::Integer, 4, 10, true},
    {"int", AdoType::Integer, ValueKind::Integer, 4, 10, true},
    {"int4", AdoType::Integer, ValueKind::Integer, 4, 10, true},
    {"long", AdoType::Integer, ValueKind::Integer, 4, 10, true},
    {"counter", AdoType::Integer, ValueKind::Integer, 4, 10, true},
    {"autoincrement", AdoType::Integer, ValueKind::Integer, 4, 10, true},
    {"serial", AdoType::Integer, ValueKind::Integer, 4, 10, true},
    {"bigint", AdoType::BigInt, ValueKind::BigInteger, 8, 19, true},
    {"int8", AdoType::BigInt, ValueKind::BigInteger, 8, 19, true},
    {"bigserial", AdoType::BigInt, ValueKind::BigInteger, 8, 19, true},
    {"double", AdoType::Double, ValueKind::Floating, 8, 15, true},
    {"double precision", AdoType::Double, ValueKind::Floating, 8, 15, true},
    {"float", AdoType::Double, ValueKind::Floating, 8, 15, true},
    {"float8", AdoType::Double, ValueKind::Floating, 8, 15, true},
    {"real", AdoType::Single, ValueKind::Floating, 4, 7, true},
    {"float4", AdoType::Single, ValueKind::Floating, 4, 7, true},
    {"single", AdoType::Single, ValueKind::Floating, 4, 7, true},
    {"decimal", AdoType::Numeric, ValueKind::Decimal, 19, 18, true},
    {"numeric", AdoType::Numeric, ValueKind::Decimal, 19, 18, true},
    {"money", AdoType::Currency, ValueKind::Decimal, 8, 19, true},
    {"currency", AdoType::Currency, ValueKind::Decimal, 8, 19, true},
    {"date", AdoType::DBDate, ValueKind::Date, 6, 10, true},
    {"datetime", AdoType::DBTimeStamp, ValueKind::DateTime, 16, 23, true},
    {"timestamp", AdoType::DBTimeStamp, ValueKind::DateTime, 16, 23, true},
    {"timestamp without time zone", AdoType::DBTimeStamp, ValueKind::DateTime, 16, 23, true},
    {"timestamp with time zone", AdoType::DBTimeStamp, ValueKind::DateTime, 16, 23, true},
    {"timestamptz", AdoType::DBTimeStamp, ValueKind::DateTime, 16, 23, true},
    // A time of day is no date: shown and written as its text.
    {"time", AdoType::DBTime, ValueKind::Other, 6, 8, true},
    {"time without time zone", AdoType::DBTime, ValueKind::Other, 6, 8, true},
    {"time with time zone", AdoType::DBTime, ValueKind::Other, 6, 8, true},
    {"timetz", AdoType::DBTime, ValueKind::Other, 6, 8, true},
    {"boolean", AdoType::Boolean, ValueKind::Boolean, 2, 0, true},
    {"bool", AdoType::Boolean, ValueKind::Boolean, 2, 0, true},
    {"bit", AdoType::Boolean, ValueKind::Boolean, 2, 0, true},
    {"yesno", AdoType::Boolean, ValueKind::Boolean, 2, 0, true},
    {"logical", AdoType::Boolean, ValueKind::Boolean, 2, 0, true},
    {"char", AdoType::WChar, ValueKind::Text, 1, 0, true},
    {"character", AdoType::WChar, ValueKind::Text, 1, 0, true},
    {"nchar", AdoType::WChar, ValueKind::Text, 1, 0, true},
    {"bpchar", AdoType::WChar, ValueKind::Text, 1, 0, true},
    {"varchar", AdoType::VarWChar, ValueKind::Text, 255, 0, false},
    {"character varying", AdoType::VarWChar, ValueKind::Text, kLongTextSize, 0, false},
    {"nvarchar", AdoType::VarWChar, ValueKind::Text, 255, 0, false},
    {"varchar2", AdoType::VarWChar, ValueKind::Text, 255, 0, false},
    {"text", AdoType::LongVarWChar, ValueKind::Text, kLongTextSize, 0, false},
    {"memo", AdoType::LongVarWChar, ValueKind::Text, kLongTextSize, 0, false},
    {"ntext", AdoType::LongVarWChar, ValueKind::Text, kLongTextSize, 0, false},
    {"clob", AdoType::LongVarWChar, ValueKind::Text, kLongTextSize, 0, false},
    {"longtext", AdoType::LongVarWChar, ValueKind::Text, kLongTextSize, 0, false},
    {"uuid", AdoType::GUID, ValueKind::Other, 16, 0, true},
    {"guid", AdoType::GUID, ValueKind::Other, 16, 0, true},
    {"uniqueidentifier", AdoType::GUID, ValueKind::Other, 16, 0, true},
    {"blob", AdoType::LongVarBinary, ValueKind::Other, kLongTextSize, 0, false},
    {"bytea", AdoType::LongVarBinary, ValueKind::Other, kLongTextSize, 0, false},
    {"binary", AdoType::Binary, ValueKind::Other, 1, 0, true},
    {"varbinary", AdoType::VarBinary, ValueKind::Other, 255, 0, false},
    {"image", AdoType::LongVarBinary, ValueKind::Other, kLongTextSize, 0, false},
};

const TypeRule &ruleNamed(const char *name)
{
    for (const TypeRule &rule : kRules) {
        if (qstrcmp(rule.name, name) == 0)
            return rule;
    }
    Q_UNREACHABLE();
}

ColumnSchema fromRule(const QString &name, const TypeRule &rule)
{
    ColumnSchema column;
    column.name = name;
    column.type = rule.type;
    column.valueKind = rule.kind;
    column.definedSize = rule.size;
    column.precision = rule.precision;
    column.attributes = rule.fixed ? adColFixed : 0;
    return column;
}

} // namespace

ColumnSchema columnFromDeclaredType(const QString &name, const QString &declaredType,
                                    UnknownTypes unknown)
{
    // "NUMERIC(10, 2)" -> base "numeric", arguments 10 and 2;
    // "timestamp(3) without time zone" -> base "timestamp without time zone".
    const qsizetype open = declaredType.indexOf(QLatin1Char('('));
    const qsizetype close = open >= 0 ? declaredType.indexOf(QLatin1Char(')'), open) : -1;
    QString base = (open >= 0 ? declaredType.left(open) : declaredType).simplified().toLower();
    QStringList arguments;
    if (open >= 0 && close > open) {
        arguments = declaredType.mid(open + 1, close - open - 1).split(QLatin1Char(','));
        const QString suffix = declaredType.mid(close + 1).simplified().toLower();
        if (!suffix.isEmpty() && !suffix.startsWith(QLatin1String("unsigned")))
            base += QLatin1Char(' ') + suffix;
    }
    bool hasFirst = false;
    const int first = arguments.value(0).trimmed().toInt(&hasFirst);
    const int second = arguments.value(1).trimmed().toInt();

    for (const TypeRule &rule : kRules) {
        if (base != QLatin1String(rule.name))
            continue;
        ColumnSchema column = fromRule(name, rule);
        if (column.valueKind == ValueKind::Text || rule.type == AdoType::VarBinary ||
            rule.type == AdoType::Binary) {
            if (hasFirst)
                column.definedSize = first;
        } else if (column.valueKind == ValueKind::Decimal && column.type == AdoType::Numeric) {
            // A NUMERIC without arguments takes any number of digits (the
            // precision 0 says so); with them, exactly those.
            column.precision = hasFirst ? first : 0;
            column.numericScale = hasFirst ? second : 0;
        } else if (column.type == AdoType::Currency) {
            // PostgreSQL's money keeps cents; Access and SQL Server keep four places.
            column.numericScale = base == QLatin1String("money") ? 2 : 4;
        }
        return column;
    }

    // SQLite's affinity rules, in its order, for the names it accepts freely.
    const QString upper = unknown == UnknownTypes::SqliteAffinity ? base.toUpper() : QString();
    if (upper.contains(QLatin1String("INT")))
        return fromRule(name, ruleNamed("integer"));
    if (upper.contains(QLatin1String("CHAR")) || upper.contains(QLatin1String("CLOB")) ||
        upper.contains(QLatin1String("TEXT"))) {
        ColumnSchema column = fromRule(name, ruleNamed("text"));
        if (hasFirst)
            column.definedSize = first;
        return column;
    }
    if (upper.contains(QLatin1String("REAL")) || upper.contains(QLatin1String("FLOA")) ||
        upper.contains(QLatin1String("DOUB")))
        return fromRule(name, ruleNamed("double"));

    ColumnSchema column;
    column.name = name;
    column.type = AdoType::Variant;
    column.valueKind = ValueKind::Other;
    return column;
}

QStringList allowedByAll(const QVector<QStringList> &lists)
{
    if (lists.isEmpty())
        return {};
    QStringList values = lists.constFirst();
    for (qsizetype i = 1; i < lists.size(); ++i)
        values.removeIf([&](const QString &value) { return !lists.at(i).contains(value); });
    return values;
}

bool isBinaryType(int adoType)
{
    return adoType == AdoType::Binary || adoType == AdoType::VarBinary ||
           adoType == AdoType::LongVarBinary;
}
