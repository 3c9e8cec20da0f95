#include "data/component/engines/SqliteBackend.h"

#include "data/component/SqlDialect.h"
#include "data/component/SqlText.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlRecord>

#include <cmath>
#include <optional>

#include <sqlite3.h>

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

// qrt_casefold(text): the text with every letter's case folded, as Qt folds
// it (SQLite's own lower() and LIKE know ASCII only). Other values pass.
void caseFold(sqlite3_context *context, int, sqlite3_value **arguments)
{
    if (sqlite3_value_type(arguments[0]) != SQLITE_TEXT) {
        sqlite3_result_value(context, arguments[0]);
        return;
    }
    const auto *text = static_cast<const char16_t *>(sqlite3_value_text16(arguments[0]));
    const int bytes = sqlite3_value_bytes16(arguments[0]);
    const QString folded = QString::fromUtf16(text, bytes / int(sizeof(char16_t))).toCaseFolded();
    sqlite3_result_text16(context, folded.utf16(), int(folded.size() * sizeof(char16_t)),
                          SQLITE_TRANSIENT);
}

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
    const QVariant handle = m_db.driver() ? m_db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        if (sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData()))
            sqlite3_create_function_v2(connection, dialectFor(DatabaseKind::Sqlite).caseFold, 1,
                                       SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, caseFold,
                                       nullptr, nullptr, nullptr);
    }
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

QString SqliteBackend::limitedQuery(const QString &sql, qsizetype rows) const
{
    return sql + QStringLiteral(" LIMIT %1").arg(rows);
}

std::unique_ptr<KeySource> SqliteBackend::openOwnKeySource(const QString &sql, int width)
{
    Q_UNUSED(width);
    // One statement is one read snapshot; in log mode it blocks no writer.
    QSqlQuery query = newQuery();
    exec(query, sql);
    return std::make_unique<SqliteKeySource>(std::move(query));
}

std::function<void()> SqliteBackend::canceller()
{
    // The driver's handle is the sqlite3 connection itself. A full sort
    // runs inside one step, so without this a reader no longer wanted
    // would go on sorting (up to a second for a million rows) after its
    // window closed.
    const QVariant handle = m_db.driver() ? m_db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return {};
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (!connection)
        return {};
    return [connection] {
        sqlite3_interrupt(connection);
    };
}

