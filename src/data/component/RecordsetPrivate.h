#ifndef QRT_DATA_COMPONENT_RECORDSETPRIVATE_H
#define QRT_DATA_COMPONENT_RECORDSETPRIVATE_H

#include "data/component/KeyOrder.h"
#include "data/component/Recordset.h"
#include "data/component/engines/Backend.h"

#include <QSet>

#include <functional>
#include <optional>

// The state behind a Recordset: where it stands, the current row as read
// (raw driver values, kept for the optimistic check) and as the component
// hands it out, and the pending changes.
struct RecordsetPrivate
{
    std::shared_ptr<Backend> backend;
    bool open = false;
    bool keyset = false; // rows fetched by key; otherwise all rows held in `rows`
    bool updatable = false;
    QString readOnlyReason; // see Recordset::ReadOnlyReason

    QVector<ColumnSchema> columns; // one per field
    QString table;                 // keyset: the table as the statement names it
    QStringList identity;          // keyset: SQL expressions identifying a row
    QVector<int> identityColumns;  // their field positions (-1 for a row address)
    std::optional<KeysetCursor> cursor;
    QVector<QVector<QVariant>> rows; // read-only results
    QString selectList;              // keyset: the columns as the statements read them
    QSqlQuery fetchQuery;            // "SELECT columns FROM table WHERE identity = ?"
    QString keySql;                  // keyset: the key query, to read the keys anew
    QString rowsSql;                 // keyset: the key query reading the columns before the key
    QString reverseKeySql;           // two-ended keyset: the key query in reverse order, or empty
    QString condition;               // keyset: the query's condition, without WHERE
    KeyOrder keyOrder;               // two-ended keyset: the key query's order
    bool twoEnded = false;           // keys read from both ends of the query (see KeysetCursor)
    bool integralKeys = false;       // single whole-number keys (see KeyStore)
    QString countSql;                // keyset: the count of the rows that match
    int generation = 0;              // of the backend's connection the statements belong to
    QVariantList startKey;           // keyset: the row to open at (see Recordset::OpenAt)
    qsizetype rowsFetched = 0;       // see Recordset::rowsFetched

    // The current row.
    QVector<QVariant> raw;     // as the driver returned it
    QVector<Variant> values;   // as handed out, with pending changes applied
    QVector<QVariant> pending; // driver values of changed fields
    QVector<bool> changed;
    bool pendingNew = false;
    FieldList fields;
    // The last Update's conflicts: the field and its value as stored then,
    // read as the row is read (see Recordset::Conflicts).
    QVector<std::pair<int, QVariant>> conflicts;
    // A new row whose commit broke off with the connection, so that it may be
    // stored or not: its key and its written columns as the engine returned
    // them. The next attempt looks before it inserts, and never stores the
    // row twice.
    struct InsertInDoubt
    {
        QVariantList key;
        QVector<int> columns;
        QVariantList stored;
    };
    std::optional<InsertInDoubt> insertInDoubt;
    QVariantList lastWrittenKey; // see Recordset::LastWrittenKey
    // The key of a row whose delete lost its answer with the connection:
    // found gone by the next attempt, it is this user's delete, not another's.
    QVariantList deleteInDoubt;

    // Opening.
    void openKeyset(const std::shared_ptr<Backend> &engine, const QString &tableName,
                    const QString &condition, const QString &ordering, bool canWrite);
    // The rows of a query, read at once. known types the result's columns
    // by position; without it a column taken from a table is typed by it.
    void openStatic(const std::shared_ptr<Backend> &engine, QSqlQuery &query,
                    const QVector<ColumnSchema> *known = nullptr);
    void makeFields();
    void close();

    // Position and current row.
    void requireOpen() const;
    void requireUpdatable() const;
    // After the connection was opened anew: prepares the row lookup again
    // and reads the keys anew, staying on the current row with its pending
    // changes. Every operation that reaches the database starts with it.
    void resync();
    void prepareFetch();
    // Two-ended: the first keys of the query, and where the others come from.
    KeyStore readHead();
    std::unique_ptr<KeyEnds> makeEnds();
    bool hasRow() const { return pendingNew || (cursor && cursor->hasRow()); }
    void requireRow() const;         // throws what is missing: a row, or the row that was deleted
    void loadCurrent(int direction); // fetches the row by key; skips vanished rows
    // A move of the cursor and the reading of the row it reaches, as one:
    // when the row cannot be read, the cursor stays where it was.
    void move(const std::function<void()> &step, int direction);
    void clearRow();
    // Recordset::Find's search: the 0-based index of the row found, or -1.
    qsizetype find(const QString &condition, bool forward, bool *wrapped);
    // The same by the engine's order: the key of the first row after (or
    // before) the current one that meets condition, going on from the other
    // end; empty when none does. False when the order cannot be read so.
    bool seekMatch(const QString &condition, bool forward, bool *wrapped, QVariantList *key);
    // "identity IN (?, …)" (or its OR of terms) for count keys.
    QString keysIn(qsizetype count) const;
    // The rows of keys, in their order (see Recordset::ReadRows).
    QVector<Recordset::Row> readRows(const QVector<QVariantList> &keys);
    // The keys among those at indexes that meet condition, as keyText gives them.
    QSet<QString> meeting(const QVector<qsizetype> &indexes, const QString &condition);
    void convertRaw();
    void settlePending(); // before a move: write changes, drop an untouched new row

    // Writing.
    bool hasChanges() const;
    void update();
    void insertRow();
    // Whether the row of insertInDoubt was stored after all; if so it becomes
    // the current row, with what was changed since still to be written.
    bool adoptInsertInDoubt();
    void updateRow();
    void deleteRow();
    void deleteRows(const QVector<QVariantList> &keys); // see Recordset::DeleteRows
    QString identityCondition() const;
    // Binds the pending values of changedColumns to query; what they write.
    Backend::RowWrite bindPending(QSqlQuery &query, Backend::RowWrite::Kind kind,
                                  const QVector<int> &changedColumns) const;
    QVariantList keyFromValues() const;

    // Fields.
    int indexOf(const QString &name) const;
    Variant value(int index) const;
    void putValue(int index, const Variant &value);
};

#endif // QRT_DATA_COMPONENT_RECORDSETPRIVATE_H
