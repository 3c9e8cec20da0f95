#include "data/component/engines/SqliteBackend.h"

#include "data/component/SqlText.h"

#include <QFileInfo>
#include <QSqlRecord>

namespace {

constexpr const char *kBusyOption = "QSQLITE_BUSY_TIMEOUT=5000";

// Reads a key query on the reader connection as far as asked; the statement
// stays open between batches, holding only a read snapshot.
class SqliteKeySource final : public KeySource
{
public:
    explicit SqliteKeySource(QSqlQuery query) : m_query(std::move(query)) {}
    ~SqliteKeySource() override { m_query.finish(); }

    bool read(KeyStore &keys, qsizetype maxRows) override
    {
        for (qsizetype row = 0; row < maxRows; ++row) {
            if (!m_query.next()) {
                m_query.finish(); // ends the snapshot at once
                return false;
            }
            keys.appendFrom(m_query);
        }
        return true;
    }

private:
    QSqlQuery m_query;
};

bool isInMemory(const QString &database)
{
    return database.isEmpty() || database == QLatin1String(":memory:") ||
           database.startsWith(QLatin1String("file::memory:"));
}

} // namespace

SqliteBackend::SqliteBackend(const ConnectionParams &params) : Backend(params)
{
    // QSQLITE would quietly create a missing file; a wrong path must be an
    // error instead of an empty database.
    if (!isInMemory(params.database) && !QFileInfo::exists(params.database)) {
        throw ComError(
            E_FAIL,
            QStringLiteral("Die Datenbankdatei \"%1\" existiert nicht.").arg(params.database));
    }
    openDatabase(QStringLiteral("QSQLITE"));
}

SqliteBackend::~SqliteBackend()
{
    dropSideConnections();
}

void SqliteBackend::dropSideConnections()
{
    if (m_readerName.isEmpty())
        return;
    {
        QSqlDatabase reader = QSqlDatabase::database(m_readerName, false);
        reader.close();
    }
    QSqlDatabase::removeDatabase(m_readerName);
    m_readerName.clear();
}

HRESULT_T SqliteBackend::classifyError(const QSqlError &error) const
{
    // QSQLITE files every failed step as a connection error, so only
    // SQLite's own code tells: the primary code is the low byte of the
    // extended one.
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case 19: // SQLITE_CONSTRAINT
        return DB_E_INTEGRITYVIOLATION;
    case 10: // SQLITE_IOERR
    case 11: // SQLITE_CORRUPT
    case 14: // SQLITE_CANTOPEN
    case 26: // SQLITE_NOTADB
        return E_FAIL;
    default:
        return DB_E_ERRORSINCOMMAND;
    }
}

bool SqliteBackend::connectionBroken(const QSqlError &error) const
{
    // A file has no connection to lose; its errors are the file's.
    Q_UNUSED(error);
    return false;
}

void SqliteBackend::configureDatabase(QSqlDatabase &db)
{
    db.setDatabaseName(m_params.database);
    db.setConnectOptions(QString::fromLatin1(kBusyOption));
}

void SqliteBackend::afterOpen()
{
    QSqlQuery query = newQuery();
    // Reading the schema first proves the file is a database at all: a text
    // file or a broken one fails here with SQLite's own words.
    exec(query, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
    query.finish();
    exec(query, QStringLiteral("PRAGMA foreign_keys = ON"));
    if (isInMemory(m_params.database))
        return;
    // Switching to the log mode writes a database header. An empty file is
    // no database yet, and opening it to find that out must not make it
    // one; it gets the log mode on a later open, once something created
    // tables in it.
    if (QFileInfo(m_params.database).size() == 0)
        return;
    if (query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && query.next())
        m_snapshotReads =
            query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
    query.finish();
}

QSqlDatabase SqliteBackend::readerDatabase()
{
    if (m_readerName.isEmpty()) {
        m_readerName = m_connectionName + QStringLiteral("-keys");
        QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_readerName);
        reader.setDatabaseName(m_params.database);
        reader.setConnectOptions(QString::fromLatin1(kBusyOption));
        if (!reader.open()) {
            m_snapshotReads = false;
            return QSqlDatabase();
        }
        // Key queries read one column and sort it; a small page cache keeps
        // the reader (and SQLite's sorter, sized from it) small.
        QSqlQuery pragma(reader);
        pragma.exec(QStringLiteral("PRAGMA cache_size = -256"));
    }
    return QSqlDatabase::database(m_readerName, false);
}

std::unique_ptr<KeySource> SqliteBackend::openKeySource(const QString &sql, int width)
{
    if (!m_snapshotReads)
        return Backend::openKeySource(sql, width);
    QSqlDatabase reader = readerDatabase();
    if (!reader.isOpen())
        return Backend::openKeySource(sql, width);
    requireSingleStatement(sql);
    QSqlQuery query(reader);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        raise(query.lastError());
    return std::make_unique<SqliteKeySource>(std::move(query));
}

