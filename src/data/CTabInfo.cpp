#include "data/CTabInfo.h"

#include "data/component/TableSchema.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"

namespace {

struct TypeEntry
{
    long code; // ADO DataTypeEnum
    const char *typeName;
    TypeCategory category;
};

// The catalog's type codes as the form layers know them. Three codes share
// "varchar"; "numeric (var)" is a whole number while "numeric" and "decimal"
// are fractional. Unsigned smallint, binary and GUID codes are left out on
// purpose: such columns get no typed control and are shown as their text.
// So is a time of day ("dbtime"): as a date it would show the day the
// calendar starts with, and its value is its time.
constexpr TypeEntry kTypes[] = {
    {2, "smallint", TypeCategory::WholeNumber},
    {20, "bigint", TypeCategory::WholeNumber},
    {16, "tinyint", TypeCategory::WholeNumber},
    {3, "integer", TypeCategory::WholeNumber},
    {21, "unsigned bigint", TypeCategory::WholeNumber},
    {19, "unsigned int", TypeCategory::WholeNumber},
    {17, "unsigned tinyint", TypeCategory::WholeNumber},
    {139, "numeric (var)", TypeCategory::WholeNumber},
    {14, "decimal", TypeCategory::Fractional},
    {5, "double", TypeCategory::Fractional},
    {131, "numeric", TypeCategory::Fractional},
    {4, "single", TypeCategory::Fractional},
    {6, "currency", TypeCategory::Fractional},
    {7, "date", TypeCategory::Date},
    {133, "dbdate", TypeCategory::Date},
    {134, "dbtime", TypeCategory::Unknown},
    {135, "dbtimestamp", TypeCategory::Date},
    {8, "bstr", TypeCategory::Text},
    {129, "char", TypeCategory::Text},
    {200, "varchar", TypeCategory::Text},
    {202, "varchar", TypeCategory::Text},
    {130, "varchar", TypeCategory::Text},
    {201, "longvarchar", TypeCategory::Text},
    {203, "longvarwchar", TypeCategory::Text},
    {11, "boolean", TypeCategory::YesNo},
};

// The process-wide cache: created with the library, shared by every instance.
struct ColumnCache
{
    QString connectionText; // of the connection that filled tables
    std::map<QString, QVector<ColumnInfo>> tables;
};

ColumnCache &columnCache()
{
    static ColumnCache cache;
    return cache;
}

} // namespace

CTabInfo::CTabInfo()
{
    for (const TypeEntry &entry : kTypes)
        m_typeInfos[entry.code] = TypeInfo{QString::fromLatin1(entry.typeName), entry.category};
}

CTabInfo::~CTabInfo() = default;

bool CTabInfo::OpenCatalog(const QString &connectionString)
{
    m_catalog.reset();
    m_connection.reset();
    try {
        m_connection = std::make_unique<Connection>();
        m_connection->Open(connectionString, QString(), QString(), 0);
        m_catalog = std::make_unique<Catalog>();
        m_catalog->putActiveConnection(*m_connection);
        return true;
    } catch (const ComError &error) {
        qrt::inform(error.message());
        return false;
    }
}

bool CTabInfo::OpenCatalog(const Connection &connection)
{
    m_catalog.reset();
    m_connection.reset();
    try {
        m_connection = std::make_unique<Connection>(connection);
        if (m_connection->State() != adStateOpen)
            throw ComError(ADO_E_OBJECTCLOSED,
                           QStringLiteral("Die Verbindung ist nicht geöffnet."));
        m_catalog = std::make_unique<Catalog>();
        m_catalog->putActiveConnection(*m_connection);
        return true;
    } catch (const ComError &error) {
        qrt::inform(error.message());
        return false;
    }
}

