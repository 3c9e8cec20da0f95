// SQLite's refusals of rows, told in parts (EngineRefusal).
//
// SQLite words them in fixed English, whatever the program's language:
// "UNIQUE constraint failed: t.a, t.b" (or "… index 'name'" for an index on
// expressions), "NOT NULL constraint failed: t.c", "CHECK constraint failed:
// <name, or the expression of an unnamed rule>", and "FOREIGN KEY constraint
// failed" with nothing more. For the last, the row written and the schema's
// foreign keys tell which key refused: a key of the written row whose
// parent row is missing, or a key of another table whose rows still refer
// to the row deleted or changed. A failed statement leaves SQLite's
// transaction usable, so these questions are asked on the main connection,
// and only after a refusal.

#include "data/component/engines/SqliteBackend.h"

#include "data/component/SqlText.h"

#include <QRegularExpression>

#include <optional>

namespace {

const QLatin1String kUnique("UNIQUE constraint failed: ");
const QLatin1String kNotNull("NOT NULL constraint failed: ");
const QLatin1String kCheck("CHECK constraint failed: ");
const QLatin1String kForeignKey("FOREIGN KEY constraint failed");

// "t.a, t.b" -> a, b (the table into *table where it is not known yet).
QStringList columnsOfList(const QString &list, QString *table)
{
    QStringList columns;
    for (const QString &entry : list.split(QStringLiteral(", "))) {
        const QString prefix = *table + QLatin1Char('.');
        if (!table->isEmpty() && entry.startsWith(prefix)) {
            columns << entry.mid(prefix.size());
            continue;
        }
        const qsizetype dot = entry.indexOf(QLatin1Char('.'));
        if (table->isEmpty())
            *table = entry.left(dot);
        columns << entry.mid(dot + 1);
    }
    return columns;
}

// Whether a referential action lets the change through instead of refusing.
bool letsThrough(const QString &action)
{
    return action == QLatin1String("CASCADE") || action == QLatin1String("SET NULL") ||
           action == QLatin1String("SET DEFAULT");
}

qsizetype indexIn(const QStringList &names, const QString &name)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// The text between the parenthesis at open and the one that closes it.
QString parenthesised(const QString &text, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('('))
            ++depth;
        else if (text.at(i) == QLatin1Char(')') && --depth == 0)
            return text.mid(open + 1, i - open - 1);
    }
    return QString();
}

} // namespace

EngineRefusal SqliteBackend::refusalOf(const QSqlError &error, const QSqlQuery &query,
                                       const RowWrite *write)
{
    Q_UNUSED(query);
    const QString text = error.databaseText().trimmed();
    EngineRefusal refusal;
    try {
        // A copy: further lookups may add to the schema cache.
        const std::optional<TableSchema> written =
            write ? std::optional<TableSchema>(schema(write->table)) : std::nullopt;
        if (written)
            refusal.table = written->name;
        if (text.startsWith(kUnique)) {
            refusal.rule = EngineRefusal::Rule::Unique;
            static const QRegularExpression index(QStringLiteral("^index '(.*)'$"));
            const QRegularExpressionMatch match = index.match(text.mid(kUnique.size()));
            if (match.hasMatch())
                refusal.constraint = match.captured(1); // an index on expressions
            else
                refusal.columns = columnsOfList(text.mid(kUnique.size()), &refusal.table);
        } else if (text.startsWith(kNotNull)) {
            refusal.rule = EngineRefusal::Rule::NotNull;
            refusal.columns = columnsOfList(text.mid(kNotNull.size()), &refusal.table);
        } else if (text.startsWith(kCheck)) {
            refusal.rule = EngineRefusal::Rule::Check;
            refusal.constraint = text.mid(kCheck.size());
            if (written)
                refusal.columns = checkColumns(*written, refusal.constraint);
        } else if (text == kForeignKey) {
            if (write)
                return foreignKeyRefusal(*write);
            refusal.rule = EngineRefusal::Rule::MissingParent;
        }
    } catch (const ComError &) {
        // The refusal as far as it could be told; the error itself stands.
    }
    return refusal;
}

QVector<SqliteBackend::ForeignKey> SqliteBackend::foreignKeysOf(const QString &table)
{
    // id, seq, table, from, to, on_update, on_delete, match; one key per id.
    QVector<ForeignKey> keys;
    QSqlQuery query = newQuery();
    exec(query, QStringLiteral("PRAGMA foreign_key_list(%1)").arg(quoteIdentifier(table)));
    int lastId = -1;
    while (query.next()) {
        if (query.value(0).toInt() != lastId) {
            lastId = query.value(0).toInt();
            ForeignKey key;
            key.table = table;
            key.parent = query.value(2).toString();
            key.onUpdate = query.value(5).toString();
            key.onDelete = query.value(6).toString();
            keys << key;
        }
        keys.last().columns << query.value(3).toString();
        if (!query.value(4).isNull())
            keys.last().parentColumns << query.value(4).toString();
    }
    query.finish();
    for (ForeignKey &key : keys) {
        if (key.parentColumns.isEmpty())
            key.parentColumns = schema(quoteIdentifier(key.parent)).primaryKey();
    }
    return keys;
}