bool SqliteBackend::databaseIsReadOnly() const
{
    // A file the user may not write, or one opened read-only
    // (QSQLITE_OPEN_READONLY): SQLite reads it and refuses every write.
    const QVariant handle = m_db.driver() ? m_db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    return connection && sqlite3_db_readonly(connection, "main") == 1;
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
    prepare(query, QStringLiteral("SELECT name, type, sql FROM sqlite_schema WHERE type IN "
                                  "('table','view') AND name = ? COLLATE NOCASE"));
    query.addBindValue(SqlText::unquoteIdentifier(name.trimmed()));
    exec(query);
    if (!query.next())
        throw ComError(DB_E_NOTABLE,
                       QStringLiteral("Die Tabelle %1 gibt es in der Datenbank nicht.").arg(name));
    TableSchema table;
    table.name = query.value(0).toString();
    table.isView = query.value(1).toString() == QLatin1String("view");
    table.readOnly = databaseIsReadOnly();
    // A name that works as written stays as written; anything else is quoted.
    const QString written = name.trimmed();
    table.sqlName = written != SqlText::unquoteIdentifier(written) || isPlainName(written)
                        ? written
                        : quoteIdentifier(table.name);
    const QStringList checks = SqlText::checkExpressions(query.value(2).toString());
    query.finish();

    const QString quoted = quoteIdentifier(table.name);
    // Columns: cid, name, type, notnull, dflt_value, pk (position in the key,
    // 0 if none), hidden (1 a virtual table's hidden column, 2 and 3
    // generated columns, which table_info would leave out although
    // "SELECT *" returns them).
    exec(query, QStringLiteral("PRAGMA table_xinfo(%1)").arg(quoted));
    QVector<QPair<int, QString>> keyColumns;
    while (query.next()) {
        const int hidden = query.value(6).toInt();
        if (hidden == 1)
            continue;
        const QString column = query.value(1).toString();
        const QString declared = query.value(2).toString();
        ColumnSchema schema = columnFromDeclaredType(column, declared);
        // An INTEGER keeps up to eight bytes here, whatever it means elsewhere.
        if (schema.valueKind == ValueKind::Integer)
            schema.definedSize = 8;
        const int keyPosition = query.value(5).toInt();
        bool nullable = query.value(3).toInt() == 0;
        schema.hasDefault = !query.value(4).isNull();
        if (schema.hasDefault)
            applyDefault(schema, query.value(4).toString());
        if (hidden == 2 || hidden == 3) {
            schema.readOnly = true;
            schema.readOnlyReason = ReadOnlyReason::Generated;
        }
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

    // The values a column's list checks allow (CHECK (x IN (…)), inline or
    // as a rule of the table).
    for (ColumnSchema &column : table.columns) {
        QVector<QStringList> lists;
        for (const QString &check : checks) {
            const QStringList values = SqlText::listedValues(check, column.name);
            if (!values.isEmpty())
                lists << values;
        }
        column.allowedValues = allowedByAll(lists);
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
        // "to" is NULL where the key names the referenced primary key.
        if (!query.value(4).isNull())
            table.keys.last().relatedColumns << query.value(4).toString();
    }
    query.finish();
    return table;
}

QStringList SqliteBackend::rowIdentity(const TableSchema &table) const
{
    QStringList identity = Backend::rowIdentity(table);
    // Every ordinary table has a rowid; a view has none (its "rowid" reads
    // as NULL for every row).
    if (identity.isEmpty() && !table.isView)
        identity << QStringLiteral("rowid");
    return identity;
}

// --- values in their stored form ------------------------------------------------

namespace {

// Julian day of the OLE epoch (30 December 1899, midnight), and the last
// julian day SQLite's 'auto' takes for one (larger numbers are unix times).
constexpr double kJulianOfOleEpoch = 2415018.5;
constexpr double kLastJulianDay = 5373484.499999;
constexpr double kUnixEpochInOle = 25569.0; // 1 January 1970
constexpr double kSecondsPerDay = 86400.0;

bool isNumber(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

bool isJulianDay(double number)
{
    return number >= 0.0 && number <= kLastJulianDay;
}

// SQLite's own reading of a number as a date ('auto'): a julian day, or
// seconds since 1970.
double oleFromStoredNumber(double number)
{
    return isJulianDay(number) ? number - kJulianOfOleEpoch
                               : number / kSecondsPerDay + kUnixEpochInOle;
}

// The day and time as the same kind of number as stored, of the same type.
QVariant storedNumber(double ole, const QVariant &stored)
{
    const bool integral = stored.metaType().id() != QMetaType::Double;
    if (isJulianDay(stored.toDouble())) {
        const double julian = ole + kJulianOfOleEpoch;
        return integral && julian == std::floor(julian) ? QVariant(qlonglong(julian))
                                                        : QVariant(julian);
    }
    const double seconds = (ole - kUnixEpochInOle) * kSecondsPerDay;
    return integral ? QVariant(qlonglong(std::llround(seconds))) : QVariant(seconds);
}

// The day and time written the way stored writes its own: the same
// separator, seconds and fraction digits, and the same zone text.
QString shapedLike(const QString &stored, const QDate &date, const QTime &time)
{
    static const QRegularExpression shape(
        QStringLiteral("^\\s*\\d{4}-\\d{2}-\\d{2}"                      // the day,
                       "(?:([ T])\\d{2}:\\d{2}(:\\d{2}(?:\\.(\\d+))?)?" // its time,
                       "(\\s*(?:Z|[+-]\\d{2}(?::?\\d{2})?))?)?\\s*$")); // its zone
    const QString day = date.toString(Qt::ISODate);
    const QRegularExpressionMatch match = shape.match(stored);
    if (!match.hasMatch() || match.capturedLength(1) == 0) {
        // A day alone, or a text of no known shape: ISO as usual.
        if (time.msecsSinceStartOfDay() == 0)
            return day;
        return day + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
    }
    QString text = day + match.captured(1) + time.toString(QStringLiteral("HH:mm"));
    if (match.capturedLength(2) > 0 || time.second() != 0 || time.msec() != 0)
        text += time.toString(QStringLiteral(":ss"));
    // As many fraction digits as stored, and the milliseconds where there are any.
    const qsizetype digits = qMax<qsizetype>(match.capturedLength(3), time.msec() ? 3 : 0);
    if (digits > 0) {
        const QString ms = QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'));
        text += QLatin1Char('.') + ms.leftJustified(digits, QLatin1Char('0')).left(digits);
    }
    return text + match.captured(4);
}

// The words for yes and no, in pairs; the stored word's pair answers.
const char *const kYesNoWords[][2] = {
    {"true", "false"}, {"t", "f"},    {"y", "n"},         {"yes", "no"}, {"ja", "nein"},
    {"j", "n"},        {"on", "off"}, {"wahr", "falsch"}, {"1", "0"},    {"-1", "0"},
};

// The word for value in the vocabulary (and letter case) of stored; empty
// when stored is no word of ours.
QString yesNoLike(const QString &stored, bool value)
{
    const QString word = stored.trimmed();
    for (const auto &pair : kYesNoWords) {
        for (int side = 0; side < 2; ++side) {
            if (word.compare(QLatin1String(pair[side]), Qt::CaseInsensitive) != 0)
                continue;
            QString answer = QString::fromLatin1(pair[value ? 0 : 1]);
            if (word == word.toUpper() && word != word.toLower())
                answer = answer.toUpper();
            else if (word.size() > 1 && word.at(0).isUpper())
                answer[0] = answer.at(0).toUpper();
            return answer;
        }
    }
    return QString();
}

// A filter's yes/no operand (true, false, 1, 0, -1) as a value.
std::optional<bool> yesNoOperand(const QString &operand)
{
    const QString word = operand.trimmed().toLower();
    if (word == QLatin1String("true") || word == QLatin1String("1") || word == QLatin1String("-1"))
        return true;
    if (word == QLatin1String("false") || word == QLatin1String("0"))
        return false;
    return std::nullopt;
}

} // namespace

Variant SqliteBackend::fromDriver(const QVariant &value, const ColumnSchema &column) const
{
    if ((column.valueKind == ValueKind::Date || column.valueKind == ValueKind::DateTime) &&
        isNumber(value)) {
        QDate date;
        QTime time;
        Variant::partsFromOle(oleFromStoredNumber(value.toDouble()), &date, &time);
        if (date.isValid() && time.isValid())
            return Variant::fromDateAndTime(date, time);
    }
    return Backend::fromDriver(value, column);
}

QVariant SqliteBackend::toDriver(const Variant &value, const ColumnSchema &column,
                                 const QVariant &storedLike) const
{
    if (value.isEmptyOrNull() || storedLike.isNull())
        return Backend::toDriver(value, column);
    switch (column.valueKind) {
    case ValueKind::Date:
    case ValueKind::DateTime: {
        QDate date;
        QTime time;
        if (!dateOf(value, &date, &time))
            break; // the usual conversion says why not
        if (isNumber(storedLike))
            return storedNumber(Variant::oleFromParts(date, time), storedLike);
        if (storedLike.metaType().id() == QMetaType::QString)
            return QVariant(shapedLike(storedLike.toString(), date, time));
        break;
    }
    case ValueKind::Boolean: {
        if (storedLike.metaType().id() != QMetaType::QString)
            break;
        const QVariant usual = Backend::toDriver(value, column);
        const QString word = yesNoLike(storedLike.toString(), usual.toBool());
        if (!word.isEmpty())
            return QVariant(word);
        break;
    }
    case ValueKind::Other: {
        // A column without a type keeps numbers as numbers.
        if (value.type() != Variant::Type::Text)
            break;
        bool ok = false;
        const QString text = value.toString();
        if (storedLike.metaType().id() == QMetaType::LongLong) {
            const qlonglong number = text.toLongLong(&ok);
            if (ok && QString::number(number) == text)
                return QVariant(number);
        } else if (storedLike.metaType().id() == QMetaType::Double) {
            const double number = text.toDouble(&ok);
            if (ok)
                return QVariant(number);
        }
        break;
    }
    default:
        break;
    }
    return Backend::toDriver(value, column);
}

QVariant SqliteBackend::storedSample(const QString &table, const ColumnSchema &column)
{
    switch (column.valueKind) {
    case ValueKind::Date:
    case ValueKind::DateTime:
    case ValueKind::Boolean:
    case ValueKind::Other:
        break;
    default:
        return QVariant(); // one form is all these have
    }
    const QString key = table + QLatin1Char('\n') + column.name;
    const auto known = m_samples.constFind(key);
    if (known != m_samples.constEnd())
        return *known;
    const QString name = quoteIdentifier(column.name);
    QSqlQuery query = newQuery();
    exec(query, QStringLiteral("SELECT %1 FROM %2 WHERE %1 IS NOT NULL LIMIT 1").arg(name, table));
    const QVariant sample = query.next() ? query.value(0) : QVariant();
    query.finish();
    // A column of NULLs has no form yet; it is asked again once it has one.
    if (!sample.isNull())
        m_samples.insert(key, sample);
    return sample;
}

void SqliteBackend::adaptComparison(const QString &table, const ColumnSchema &column,
                                    QString *columnSql, QString *operand)
{
    Q_UNUSED(columnSql);
    const QVariant sample = storedSample(table, column);
    if (sample.isNull())
        return;
    switch (column.valueKind) {
    case ValueKind::Date:
    case ValueKind::DateTime: {
        // Text compares with text; a number with the same kind of number.
        static const QRegularExpression literal(
            QStringLiteral("^'(\\d{1,4})-(\\d{1,2})-(\\d{1,2})'$"));
        const QRegularExpressionMatch match = literal.match(*operand);
        if (!isNumber(sample) || !match.hasMatch())
            return;
        const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                         match.captured(3).toInt());
        if (!date.isValid())
            return;
        const QVariant number = storedNumber(Variant::oleFromParts(date, QTime(0, 0)), sample);
        *operand = number.metaType().id() == QMetaType::Double
                       ? QString::number(number.toDouble(), 'g', 17)
                       : QString::number(number.toLongLong());
        return;
    }
    case ValueKind::Boolean: {
        const std::optional<bool> value = yesNoOperand(*operand);
        if (!value || sample.metaType().id() != QMetaType::QString)
            return;
        const QString word = yesNoLike(sample.toString(), *value);
        if (!word.isEmpty())
            *operand = QLatin1Char('\'') + word + QLatin1Char('\'');
        return;
    }
    case ValueKind::Other: {
        // A column without a type that holds numbers compares with a number,
        // one holding binary data with the bytes its hexadecimal digits show.
        static const QRegularExpression number(QStringLiteral("^'(-?[0-9]+(\\.[0-9]+)?)'$"));
        static const QRegularExpression hex(QStringLiteral("^'((?:[0-9a-fA-F]{2})+)'$"));
        const QRegularExpressionMatch match = number.match(*operand);
        const QRegularExpressionMatch bytes = hex.match(*operand);
        if (isNumber(sample) && match.hasMatch())
            *operand = match.captured(1);
        else if (sample.metaType().id() == QMetaType::QByteArray && bytes.hasMatch())
            *operand = QStringLiteral("X'") + bytes.captured(1) + QLatin1Char('\'');
        return;
    }
    default:
        return;
    }
}
