#ifndef QRT_FORMDEF_CFORMBUILDER_H
#define QRT_FORMDEF_CFORMBUILDER_H

#include "controls/CDynEdit.h"
#include "controls/ControlInfo.h"
#include "qrt_export.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class CDynCheckbox;
class CDynComboBox;
class CDynPicture;
class CDynSubform;
class CDynControl;
class CDynDateTime;
class CDynFrame;
class CDynStatic;
class FormHost;
class FormWindow;

// Makes a form: the form window and every control on it.
//
// The builder owns its controls (the pool: every control it created, shown or
// hidden, in creation order) and the form window; the form window's list
// holds the pool's controls that are on the form. Controls get window ids
// from 1000 upwards, in creation order, anew after every Clear.
//
// Each kind is made in one of two ways: automatically, below the controls
// already on the form and sized to its caption (a generated form, a new
// caption or frame, the hidden fields), or from a stored record. Either way
// a control whose name the pool already holds is not made again: the one
// there is returned (null when it is of another kind).
//
// A generated form lays its columns out as rows: each row 5 pixels below the
// lowest control so far (5 for the first), a label at x = 10 and its field 5
// pixels to the right of it; a check box carries its own caption and needs
// no label.
class QRT_EXPORT CFormBuilder
{
public:
    CFormBuilder();
    virtual ~CFormBuilder();
    CFormBuilder(const CFormBuilder &) = delete;
    CFormBuilder &operator=(const CFormBuilder &) = delete;

    // Clears everything and makes an empty form window on host, in the
    // mode given (every control is made in it). Null on failure.
    virtual FormWindow *CreateForm(FormHost *host, bool designMode, const QString &config);
    // Stores the form's definition; failures throw ComError.
    virtual bool SaveForm() = 0;
    // Deletes the stored definition of the form of that name.
    virtual void DeleteForm(const QString &name) = 0;
    // Gives every column a control of its kind, hidden unless it has one.
    virtual void AddHiddenFields() = 0;

    // The columns of the form's datasheet as the user left them, in the
    // order shown: each field with its width (pixels at 100 %). Empty where
    // none are stored; stored apart from the definition, so that a user who
    // may only read the definition keeps it as it is.
    struct DatasheetColumn
    {
        QString field;
        int width = 0;
    };
    [[nodiscard]] virtual QVector<DatasheetColumn> DatasheetColumns() { return {}; }
    // The tables whose foreign key of one column refers to the form's table,
    // each as the subform that would show their records.
    [[nodiscard]] virtual QVector<SubformSetting> ReferringTables() { return {}; }
    // Replaces what is stored for the form's datasheet; ComError when the
    // database refuses.
    virtual void SaveDatasheetColumns(const QVector<DatasheetColumn> &columns)
    {
        Q_UNUSED(columns);
    }

    // Whether the form shown is stored as it was loaded or last saved (not
    // generated from the columns, and its stored definition not deleted).
    [[nodiscard]] bool IsStored() const { return m_stored; }

    // Ids from 1000 again; the form window and every control go.
    void Clear();
    // The pool's first control of exactly that name, or null.
    [[nodiscard]] CDynControl *FindControl(const QString &name) const;
    // Puts the pool's control of column with kind's suffix on the form (an
    // edit or date field after its label); a missing one is announced.
    void PlaceControl(ControlKind kind, const QString &column);
    // Puts the pool's control name on the form at the rectangle (right and
    // bottom one past); a missing one is announced.
    void PlaceControlAt(const QString &name, int left, int top, int right, int bottom);
    // Puts a field that was taken off the form back on as a new row, laid
    // out like an automatic one: below every shown control, keeping its
    // size; its label (when the pool has one) at the left margin, the field
    // beside it and as tall as it, the field alone at the margin otherwise.
    void PlaceOnNewRow(CDynControl &field);

