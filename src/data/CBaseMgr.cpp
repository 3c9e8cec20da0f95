#include "data/CBaseMgr.h"

#include "data/component/Catalog.h"
#include "data/component/ConnectionString.h"
#include "data/component/Recordset.h"
#include "data/component/SqlDialect.h"
#include "data/component/TransactionGuard.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "xml/CXmlHelper.h"

#include <QDomNodeList>

#include <limits>

namespace {

// The text of parent's first child element name. A missing element is the
// component layer's null pointer, which the caller reports as a broken
// configuration.
QString childText(const CXmlHelper &xml, const QDomNode &parent, const QString &name)
{
    const QDomNode child = xml.getChildItemByName(parent, name);
    if (child.isNull())
        throw ComError(E_POINTER);
    return child.toElement().text();
}

} // namespace

CBaseMgr::CBaseMgr() = default;

CBaseMgr::~CBaseMgr() = default;

std::optional<CBaseMgr::ConfigValues> CBaseMgr::ReadConfig(const QString &document)
{
    CXmlHelper xml;
    if (!xml.loadXml(document))
        return std::nullopt;
    const QDomNodeList roots = xml.getXmlDocument().elementsByTagName(QStringLiteral("ADOBUILDER"));
    if (roots.isEmpty())
        return std::nullopt;
    const QDomNode root = roots.at(0);
    ConfigValues values;
    values.database = childText(xml, root, QStringLiteral("DBNAME"));
    values.server = childText(xml, root, QStringLiteral("SERVERNAME"));
    values.user = childText(xml, root, QStringLiteral("USERID"));
    values.password = childText(xml, root, QStringLiteral("PASSWORT"));
    values.table = childText(xml, root, QStringLiteral("TABELLENNAME"));
    // Exact texts only: "access" or an empty DBTYP select SQL Server.
    values.kind = int(databaseKindFromName(childText(xml, root, QStringLiteral("DBTYP"))));
    return values;
}

bool CBaseMgr::LoadConfig(const QString &document)
{
    std::optional<ConfigValues> values;
    try {
        values = ReadConfig(document);
    } catch (const ComError &error) {
        qrt::inform(error.systemText() + QStringLiteral("\r\n") + error.description() +
                    QStringLiteral("\r\nWahrscheinliche Ursache: Ungültiger Connectstring!"));
        return false;
    }
    if (!values)
        return false;
    m_dbName = values->database;
    m_serverName = values->server;
    m_userId = values->user;
    m_password = values->password;
    m_tableName = values->table;
    m_dbType = values->kind;
    // Connect reports its own failures; a second message would say nothing new.
    return Connect(m_dbName, m_serverName, m_userId, m_password, m_dbType);
}

bool CBaseMgr::Connect(QString dbName, QString serverName, QString userId, QString password,
                       int dbType)
{
    m_columns.clear();
    m_suppressColumns.clear();
    m_dbType = dbType;
    try {
        m_connection.reset(); // the old database handle goes before a new one opens
        m_connection = std::make_unique<Connection>();

        // An unknown kind reconnects to the database of the previous string.
        if (isKnownDatabaseKind(dbType))
            m_connectionString =
                BuildConnectionString(dbName, serverName, userId, password, dbType);

        // User and password reach the engine only through the string.
        if (m_connectionShare)
            *m_connection = m_connectionShare->connect(m_connectionString);
        else
            m_connection->Open(m_connectionString, QString(), QString(), 0);
        return true;
    } catch (const ComError &error) {
        qrt::inform(error.message());
        return false;
    }
}

bool CBaseMgr::GetSpaltenInfos(const QString &table, bool removeSuppressed)
{
    m_tableName = table;
    // The catalog reads on the owner's own session; only an owner without
    // an open one lets it try to open one of its own (and say why it fails).
    const bool opened = m_connection && m_connection->State() == adStateOpen
                            ? m_tabInfo.OpenCatalog(*m_connection)
                            : m_tabInfo.OpenCatalog(m_connectionString);
    if (!opened)
        return false; // the catalog has told why

    QString step;
    try {
        step = QStringLiteral("1");
        m_columns.clear();
        if (!m_tabInfo.GetSpaltenInfos(table, m_columns, true))
            return false;
        step = QStringLiteral("2");
        if (removeSuppressed)
            RemoveSuppressedColumns();
        return true;
    } catch (...) {
        // Component errors are shown by the catalog reader; whatever else
        // escapes must still not take the form down.
        // The string as the user may read it: without the password.
        qrt::inform(ConnectionString::redacted(m_connectionString) +
                    QStringLiteral("\nGetSpaltenInfos:\nFehler #") + step + QLatin1Char('.'));
        return false;
    }
}

