#ifndef QRT_DATA_COMPONENT_KEYSETCURSOR_H
#define QRT_DATA_COMPONENT_KEYSETCURSOR_H

#include "data/component/KeyStore.h"
#include "qrt_export.h"

#include <QPair>

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

// Where a two-ended keyset gets the keys it does not hold yet: the last rows
// of its query, read from the end by a bounded (top-N) read, and the complete
// list, which takes the engine a full sort and is therefore read apart from
// the moves where the engine can.
class QRT_AUTOTEST_EXPORT KeyEnds
{
public:
    virtual ~KeyEnds();
    // Appends the last keys of the query, at most rows of them, in query
    // order (fewer: the query has no more). False when the query cannot be
    // read from its end; then only the complete list reaches it.
    virtual bool readLast(KeyStore &keys, qsizetype rows) = 0;
    // Appends the first keys of the query, at most rows of them (a cursor
    // that started at a row reads its head only when a move needs it).
    virtual void readFirst(KeyStore &keys, qsizetype rows);
    // The complete list will be needed soon, where it is read apart from
    // the moves. urgent: the moves are about to reach the seam, and the
    // reading starts now. Otherwise it starts once the moves pause: a full
    // sort competing with quick moves for the processor slows every one of
    // them, and a user who pauses is not waiting for anything. Each call
    // counts as a move; repeated calls start no second reading.
    virtual void prefetch(bool urgent) = 0;
    // Appends the complete list, in query order, once it is read, and
    // returns true. Without wait it never waits and gives false while the
    // list is still being read; with wait it reads the list, or waits for
    // it, and throws ComError when that fails.
    virtual bool takeAll(KeyStore &keys, bool wait) = 0;

    // Reading the query from a row on, without the complete list (each a
    // bounded read, about one scan of the table), where readsFromRows.
    // hasKey: 1 when the query yields the row of key, 0 when not, -1 when it
    // cannot tell.
    [[nodiscard]] virtual bool readsFromRows() const;
    virtual int hasKey(const QVariantList &key);
    // Appends at most rows keys that follow key in the query's order
    // (forward) or precede it (nearest first); false when it cannot read so.
    virtual bool readFrom(const QVariantList &key, bool forward, qsizetype rows, KeyStore &keys);
    // Appends the key at 0-based index of the query (none beyond its end);
    // false when it cannot read so.
    virtual bool readAt(qint64 index, KeyStore &keys);
    // The number of the query's rows before key; -1 when it cannot count so.
    virtual qint64 countBefore(const QVariantList &key);
};

// The position of a keyset recordset: the keys of the query, followed by the
// rows added through the recordset, plus BOF and EOF.
//
// One-ended (a KeySource): the keys are read lazily from the start, and only
// as far as moves need; MoveLast reads the rest. The first batch is small so
// that the first row is there as soon as the engine delivers the first key;
// batches then double up to 64K keys.
//
// Two-ended (KeyEnds): the cursor starts with the first kEndKeys keys (the
// head, read with a top-N bound, so without the full sort); MoveLast reads the
// last kEndKeys keys the same way from the end (the tail). Moves stay within
// the head and the tail until they cross the seam between them, which needs
// the complete list: it is asked for ahead of need, when a move comes within
// half an end of the seam (read once the moves pause, or at once within
// kUrgentKeys of the seam), and taken over whenever it is there (at the next
// move or position query), or waited for by a move that crosses the seam.
// Taking it over keeps the current row by its key; a row the list no longer
// holds (deleted or changed by someone meanwhile) stays current, placed
// among its neighbours. Rows this cursor deleted or re-keyed meanwhile are
// taken out of (or renamed in) the list, so nothing it removed comes back.
//
// A window: a move to a row that neither end holds (to a key, or to a
// position) does not wait for the complete list where the engine can read
// the query from a row on (KeyEnds::readFrom). The cursor then stands in a
// window of keys around that row, read a batch at a time as moves leave it
// (each read a bound read from the row at its edge), until the complete
// list is taken over. Its position is known when it was opened at one, or
// once the rows before it are counted (placeWindow).
//
// Positions: exact in the head and the complete list; in the tail, counted
// back from the query's count once the engine has given it (setQueryCount).
//
// Costs: a move is O(1) away from the seam. Taking the list over is O(n) once
// (finding the current key), plus O(n) per row changed meanwhile. A deleted
// row leaves the keyset (O(n) for the vector shift) and stays current, marked
// deleted, until the next move, which steps from where it stood.
class QRT_AUTOTEST_EXPORT KeysetCursor
{
public:
    // Keys at each end of a two-ended keyset.
    static constexpr qsizetype kEndKeys = 1024;
    // Rows before the seam from which on the complete list is read without
    // waiting for the moves to pause: at a key's repeat rate, about two
    // seconds ahead.
    static constexpr qsizetype kUrgentKeys = 64;

