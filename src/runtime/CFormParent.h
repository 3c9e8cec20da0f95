#ifndef QRT_RUNTIME_CFORMPARENT_H
#define QRT_RUNTIME_CFORMPARENT_H

#include "formdef/FormHost.h"
#include "qrt_export.h"
#include "runtime/CFormMgr.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QToolBar>

#include <memory>

class QWidget;

// The interface between a form and the window that hosts it. It keeps the
// form's mode and enabled state, the host's window and tool bar, and the key
// of the first record saved while the host lives; through it the form
// builder, the form window and the form manager reach the host: its
// rectangle, title and menu for the mode, and its scrolling.
//
// The host window of the library (the form frame) implements it; a host
// application may provide its own. The implementation attaches its window
// (AttachWindow) before anything else asks for it. The form manager and the
// command verbs join this interface with the form runtime; a copy would be a
// second owner of that manager, so there are no copies.
class QRT_EXPORT CFormParent : public FormHost
{
public:
    ~CFormParent() override;
    CFormParent(const CFormParent &) = delete;
    CFormParent &operator=(const CFormParent &) = delete;

    // The host window's outer rectangle, screen coordinates, right and
    // bottom one past; moving the host window to one.
    [[nodiscard]] QRect GetWindowRect() const override = 0;
    void MoveWindow(const QRect &rect) override = 0;
    // The window that contains the form window.
    [[nodiscard]] QWidget *GetWnd() const override { return m_pWnd; }
    // Stores the mode and shows the menu for it.
    virtual void SetDesignMode(bool designMode) = 0;
    [[nodiscard]] virtual bool GetDesignMode() const { return m_bDesignMode; }
    void SetTitle(const QString &title) override = 0;
    [[nodiscard]] QString GetTitle() const override = 0;
    // While disabled, the host ignores record commands and nothing offers to
    // save; implementations also disable the form's controls.
    virtual void EnableForm(bool enable) { m_bEnabled = enable; }
    // Scrolls the host so that the form position (x, y) is visible.
    virtual void MakePointVisible(int x, int y) = 0;
    // The client rectangle of GetWnd(); empty before a window is attached.
    [[nodiscard]] virtual QRect GetFormRect() const;
    // Makes GetWnd() return the host's own window.
    virtual void AttachWindow() = 0;
    // The form manager has shown another record, emptied the fields for a
    // new one, or stored the current one: a host that says where the record
    // stands says it anew. Nothing here.
    virtual void recordChanged() {}
    // The form manager has written the current record (key: its key, -1
    // where the key is not a whole number), or deleted a stored one.
    // Nothing here; a host that tells its application does so.
    virtual void recordSaved(qint64 key) { Q_UNUSED(key); }
    // The user began to change the record shown, or its changes were saved
    // or undone. Nothing here; a host that shows unsaved changes says so.
    virtual void recordModifiedChanged() {}
    virtual void recordDeleted(qint64 key) { Q_UNUSED(key); }
    // Where a view other than the form's fields shows the records (a
    // datasheet): the column its cursor is in, and putting the cursor into
    // a column on the current record. Empty and false while the fields show
    // them; a command on "the field the cursor is in" asks here first, and
    // nothing puts the focus into a field the user does not see.
    [[nodiscard]] virtual bool showsFields() const { return true; }
    [[nodiscard]] virtual QString cursorColumn() const { return QString(); }
    virtual bool putCursorInColumn(const QString &column)
    {
        Q_UNUSED(column);
        return false;
    }

    // The form window (CForm) in the mode given, a child of GetWnd() that
    // fills it, shown.
    [[nodiscard]] std::unique_ptr<FormWindow> CreateFormWindow(bool designMode) override;

    // Whether the tool bar buttons for drawing a new caption (40039) or
    // frame (40041) show pressed; nothing without a tool bar.
    void CheckAddStatic(bool pressed);
    void CheckAddFrame(bool pressed);
    // The key of the first record saved while this host lives, -1 before.
    [[nodiscard]] long GetFirstUpdateKey() const { return m_lFirstUpdateKey; }
    [[nodiscard]] bool IsEnabled() const { return m_bEnabled; }

