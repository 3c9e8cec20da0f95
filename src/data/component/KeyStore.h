#ifndef QRT_DATA_COMPONENT_KEYSTORE_H
#define QRT_DATA_COMPONENT_KEYSTORE_H

#include "qrt_export.h"
#include <QVariant>
#include <QVector>

class QSqlQuery;

// The keys of a keyset, in query order. A million keys must stay small: the
// usual single whole-number key is held as a plain 64-bit integer (8 bytes a
// row); any other key (several columns, texts, a row address) as one QVariant
// per column.
class QRT_AUTOTEST_EXPORT KeyStore
{
public:
    // width: number of key columns; integral: the one key column holds whole
    // numbers, so the compact form applies.
    KeyStore(int width, bool integral);

    int width() const { return m_width; }
    qsizetype size() const { return m_compact ? m_ints.size() : m_values.size() / m_width; }
    bool isEmpty() const { return size() == 0; }

    // Appends the key held in the first width() columns of the query's row.
    void appendFrom(const QSqlQuery &query);
    void append(const QVariantList &key);
    void insert(qsizetype index, const QVariantList &key);
    void remove(qsizetype index);
    void replace(qsizetype index, const QVariantList &key);
    QVariantList at(qsizetype index) const;
    // Binds key index to the positional placeholders first, first + 1, … of query.
    void bind(QSqlQuery &query, qsizetype index, int first = 0) const;
    void reserve(qsizetype rows);

private:
    int m_width;
    bool m_compact;
    QVector<qint64> m_ints;
    QVector<QVariant> m_values;
};

#endif // QRT_DATA_COMPONENT_KEYSTORE_H
