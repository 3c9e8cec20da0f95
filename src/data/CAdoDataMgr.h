#ifndef QRT_DATA_CADODATAMGR_H
#define QRT_DATA_CADODATAMGR_H

#include "data/CBaseMgr.h"
#include "data/CDataMgr.h"
#include "data/RecordFilter.h"
#include "data/RefusalText.h"
#include "data/component/Recordset.h"
#include "qrt_export.h"
#include "xml/RecordText.h"

#include <memory>

class ComError;
class QWidget;

// The records of a form's table over a keyset recordset: opened with the
// configuration document's FILTER and SORT, one current row rendered as
// record text, moves that drop unsaved changes of the row they leave, new
// rows, deletion, re-filtering, and writing the form's values back with
// conversion and validation per column.
//
// Costs: opening reads the first keys only; a move fetches one row by key.
//
// Saving writes only what the user changed: a field whose text still
// denotes what the form was shown keeps its stored value exactly
// (FieldConversion::isUnchanged), and a record text that cannot be read
// writes nothing. A table whose rows cannot be addressed (a view, a result
// the engine cannot edit) opens read-only, says so once, and refuses every
// write with a message: WriteRecord's true always means the row is stored.
//
// A write or delete the database refuses by one of its rules (a unique
// key, a foreign key, a check ...) is told to the user here, in a sentence
// that names the fields by their captions, and gives false; the field is
// RefusedField(). Other component errors of the moves and writes (a lost
// connection, a row changed by someone else) reach the caller (the form's
// command verbs report them); only initialisation shows its own message.
//
// The interactive filter is handed in: without one the filter command does
// nothing and initialisation configures no filter.
class QRT_EXPORT CAdoDataMgr : public CDataMgr, public CBaseMgr
{
public:
    explicit CAdoDataMgr(std::unique_ptr<RecordFilter> filter = nullptr);
    ~CAdoDataMgr() override;

    void Open(QString document, bool newRecord) override;
    bool WriteRecord(QString recordXml) override;
    bool DeleteRecord() override;
    bool DeleteRecords(const QVector<QVariantList> &keys, const QVariantList &then) override;
    bool AddRecord() override;
    void FilterDialog() override;
    void RemoveFilter() override;
    void ChangeFilter(QString filter) override;
    void SetFixedValue(const QString &column, const QString &value) override;
    [[nodiscard]] QString UserFilter() const override;
    void FilterBySelection(const QString &column, bool exclude) override;
    FindResult Find(const FindRequest &request) override;
    [[nodiscard]] bool IsReadOnly() const override;
    void SortBy(const QString &column, bool descending) override;
    void RemoveSort() override;
    [[nodiscard]] Sort UserSort() const override { return m_userSort; }
    QString GetRecordXml() override;
    bool HasRecord() override;
    void MovePrevious() override;
    void MoveNext() override;
    void MoveFirst() override;
    void MoveLast() override;
    void MoveTo(qint64 number) override;
    void Undo() override;
    qint64 GetLastUpdateKey() override;
    qint64 GetCurrentKey() override;
    Position GetPosition(bool countNow) override;
    QVector<Row> RecordsAt(qint64 first, int count) override;
    void ReadAllRecords(int count, const std::function<bool(QVector<Row> &)> &take) override;
    [[nodiscard]] quint64 Generation() const override { return m_generation; }
    void SetFieldCaptions(const QHash<QString, QString> &captions) override;
    QString RefusedField() const override { return m_refusedField; }
    QString GetDefaultsXml() override;
    [[nodiscard]] QVector<FieldConflict> Conflicts() const override;
    void AcceptStoredValues() override;

    // The record text of the current row (or of none) into currentXml.
    void BuildRecordXml();
    // The records of table as a form opens them, filtered and sorted (SQL
    // without WHERE and ORDER BY): as a keyset for editing, or failing that
    // read-only (a view). A text refused as more than one statement and a
    // lost connection are not tried another way: their ComError goes on.
    // readOnlyReason: why the records can only be read, as it follows the
    // table's name in a sentence (empty when they can be written). at: the
    // row to open at (Recordset::OpenAt); empty for the first.
    static Recordset OpenRecords(Connection &connection, const QString &table,
                                 const QString &filter, const QString &sort,
                                 QString *readOnlyReason = nullptr, const QVariantList &at = {});