    // One-ended: keys, then the rest read lazily from source (null: none).
    KeysetCursor(KeyStore keys, std::unique_ptr<KeySource> source);
    // Two-ended: head holds the first keys of the query; fewer than
    // kEndKeys means all of them, and ends is not needed. Without headRead
    // the head is empty and read from ends once a move needs it: for a
    // cursor that starts at a row (moveToKey) rather than at the first.
    KeysetCursor(KeyStore head, std::unique_ptr<KeyEnds> ends, bool headRead = true);

    bool isBOF() const { return !m_deleted && (m_where == Where::Before || isEmpty()); }
    bool isEOF() const { return !m_deleted && (m_where == Where::After || isEmpty()); }
    // On a row that still exists (neither BOF, EOF nor deleted).
    bool hasRow() const;
    bool isDeleted() const { return m_deleted; }
    bool isComplete() const { return !m_source && !m_ends; }
    qsizetype keysRead() const { return m_keys.size() + m_tail.size() + m_window.size(); }
    // The 1-based position of the current row, counting the query's keys
    // and then the added rows; -1 where that needs keys or a count not known
    // yet, or there is no row.
    qsizetype position() const;
    // All rows, the query's and the added ones; -1 until every key is read
    // or the query's rows are counted.
    qsizetype count() const;
    // The number of the query's rows as the engine counted them; the
    // cursor's own deletions after this are subtracted. Ignored once rows
    // were added through the cursor (the count may hold them).
    void setQueryCount(qint64 rows);
    // In a window whose position is not known: counts the query's rows
    // before it (one scan), so that positions are exact from then on.
    void placeWindow();

    // Moves return false when they end up at BOF or EOF.
    bool moveFirst();
    bool moveLast();
    bool moveNext();
    bool movePrevious();
    // To the row at 1-based position number; beyond the last row, to the
    // last (number below 1: the first). Reads only the keys that the
    // position needs: none in the head, the tail once the count is known
    // and the position lies in it, otherwise up to it (one-ended), the key
    // at that offset and a window from it (two-ended, where the engine can
    // read so), or the complete list.
    bool moveTo(qsizetype number);
    // To the row with key: looked for among the keys held, then (two-ended)
    // by the table's key and a window from it where the engine can read
    // so, otherwise in the complete list. False, and the cursor where it
    // was, when the query has no such row.
    bool moveToKey(const QVariantList &key);

    // The keys of the rows at 0-based indexes first, first + 1, … (at most
    // rows of them; fewer past the last), counting the query's keys and then
    // the added rows, without moving: for showing many rows at once. Taken
    // from the keys held where they hold them (the head, the tail and added
    // rows once the count is known, a placed window); otherwise read as a
    // move there would read them: the head, the tail for the query's last
    // kEndKeys rows, up to them (one-ended), or the complete list, waited
    // for (it is asked for ahead as the rows asked for near the head's end).
    QVector<QVariantList> keysAt(qsizetype first, qsizetype rows);

    QVariantList currentKey() const;
    // Once every key is read (isComplete): the key of the row at 0-based
    // index, counting the query's keys and then the added rows.
    QVariantList keyAt(qsizetype index) const;
    void bindCurrent(QSqlQuery &query, int first = 0) const;

