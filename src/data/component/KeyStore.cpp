#include "data/component/KeyStore.h"

#include <QSqlQuery>

#include <algorithm>
#include <limits>

namespace {

bool fits32(qint64 key)
{
    return key >= std::numeric_limits<qint32>::min() && key <= std::numeric_limits<qint32>::max();
}

} // namespace

KeyStore::KeyStore(int width, bool integral)
    : m_width(qMax(1, width)), m_compact(integral && width == 1)
{}

void KeyStore::widen()
{
    m_longs.reserve(m_ints.capacity());
    for (qint32 key : std::as_const(m_ints))
        m_longs.append(key);
    m_ints = QVector<qint32>();
    m_wide = true;
}

void KeyStore::appendInteger(qint64 key)
{
    if (!m_wide && !fits32(key))
        widen();
    if (m_wide)
        m_longs.append(key);
    else
        m_ints.append(qint32(key));
}

void KeyStore::appendFrom(const QSqlQuery &query)
{
    if (m_compact) {
        appendInteger(query.value(0).toLongLong());
        return;
    }
    for (int column = 0; column < m_width; ++column)
        m_values.append(query.value(column));
}

void KeyStore::append(const QVariantList &key)
{
    insert(size(), key);
}

void KeyStore::insert(qsizetype index, const QVariantList &key)
{
    Q_ASSERT(key.size() == m_width);
    if (m_compact) {
        const qint64 value = key.value(0).toLongLong();
        if (!m_wide && !fits32(value))
            widen();
        if (m_wide)
            m_longs.insert(index, value);
        else
            m_ints.insert(index, qint32(value));
        return;
    }
    for (int column = 0; column < m_width; ++column)
        m_values.insert(index * m_width + column, key.value(column));
}

void KeyStore::remove(qsizetype index)
{
    if (!m_compact)
        m_values.remove(index * m_width, m_width);
    else if (m_wide)
        m_longs.remove(index);
    else
        m_ints.remove(index);
}

void KeyStore::replace(qsizetype index, const QVariantList &key)
{
    if (m_compact) {
        remove(index);
        insert(index, key);
        return;
    }
    for (int column = 0; column < m_width; ++column)
        m_values[index * m_width + column] = key.value(column);
}

QVariantList KeyStore::at(qsizetype index) const
{
    if (m_compact)
        return {QVariant(qlonglong(integerAt(index)))};
    QVariantList key;
    key.reserve(m_width);
    for (int column = 0; column < m_width; ++column)
        key.append(m_values.at(index * m_width + column));
    return key;
}

qsizetype KeyStore::indexOf(const QVariantList &key, qsizetype from) const
{
    if (key.size() != m_width)
        return -1;
    if (m_compact) {
        bool ok = false;
        const qint64 wanted = key.constFirst().toLongLong(&ok);
        if (!ok)
            return -1;
        if (m_wide)
            return m_longs.indexOf(wanted, from);
        if (!fits32(wanted))
            return -1;
        return m_ints.indexOf(qint32(wanted), from);
    }
    for (qsizetype row = qMax<qsizetype>(0, from); row < size(); ++row) {
        bool same = true;
        for (int column = 0; column < m_width && same; ++column)
            same = m_values.at(row * m_width + column) == key.at(column);
        if (same)
            return row;
    }
    return -1;
}

void KeyStore::reverse()
{
    if (m_compact) {
        if (m_wide)
            std::reverse(m_longs.begin(), m_longs.end());
        else
            std::reverse(m_ints.begin(), m_ints.end());
        return;
    }
    const qsizetype rows = size();
    for (qsizetype row = 0; row < rows / 2; ++row) {
        for (int column = 0; column < m_width; ++column)
            std::swap(m_values[row * m_width + column],
                      m_values[(rows - 1 - row) * m_width + column]);
    }
}

void KeyStore::bind(QSqlQuery &query, qsizetype index, int first) const
{
    if (m_compact) {
        query.bindValue(first, qlonglong(integerAt(index)));
        return;
    }
    for (int column = 0; column < m_width; ++column)
        query.bindValue(first + column, m_values.at(index * m_width + column));
}

void KeyStore::reserve(qsizetype rows)
{
    if (!m_compact)
        m_values.reserve(rows * m_width);
    else if (m_wide)
        m_longs.reserve(rows);
    else
        m_ints.reserve(rows);
}