    // For tests and the form layers.
    const QString &document() const { return m_document; }
    const QString &filterText() const { return m_filterText; }
    Recordset *recordset() const { return m_recordset.get(); }
    RecordFilter *filter() const { return m_filter.get(); } // null when there is none
    // The window the filter dialog belongs to (the form's host).
    void SetDialogParent(QWidget *parent) { m_dialogParent = parent; }

private:
    bool initialise();
    // Reopens the records with filter; false, after a message, for a filter
    // that cannot be applied (the records stay as they were).
    bool refilter(const QString &filter);
    // Refilters with the filter's criteria condition, narrowing base.
    void applyCriteria(const QString &condition, const QString &base);
    // Opens the records of document in place of the ones open, which stay
    // (with the document, filter and sort they had) when that fails.
    void reopen(const QString &document);
    // Reopens the records in the order of sort, keeping the current record.
    void reorder(const Sort &sort);
    // Opens the records anew (as reopen) at the row of key, which is shown
    // where they still have it (the first otherwise).
    void reopenAt(const QVariantList &key);
    void cancelIfPositioned();
    Recordset &rs() const; // E_POINTER when there is none
    // A field that received a computed key in this write.
    struct AutoKey
    {
        int field;
        Variant::Type type;
    };
    bool writeFields(const RecordText::Fields &record, QVector<AutoKey> *autoKeys);
    // A new empty row, where the rows can take one; false (silently) where not.
    bool startNewRow();
    // Whether the rows can be written; otherwise says so and gives false.
    bool requireWritable();
    Variant autoValue(const ColumnInfo &column, const QString &name, const Variant &oldValue,
                      QVector<AutoKey> *autoKeys, int field);
    Variant nextKeyOfType(const QString &column, Variant::Type type);
    // Puts the next free key into every auto-value field; false when none
    // changed (the keys were not the reason the row was refused).
    bool takeFreshKeys(const QVector<AutoKey> &autoKeys);
    // The name the user knows the column by (its caption on the form).
    QString captionOf(const QString &column) const;
    // Tells the user which rule of the database refused the write or the
    // delete, in their words, and remembers the field concerned; false for
    // an error that carries no such rule (it stays the caller's).
    bool reportRefusal(const ComError &error, RefusalText::Action action);
    // The condition of the fixed columns (CSuppressColumn::m_bFixed), "" for
    // none.
    [[nodiscard]] QString fixedCondition() const;
    void RememberUpdateKey();
    // A row's values (one per field of the recordset) as record text
    // fields; columns: the fields' columns (fieldColumns()), for a block of
    // rows, or null to look them up.
    RecordText::Fields recordFields(const QVector<Variant> &values,
                                    const QVector<ColumnInfo> *columns = nullptr);
    // The column of the recordset's field index, named as the field is.
    ColumnInfo fieldColumn(int index);
    QVector<ColumnInfo> fieldColumns();
    QVector<Row> recordRows(const QVector<Recordset::Row> &read);
    // The current row's primary key as a number; -1 where it is none.
    qint64 keyOfCurrentRow();

    std::unique_ptr<Recordset> m_recordset;
    QString m_document;
    QString m_filterText;
    QString m_hostFilterText; // the filter of the document the host opened
    // Whether the filter in force is made of the filter's criteria, and the
    // filter it narrows (the host's, when the user began by filtering by a
    // field's value): filtering by a value adds to the criteria only while
    // they are in force, and never lets go of the host's filter.
    bool m_criteriaInForce = false;
    QString m_criteriaBase;
    Sort m_userSort;       // before the host's sort, which the document has
    QVariantList m_openAt; // the row a reorder opens the records at
    bool m_hostFilterKnown = false;
    QString m_currentXml;
    const QString m_emptyXml;
    qint64 m_lastUpdateKey = -1;
    bool m_readOnlyAnnounced = false;
    QString m_readOnlyReason;               // see OpenRecords
    qint64 m_matchingRows = -1;             // the engine's count of the filtered rows, once asked
    quint64 m_generation = 0;               // see Generation
    std::unique_ptr<RecordFilter> m_filter; // may be null
    QWidget *m_dialogParent = nullptr;      // not owned
    QHash<QString, QString> m_captions;     // column -> caption
    QString m_refusedField;                 // of the last refused write or delete
};

#endif // QRT_DATA_CADODATAMGR_H