QStringList SqliteBackend::tableNames()
{
    QSqlQuery query = newQuery();
    exec(query, QStringLiteral("SELECT name FROM sqlite_schema WHERE type IN ('table','view') "
                               "AND name NOT LIKE 'sqlite_%' ORDER BY name"));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

TableSchema SqliteBackend::readTable(const QString &name)
{
    QSqlQuery query = newQuery();
    // The name as the schema holds it (SQLite matches names ignoring case);
    // a caller may have quoted it already.
    prepare(query, QStringLiteral("SELECT name FROM sqlite_schema WHERE type IN ('table','view') "
                                  "AND name = ? COLLATE NOCASE"));
    query.addBindValue(SqlText::unquoteIdentifier(name.trimmed()));
    exec(query);
    if (!query.next())
        throw ComError(DB_E_NOTABLE,
                       QStringLiteral("Die Tabelle %1 gibt es in der Datenbank nicht.").arg(name));
    TableSchema table;
    table.name = query.value(0).toString();
    // A name that works as written stays as written; anything else is quoted.
    const QString written = name.trimmed();
    table.sqlName = written != SqlText::unquoteIdentifier(written) || isPlainName(written)
                        ? written
                        : quoteIdentifier(table.name);
    query.finish();

    const QString quoted = quoteIdentifier(table.name);
    // Columns: cid, name, type, notnull, dflt_value, pk (position in the key, 0 if none).
    exec(query, QStringLiteral("PRAGMA table_info(%1)").arg(quoted));
    QVector<QPair<int, QString>> keyColumns;
    while (query.next()) {
        const QString column = query.value(1).toString();
        const QString declared = query.value(2).toString();
        ColumnSchema schema = columnFromDeclaredType(column, declared);
        const int keyPosition = query.value(5).toInt();
        bool nullable = query.value(3).toInt() == 0;
        // INTEGER PRIMARY KEY is the rowid itself: never NULL, filled by the
        // engine. (INT PRIMARY KEY is not the same and stays nullable.)
        if (keyPosition > 0 &&
            declared.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0) {
            nullable = false;
            schema.autoIncrement = true;
        }
        if (nullable)
            schema.attributes |= adColNullable;
        table.columns << schema;
        if (keyPosition > 0)
            keyColumns << qMakePair(keyPosition, column);
    }
    query.finish();
    std::sort(keyColumns.begin(), keyColumns.end());
    if (!keyColumns.isEmpty()) {
        KeySchema primary;
        primary.type = adKeyPrimary;
        primary.name = QStringLiteral("PrimaryKey");
        for (const auto &entry : keyColumns)
            primary.columns << entry.second;
        if (keyColumns.size() > 1) {
            for (ColumnSchema &column : table.columns)
                column.autoIncrement = false;
        }
        table.keys << primary;
    }

    // Unique keys: unique indexes made by a constraint ('u'); the primary
    // key's own index ('pk') is already listed above.
    exec(query, QStringLiteral("PRAGMA index_list(%1)").arg(quoted));
    QVector<QPair<QString, QString>> uniqueIndexes; // name, origin
    while (query.next()) {
        if (query.value(2).toInt() == 1 && query.value(3).toString() != QLatin1String("pk"))
            uniqueIndexes << qMakePair(query.value(1).toString(), query.value(3).toString());
    }
    query.finish();
    for (const auto &index : uniqueIndexes) {
        KeySchema unique;
        unique.type = adKeyUnique;
        unique.name = index.first;
        exec(query, QStringLiteral("PRAGMA index_info(%1)").arg(quoteIdentifier(index.first)));
        while (query.next())
            unique.columns << query.value(2).toString();
        query.finish();
        table.keys << unique;
    }

    // Foreign keys: id, seq, table, from, to, …; one key per id.
    exec(query, QStringLiteral("PRAGMA foreign_key_list(%1)").arg(quoted));
    int lastId = -1;
    while (query.next()) {
        const int id = query.value(0).toInt();
        if (id != lastId) {
            KeySchema foreign;
            foreign.type = adKeyForeign;
            foreign.name = QStringLiteral("FK_%1_%2").arg(table.name).arg(id);
            foreign.relatedTable = query.value(2).toString();
            table.keys << foreign;
            lastId = id;
        }
        table.keys.last().columns << query.value(3).toString();
    }
    query.finish();
    return table;
}

QStringList SqliteBackend::rowIdentity(const TableSchema &table) const
{
    QStringList identity = Backend::rowIdentity(table);
    if (identity.isEmpty())
        identity << QStringLiteral("rowid"); // every ordinary table has one
    return identity;
}
