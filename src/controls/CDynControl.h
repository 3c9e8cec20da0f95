#ifndef QRT_CONTROLS_CDYNCONTROL_H
#define QRT_CONTROLS_CDYNCONTROL_H

// A dynamic control is one field, caption or frame on a data-entry form: a
// Qt widget plus the definition of its place on the form (name, caption,
// font, alignment flags, rectangle), which the form stores as a CONTROLINFO
// record.
//
// The control and its widget. A CDynControl is not itself a widget: it owns
// one (QLabel, QLineEdit or a multi-line edit, a check box, a group box) and
// may replace it by a new one at any time, because some of its settings
// (multi-line, alignment) are fixed when a window is made. Create() makes the
// widget as a child of the form's widget, so Qt's parent holds it too; the
// control deletes it in its destructor and otherwise observes it through a
// QPointer. Everything that outlives a new widget (name, caption, font, flags,
// input kind, id) lives in the control. The control watches its widget
// through an event filter: it filters typed characters, notices user changes
// (the modified flag) and, in design mode, keeps the mouse from the widget.
//
// The control and the form window. The form window belongs to a higher layer;
// a control reaches it only through FormWindowInterface: the widget to live
// on, the mouse handed over in design mode (press, drag, release, in form
// coordinates), the selection outline (a ControlTracker the form makes and
// the control holds while it is selected), the selection count, removal, the
// properties dialog and repainting. The form decides what a click means;
// the control only reports where it happened. Tests use a fake form.
//
// The numeric window styles of the stored forms are still computed
// (WindowStyle.h) and then applied to the widget as alignment, read-only,
// multi-line, border and focus policy; a control is a tab stop while shown
// in data mode.

#include "controls/ControlInfo.h"
#include "controls/FormWindowInterface.h"
#include "controls/WindowStyle.h"
#include "qrt_export.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

class QMenu;

// What Create() needs to make a control's widget.
struct ControlDescription
{
    int left = 0;  // rectangle in the form's coordinates; right and bottom lie
    int top = 0;   // one past the control; below 0 they ask for automatic
    int right = 0; // sizing (design mode only)
    int bottom = 0;
    int textLength = -1; // automatic sizing: below 0 the caption, else that
                         // many characters (edit fields, at most 50)
    unsigned id = 0;     // unique on the form
    QString caption;
    std::optional<QString> name; // none: derived from the caption and kind
    FontDescription font;
    qint16 maxLength = 0; // edit fields: most characters; 0 or less: no limit
    unsigned flags = ControlFlags::Left;
};

class QRT_EXPORT CDynControl : public QObject
{
    Q_OBJECT

public:
    explicit CDynControl(bool designMode);
    ~CDynControl() override;
    CDynControl(const CDynControl &) = delete;
    CDynControl &operator=(const CDynControl &) = delete;

    // The kind code (ControlKind) of the stored record.
    [[nodiscard]] virtual int GetTyp() const = 0;
    // Stores the flags and returns the window style for them, starting from
    // the live widget's style when there is one. With recreate the widget is
    // made anew at the same place, with the same id, font and limit.
    virtual StyleBits SetFlags(unsigned flags, bool recreate);
    // Empties the shown value.
    virtual void ClearValue() = 0;
    // Shows the widget: in design mode above its siblings, in data mode as
    // a tab stop. Hide() hides it and takes the tab stop away.
    virtual void Show();
    virtual void Hide();
    // Whether a press at point (form coordinates) on the form itself grabs
    // this control; only frames, whose inside lets presses through, say yes.
    [[nodiscard]] virtual bool HitTest(int x, int y) const;
    // The control's CONTROLINFO record: StoredInfo() as text.
    [[nodiscard]] QString GetControlInfo() const;
    // What the record holds; kinds add what they store beyond the rest.
    [[nodiscard]] virtual ControlInfo StoredInfo() const;
    // Whether the user changed the value since it was last set.
    [[nodiscard]] virtual bool IsModified() const { return m_modified; }
    // Tells the form when the flag changes (see controlModifiedChanged).
    virtual void SetModified(bool modified);
    // Takes the font; a size below 1 gives "MS Sans Serif" at 8 points.
    virtual void SetFont(const FontDescription &font);
    // Makes the widget on form's widget, replacing one the control has.
    virtual void Create(FormWindowInterface *form, const ControlDescription &description);

