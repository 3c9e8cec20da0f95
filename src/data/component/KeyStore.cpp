#include "data/component/KeyStore.h"

#include <QSqlQuery>

KeyStore::KeyStore(int width, bool integral)
    : m_width(qMax(1, width)), m_compact(integral && width == 1)
{}

void KeyStore::appendFrom(const QSqlQuery &query)
{
    if (m_compact) {
        m_ints.append(query.value(0).toLongLong());
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
        m_ints.insert(index, key.value(0).toLongLong());
        return;
    }
    for (int column = 0; column < m_width; ++column)
        m_values.insert(index * m_width + column, key.value(column));
}

void KeyStore::remove(qsizetype index)
{
    if (m_compact)
        m_ints.remove(index);
    else
        m_values.remove(index * m_width, m_width);
}

void KeyStore::replace(qsizetype index, const QVariantList &key)
{
    if (m_compact) {
        m_ints[index] = key.value(0).toLongLong();
        return;
    }
    for (int column = 0; column < m_width; ++column)
        m_values[index * m_width + column] = key.value(column);
}

QVariantList KeyStore::at(qsizetype index) const
{
    if (m_compact)
        return {QVariant(m_ints.at(index))};
    QVariantList key;
    key.reserve(m_width);
    for (int column = 0; column < m_width; ++column)
        key.append(m_values.at(index * m_width + column));
    return key;
}

void KeyStore::bind(QSqlQuery &query, qsizetype index, int first) const
{
    if (m_compact) {
        query.bindValue(first, m_ints.at(index));
        return;
    }
    for (int column = 0; column < m_width; ++column)
        query.bindValue(first + column, m_values.at(index * m_width + column));
}

void KeyStore::reserve(qsizetype rows)
{
    if (m_compact)
        m_ints.reserve(rows);
    else
        m_values.reserve(rows * m_width);
}