bool CTabInfo::GetSpaltenInfos(const QString &table, QVector<ColumnInfo> &out, bool showErrors)
{
    ColumnCache &cache = columnCache();
    // Without an open connection the text is empty; QString counts a null and
    // an empty text as equal, as a missing and an empty text should be.
    const QString connectionText = m_connection ? m_connection->ConnectionString() : QString();
    if (connectionText != cache.connectionText) {
        cache.tables.clear();
        cache.connectionText = connectionText;
    }
    const auto cached = cache.tables.find(table);
    if (cached != cache.tables.end()) {
        out = cached->second;
        return true;
    }

    out.clear();
    // Where the reading stopped, for the error message: step 0 before the
    // first column, 1 to 9 inside a column (see readColumn); c is the column
    // count of the key last counted.
    long step = 0;
    long c = 0;
    try {
        if (!m_catalog)
            throw ComError(E_POINTER);
        CatalogTables &tables = m_catalog->Tables();
        tables.Refresh();
        const QString connectionState = m_catalog->ActiveConnection().State() > adStateClosed
                                            ? QStringLiteral("\nConn. ist geöffnet")
                                            : QStringLiteral("\nConn. ist nicht geöffnet");
        const CatalogTable &tableItem = tables.Item(table);

        // The catalog reads a table's columns together with the table, so this
        // does not fail today. A catalog that loads them on demand may; the
        // table then counts as one without columns, and that is cached.
        const CatalogItems<CatalogColumn> *columns = nullptr;
        int count = 0;
        try {
            columns = &tableItem.Columns();
            count = columns->Count();
        } catch (...) {
            qrt::inform(QStringLiteral("CTabInfo::GetSpaltenInfos():\nFehler #1.") +
                        connectionState);
            count = 0;
        }

        const CatalogItems<CatalogKey> &keys = tableItem.Keys();
        for (int i = 0; i < count; ++i)
            out.append(readColumn(columns->Item(i), keys, table, step, c));
    } catch (const ComError &error) {
        out.clear(); // no half-read table for the caller either
        if (!showErrors)
            throw;
        qrt::inform(error.systemText() + QStringLiteral("\r\n ----------- \r\n") +
                    error.description() + QStringLiteral("\r\n ----------- \r\nTable: ") + table +
                    QStringLiteral(" (Step %1, c = %2)").arg(step).arg(c));
        return false;
    }

    cache.tables[table] = out;
    return !out.isEmpty();
}

ColumnInfo CTabInfo::readColumn(const CatalogColumn &column, const CatalogItems<CatalogKey> &keys,
                                const QString &table, long &step, long &c) const
{
    ColumnInfo info;
    info.flags = (column.Attributes() & adColNullable) ? CF_NULLABLE : 0;
    step = 1;

    const QString name = column.Name();
    for (int k = 0; k < keys.Count(); ++k) {
        step = 2;
        const CatalogKey &key = keys.Item(k);
        step = 3;
        if (key.Type() == adKeyPrimary) {
            step = 4;
            c = key.Columns().size();
            step = 5;
            if (key.Columns().contains(name))
                info.flags |= CF_PRIMARYKEY;
        }
        step = 6;
        if (key.Type() == adKeyUnique) {
            step = 7;
            c = key.Columns().size();
            step = 8;
            if (key.Columns().contains(name))
                info.flags |= CF_UNIQUE;
        }
        // A foreign key of this column alone points to the rows its values
        // name (a form offers them as a list); one of several columns names
        // a row only together with the others.
        if (key.Type() == adKeyForeign && key.Columns().size() == 1 &&
            key.Columns().constFirst() == name) {
            info.referencedTable = key.RelatedTable();
            info.referencedColumn = key.RelatedColumns().value(0);
        }
    }

    // The host's KELO32 object tables carry their keys by convention, not
    // always as declared constraints, so these hold whatever the catalog says.
    const QString upperTable = table.toUpper();
    const QString upperColumn = name.toUpper();
    if ((upperTable == QLatin1String("KELO32OBJKEY") && upperColumn == QLatin1String("OBJID")) ||
        (upperTable == QLatin1String("KELO32OBJINFO") && upperColumn == QLatin1String("OBJKEY")))
        info.flags |= CF_PRIMARYKEY;
    else if (upperTable == QLatin1String("KELO32OBJKEY") && upperColumn == QLatin1String("OBJKEY"))
        info.flags |= CF_UNIQUE;

    step = 9;
    info.name = name;
    const long code = column.Type();
    const auto type = m_typeInfos.find(code);
    if (type != m_typeInfos.end()) {
        info.typeName = type->second.typeName;
        info.category = type->second.category;
    } else {
        info.typeName = QStringLiteral("DataTypeEnum=%1").arg(code);
        info.category = TypeCategory::Unknown;
    }
    info.definedSize = column.DefinedSize();
    info.numericScale = column.NumericScale();
    info.precision = column.Precision();
    info.autoIncrement = column.IsAutoIncrement();
    info.hasDefault = column.HasDefault();
    info.readOnly = column.IsReadOnly();
    info.readOnlyReason = column.WhyReadOnly();
    info.defaultValue = column.DefaultValue();
    info.defaultIsToday = column.IsDefaultToday();
    info.allowedValues = column.AllowedValues();
    info.binary = isBinaryType(int(code));
    return info;
}

void CTabInfo::RemoveTabFromMap(const QString &table)
{
    columnCache().tables.erase(table);
}

void CTabInfo::ClearConString()
{
    columnCache().connectionText.clear();
}
