#ifndef QRT_FACADE_CKELOFORMWIDGET_H
#define QRT_FACADE_CKELOFORMWIDGET_H

#include "qrt_export.h"

#include <QString>
#include <QWidget>

#include <memory>

class CKeloForm;
class UserMessages;

// A form in data mode as a widget of the host's own window: the host puts it
// into its layout, opens a table's stored form in it and hears what happens
// to the records. It runs the same form as CKeloForm's dialogs (the same
// fields, record cycle, questions and filter dialog), with the data tool
// bar and its "Datensatz n von m" on top, or without it when the host
// brings its own buttons and calls the slots.
//
//     CKeloForm form;
//     form.Init("kunden.sqlite", "", "", "", "Kunden", ns_qrttypen::KELO_SQLITE);
//     auto *widget = new CKeloFormWidget(this);
//     layout->addWidget(widget);
//     connect(widget, &CKeloFormWidget::recordSaved, this, &Host::customerSaved);
//     widget->open(form);
//
// Questions and messages go through the message interface the host gives
// (setMessages) or the one installed (UserMessages::current()), so a host
// shows them its own way and tests script them. Errors reach the host
// twice: as the message, and as errorReported().
//
// The record keys in the signals are the primary key's value where it is a
// whole number, -1 otherwise (and for a new record not stored yet).
//
// Nothing is saved without the user's word: the destructor and close() drop
// unsaved changes, so a host asks maybeSave() before it closes.
class QRT_EXPORT CKeloFormWidget : public QWidget
{
    Q_OBJECT

public:
    explicit CKeloFormWidget(QWidget *parent = nullptr);
    ~CKeloFormWidget() override;

    // Opens the form of the facade's table in data mode, filtered and
    // sorted (SQL without WHERE and ORDER BY), on a new record when
    // newRecord is set; a form open before is closed first without asking.
    // False when the form cannot be shown (the message has said why); a
    // facade without Init changes nothing.
    bool open(const CKeloForm &form, const QString &filter = QString(),
              const QString &sort = QString(), bool newRecord = false);
    // The same from a complete configuration document in data mode.
    bool openDocument(const QString &document, bool newRecord = false);
    // Drops the form without asking; the widget stays, empty.
    void close();
    [[nodiscard]] bool isOpen() const;

    // The data tool bar above the form; shown unless the host hides it.
    void setToolBarVisible(bool visible);
    [[nodiscard]] bool isToolBarVisible() const;

    // The message interface for the questions and messages of this form's
    // commands: opening, the slots, the tool bar and its keys (not owned;
    // it outlives the widget or is reset to null first). Null uses the one
    // installed when a command runs.
    void setMessages(UserMessages *messages);
    [[nodiscard]] UserMessages *messages() const;

    // The form's title (the stored form's caption); empty when none is open.
    [[nodiscard]] QString title() const;
    // "Datensatz 5 von 300", as the tool bar shows it; empty without a form.
    [[nodiscard]] QString positionText() const;
    // The key of the record shown; -1 for a new one.
    [[nodiscard]] qint64 currentKey() const;
    // Whether the records are shown as a table (setDatasheetView).
    [[nodiscard]] bool isDatasheetView() const;
    // Whether a field has been changed since the record was shown or saved.
    [[nodiscard]] bool hasUnsavedChanges() const;
    // Before the host closes: offers to save a changed record ("Ja", "Nein",
    // "Abbrechen"). True when the host may go on (nothing changed, saved,
    // or the user said No); false on Abbrechen or when saving failed.
    bool maybeSave();

    // While disabled the fields and the record commands are off.
    void setFormEnabled(bool enable);
    [[nodiscard]] bool isFormEnabled() const;

signals:
    // The form shows a record anew: another one, a new one (key -1), the
    // same one's stored values again (undo, a filter that keeps it), or a
    // new record that was stored and has its key now. A save that keeps the
    // key says nothing here.
    void currentRecordChanged(qint64 key);
    // The record shown was written to the database.
    void recordSaved(qint64 key);
    // A stored record was deleted; the form shows its neighbour.
    void recordDeleted(qint64 key);
    // A message of the kind error or warning was shown through the message
    // interface while the form ran a command: its text.
    void errorReported(const QString &message);
    // The user's filter (from the filter dialog, beyond the host's own; empty
    // when none) or the order changed: column empty for the host's order.
    void filterChanged(const QString &condition);
    void orderChanged(const QString &column, bool descending);

public slots:
    // The record commands, as the tool bar runs them: a changed record is
    // offered for saving before another one is shown; delete and undo ask
    // first.
    void first();
    void previous();
    void next();
    void last();
    bool newRecord();
    bool save();
    bool deleteRecord();
    void undo();
    // The filter dialog, and removing its filter.
    void filter();
    void removeFilter();
    // Adds to the filter that the field the cursor is in holds its value
    // (exclude: holds another value, or none), as "Filter nach Auswahl" and
    // "Auswahl ausschließen" do.
    void filterBySelection(bool exclude = false);
    // Filters by the host's own condition (SQL without WHERE).
    void setFilter(const QString &condition);
    // Orders the records by the field the cursor is in (as the tool bar
    // does), or by the column the host names, with the host's sort after it
    // and empty values last; the record shown stays. removeSort goes back
    // to the host's order.
    void sortByFocusedField(bool descending = false);
    void sortBy(const QString &column, bool descending = false);
    void removeSort();
    // Shows the record at 1-based position number (beyond the last: the last).
    void goToRecord(qint64 number);
    // Shows the records as a table (the datasheet view) or one at a time in
    // the form, the current record staying current; as Strg+Umschalt+D and
    // Strg+Umschalt+M do.
    void setDatasheetView(bool datasheet);
    // Opens the find bar, as Strg+H does.
    void showFindBar();
    // Asks for a file and writes every record of the filter to it as CSV,
    // as "Exportieren…" does (with its progress and "Abbrechen"); a host
    // that names the file itself uses CKeloForm::ExportRecords.
    void exportRecords();
    // Prints the record shown through the print dialog ("Drucken…"), shows
    // its pages first ("Seitenansicht"), or asks for a PDF file of it or of
    // all records of the filter ("Als PDF speichern…"); a host that names
    // the file itself uses CKeloForm::WritePdf.
    void printRecord();
    void printPreview();
    void saveAsPdf();
    // Shows the next record (forward) or the previous one in the records'
    // order of which a field shows text (any part of it, whatever the letter
    // case), going on from the other end; false, staying, when none does.
    bool findRecord(const QString &text, bool forward = true);

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif // QRT_FACADE_CKELOFORMWIDGET_H