    // The form manager this host owns; null after a build that failed.
    [[nodiscard]] CFormMgr *GetFormMgr() const { return m_pFormMgr.get(); }

    // --- the command verbs ------------------------------------------------
    // Each asks its question where one is due, calls the form manager and
    // reports a database error as one message (the verbs that answer with a
    // bool then answer false).
    void DateiNeu();
    bool DateiSpeichern();
    void DateiResize();
    void DateiTabOrder();
    void DateiAddStatic();
    void DateiAddFrame();
    // Writes every record of the filter to a CSV file the user names (for
    // spreadsheets or for programs), after the record shown was saved or
    // given up, with a progress dialog whose "Abbrechen" leaves no file.
    void DatensatzExportieren();
    // Writes the record shown, or every record of the filter (each on pages
    // of its own, or as a list), to a PDF file the user names; all records
    // after the one shown was saved or given up, with a progress dialog.
    void DatensatzAlsPdf();
    // Prints the record shown, as the form lays it out, on the printer the
    // user chooses in the print dialog.
    void DatensatzDrucken();
    // Shows the printed pages of the record shown (they print from there).
    void DatensatzSeitenansicht();
    // Places a subform of a table that refers to the form's (asking which,
    // where several do).
    void DateiAddSubform();
    // ask: offer to save a changed record first (mayCancel: with
    // "Abbrechen", which answers false); otherwise save it. The first record
    // saved while the host lives is remembered.
    bool DatensatzSpeichern(bool ask, bool mayCancel = false);
    bool DatensatzLoeschen();
    // Deletes the records of keys (see CFormMgr::DeleteRecords) after the
    // question, whose default is "Nein". A changed current record that is
    // not among them is offered for saving first.
    bool DatensatzLoeschen(const QVector<QVariantList> &keys, const QVariantList &then,
                           bool currentAmong);
    bool DatensatzEinfuegen();
    void DatensatzFiltern();
    void DatensatzRemoveFilter();
    void ChangeFilter(const QString &filter);
    void DatensatzMoveFirst();
    void DatensatzMoveLast();
    void DatensatzMovePrevious();
    void DatensatzMoveNext();
    // To the record at 1-based position number (beyond the last: the last).
    void DatensatzMoveTo(qint64 number);
    void DatensatzFilterNachAuswahl(bool exclude);
    CDataMgr::FindResult DatensatzSuchen(const CDataMgr::FindRequest &request);
    void DatensatzSortieren(bool descending);
    void DatensatzSortierenNach(const QString &column, bool descending);
    void DatensatzSortierungEntfernen();
    void DatensatzUndo();
    void Ausrichten(CFormMgr::AUSRICHTUNG direction, bool toRaster);
    // Whether the host may close: offers to save the layout (design mode)
    // or a changed record (data mode) first.
    bool Beenden();

    // The commands whose buttons show pressed while the user draws.
    enum Command : int {
        CommandAddStatic = 40039,
        CommandAddFrame = 40041,
    };

protected:
    CFormParent();
    // The tool bar whose buttons CheckAddStatic and CheckAddFrame press; its
    // actions carry their command id as data().
    void SetToolBar(QToolBar *toolBar) { m_pToolBar = toolBar; }

    // Drops the form manager (a build that failed leaves none).
    void DeleteFormMgr();

    bool m_bDesignMode = false;    // set by the implementation's SetDesignMode
    bool m_bEnabled = true;        // set by EnableForm
    QWidget *m_pWnd = nullptr;     // set by the implementation's AttachWindow
    QPointer<QToolBar> m_pToolBar; // the host's tool bar, if it has one
    long m_lFirstUpdateKey = -1;   // the first saved record's key

private:
    // Runs a verb's work and reports a database error as one message.
    template <typename Result, typename Work> Result guarded(Result onError, Work work);

    std::unique_ptr<CFormMgr> m_pFormMgr;
    // Sets or clears the checked state of the button of command id; its other
    // states stay. A button that cannot be checked stays as it is.
    void CheckToolBarBtn(int id, bool pressed);
};

#endif // QRT_RUNTIME_CFORMPARENT_H
