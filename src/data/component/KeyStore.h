#ifndef QRT_DATA_COMPONENT_KEYSTORE_H
#define QRT_DATA_COMPONENT_KEYSTORE_H

#include "qrt_export.h"
#include <QVariant>
#include <QVector>

class QSqlQuery;

// The keys of a keyset, in query order. A million keys must stay small: the
// usual single whole-number key is held as a plain integer, 4 bytes a row
// while every key fits 32 bits and 8 bytes from the first one that does not;
// any other key (several columns, texts, a row address) as one QVariant per
// column.
class QRT_AUTOTEST_EXPORT KeyStore
{
public:
    // width: number of key columns; integral: the one key column holds whole
    // numbers, so the compact form applies.
    KeyStore(int width, bool integral);

    int width() const { return m_width; }
    // A store for the same kind of keys, without any.
    KeyStore emptyCopy() const { return KeyStore(m_width, m_compact); }
    qsizetype size() const
    {
        return !m_compact ? m_values.size() / m_width : m_wide ? m_longs.size() : m_ints.size();
    }
    bool isEmpty() const { return size() == 0; }

    // Appends the key held in the first width() columns of the query's row.
    void appendFrom(const QSqlQuery &query);
    void append(const QVariantList &key);
    void insert(qsizetype index, const QVariantList &key);
    void remove(qsizetype index);
    void replace(qsizetype index, const QVariantList &key);
    QVariantList at(qsizetype index) const;
    // The first index from `from` on that holds key; -1 when none does. O(n).
    qsizetype indexOf(const QVariantList &key, qsizetype from = 0) const;
    // The keys in the opposite order.
    void reverse();
    // Binds key index to the positional placeholders first, first + 1, … of query.
    void bind(QSqlQuery &query, qsizetype index, int first = 0) const;
    void reserve(qsizetype rows);

private:
    void appendInteger(qint64 key);
    qint64 integerAt(qsizetype index) const
    {
        return m_wide ? m_longs.at(index) : m_ints.at(index);
    }
    void widen(); // from 32-bit to 64-bit keys

    int m_width;
    bool m_compact;
    bool m_wide = false;
    QVector<qint32> m_ints;  // compact keys while all fit 32 bits
    QVector<qint64> m_longs; // compact keys after the first that does not
    QVector<QVariant> m_values;
};

#endif // QRT_DATA_COMPONENT_KEYSTORE_H
