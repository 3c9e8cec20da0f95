#ifndef QRT_DATA_COMPONENT_QUERYKEYENDS_H
#define QRT_DATA_COMPONENT_QUERYKEYENDS_H

#include "data/component/BackgroundKeyReader.h"
#include "data/component/KeyOrder.h"
#include "data/component/KeysetCursor.h"

#include <memory>

class Backend;

// The ends of a keyset recordset's key query on its engine: the last keys by
// the reversed query with a top-N limit, on the recordset's own connection
// (bounded, so no statement stays open there), and the complete list from a
// background reader where the engine can read it apart, otherwise read on
// the spot when a move needs it.
class QueryKeyEnds final : public KeyEnds
{
public:
    // keySql: the key query in its total order; reverseSql: the same in the
    // reverse order, empty when there is none.
    QueryKeyEnds(std::shared_ptr<Backend> backend, QString keySql, QString reverseSql, int width,
                 bool integral);

    // What reading from a row on needs of the query: its table, condition
    // (without WHERE, may be empty), row identity and order.
    struct Seek
    {
        QString table;
        QString condition;
        QStringList identity;
        KeyOrder order;
    };
    void setSeek(Seek seek);
    // The values of terms for the row that test (SQL after WHERE, with a "?"
    // for each part of key) finds in table; empty when it finds none.
    static QVariantList readTerms(Backend &backend, const QVector<KeyOrder::Term> &terms,
                                  const QString &table, const QString &test,
                                  const QVariantList &key);
    // Appends at most rows keys of the query, further narrowed by also
    // (SQL, may be empty), that follow (forward) or precede, nearest first,
    // the row whose terms hold values; from the query's start (end) when
    // values is empty.
    static void readSeek(Backend &backend, const Seek &seek, const QVector<KeyOrder::Term> &terms,
                         const QVariantList &values, bool forward, const QString &also,
                         qsizetype rows, KeyStore &keys);

    bool readLast(KeyStore &keys, qsizetype rows) override;
    void readFirst(KeyStore &keys, qsizetype rows) override;
    void prefetch(bool urgent) override;
    bool takeAll(KeyStore &keys, bool wait) override;
    [[nodiscard]] bool readsFromRows() const override { return !m_terms.isEmpty(); }
    int hasKey(const QVariantList &key) override;
    bool readFrom(const QVariantList &key, bool forward, qsizetype rows, KeyStore &keys) override;
    bool readAt(qint64 index, KeyStore &keys) override;
    qint64 countBefore(const QVariantList &key) override;

private:
    // " WHERE (condition) AND " or " WHERE ": what a statement's own test follows.
    [[nodiscard]] QString whereAnd() const;
    [[nodiscard]] QString conditionAnd() const; // "(condition) AND ", or empty
    [[nodiscard]] QString identityIs() const;   // "id = ?" for each identity column
    // The values of the order's terms for the row of key, as last read:
    // a row deleted since can still be read from. Empty when it is gone and
    // was never read. within: the query must have the row.
    QVariantList termValues(const QVariantList &key, bool within = false);

    Seek m_seek;
    QVector<KeyOrder::Term> m_terms;       // empty: no reading from a row on
    QHash<QString, QVariantList> m_values; // of the rows windows were opened at
    std::shared_ptr<Backend> m_backend;
    QString m_keySql;
    QString m_reverseSql;
    int m_width;
    bool m_integral;
    std::unique_ptr<BackgroundKeyReader> m_reader;
    bool m_failed = false; // the last background read failed: only a move that needs it retries
};

#endif // QRT_DATA_COMPONENT_QUERYKEYENDS_H