    // The mouse on the control, in the widget's coordinates. In design mode
    // a press goes to the form (select, move, resize) and not to the
    // widget, so a check box does not toggle and an edit takes no caret.
    virtual void OnLButtonDown(Qt::KeyboardModifiers modifiers, int x, int y);
    virtual void OnLButtonUp(Qt::KeyboardModifiers modifiers, int x, int y);
    // Design mode: selects the control too and opens its menu, or the
    // form's menu when several controls are selected.
    virtual void OnRButtonUp(Qt::KeyboardModifiers modifiers, int x, int y);

    // Sizes the widget to text in its font and writes the size into rect
    // (whose top-left corner stays).
    virtual void AutoSize(QRect &rect, const QString &text);
    // The properties dialog (through the form); applies what the user chose.
    virtual void EditProperties();
    // What the properties dialog shows for this control: caption, rectangle,
    // font and flags, and the options its kind offers.
    [[nodiscard]] virtual ControlProperties GetProperties() const;
    // Takes caption, font, flags (the widget is made anew) and rectangle as
    // given, and repaints the form.
    virtual void ApplyProperties(const ControlProperties &properties);
    // Design mode: the control's menu at the cursor.
    virtual void ShowContextMenu();
    // The menu ShowContextMenu opens; each action's data is its command id.
    [[nodiscard]] std::unique_ptr<QMenu> CreateContextMenu() const;
    // Runs a command of the control's menu; false for other ids.
    bool OnCommand(int id);

    // Selected means holding a tracker made by the form.
    void Select(bool on);
    [[nodiscard]] bool IsSelected() const { return m_tracker != nullptr; }
    [[nodiscard]] ControlTracker *GetTracker() const { return m_tracker.get(); }
    // Moves and sizes the widget, and the tracker with it (form coordinates,
    // right and bottom one past the control).
    void MoveTo(int left, int top, int right, int bottom);

    // The widget's rectangle in the form's coordinates; Right() and Bottom()
    // lie one past the control, as the stored forms count them.
    [[nodiscard]] QRect GetRect() const;
    [[nodiscard]] int Left() const { return GetRect().left(); }
    [[nodiscard]] int Top() const { return GetRect().top(); }
    [[nodiscard]] int Right() const { return GetRect().left() + GetRect().width(); }
    [[nodiscard]] int Bottom() const { return GetRect().top() + GetRect().height(); }

    [[nodiscard]] ControlKind kind() const { return ControlKind(GetTyp()); }
    // Edit fields, check boxes and date fields show a column's value;
    // captions and frames only decorate.
    [[nodiscard]] bool CarriesValue() const;
    [[nodiscard]] bool IsDesignMode() const { return m_designMode; }
    [[nodiscard]] const QString &GetName() const { return m_name; }
    [[nodiscard]] const QString &GetCaption() const { return m_caption; }
    [[nodiscard]] unsigned GetId() const { return m_id; }
    // The style the widget was made with, with its present visibility and
    // tab stop.
    [[nodiscard]] StyleBits GetStyle() const;
    [[nodiscard]] FontDescription GetFontDescription() const;
    [[nodiscard]] const QFont &GetFont() const { return m_font; }
    [[nodiscard]] QWidget *GetWindow() const { return m_window; }
    [[nodiscard]] FormWindowInterface *GetForm() const { return m_form; }

