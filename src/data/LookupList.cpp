#include "data/LookupList.h"

#include "data/FieldConversion.h"
#include "data/component/SqlDialect.h"
#include "data/component/engines/Backend.h"
#include "platform/ComError.h"

#include <QSqlQuery>

#include <algorithm>

namespace {

// Names kept per list: a datasheet's pages and a user's moves ask again and
// again for the same few hundred rows, and nothing grows without end.
constexpr qsizetype kMostNamesKept = 10000;

// The most keys one prefetch statement binds: every engine takes that many.
constexpr qsizetype kMostKeysBound = 500;

int columnOf(const TableSchema &table, const QString &name)
{
    for (int i = 0; i < table.columns.size(); ++i) {
        if (table.columns.at(i).name == name)
            return i;
    }
    return table.indexOf(name);
}

bool hasLetterBeyondAscii(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() >= 0x80 && c.isLetter(); });
}

} // namespace

LookupList::LookupList(const Connection &connection, const ColumnInfo &field,
                       const QString &displayColumn)
    : m_connection(connection), m_field(field), m_table(field.referencedTable)
{
    if (m_table.isEmpty())
        throw ComError(E_INVALIDARG,
                       QStringLiteral("Die Spalte %1 verweist auf keine Tabelle.").arg(field.name));
    const TableSchema &schema = m_connection.backend().schema(m_table);
    for (const ColumnSchema &column : schema.columns) {
        if (column.valueKind == ValueKind::Text)
            m_textColumns << column.name;
    }
    QString key = field.referencedColumn;
    if (key.isEmpty()) {
        const QStringList primary = schema.primaryKey();
        key = primary.size() == 1 ? primary.constFirst() : QString();
    }
    const int keyAt = columnOf(schema, key);
    m_display = displayColumn.isEmpty() ? defaultDisplay(schema) : displayColumn;
    const int displayAt = columnOf(schema, m_display);
    if (keyAt < 0 || displayAt < 0)
        throw ComError(E_INVALIDARG, QStringLiteral("Die Tabelle %1 hat keine Spalte %2.")
                                         .arg(m_table, keyAt < 0 ? key : m_display));
    m_keySchema = schema.columns.at(keyAt);
    m_display = schema.columns.at(displayAt).name;
    m_tableSql = m_connection.sqlTableName(m_table);
    m_keySql = m_connection.sqlColumnName(m_table, m_keySchema.name);
    m_displaySql = m_connection.sqlColumnName(m_table, m_display);
}

QString LookupList::defaultDisplay(const TableSchema &table)
{
    QString first;
    for (const ColumnSchema &column : table.columns) {
        if (column.valueKind != ValueKind::Text)
            continue;
        if (!(column.attributes & adColNullable))
            return column.name;
        if (first.isEmpty())
            first = column.name;
    }
    return first;
}

QString LookupList::likeTest(const QString &pattern, bool whole) const
{
    const SqlDialect &sql = m_connection.dialect();
    // A whole name is compared without the padding of a CHAR column.
    QString subject =
        whole ? QStringLiteral("RTRIM(") + m_displaySql + QLatin1Char(')') : m_displaySql;
    if (sql.caseFold && hasLetterBeyondAscii(pattern))
        subject = QLatin1String(sql.caseFold) + QLatin1Char('(') + subject + QLatin1Char(')');
    return subject + QLatin1String(sql.containsOp) + QStringLiteral("? ESCAPE '") +
           QChar(SqlDialect::likeEscape) + QLatin1Char('\'');
}

QString LookupList::foldedPattern(const QString &text) const
{
    const SqlDialect &sql = m_connection.dialect();
    return sql.escapeLike(sql.caseFold && hasLetterBeyondAscii(text) ? text.toCaseFolded() : text);
}

QVector<LookupList::Entry> LookupList::entries(const QString &typed, int limit)
{
    if (typed.isEmpty())
        return read(QString(), {}, limit);
    const QString pattern = foldedPattern(typed);
    QVector<Entry> found = read(likeTest(pattern), {pattern + QLatin1Char('%')}, limit);
    if (found.size() >= limit)
        return found;
    // Then the rows that hold it further on ("Meier" for "eier"), each once.
    const QString further = QLatin1String(" AND NOT ") + likeTest(pattern);
    const QVector<Entry> more =
        read(likeTest(pattern) + further,
             {QLatin1Char('%') + pattern + QLatin1Char('%'), pattern + QLatin1Char('%')},
             limit - int(found.size()));
    found += more;
    return found;
}

QVector<LookupList::Entry> LookupList::named(const QString &text, int limit)
{
    const QString pattern = foldedPattern(text);
    return read(likeTest(pattern, true), {pattern}, limit);
}

std::optional<QString> LookupList::shownFor(const QString &key)
{
    if (key.isEmpty())
        return QString();
    prefetch({key});
    return m_names.value(key);
}

void LookupList::prefetch(const QStringList &keys)
{
    QStringList missing;
    for (const QString &key : keys) {
        if (!key.isEmpty() && !m_names.contains(key) && !missing.contains(key))
            missing << key;
    }
    while (!missing.isEmpty()) {
        const QStringList batch = missing.mid(0, kMostKeysBound);
        missing.remove(0, batch.size());
        const QStringList marks(batch.size(), QStringLiteral("?"));
        const QVector<Entry> found = read(m_keySql + QStringLiteral(" IN (") +
                                              marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                                          batch, 0);
        if (m_names.size() + batch.size() > kMostNamesKept)
            m_names.clear();
        for (const QString &key : batch)
            m_names.insert(key, std::nullopt);
        for (const Entry &entry : found)
            remember(entry);
    }
}

void LookupList::remember(const Entry &entry)
{
    if (m_names.size() >= kMostNamesKept)
        m_names.clear();
    m_names.insert(entry.key, entry.shown);
}

QVector<LookupList::Entry> LookupList::read(const QString &where, const QStringList &values,
                                            int limit)
{
    Backend &backend = m_connection.backend();
    QString sql = QStringLiteral("SELECT ") + m_keySql + QStringLiteral(", ") + m_displaySql +
                  QStringLiteral(" FROM ") + m_tableSql;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY ") + m_displaySql + QStringLiteral(", ") + m_keySql;
    // An engine without a LIMIT of its own reads the rows until enough are there.
    const QString limited = limit > 0 ? backend.limitedQuery(sql, limit) : QString();
    if (!limited.isEmpty())
        sql = limited;
    QSqlQuery query = backend.newQuery();
    query.setForwardOnly(true);
    backend.prepare(query, sql);
    for (const QString &value : values)
        query.addBindValue(value);
    backend.exec(query);
    QVector<Entry> found;
    while ((limit <= 0 || found.size() < limit) && backend.next(query)) {
        bool typeError = false;
        Entry entry;
        entry.key = FieldConversion::toRecordText(
            m_field, backend.fromDriver(query.value(0), m_keySchema), &typeError);
        // A CHAR column's padding is no part of the name.
        entry.shown = query.value(1).toString();
        while (entry.shown.endsWith(QLatin1Char(' ')))
            entry.shown.chop(1);
        if (entry.shown.isEmpty())
            entry.shown = entry.key;
        found << entry;
    }
    query.finish(); // no statement stays open on the form's connection
    for (const Entry &entry : std::as_const(found))
        remember(entry);
    return found;
}