    // A row added through the recordset joins the keyset after all keys of
    // the query and becomes current.
    void appendAndMakeCurrent(const QVariantList &key);
    void replaceCurrent(const QVariantList &key);
    // The current row leaves the keyset; the position stays on it, deleted.
    void removeCurrent();
    // Reads the keys anew (the connection that read them is gone) and finds
    // the row with key again: it stays current, as a row added through the
    // recordset if the query no longer yields it. An empty key goes back to
    // before the first row. One-ended: O(position) key reads; two-ended:
    // the new head, and the complete list when the key is not in it.
    void restart(std::unique_ptr<KeySource> source, const QVariantList &key);
    void restart(KeyStore head, std::unique_ptr<KeyEnds> ends, const QVariantList &key);

    // Takes every key: with wait it reads (or waits for) whatever is still
    // missing; without, it takes the complete list only if it is there.
    // True when the keyset is complete.
    bool completeKeys(bool wait);
    void readAll() { completeKeys(true); }

    enum class Where { Before, InKeys, InTail, InWindow, InAdded, After };

    // Where the cursor stands, to go back there when a move cannot be
    // finished (the row it reached could not be read): a move is all or
    // nothing for the user.
    struct Place
    {
        Where where = Where::Before;
        qsizetype index = 0;
        bool deleted = false;
        QVariantList key; // the current row's, to find it in lists changed since
        quint64 shape = 0;
    };
    Place place() const;
    // Back to place: by its index while the lists are as they were, by its
    // key where keys were taken out or the complete list taken over since.
    void restore(const Place &place);

private:
    bool isEmpty() const
    {
        return m_keys.isEmpty() && m_tail.isEmpty() && m_added.isEmpty() && isComplete();
    }
    bool ensureKey(qsizetype index); // one-ended: reads until index exists or the source is done
    // The key at 0-based index among the keys held; empty when none holds it.
    QVariantList heldKey(qsizetype index) const;
    bool goFirst();
    bool goLast();
    bool goLastKey();   // the query's last key, or false when it has none
    bool goAfterKeys(); // first added row, or EOF
    // Two-ended: the tail, once (it may turn out to be the whole query).
    void loadTail();
    // Two-ended: the head, where the cursor started without it.
    void loadHead();
    // Takes the complete list over when it has been read.
    void poll();
    void adopt(KeyStore all);
    // Where the gap before list[from] lies in all, found by neighbouring keys.
    static qsizetype slotFor(const KeyStore &list, qsizetype from, const KeyStore &all,
                             bool fromTail);
    void prefetchNearSeam();
    void clearJournal();
    // A window of the one key, at 0-based query index start (-1: unknown).
    void openWindow(const QVariantList &key, qint64 start);
    void dropWindow();
    enum class Extension { Grown, Ended, Unreadable };
    // Reads the next batch of the window's keys on its end or its start.
    Extension extendWindow(bool forward);

    KeyStore m_keys; // one-ended and complete: the keys read; two-ended: the head
    KeyStore m_tail; // two-ended: the last keys of the query, once read
    KeyStore m_added;
    KeyStore m_window;         // two-ended: keys around a row neither end holds
    qint64 m_windowStart = -1; // query index of the window's first key, -1 while unknown
    bool m_windowAtStart = false;
    bool m_windowAtEnd = false;
    std::unique_ptr<KeySource> m_source; // one-ended: null once every key has been read
    std::unique_ptr<KeyEnds> m_ends;     // two-ended: null once the list is complete
    bool m_tailRead = false;
    bool m_headRead = true;
    // Two-ended: what this cursor changed since the ends were read, to apply
    // to the complete list.
    KeyStore m_removedKeys;
    QVector<QPair<QVariantList, QVariantList>> m_renamedKeys; // old, new
    qint64 m_queryCount = -1; // the query's rows as counted, -1 while not known
    qsizetype m_batch = 256;
    Where m_where = Where::Before;
    // Counts changes that move keys to other indexes (see restore).
    quint64 m_shape = 0;
    qsizetype m_index = 0;
    bool m_deleted = false;
};

#endif // QRT_DATA_COMPONENT_KEYSETCURSOR_H