    // The value a field shows, as record text (see platform/FieldFormat):
    // set when a record is shown, given back when it is saved. Captions and
    // frames carry none.
    virtual void SetRecordText(const QString &text) { Q_UNUSED(text); }
    // The value as record text; false when what the user typed is no value
    // of the field, with *problem saying what it expects ("erwartet ein
    // Datum wie …"). Captions and frames give nothing.
    [[nodiscard]] virtual bool GetRecordText(QString *text, QString *problem) const;
    // Takes text as the user's entry, as if typed into the field (a cell of
    // the datasheet, a paste): the field holds it and counts as changed. A
    // text that is no value of the field changes nothing and gives false,
    // with *problem saying what the field expects. Check only says whether
    // the field would take it (a paste takes a row's cells all or none).
    enum class Entry { Take, Check };
    virtual bool TakeUserText(const QString &text, QString *problem, Entry entry);
    // How the field shows a record text ("1234.50000000" as "1234,50", "TRUE"
    // as "Ja"), for naming a value the field does not hold now.
    [[nodiscard]] virtual QString ShownText(const QString &recordText) const { return recordText; }
    // Readies ShownText for these record texts at once (a page of a
    // datasheet), where a field reads what it shows from the database.
    virtual void PrepareShownTexts(const QStringList &recordTexts) { Q_UNUSED(recordTexts); }
    // Whether PrepareShownTexts does anything: the texts are gathered only
    // for fields that read.
    [[nodiscard]] virtual bool PreparesShownTexts() const { return false; }
    // The field as the user knows it: the caption of its label where the
    // form gave it one, else its own caption or name.
    [[nodiscard]] QString FieldCaption() const;
    // The caption of the field's label on the form ("Name" for "&Name:"),
    // which FieldCaption() gives; empty where it has none.
    void SetLabelCaption(const QString &caption) { m_labelCaption = caption; }
    // Tells the user that the field cannot take its text and why ("Das Feld
    // Kunde seit erwartet ein Datum …"), and puts the focus back into the
    // field with its text selected, so that the next keys replace it.
    void Refuse(const QString &problem);

    // The text the widget shows: a caption, a title, a field's text.
    [[nodiscard]] virtual QString WindowText() const = 0;
    virtual void SetWindowText(const QString &text) = 0;

    // The suffix of a derived name: "_TITEL" for captions, "_RAHMEN" for frames.
    [[nodiscard]] static QString NameSuffix(ControlKind kind);

protected:
    // Makes the kind's widget as a child of parent (which owns it).
    virtual QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) = 0;
    // The kind's last step of Create: design-mode sizing and the window text.
    virtual void FinishCreate(const ControlDescription &description) = 0;
    // Applies the style to the widget; kinds add their own bits.
    virtual void ApplyStyle();
    // The name screen readers announce.
    [[nodiscard]] virtual QString AccessibleName() const { return m_caption; }
    // The maximum length a new widget keeps; only edit fields have one.
    [[nodiscard]] virtual qint16 MaxLengthForRecreate() const { return -1; }
    // Kind-specific events of the widget (and its viewport); true consumes.
    virtual bool FilterEvent(QObject *watched, QEvent *event);
    // The widget and the children whose events the control needs.
    void Watch(QObject *object);
    // Sizes the widget to text and returns the new rectangle, from the
    // description's corner.
    QRect AutoSizeFrom(const ControlDescription &description, const QString &text);
    // Whether the description asks for automatic sizing in this mode.
    [[nodiscard]] bool WantsAutoSize(const ControlDescription &description) const;

    bool eventFilter(QObject *watched, QEvent *event) override;

    StyleBits m_style = 0;

private:
    [[nodiscard]] QPoint ToForm(const QPoint &point) const;
    void RetireWindow();

    const bool m_designMode;
    bool m_modified = false;
    QString m_caption;
    QString m_labelCaption;
    QString m_name;
    QFont m_font;
    QString m_faceName;
    int m_fontSize = 0; // tenths of a point
    int m_fontWeight = 0;
    quint8 m_italic = 0;
    QPointer<QWidget> m_window;
    unsigned m_flags = ControlFlags::Left;
    FormWindowInterface *m_form = nullptr; // not owned
    std::unique_ptr<ControlTracker> m_tracker;
    unsigned m_id = 0;
};

#endif // QRT_CONTROLS_CDYNCONTROL_H
