#include "data/component/RecordsetPrivate.h"

#include "data/component/KeyOrder.h"
#include "data/component/QueryKeyEnds.h"

#include <QHash>
#include <QSqlQuery>

// Reading rows by their keys in one statement, and searching by the
// engine. Where the order's terms can be read (a keyset
// read from both ends), one statement finds the first matching row after
// the current one in that order and stops there. Otherwise the keys of the
// rows the search passes, in the recordset's order, go to the engine in
// batches with the condition, and it answers with those that meet it. A
// batch starts small, so that a match near the current row costs one short
// statement, and doubles up to a size whose placeholders every engine takes.

namespace {

constexpr qsizetype kFirstBatch = 256;
constexpr qsizetype kLastBatch = 8192;

// A key as one text, to compare the keys held with those the engine returns
// (which may come back as another integer type).
QString keyText(const QVariantList &key)
{
    QStringList parts;
    for (const QVariant &part : key)
        parts << (part.isNull() ? QStringLiteral("\x01") : part.toString());
    return parts.join(QChar(0x1f));
}

} // namespace

qsizetype RecordsetPrivate::find(const QString &condition, bool forward, bool *wrapped)
{
    if (wrapped)
        *wrapped = false;
    cursor->completeKeys(true);
    const qsizetype rows = cursor->count();
    if (rows <= 0)
        return -1;
    // From a new row or an end, the search starts at the end it faces.
    const qsizetype current = !pendingNew && cursor->hasRow() ? cursor->position() - 1
                              : forward                       ? -1
                                                              : rows;
    const qsizetype step = forward ? 1 : -1;
    qsizetype index = current;
    qsizetype batch = kFirstBatch;
    for (qsizetype passed = 0; passed < rows; batch = qMin(batch * 2, kLastBatch)) {
        QVector<qsizetype> indexes;
        for (; indexes.size() < batch && passed < rows; ++passed) {
            index = (index + step + rows) % rows;
            indexes << index;
        }
        const QSet<QString> met = meeting(indexes, condition);
        for (qsizetype candidate : std::as_const(indexes)) {
            if (!met.contains(keyText(cursor->keyAt(candidate))))
                continue;
            if (wrapped)
                *wrapped = forward ? candidate <= current : candidate >= current;
            return candidate;
        }
    }
    return -1;
}

QString RecordsetPrivate::keysIn(qsizetype count) const
{
    if (identity.size() == 1) {
        QStringList marks(count, QStringLiteral("?"));
        return identity.constFirst() + QStringLiteral(" IN (") + marks.join(QLatin1Char(',')) +
               QLatin1Char(')');
    }
    QStringList parts;
    for (const QString &expression : std::as_const(identity))
        parts << expression + QStringLiteral(" = ?");
    const QString one = QLatin1Char('(') + parts.join(QStringLiteral(" AND ")) + QLatin1Char(')');
    return QStringList(count, one).join(QStringLiteral(" OR "));
}

QVector<Recordset::Row> RecordsetPrivate::readRows(const QVector<QVariantList> &keys)
{
    QVector<Recordset::Row> rows;
    rows.reserve(keys.size());
    for (const QVariantList &key : keys)
        rows.append({key, {}});
    if (keys.isEmpty())
        return rows;
    if (!keyset) {
        for (Recordset::Row &row : rows) {
            const QVector<QVariant> &raw = this->rows.at(row.key.constFirst().toLongLong());
            for (int i = 0; i < columns.size(); ++i)
                row.values.append(backend->fromDriver(raw.at(i), columns.at(i)));
        }
        return rows;
    }
    // One statement for all of them: a round trip a row is what a page of a
    // datasheet would otherwise wait for on a server.
    QSqlQuery query = backend->newQuery();
    backend->prepare(query, QStringLiteral("SELECT ") + selectList + QStringLiteral(", ") +
                                identity.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                                table + QStringLiteral(" WHERE ") + keysIn(keys.size()));
    QHash<QString, qsizetype> places;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        places.insert(keyText(keys.at(i)), i);
        for (const QVariant &part : keys.at(i))
            query.addBindValue(part);
    }
    backend->exec(query);
    while (backend->next(query)) {
        QVariantList key;
        for (int i = 0; i < identity.size(); ++i)
            key << query.value(int(columns.size()) + i);
        const auto place = places.constFind(keyText(key));
        if (place == places.constEnd())
            continue;
        QVector<Variant> &values = rows[*place].values;
        values.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            values.append(backend->fromDriver(query.value(i), columns.at(i)));
        ++rowsFetched;
    }
    query.finish(); // no statement stays open on the main connection
    return rows;
}

QSet<QString> RecordsetPrivate::meeting(const QVector<qsizetype> &indexes, const QString &condition)
{
    QSqlQuery query = backend->newQuery();
    backend->prepare(query, QStringLiteral("SELECT ") + identity.join(QStringLiteral(", ")) +
                                QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE (") +
                                keysIn(indexes.size()) + QStringLiteral(") AND (") + condition +
                                QLatin1Char(')'));
    for (qsizetype index : indexes) {
        for (const QVariant &part : cursor->keyAt(index))
            query.addBindValue(part);
    }
    backend->exec(query);
    QSet<QString> met;
    while (backend->next(query)) {
        QVariantList key;
        for (int i = 0; i < identity.size(); ++i)
            key << query.value(i);
        met.insert(keyText(key));
        ++rowsFetched;
    }
    query.finish(); // no statement stays open on the main connection
    return met;
}

bool RecordsetPrivate::seekMatch(const QString &condition, bool forward, bool *wrapped,
                                 QVariantList *key)
{
    if (wrapped)
        *wrapped = false;
    const QVector<KeyOrder::Term> terms = keyOrder.terms(backend->nullsSortFirst());
    if (!twoEnded || terms.isEmpty())
        return false;
    const QueryKeyEnds::Seek reading{table, this->condition, identity, keyOrder};
    // The first matching key from the row whose terms hold values on.
    const auto first = [&](const QVariantList &values) {
        KeyStore found(int(identity.size()), integralKeys);
        QueryKeyEnds::readSeek(*backend, reading, terms, values, forward, condition, 1, found);
        rowsFetched += found.size();
        return found.isEmpty() ? QVariantList() : found.at(0);
    };
    // The current row's place in the order, by its terms' values.
    QVariantList values;
    if (!pendingNew && cursor->hasRow())
        values = QueryKeyEnds::readTerms(*backend, terms, table, identityCondition(),
                                         cursor->currentKey());
    if (!values.isEmpty()) {
        *key = first(values);
        if (!key->isEmpty())
            return true;
    }
    // Nothing after it: on from the other end, the current row last of all.
    *key = first({});
    if (wrapped && !key->isEmpty())
        *wrapped = !values.isEmpty();
    return true;
}
