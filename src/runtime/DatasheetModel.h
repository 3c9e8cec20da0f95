#ifndef QRT_RUNTIME_DATASHEETMODEL_H
#define QRT_RUNTIME_DATASHEETMODEL_H

#include "data/CDataMgr.h"
#include "qrt_export.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QVector>

#include <optional>

class CDynControl;
class CFormMgr;

// The records of a form as a table: one row per record in the records'
// order, one column per field the form shows, in the form's field order,
// headed by the field's caption; the last row is the new record where the
// records take new ones.
//
// The form stays the one place where records are read, changed and saved.
// Other rows are read from the records in blocks, only as far as they are
// shown (CDataMgr::RecordsAt, which reads the keys a move there would read
// and each row by its key), and shown as the form's fields show a value
// (CDynControl::ShownText). The current record's row is the form's: it
// shows what the fields hold, unsaved changes included, and an edited cell
// goes into the field of its column as if typed there, through that
// field's reading and checks. So the datasheet saves, refuses and resolves
// conflicts exactly as the form does.
//
// Costs: a block of kBlockRows rows is one point lookup a row; at most
// kBlocksKept blocks are held, the oldest dropped first. Records not counted
// yet show their first block at once and are counted right after (one scan
// of the table), as the form's "Datensatz n von m" is.
class QRT_EXPORT DatasheetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kBlockRows = 64;
    static constexpr int kBlocksKept = 32;

    explicit DatasheetModel(CFormMgr &manager, QObject *parent = nullptr);
    ~DatasheetModel() override;

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Only the current record's cells take values (see class comment).
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Reads the fields, the count and the current record anew and drops
    // every row read.
    void reload();
    // The form shows a record: another one, or the same anew. Reads
    // everything anew when the records changed (Generation), otherwise
    // moves the current row.
    void recordShown();
    // The current record was written: its row is read again, once shown.
    void recordWritten();
    // A field of the current record was changed or its changes went.
    void modifiedChanged();

    // The row of the current record; -1 when there is none.
    [[nodiscard]] int currentRow() const { return m_current; }
    // The row of the new record; -1 where the records take none.
    [[nodiscard]] int newRow() const;
    [[nodiscard]] int columnOf(const QString &column) const;
    [[nodiscard]] QString columnName(int column) const;
    [[nodiscard]] CDynControl *field(int column) const;
    // Whether the column's field takes values from the user.
    [[nodiscard]] bool isEditable(int column) const;
    // The key of the record in row, as its block was read; empty for the
    // new record and past the last row.
    [[nodiscard]] QVariantList keyOf(int row) const;
    // The cell's text as the datasheet shows it (a yes/no as "Ja"/"Nein").
    [[nodiscard]] QString shownText(const QModelIndex &index) const;

    // Counts the records where they were shown before they were counted.
    void countRows();

signals:
    // The records were counted after the first ones were shown.
    void counted();
    // What the user gave the cell is no value of its field (the message has
    // said why): the view puts the user back into the cell with text.
    void refused(const QModelIndex &index, const QString &text);

private:
    [[nodiscard]] CDataMgr *records() const;
    // A cell's value as record text: as the field holds it on the current
    // record's row, as read on the others. Nothing for the new record's
    // row, a row past the last, a deleted row and a field whose typed text
    // it cannot read yet; *shown then says what the cell shows.
    [[nodiscard]] std::optional<QString> cellText(const QModelIndex &index, QString *shown) const;
    // The stored row, read with its block where it is not held; null past
    // the last row.
    [[nodiscard]] const CDataMgr::Row *storedRow(int row) const;
    void updateRow(int row);
    [[nodiscard]] int rowOfPosition(const CDataMgr::Position &position) const;

    CFormMgr &m_manager;
    QVector<QPointer<CDynControl>> m_fields;
    qint64 m_stored = 0; // rows stored, as counted
    bool m_takesNew = false;
    bool m_counted = true; // m_stored is the count, not the rows shown so far
    int m_current = -1;
    quint64 m_generation = 0;
    mutable QHash<qint64, QVector<CDataMgr::Row>> m_blocks; // by block number
    mutable QVector<qint64> m_blockUse;                     // oldest first
};

#endif // QRT_RUNTIME_DATASHEETMODEL_H
