#ifndef QRT_RUNTIME_DATASHEET_H
#define QRT_RUNTIME_DATASHEET_H

#include "qrt_export.h"

#include <QTableView>

class CFormParent;
class DatasheetModel;
class QTimer;

// The datasheet view of a form: its records as a table (DatasheetModel),
// shown by the form's host in place of the form.
//
// The cell cursor's row is the form's current record. Going to another row
// is the form's move to that record, with its question whether a changed
// record is to be saved; when the user stays (or the save is refused), the
// cursor stays on the record too. Going to the last row starts a new record.
// A click on a column's header sorts by it (again, or with Umschalt:
// descending), the form's own sort. The columns can be moved and resized;
// their order and widths are stored with the form (CFormBuilder) and come
// back the next time.
//
// Keys as in desktop tables: the arrows, Tab, Bild auf/ab and Strg+Pos1/Ende
// move the cursor (the form's keys for the same moves give way here), F2
// edits the cell, Enter commits and goes on to the next cell, Escape undoes
// the cell being edited, then the record's changes.
class QRT_EXPORT Datasheet : public QTableView
{
    Q_OBJECT

public:
    Datasheet(CFormParent &host, QWidget *parent = nullptr);
    ~Datasheet() override;

    [[nodiscard]] DatasheetModel *records() const { return m_model; }
    // The form shows a record, or its records changed: the cursor follows.
    void recordShown();
    void recordWritten();
    void modifiedChanged();
    // The column the cursor is in; empty when there is none.
    [[nodiscard]] QString currentColumn() const;
    // Puts the cursor into column on the current record; false when the
    // datasheet has no such column.
    bool setCurrentColumn(const QString &column);
    // The most records copied or deleted at once (each is read by its key).
    static constexpr int kMostRows = 10000;
    // Whether whole records are selected (by their row headers), and
    // deleting them in one go, after the question.
    [[nodiscard]] bool hasSelectedRecords() const;
    bool deleteSelectedRecords();
    // The selected cells as text for a spreadsheet (see TabText), as the
    // datasheet shows them: German numbers and dates, yes/no as "Ja"/"Nein".
    [[nodiscard]] QString selectedText() const;
    // Pastes text (see TabText) from the cell cursor on, record by record,
    // each cell through its field's reading: a record of which one cell is
    // refused takes none of them, and the paste stops there with a message.
    // Every record but the last is saved as the next one is reached; the
    // last keeps its changes, as if typed. False when something was refused.
    bool paste(const QString &text);
    // Stores the columns' order and widths with the form now, where the
    // user changed them and they are not stored yet (they are stored a
    // moment after each change by themselves).
    void storeColumns();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    // Puts the cursor on the form's current record, in column (or the
    // column it is in), without moving the form.
    void follow(int column = -1);
    void headerClicked(int section);
    void showSortIndicator();
    void editAgain(const QModelIndex &index, const QString &text);
    // Whether the selection spans at most kMostRows rows; otherwise says so
    // (what: "kopiert", "gelöscht").
    [[nodiscard]] bool withinLimit(const char *what) const;
    // One line of a paste into the current record, from visual column first
    // on; false, taking nothing, when a cell is refused (line: its number).
    bool pasteLine(const QStringList &cells, int first, qsizetype line);

    // The columns as stored with the form, where the user arranged them.
    void restoreColumns();
    void columnsChanged();

    CFormParent &m_host;
    DatasheetModel *m_model;
    QTimer *m_storeTimer;
    bool m_restoring = false;
    bool m_following = false; // the cursor is being put where the form stands
};

#endif // QRT_RUNTIME_DATASHEET_H