void CBaseMgr::ReadSuppressColumns(const QString &document)
{
    m_suppressColumns.clear();
    CXmlHelper xml;
    if (!xml.loadXml(document))
        return;
    const QDomNodeList entries =
        xml.getXmlDocument().elementsByTagName(QStringLiteral("SUPPRESSCOLUMN"));
    for (int i = 0; i < entries.count(); ++i) {
        const QDomNode entry = entries.at(i);
        // Only the exact text the facade writes asks for an automatic value.
        const bool autoValue =
            xml.getAttributeValue(entry, QStringLiteral("AUTOVAL")) == QLatin1String("true");
        CSuppressColumn column(entry.toElement().text(), autoValue);
        column.m_bFixed = entry.toElement().hasAttribute(QStringLiteral("WERT"));
        column.m_strValue = xml.getAttributeValue(entry, QStringLiteral("WERT"));
        m_suppressColumns.append(column);
    }
}

const CSuppressColumn *CBaseMgr::FindSuppressColumn(const QString &column) const
{
    const QString wanted = column.toUpper();
    for (const CSuppressColumn &entry : m_suppressColumns) {
        if (entry.m_strColumn.toUpper() == wanted)
            return &entry;
    }
    return nullptr;
}

CSuppressColumn *CBaseMgr::FindSuppressColumn(const QString &column)
{
    // Detach first, so the entry returned is this manager's own.
    m_suppressColumns.detach();
    return const_cast<CSuppressColumn *>(std::as_const(*this).FindSuppressColumn(column));
}

void CBaseMgr::RemoveSuppressedColumns()
{
    for (qsizetype i = m_columns.size() - 1; i >= 0; --i) {
        if (FindSuppressColumn(m_columns.at(i).name))
            m_columns.removeAt(i);
    }
}

ColumnInfo CBaseMgr::GetColumnInfo(const QString &column) const
{
    for (const ColumnInfo &info : m_columns) {
        if (info.name == column)
            return info;
    }
    return ColumnInfo();
}

QString CBaseMgr::BuildConnectionString(const QString &dbName, const QString &serverName,
                                        const QString &userId, const QString &password, int dbType)
{
    if (!isKnownDatabaseKind(dbType))
        return QString();
    return ConnectionString::build(databaseKindFromNumber(dbType), dbName, serverName, userId,
                                   password);
}

qint32 CBaseMgr::GetNextKey(const QString &column, const QString &table)
{
    const qint64 key = nextKey(column, table);
    if (key < std::numeric_limits<qint32>::min() || key > std::numeric_limits<qint32>::max())
        throw ComError(DB_E_CANTCONVERTVALUE,
                       QStringLiteral("Der nächste Schlüssel von %1.%2 (%3) passt nicht in 32 "
                                      "Bit.")
                           .arg(table, column)
                           .arg(key));
    return qint32(key);
}

qint64 CBaseMgr::nextKey(const QString &column, const QString &table)
{
    if (!m_connection)
        throw ComError(E_POINTER);
    // Names as the engine needs them: a column "ID" of a table "Kunden" on
    // PostgreSQL is quoted, an ordinary name stays as it is.
    Recordset result = m_connection->Execute(
        QStringLiteral("SELECT MAX(") + m_connection->sqlColumnName(table, column) +
            QStringLiteral(")+1 FROM ") + m_connection->sqlTableName(table),
        nullptr, 0);
    const Variant next = result.Fields().Item(0).Value();
    if (next.isNull())
        return 1; // no rows, or only NULLs
    bool ok = false;
    const qint64 key = next.toInt64(&ok);
    if (!ok)
        throw ComError(DB_E_CANTCONVERTVALUE,
                       QStringLiteral("%1.%2 liefert keinen ganzzahligen Schlüssel (%3).")
                           .arg(table, column, next.toString()));
    return key;
}

void CBaseMgr::setConnectionShare(std::shared_ptr<ConnectionShare> share)
{
    m_connectionShare = std::move(share);
}

bool CBaseMgr::LibraryTablesExist(const QStringList &tables)
{
    // The catalog answers "no such table" with an error.
    QVector<ColumnInfo> scratch;
    try {
        for (const QString &table : tables)
            m_tabInfo.GetSpaltenInfos(table, scratch, false);
        return true;
    } catch (const ComError &) {
        return false;
    }
}

void CBaseMgr::CreateLibraryTables(const QStringList &tables, const TableCreation &create)
{
    if (tables.isEmpty() || LibraryTablesExist(tables))
        return;
    if (!m_connection)
        throw ComError(E_POINTER);
    Connection &connection = *m_connection;
    try {
        TransactionGuard transaction(connection);
        connection.lockSchemaChange(tables.first());
        // Asked again inside the lock, by a catalog of its own: the probe's
        // answer may be older than the lock, and its tables are cached.
        Catalog catalog;
        catalog.putActiveConnection(connection);
        const QStringList present = catalog.Tables().Names();
        QStringList missing;
        for (const QString &table : tables) {
            if (!present.contains(table, Qt::CaseInsensitive))
                missing << table;
        }
        if (!missing.isEmpty())
            create(connection, missing);
        transaction.commit();
    } catch (const ComError &) {
        for (const QString &table : tables)
            CTabInfo::RemoveTabFromMap(table);
        if (!LibraryTablesExist(tables))
            throw;
    }
}
