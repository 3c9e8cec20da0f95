#ifndef QRT_DATA_COMPONENT_RECORDSET_H
#define QRT_DATA_COMPONENT_RECORDSET_H

#include "data/component/Variant.h"
#include "qrt_export.h"

#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class Connection;
class Recordset;
struct RecordsetPrivate;

enum CursorTypeEnum : int {
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockTypeEnum : int { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3 };
enum EditModeEnum : int { adEditNone = 0, adEditInProgress = 1, adEditAdd = 2 };
enum PositionEnum : long { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };

// One column of the current row.
class QRT_EXPORT Field
{
public:
    QString Name() const;
    int Type() const; // ADO data type code
    int DefinedSize() const;
    int Precision() const;
    int NumericScale() const;
    // The value of the current row; ComError when there is none.
    Variant Value() const;
    // Sets the value of the current row (or the new one); the value is
    // converted to the column's type, and ComError says when it cannot be.
    void PutValue(const Variant &value);

private:
    friend struct RecordsetPrivate;
    Field(RecordsetPrivate *owner, int index) : m_owner(owner), m_index(index) {}
    RecordsetPrivate *m_owner;
    int m_index;
};

class QRT_EXPORT FieldList
{
public:
    int Count() const { return int(m_fields.size()); }
    Field &Item(int index);
    // Names match ignoring case, as with the engines' own column names.
    Field &Item(const QString &name);

private:
    friend struct RecordsetPrivate;
    QVector<Field> m_fields;
};

// The rows of a statement, with one current row.
//
// Opened on "SELECT * FROM table [WHERE …] [ORDER BY …]" or a bare table name
// with an updatable lock type, it is a keyset cursor over the key query of
// the matching rows; a row's columns are fetched by key when it becomes
// current (one point lookup per move).
//
// Where the engine can limit a query (SQLite, PostgreSQL), the keyset starts
// at both ends: opening reads the first keys of the query with a top-N limit
// and MoveLast the last keys of the reversed query, each at about the cost of
// one scan instead of the full sort, and the complete list is read in the
// background on a connection of its own once moves come near the seam
// between the two (see KeysetCursor). A row reached by key or position that
// neither end holds is read from its place on, without the complete list
// (a window; see KeysetCursor). The query's order is made total by the
// row identity as its last key, so ties in the host's order have one order
// every read agrees on. The membership of the keyset is that of the query
// when each part was read; rows others delete are skipped when a move
// reaches them. Elsewhere the keys are read lazily from the start.
//
// Rows are written with optimistic locking: Update of an existing row
// succeeds only while the changed columns still hold the values read,
// otherwise ComError DB_E_CONCURRENCYVIOLATION; nothing is overwritten
// silently. Rows added through the recordset join the keyset at its end;
// deleted rows leave it. A row deleted by someone else is skipped when a move
// reaches it.
//
// Any other statement, or a read-only lock, gives a read-only result whose
// rows are read at once.
//
// Values are typed by the catalog whatever the driver returns (see Variant).
// Moving with pending changes writes them first (as Update), except for a new
// row to which nothing was assigned, which is dropped.
class QRT_EXPORT Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset &&other);
    Recordset &operator=(Recordset &&other);
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    void Open(const QString &source, const Connection &connection,
              CursorTypeEnum cursorType = adOpenKeyset, LockTypeEnum lockType = adLockOptimistic,
              long options = -1);
    // Opens as Open does, standing on the row of key where the rows have it
    // (otherwise on the first): where the keyset can be read from a row on,
    // without reading the first keys of the order (a reorder that keeps its
    // row costs no scan of the table).
    void OpenAt(const QVariantList &key, const QString &source, const Connection &connection);
    void Close();
    bool IsOpen() const;
    long State() const;

    bool IsBOF() const;
    bool IsEOF() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    // To the row at 1-based position (see AbsolutePosition); beyond the
    // last row, to the last.
    void MoveTo(long position);
    // The current row's key (empty on a new row and at BOF or EOF), and the
    // move to the row of such a key: false, staying where it is, when the
    // recordset has no such row (see KeysetCursor::moveToKey for its cost).
    [[nodiscard]] QVariantList Bookmark() const;
    bool MoveToBookmark(const QVariantList &key);
    // To the next row (forward) or the previous one that meets condition
    // (SQL over the table's columns), in the recordset's order, going on
    // from the other end past the last (first) row, the current row last
    // of all. False, staying where it is, when no row meets it; wrapped
    // tells whether the search went past an end. Where the keyset is read
    // from both ends, one statement finds the first matching key after the
    // current row's place in the order (about one scan), and the row found
    // opens a window (see KeysetCursor). Otherwise the engine tests the
    // condition on the keys the search passes, in batches that grow from a
    // few hundred, which needs every key (see completeKeyset). Either way
    // no rows are read but the one found. A read-only result of another
    // statement cannot be searched (ComError ADO_E_FEATURENOTAVAILABLE).
    bool Find(const QString &condition, bool forward, bool *wrapped = nullptr);

    // A row as ReadRows gives it: its key and its values as the current row
    // would give them; no values for a row someone else deleted since its
    // key was read.
    struct Row
    {
        QVariantList key;
        QVector<Variant> values;
    };
    // The rows at 1-based positions first, first + 1, … (at most count;
    // fewer past the last), without moving and without the pending changes
    // of the current row: for showing many rows at once. Their keys are
    // read as a move there would read them (see KeysetCursor::keysAt), the
    // rows by their keys in one statement.
    QVector<Row> ReadRows(long first, int count);
    // Every row of the query, in its order, handed to take blockRows at a
    // time as ReadRows gives them; take returns false to stop. Only one
    // block is held at a time. As with ReadRows, a row someone deleted after
    // its key was read comes without values.
    void ReadAll(int blockRows, const std::function<bool(QVector<Row> &)> &take);

    void AddNew();
    void Update();
    void CancelUpdate();
    // Drops the pending changes and reads the current row again as it is
    // stored now (a row that vanished meanwhile leaves, as on a move).
    void Resync();
    // Deletes the current row. A row another user deleted first is taken
    // out of the records all the same, and then reported (DB_E_DELETEDROW).
    void Delete(int affectRecords = 1);
    // Deletes the rows of keys in one transaction: all of them or, when the
    // database refuses one (ComError), none. A row someone else deleted
    // first counts as deleted. The keyset still holds their keys: the
    // caller opens the records anew (a deletion of many rows is rare enough
    // to pay for that, and the keyset's ends and window need no surgery).
    void DeleteRows(const QVector<QVariantList> &keys);
    // Whether the current row is one this recordset deleted, with no move
    // since: there is no record to read or write until the next move.
    bool IsDeleted() const;
    EditModeEnum EditMode() const;
    bool IsUpdatable() const;
    // Why the rows of one table can only be read, as the rest of a German
    // sentence that starts with the table's name ("ist eine Sicht", "hat
    // keinen Schlüssel, …"); empty while they can be written, and for the
    // rows of a statement that is not a plain select of one table.
    [[nodiscard]] QString ReadOnlyReason() const;

    // A field that this user changed and that another user stored a
    // different value in after the row was read.
    struct FieldConflict
    {
        int field = -1; // index in Fields()
        Variant before; // as this user read it
        Variant stored; // as it is stored now
    };
    // The fields that made the last Update of this row fail with
    // DB_E_CONCURRENCYVIOLATION; empty after any other outcome and once
    // another row is read.
    [[nodiscard]] QVector<FieldConflict> Conflicts() const;
    // Takes what is stored now in the conflicting fields as what was read:
    // the pending changes go (as with CancelUpdate), and the next Update
    // writes over those values, which the user chose knowingly, and fails
    // again only if someone changes them once more.
    void AcceptStoredAsRead();
    // The key of the row the last successful Update wrote (or found written
    // by an attempt whose commit was in doubt), as it is stored; the current
    // row may differ when another user deleted that row meanwhile.
    [[nodiscard]] QVariantList LastWrittenKey() const;

    FieldList &Fields();

    // The 1-based position of the current row in the keyset; adPosBOF or
    // adPosEOF at the ends, adPosUnknown on a new row and where the position
    // would need keys that are not read yet. Never reads keys itself.
    long AbsolutePosition() const;
    // The number of rows once every key is read or the query's rows are
    // counted (countMatchingRows), -1 until then (reading them all for a
    // count is what a lazy keyset avoids).
    long RecordCount() const;
    // The rows of the table that match the recordset's condition now, by
    // the engine's own count: for saying "of m" before every key is read;
    // the keyset counts on from it. A read-only result counts its rows.
    qint64 countMatchingRows();
    // Where the current row's position is not known (it was reached without
    // the keys before it), counts those rows: one scan; positions are exact
    // from then on.
    void placeCurrent();

    // Whether keys are read lazily and how many so far (for tests and
    // benchmarks; the read order of keys is not observable otherwise).
    bool keysComplete() const;
    qsizetype keysRead() const;
    // The rows read so far: those that became current, and the keys that
    // searches found (for tests of what a command costs).
    qsizetype rowsFetched() const;
    // Takes every key of the query into the keyset, keeping the current
    // row: with wait, reads (or waits for) what is still missing; without,
    // takes the complete list only if it has been read already. True when
    // the keyset is complete (RecordCount is exact from then on).
    bool completeKeyset(bool wait = true);

private:
    friend class Connection;
    std::unique_ptr<RecordsetPrivate> d;
};

#endif // QRT_DATA_COMPONENT_RECORDSET_H
