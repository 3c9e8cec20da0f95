#ifndef QRT_DATA_COMPONENT_KEYSETCURSOR_H
#define QRT_DATA_COMPONENT_KEYSETCURSOR_H

#include "data/component/KeyStore.h"
#include "qrt_export.h"

#include <memory>

// Where a source of keys comes from: the engine's key query, read in batches
// only as far as moves need. read() appends at most maxRows keys and returns
// false once the query has no more rows.
class QRT_AUTOTEST_EXPORT KeySource
{
public:
    virtual ~KeySource();
    virtual bool read(KeyStore &keys, qsizetype maxRows) = 0;
};

// The position of a keyset recordset: the keys of the query, read lazily,
// followed by the rows added through the recordset, plus BOF and EOF.
//
// Costs: a move is O(1) and reads keys only when it steps past the last key
// read so far; MoveLast reads the rest. The first batch is small so that the
// first row is there as soon as the engine delivers the first key; batches
// then double up to 64K keys. A deleted row leaves the keyset (O(n) for the
// vector shift) and stays current, marked deleted, until the next move, which
// steps from where it stood.
class QRT_AUTOTEST_EXPORT KeysetCursor
{
public:
    KeysetCursor(KeyStore keys, std::unique_ptr<KeySource> source);

    bool isBOF() const { return !m_deleted && (m_where == Where::Before || isEmpty()); }
    bool isEOF() const { return !m_deleted && (m_where == Where::After || isEmpty()); }
    // On a row that still exists (neither BOF, EOF nor deleted).
    bool hasRow() const;
    bool isDeleted() const { return m_deleted; }
    bool isComplete() const { return !m_source; }
    qsizetype keysRead() const { return m_keys.size(); }
    // The 1-based position of the current row, counting the query's keys
    // and then the added rows; -1 where that needs keys not read yet (an
    // added row while the query is still being read) or there is no row.
    qsizetype position() const;
    // All rows, the query's and the added ones; -1 until every key is read.
    qsizetype count() const;

    // Moves return false when they end up at BOF or EOF.
    bool moveFirst();
    bool moveLast();
    bool moveNext();
    bool movePrevious();

    QVariantList currentKey() const;
    void bindCurrent(QSqlQuery &query, int first = 0) const;

    // A row added through the recordset joins the keyset after all keys of
    // the query and becomes current.
    void appendAndMakeCurrent(const QVariantList &key);
    void replaceCurrent(const QVariantList &key);
    // The current row leaves the keyset; the position stays on it, deleted.
    void removeCurrent();
    // Back to the state before the first row (used when reopening).
    void setBeforeFirst();
    // Reads the keys anew from source (the connection that read them is
    // gone) and finds the row with key again: it stays current, as a row
    // added through the recordset if the query no longer yields it. An
    // empty key goes back to before the first row. O(position) key reads.
    void restart(std::unique_ptr<KeySource> source, const QVariantList &key);

    void readAll();

private:
    enum class Where { Before, InKeys, InAdded, After };

    bool isEmpty() const { return m_keys.isEmpty() && m_added.isEmpty() && !m_source; }
    bool ensureKey(qsizetype index); // reads until index exists or the source is done
    bool goFirst();
    bool goLast();
    bool goAfterKeys(); // first added row, or EOF

    KeyStore m_keys;
    KeyStore m_added;
    std::unique_ptr<KeySource> m_source; // null once every key has been read
    qsizetype m_batch = 256;
    Where m_where = Where::Before;
    qsizetype m_index = 0;
    bool m_deleted = false;
};

#endif // QRT_DATA_COMPONENT_KEYSETCURSOR_H
