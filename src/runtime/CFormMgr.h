#ifndef QRT_RUNTIME_CFORMMGR_H
#define QRT_RUNTIME_CFORMMGR_H

#include "controls/ControlInfo.h"
#include "data/CDataMgr.h"
#include "qrt_export.h"

#include <QEvent>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class CDataMgr;
class CForm;
class CFormBuilder;
class ComError;
class CFormParent;

// Makes one form work: it builds the form window with its controls (through
// the form builder) and, in data mode, holds the table's records (through the
// record data manager); it moves the current record into the controls and
// back, and guards every change of record with the rule that a changed
// record is offered for saving first. It also carries the design operations
// the host's commands call.
//
// The host (CFormParent) owns the manager; the manager owns the builder
// (which owns the form window and the controls) and the data manager.
// Database errors pass through to the host's commands, which report them.
class QRT_EXPORT CFormMgr
{
public:
    // The edge the selected controls are aligned to.
    enum AUSRICHTUNG { LINKS = 0, RECHTS = 1, UNTEN = 2, OBEN = 3 };

    CFormMgr();
    virtual ~CFormMgr();
    CFormMgr(const CFormMgr &) = delete;
    CFormMgr &operator=(const CFormMgr &) = delete;

    // Builds the form as the configuration document says (data or design
    // mode); false after a message when it cannot be built.
    bool CreateForm(CFormParent *host, const QString &document, bool newRecord);
    // Builds the form again; without keepDefinition the stored definition is
    // deleted first, so the form is generated afresh from the columns.
    void ReCreateForm(bool keepDefinition);

    // Writes the changed controls into the current record and stores it.
    bool SaveData();
    // Offers to save a changed record ("Den aktuellen Datensatz speichern?");
    // true when the user may go on (saved, or not to be saved). mayCancel
    // adds "Abbrechen", for closing: false then keeps the window and the
    // entries.
    bool SaveCurRecord(bool mayCancel = false);
    bool InsertData();
    bool DeleteData();
    // Deletes the records of keys in one transaction (see
    // CDataMgr::DeleteRecords) and shows the record of then; the host hears
    // of each deletion.
    bool DeleteRecords(const QVector<QVariantList> &keys, const QVariantList &then);
    void MovePrevious();
    void MoveNext();
    void MoveFirst();
    void MoveLast();
    void MoveTo(qint64 number);
    void Undo();
    void FilterData();
    void RemoveFilter();
    void ChangeFilter(const QString &filter);
    // Filters by the value of the field that has the focus (a message when
    // none has): the records with that value, or with exclude those without.
    void FilterBySelection(bool exclude);
    // Searches the records for the text of request after a changed record
    // is saved (NotFound, without searching, when it is not); no columns:
    // every field the form shows.
    CDataMgr::FindResult Find(CDataMgr::FindRequest request);
    // Orders the records by the field that has the focus (a message when
    // none has), or back to the host's order.
    void SortByFocusedField(bool descending);
    void SortBy(const QString &column, bool descending);
    void RemoveSort();
    long GetLastUpdateKey();

    void Ausrichten(AUSRICHTUNG direction, bool toRaster);
    // Fits the form window to its controls and tells the host the mode and
    // the form's size (the 0x591 event).
    void ResizeForm();
    // Stores the layout; what is stored now counts as unchanged.
    bool SaveForm();
    // Whether the design-mode layout differs from the stored one: changed
    // since it was loaded or saved, or not stored at all.
    [[nodiscard]] bool HasUnsavedLayout() const;
    void ChangeTabOrder();
    void AddStatic();
    void AddFrame();
    // A subform of a table whose foreign key refers to the form's table,
    // below the controls and selected; where several do, the user chooses
    // (a dialog owned by owner). One step of the editor's history.
    void AddSubform(QWidget *owner);

    [[nodiscard]] CForm *GetForm() const { return m_pForm; }
    [[nodiscard]] bool GetDesignMode() const { return m_bDesignMode; }
    // The records, in data mode; null in design mode and before CreateForm.
    [[nodiscard]] CDataMgr *dataManager() const { return m_pDataMgr.get(); }
    [[nodiscard]] CFormBuilder *builder() const { return m_pBuilder.get(); }

    // A form inside this one (a subform) whose record must be saved first,
    // before this one's is saved or left: save(ask, mayCancel) asks as
    // SaveCurRecord does, or without ask saves at once; false keeps this
    // form's record where it is.
    using Dependent = std::function<bool(bool ask, bool mayCancel)>;
    void addDependent(Dependent save) { m_dependents.push_back(std::move(save)); }

    // Shows the records whose fixed column (a subform's link) holds value,
    // after the record shown was saved or given up.
    void SetFixedValue(const QString &column, const QString &value);

    // Puts the user into the field of the column, with its text selected.
    void focusField(const QString &column) const;
    // The column of the field that has the focus; empty when none has.
    [[nodiscard]] QString focusedColumn() const;
    // The name the user knows the field of column by (its caption).
    [[nodiscard]] QString fieldCaption(const QString &column) const;

private:
    // Copies the current record into the controls.
    void FillForm();
    // A caption or frame where the user has drawn its rectangle.
    void addDrawnElement(ControlKind kind);
    // One attempt of SaveData: the changed controls' texts written into the
    // row; false (after a message) when a field or the records refused.
    // Conflicts with another user's save come as ComError.
    bool writeRecord();
    // Puts the conflicts of the write that failed with error to the user
    // (again: the second time round for the same save); true when the user
    // chose a value for each, which the controls then hold, false when the
    // user cancelled. error goes on where there is nothing to choose.
    bool resolveConflicts(const ComError &error, bool again);
    // Runs step after SaveCurRecord and fills the form again, unless the
    // record could not be saved.
    template <typename Step> void afterSaving(Step step);
    // The column of the field that has the focus, for a command on it; none
    // has: tells the user to go into the field first ("Bitte setzen Sie den
    // Cursor zuerst in das Feld, " field) and gives "".
    [[nodiscard]] QString commandColumn(const QString &field) const;

    std::unique_ptr<CFormBuilder> m_pBuilder;
    std::unique_ptr<CDataMgr> m_pDataMgr;
    std::vector<Dependent> m_dependents;
    // The window's rectangle as the layout was loaded or last saved: the
    // user resizing the window changes the stored form too.
    QRect m_storedWindowRect;
    CFormParent *m_pHost = nullptr; // not owned: the host owns this manager
    CForm *m_pForm = nullptr;       // the builder's
    QString m_strDocument;
    bool m_bDesignMode = false;
    bool m_bNewRecord = false;
};

// What the form manager tells its host after building or resizing the form
// (the private message 0x591 of the form hosts): the mode and the form's
// extent.
class QRT_EXPORT FormSizeEvent : public QEvent
{
public:
    static constexpr QEvent::Type kType = QEvent::Type(0x591);

    FormSizeEvent(bool designMode, const QSize &extent)
        : QEvent(kType), m_designMode(designMode), m_extent(extent)
    {}
    [[nodiscard]] bool designMode() const { return m_designMode; }
    [[nodiscard]] QSize extent() const { return m_extent; }

private:
    bool m_designMode;
    QSize m_extent;
};

#endif // QRT_RUNTIME_CFORMMGR_H
