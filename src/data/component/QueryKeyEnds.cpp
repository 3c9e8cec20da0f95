#include "data/component/QueryKeyEnds.h"

#include "data/component/engines/Backend.h"

#include <QHash>
#include <QSqlQuery>

namespace {
constexpr qsizetype kBatch = 65536;
// How long the moves must pause before the complete list is read while it
// is not urgent: longer than the gap between the moves of a key held down,
// shorter than a look at the record shown.
constexpr std::chrono::milliseconds kQuietBeforeReading(200);
} // namespace

QueryKeyEnds::QueryKeyEnds(std::shared_ptr<Backend> backend, QString keySql, QString reverseSql,
                           int width, bool integral)
    : m_backend(std::move(backend)), m_keySql(std::move(keySql)),
      m_reverseSql(std::move(reverseSql)), m_width(width), m_integral(integral)
{}

bool QueryKeyEnds::readLast(KeyStore &keys, qsizetype rows)
{
    if (m_reverseSql.isEmpty())
        return false;
    KeyStore last = keys.emptyCopy();
    m_backend->readLimited(m_reverseSql, rows, last);
    last.reverse();
    if (keys.isEmpty()) {
        keys = std::move(last);
        return true;
    }
    for (qsizetype i = 0; i < last.size(); ++i)
        keys.append(last.at(i));
    return true;
}

void QueryKeyEnds::readFirst(KeyStore &keys, qsizetype rows)
{
    m_backend->readLimited(m_keySql, rows, keys);
}

void QueryKeyEnds::prefetch(bool urgent)
{
    if (m_failed || !m_backend->readsKeysInBackground())
        return;
    if (!m_reader) {
        m_reader = std::make_unique<BackgroundKeyReader>(
            m_backend->params(), m_keySql, m_width, m_integral,
            urgent ? std::chrono::milliseconds::zero() : kQuietBeforeReading);
    } else if (urgent) {
        m_reader->start();
    } else {
        m_reader->busy();
    }
}

bool QueryKeyEnds::takeAll(KeyStore &keys, bool wait)
{
    if (!m_reader) {
        if (!wait)
            return false;
        if (!m_backend->readsKeysInBackground()) {
            // Read here and now, in batches as the engine's reader gives them.
            std::unique_ptr<KeySource> source = m_backend->openKeySource(m_keySql, m_width);
            while (source->read(keys, kBatch)) {
            }
            return true;
        }
        m_failed = false;
        prefetch(true);
    }
    try {
        return m_reader->take(keys, wait);
    } catch (const ComError &) {
        m_reader.reset();
        m_failed = true;
        if (wait)
            throw;
        return false;
    }
}

void QueryKeyEnds::setSeek(Seek seek)
{
    m_seek = std::move(seek);
    m_terms = m_seek.order.terms(m_backend->nullsSortFirst());
}

QString QueryKeyEnds::conditionAnd() const
{
    return m_seek.condition.isEmpty()
               ? QString()
               : QLatin1Char('(') + m_seek.condition + QStringLiteral(") AND ");
}

QString QueryKeyEnds::whereAnd() const
{
    return QStringLiteral(" WHERE ") + conditionAnd();
}

QString QueryKeyEnds::identityIs() const
{
    QStringList parts;
    for (const QString &expression : m_seek.identity)
        parts << expression + QStringLiteral(" = ?");
    return parts.join(QStringLiteral(" AND "));
}

