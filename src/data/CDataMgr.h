#ifndef QRT_DATA_CDATAMGR_H
#define QRT_DATA_CDATAMGR_H

#include "data/RecordFilter.h"
#include "qrt_export.h"
#include "xml/RecordText.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// What the form manager needs of the records of its table: one current row,
// moves, new rows, deletion, the filter, and the row as record text
// ("<RECORDSET NAME=\"…\" … ></RECORDSET>", built and read with
// xml/RecordText only). The form manager talks to its records only through
// this interface.
class QRT_EXPORT CDataMgr
{
public:
    virtual ~CDataMgr();

    virtual void Open(QString document, bool newRecord) = 0;
    virtual bool WriteRecord(QString recordXml) = 0;
    virtual bool DeleteRecord() = 0;
    virtual bool AddRecord() = 0;
    virtual void FilterDialog() = 0;
    virtual void RemoveFilter() = 0;
    virtual void ChangeFilter(QString filter) = 0;
    // Gives a fixed column (a subform's link, see CSuppressColumn) another
    // value and shows the records that hold it, from the first.
    virtual void SetFixedValue(const QString &column, const QString &value)
    {
        Q_UNUSED(column);
        Q_UNUSED(value);
    }
    virtual QString GetRecordXml() = 0;
    virtual bool HasRecord() = 0;
    virtual void MovePrevious() {}
    virtual void MoveNext() {}
    virtual void MoveFirst() {}
    virtual void MoveLast() {}
    // To the record at 1-based position number; beyond the last, to the last.
    virtual void MoveTo(qint64 number) { Q_UNUSED(number); }
    virtual void Undo() {}
    // The key of the row last written; 64 bits wide, as bigint keys are.
    virtual qint64 GetLastUpdateKey() { return -1; }
    // The key of the current row: -1 for a new row not stored yet, for no
    // row, and for a key that is not a whole number.
    virtual qint64 GetCurrentKey() { return -1; }

    // The captions the user knows the fields by (column -> caption, as the
    // form's labels show them), for the messages that name a field; a
    // column without one is named by itself.
    virtual void SetFieldCaptions(const QHash<QString, QString> &captions) { Q_UNUSED(captions); }
    // The column the last refused write or delete was refused for (a value
    // the column cannot take, a rule of the database), so that the form can
    // put the user there; empty when it concerned no single field.
    virtual QString RefusedField() const { return QString(); }
    // The record text a new row shows before the user types: the columns
    // whose default is a constant, with that value (see ColumnInfo). A
    // field the user leaves alone is left to the engine, which stores just
    // that.
    virtual QString GetDefaultsXml() { return QString(); }

    // After WriteRecord failed with ComError DB_E_CONCURRENCYVIOLATION: the
    // fields the user changed that another user stored other values in
    // meanwhile, each with its value as the user was shown it and as it is
    // stored now (record text). Empty after any other outcome.
    struct FieldConflict
    {
        QString column;
        QString before;
        QString stored;
    };
    [[nodiscard]] virtual QVector<FieldConflict> Conflicts() const { return {}; }
    // Takes the values stored now in those fields as the ones the user was
    // shown (GetRecordXml has them from now on): a field written with the
    // user's text then goes over the other user's value, one written with
    // the stored text is left alone, and a further change by anyone else
    // fails the next write again.
    virtual void AcceptStoredValues() {}

    // The condition the records are filtered by beyond the host's own (the
    // user's, from the filter dialog); empty while they are filtered as the
    // host opened them.
    [[nodiscard]] virtual QString UserFilter() const { return QString(); }
    // Orders the records by column, ascending or descending, with the
    // host's sort after it for equal values and Null values last either
    // way; the current record stays current. An unknown column changes
    // nothing.
    virtual void SortBy(const QString &column, bool descending)
    {
        Q_UNUSED(column);
        Q_UNUSED(descending);
    }
    // Back to the host's sort, the current record staying current.
    virtual void RemoveSort() {}

    // A search for a text as the user sees it in the fields of columns.
    struct FindRequest
    {
        QStringList columns;
        QString text;
        RecordFilter::FindMatch match = RecordFilter::FindMatch::AnyPart;
        bool forward = true;
    };
    enum class FindResult {
        NotFound, // the records stand where they stood
        Found,
        FoundAfterWrap, // found after going on from the other end
    };
    // Moves to the next (or previous) record in the records' order whose
    // field shows the text, going on from the other end, the current record
    // last of all (see Recordset::Find).
    virtual FindResult Find(const FindRequest &request)
    {
        Q_UNUSED(request);
        return FindResult::NotFound;
    }
    // Adds to the user's filter that column holds the current record's
    // value (exclude: that it holds another value, or none) and shows the
    // first record that passes. A filter the host opened the records with
    // stays in force beneath.
    virtual void FilterBySelection(const QString &column, bool exclude)
    {
        Q_UNUSED(column);
        Q_UNUSED(exclude);
    }
    // The column the user sorted by and whether descending; empty while the
    // records are in the host's order.
    struct Sort
    {
        QString column;
        bool descending = false;
    };
    [[nodiscard]] virtual Sort UserSort() const { return {}; }
    // Whether the records can only be read (a view, a table without a key,
    // a filter or sort the keyset cannot take).
    [[nodiscard]] virtual bool IsReadOnly() const { return false; }

    // A record among many, for a view that shows many at once: its key and
    // its fields as the record text has them (a Null field has none);
    // deleted: someone else deleted the row since its key was read.
    struct Row
    {
        QVariantList key;
        RecordText::Fields fields;
        bool deleted = false;
    };
    // The records at 1-based positions first, first + 1, … (at most count;
    // fewer past the last), in the records' order, as they are stored (the
    // current one without what the user changed): without moving, and
    // reading only the rows asked for.
    virtual QVector<Row> RecordsAt(qint64 first, int count)
    {
        Q_UNUSED(first);
        Q_UNUSED(count);
        return {};
    }

    // Every record in the records' order, handed to take count at a time as
    // RecordsAt gives them (take returns false to stop), holding only one
    // block: for writing all of them somewhere. The engine reads them with
    // one statement where it can.
    virtual void ReadAllRecords(int count, const std::function<bool(QVector<Row> &)> &take)
    {
        for (qint64 first = 1;; first += count) {
            QVector<Row> rows = RecordsAt(first, count);
            if (rows.isEmpty() || !take(rows) || rows.size() < count)
                return;
        }
    }

    // Deletes the records of keys (as RecordsAt gives them) in one
    // transaction, all or none, and shows the record of then afterwards (the
    // first when it is empty or gone). False after a message when the
    // database refused (the records stand as they were).
    virtual bool DeleteRecords(const QVector<QVariantList> &keys, const QVariantList &then)
    {
        Q_UNUSED(keys);
        Q_UNUSED(then);
        return false;
    }
    // Changes whenever the records change beyond the current row's values:
    // opened anew (a filter, a sort), a row added or deleted. A view of many
    // records reads them anew then.
    [[nodiscard]] virtual quint64 Generation() const { return 0; }

    // Where the current row stands, for showing "Datensatz n von m".
    struct Position
    {
        qint64 number = -1;     // 1-based; -1 while it is not known
        qint64 count = -1;      // rows in all; -1 while it is not known
        bool newRecord = false; // a new row that is not stored yet
    };
    // countNow lets the manager ask the engine for the count while its keys
    // are not all read; without it nothing is read for the answer, so the
    // answer never delays what the user waits for.
    virtual Position GetPosition(bool countNow)
    {
        Q_UNUSED(countNow);
        return Position();
    }
};

#endif // QRT_DATA_CDATAMGR_H