EngineRefusal SqliteBackend::foreignKeyRefusal(const RowWrite &write)
{
    using Kind = RowWrite::Kind;
    // The name, not the schema: the lookups below add to the schema cache.
    const QString table = schema(write.table).name;
    EngineRefusal refusal;
    refusal.rule = write.kind == Kind::Delete ? EngineRefusal::Rule::StillReferenced
                                              : EngineRefusal::Rule::MissingParent;
    refusal.table = table;
    // Asks whether a question's one answer is true; a row that is gone
    // answers nothing, which counts as no.
    const auto holds = [this](const QString &sql, const QVariantList &values) {
        QSqlQuery query = newQuery();
        prepare(query, sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        exec(query);
        const bool yes = query.next() && query.value(0).toBool();
        query.finish();
        return yes;
    };

    // A key of the written row whose parent row is missing. Its columns
    // hold what was written, or (an update) what the row holds; a key with
    // a NULL in it refers to nothing.
    QStringList missing;
    for (const ForeignKey &key :
         write.kind == Kind::Delete ? QVector<ForeignKey>() : foreignKeysOf(table)) {
        QStringList row;
        QStringList matches;
        QStringList nulls;
        QVariantList values;
        bool touched = false;
        for (qsizetype i = 0; i < key.columns.size(); ++i) {
            const qsizetype at = indexIn(write.columns, key.columns.at(i));
            touched = touched || at >= 0;
            if (at >= 0)
                values << write.values.at(at);
            const QString term = at >= 0                      ? QStringLiteral("?")
                                 : write.kind == Kind::Update ? quoteIdentifier(key.columns.at(i))
                                                              : QStringLiteral("NULL");
            const QString name = QStringLiteral("c%1").arg(i);
            row << term + QStringLiteral(" AS ") + name;
            matches << QStringLiteral("p.%1 = v.%2")
                           .arg(quoteIdentifier(key.parentColumns.value(i)), name);
            nulls << QStringLiteral("v.%1 IS NULL").arg(name);
        }
        if (!touched)
            continue;
        QString rowSql = QStringLiteral("SELECT ") + row.join(QStringLiteral(", "));
        if (write.kind == Kind::Update) {
            rowSql += QStringLiteral(" FROM ") + write.table + QStringLiteral(" WHERE ") +
                      write.rowCondition;
            values += write.rowKey;
        }
        // A key holding any NULL refers to nothing and passes (MATCH SIMPLE).
        const QString sql =
            QStringLiteral("SELECT %1 OR EXISTS (SELECT 1 FROM %2 AS p WHERE %3) FROM (%4) AS v")
                .arg(nulls.join(QStringLiteral(" OR ")), quoteIdentifier(key.parent),
                     matches.join(QStringLiteral(" AND ")), rowSql);
        missing << key.parent;
        if (!holds(sql, values)) {
            refusal.rule = EngineRefusal::Rule::MissingParent;
            refusal.columns = key.columns;
            refusal.otherTable = key.parent;
            return refusal;
        }
    }

    // A key of another table whose rows refer to the row as it is stored.
    QStringList referring;
    for (const QString &other : write.kind == Kind::Insert ? QStringList() : tableNames()) {
        for (const ForeignKey &key : foreignKeysOf(other)) {
            if (key.parent.compare(table, Qt::CaseInsensitive) != 0 ||
                letsThrough(write.kind == Kind::Delete ? key.onDelete : key.onUpdate))
                continue;
            bool changed = write.kind == Kind::Delete;
            QStringList matches;
            for (qsizetype i = 0; i < key.columns.size(); ++i) {
                changed = changed || indexIn(write.columns, key.parentColumns.value(i)) >= 0;
                matches << QStringLiteral("c.%1 = w.%2")
                               .arg(quoteIdentifier(key.columns.at(i)),
                                    quoteIdentifier(key.parentColumns.value(i)));
            }
            if (!changed)
                continue;
            referring << other;
            const QString sql =
                QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1 AS c WHERE %2) FROM %3 AS w "
                               "WHERE %4")
                    .arg(quoteIdentifier(other), matches.join(QStringLiteral(" AND ")), write.table,
                         write.rowCondition);
            if (holds(sql, write.rowKey)) {
                refusal.rule = EngineRefusal::Rule::StillReferenced;
                refusal.otherTable = other;
                if (write.kind == Kind::Update)
                    refusal.columns = key.parentColumns;
                return refusal;
            }
        }
    }
    // No row found to blame (a deferred key, a default that refers): the
    // table, where only one is in question.
    const QStringList &candidates =
        refusal.rule == EngineRefusal::Rule::MissingParent ? missing : referring;
    if (candidates.size() == 1)
        refusal.otherTable = candidates.first();
    return refusal;
}

QStringList SqliteBackend::checkColumns(const TableSchema &table, const QString &rule)
{
    // A named rule's expression is in the table's definition; an unnamed
    // one's is the rule itself.
    QString expression = rule;
    QSqlQuery query = newQuery();
    prepare(query,
            QStringLiteral("SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = ?"));
    query.addBindValue(table.name);
    exec(query);
    const QString definition = query.next() ? query.value(0).toString() : QString();
    query.finish();
    const QString name = QRegularExpression::escape(rule);
    const QRegularExpression named(
        QStringLiteral("CONSTRAINT\\s+(?:\"%1\"|`%1`|\\[%1\\]|'%1'|%1)\\s+CHECK\\s*\\(").arg(name),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = named.match(definition);
    if (match.hasMatch())
        expression = parenthesised(definition, match.capturedEnd() - 1);

    // The names in it, quoted or not; string literals are no names.
    static const QRegularExpression token(
        QStringLiteral("'(?:[^']|'')*'|\"(?:[^\"]|\"\")*\"|`[^`]*`|\\[[^\\]]*\\]|[\\w$]+"),
        QRegularExpression::UseUnicodePropertiesOption);
    QStringList columns;
    for (auto it = token.globalMatch(expression); it.hasNext();) {
        const QString word = it.next().captured(0);
        if (word.startsWith(QLatin1Char('\'')))
            continue;
        const int column = table.indexOf(SqlText::unquoteIdentifier(word));
        if (column >= 0 && !columns.contains(table.columns.at(column).name))
            columns << table.columns.at(column).name;
    }
    return columns;
}