    // --- the creation family --------------------------------------------
    // Automatic: below the form's controls, sized to the caption (design
    // mode), hidden until placed. Edit and date fields make their column's
    // label (column + "_TITEL") first and stand right of it.
    CDynStatic *AddStatic(const QString &caption, unsigned flags = ControlFlags::Left);
    CDynFrame *AddFrame(const QString &caption, unsigned flags = ControlFlags::Left);
    // textLength below 1 means 6 characters for whole numbers, 8 for decimal
    // numbers, the caption's width otherwise; maxLength 0 or less: no limit.
    CDynEdit *AddEdit(const QString &column, int textLength, int maxLength, InputKind inputKind,
                      unsigned flags = ControlFlags::Left);
    CDynCheckbox *AddCheckbox(const QString &column, unsigned flags = ControlFlags::Left);
    CDynDateTime *AddDateTime(const QString &column, unsigned flags = ControlFlags::Left);
    // A field of a column that refers to another table's rows, with a list
    // of them (the lookup setting Automatic), as wide as a name.
    CDynComboBox *AddComboBox(const QString &column, unsigned flags = ControlFlags::Left);
    // A field of bytes, shown as a picture: 160 by 120 pixels beside its label.
    CDynPicture *AddPicture(const QString &column);
    // The records of table that refer to the form's by link: 400 by 160
    // pixels below the controls, titled with the table; shown at once.
    CDynSubform *AddSubform(const SubformSetting &setting);
    // From a stored record: its rectangle, caption, name, font and flags.
    // Edit fields take the column's input kind and length, and show decimal
    // numbers with 8 places.
    CDynStatic *AddStatic(const ControlInfo &stored);
    CDynFrame *AddFrame(const ControlInfo &stored);
    CDynEdit *AddEdit(const ControlInfo &stored, InputKind inputKind, int maxLength);
    CDynCheckbox *AddCheckbox(const ControlInfo &stored);
    CDynDateTime *AddDateTime(const ControlInfo &stored);
    CDynComboBox *AddComboBox(const ControlInfo &stored);
    CDynPicture *AddPicture(const ControlInfo &stored);
    CDynSubform *AddSubform(const ControlInfo &stored);

    // "FELD_<next id>": the caption of a new caption or frame, so that its
    // name is unique on the form.
    [[nodiscard]] QString NewFieldName() const;

    // The pool, in creation order.
    [[nodiscard]] const std::vector<std::unique_ptr<CDynControl>> &controls() const
    {
        return m_controls;
    }
    [[nodiscard]] FormWindow *GetForm() const;
    [[nodiscard]] FormHost *GetHost() const { return m_host; }
    [[nodiscard]] bool GetDesignMode() const { return m_designMode; }

    // The widest a column's defined size makes an edit field's limit: the
    // longest text a one-line edit holds. Larger sizes (long texts) and 0
    // or less mean no limit.
    static constexpr int kMaxFieldLength = 32767;

protected:
    // The host's window, as the owner of messages.
    [[nodiscard]] QWidget *MessageOwner() const;

    std::vector<std::unique_ptr<CDynControl>> m_controls; // the pool
    bool m_designMode = false;
    unsigned m_nextId = 1000;
    FormHost *m_host = nullptr; // not owned; set by CreateForm
    int m_leftMargin = 10;
    int m_verticalGap = 5;
    int m_horizontalGap = 5;
    bool m_stored = false;

private:
    // Takes the next id, makes the control's widget and adds it to the pool.
    // prepare sees the control before its widget is made.
    template <typename Control>
    Control *make(ControlDescription description, bool hidden,
                  const std::function<void(Control &)> &prepare = {});
    // The existing control of that name as Control, or null; *exists says
    // whether there was one at all.
    template <typename Control> Control *existing(const QString &name, bool *exists) const;
    // The top-left corner of a new automatic control: at the left margin,
    // below the controls on the form.
    [[nodiscard]] QPoint NextRowStart() const;
    // The place of an automatic field: right of its label (made first).
    [[nodiscard]] ControlDescription FieldBesideLabel(const QString &column, int textLength,
                                                      unsigned flags);
    void AnnounceMissing(const QString &name) const;

    std::unique_ptr<FormWindow> m_form;
    // The form window is a child of the host's window: when that went first,
    // Qt has deleted the form window with it.
    QPointer<QWidget> m_formWidget;
};

#endif // QRT_FORMDEF_CFORMBUILDER_H