QVariantList QueryKeyEnds::readTerms(Backend &backend, const QVector<KeyOrder::Term> &terms,
                                     const QString &table, const QString &test,
                                     const QVariantList &key)
{
    QStringList expressions;
    for (const KeyOrder::Term &term : terms)
        expressions << term.expression;
    QSqlQuery query = backend.newQuery();
    backend.prepare(query, QStringLiteral("SELECT ") + expressions.join(QStringLiteral(", ")) +
                               QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE ") + test);
    for (const QVariant &part : key)
        query.addBindValue(part);
    backend.exec(query);
    QVariantList values;
    if (backend.next(query)) {
        for (int i = 0; i < terms.size(); ++i)
            values << query.value(i);
    }
    query.finish();
    return values;
}

int QueryKeyEnds::hasKey(const QVariantList &key)
{
    if (m_terms.isEmpty())
        return -1;
    // By the table's key: a point lookup, whatever the order.
    return termValues(key, true).isEmpty() ? 0 : 1;
}

QVariantList QueryKeyEnds::termValues(const QVariantList &key, bool within)
{
    QStringList text;
    for (const QVariant &part : key)
        text << part.toString();
    const QString name = text.join(QChar(0x1f));
    if (!within) {
        if (const auto known = m_values.constFind(name); known != m_values.cend())
            return *known;
    }
    const QString test = within ? conditionAnd() + identityIs() : identityIs();
    const QVariantList values = readTerms(*m_backend, m_terms, m_seek.table, test, key);
    if (!values.isEmpty()) {
        if (m_values.size() >= 64)
            m_values.clear();
        m_values.insert(name, values);
    }
    return values;
}

bool QueryKeyEnds::readFrom(const QVariantList &key, bool forward, qsizetype rows, KeyStore &keys)
{
    if (m_terms.isEmpty())
        return false;
    const QVariantList values = termValues(key);
    if (values.isEmpty())
        return false; // the row is gone: nothing to read from
    readSeek(*m_backend, m_seek, m_terms, values, forward, QString(), rows, keys);
    return true;
}

void QueryKeyEnds::readSeek(Backend &backend, const Seek &seek,
                            const QVector<KeyOrder::Term> &terms, const QVariantList &values,
                            bool forward, const QString &also, qsizetype rows, KeyStore &keys)
{
    QStringList tests;
    for (const QString &condition : {seek.condition, also}) {
        if (!condition.isEmpty())
            tests << QLatin1Char('(') + condition + QLatin1Char(')');
    }
    QVariantList binds;
    if (!values.isEmpty())
        tests << KeyOrder::seek(terms, values, forward, false, &binds);
    QString sql = QStringLiteral("SELECT ") + seek.identity.join(QStringLiteral(", ")) +
                  QStringLiteral(" FROM ") + seek.table;
    if (!tests.isEmpty())
        sql += QStringLiteral(" WHERE ") + tests.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + (forward ? seek.order.forward : seek.order.backward);
    QSqlQuery query = backend.newQuery();
    backend.prepare(query, backend.limitedQuery(sql, rows));
    for (const QVariant &value : std::as_const(binds))
        query.addBindValue(value);
    backend.exec(query);
    while (backend.next(query))
        keys.appendFrom(query);
    query.finish();
}

bool QueryKeyEnds::readAt(qint64 index, KeyStore &keys)
{
    const QString limited = m_backend->limitedQuery(m_keySql, 1);
    if (limited.isEmpty() || m_terms.isEmpty())
        return false;
    QSqlQuery query = m_backend->newQuery();
    m_backend->exec(query, limited + QStringLiteral(" OFFSET %1").arg(index));
    while (m_backend->next(query))
        keys.appendFrom(query);
    query.finish();
    if (!keys.isEmpty())
        termValues(keys.at(keys.size() - 1)); // to read on from it even once deleted
    return true;
}

qint64 QueryKeyEnds::countBefore(const QVariantList &key)
{
    if (m_terms.isEmpty())
        return -1;
    const QVariantList values = termValues(key);
    if (values.isEmpty())
        return -1;
    QVariantList binds;
    const QString seek = KeyOrder::seek(m_terms, values, false, false, &binds);
    QSqlQuery query = m_backend->newQuery();
    m_backend->prepare(query,
                       QStringLiteral("SELECT COUNT(*) FROM ") + m_seek.table + whereAnd() + seek);
    for (const QVariant &value : std::as_const(binds))
        query.addBindValue(value);
    m_backend->exec(query);
    const qint64 count = m_backend->next(query) ? query.value(0).toLongLong() : -1;
    query.finish();
    return count;
}
