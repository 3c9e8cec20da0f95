#ifndef QRT_CONTROLS_FORMWINDOWINTERFACE_H
#define QRT_CONTROLS_FORMWINDOWINTERFACE_H

#include "controls/ControlInfo.h"
#include "qrt_export.h"

#include <QPoint>
#include <QRect>

#include <memory>

class CDynControl;
class QWidget;

// The selection outline of one control in design mode: a dotted rectangle
// with eight resize handles outside. The form window makes it (its tracker
// lives in the runtime); the control holds it while it is selected and moves
// it along when it is moved.
class QRT_EXPORT ControlTracker
{
public:
    // The tracker styles the editor asks for: a dotted outline, handles outside.
    static constexpr int DottedLine = 2;
    static constexpr int ResizeOutside = 16;

    virtual ~ControlTracker();

    [[nodiscard]] virtual QRect rect() const = 0; // form window coordinates
    virtual void setRect(const QRect &rect) = 0;
};

// What the properties dialog shows and returns for one control; the switches
// say which options the control's kind offers.
struct ControlProperties
{
    QString caption;
    QRect geometry; // left, top, width and height in the form's coordinates
    FontDescription font;
    unsigned flags = ControlFlags::Left;
    bool captionEditable = true;   // edit and date fields show their column's name
    bool multiLineEnabled = false; // only edit fields wrap lines
    bool alignmentEnabled = true;  // frames keep their title where it is
    // A field of a column that refers to another table's rows: how it shows
    // them, the columns that could name them (empty: no list to set), and
    // the one the automatic setting takes.
    LookupSetting lookup;
    QStringList lookupColumns;
    QString automaticLookupColumn;
};

// How a control reaches the form window it lives on. The form window itself
// (a higher layer) implements it; the controls know nothing else of it.
//
// In design mode the form is an editor: a control hands it every mouse press,
// drag and release, because the control's widget keeps the mouse between
// press and release. Points are in the form widget's coordinates.
class QRT_EXPORT FormWindowInterface
{
public:
    virtual ~FormWindowInterface();

    // The widget the controls are children of.
    [[nodiscard]] virtual QWidget *formWidget() const = 0;

    // Design mode: the left button went down on control (select, move,
    // resize), the mouse moved with it held, and it came up again.
    virtual void controlPressed(CDynControl &control, const QPoint &point,
                                Qt::KeyboardModifiers modifiers) = 0;
    virtual void controlDragged(CDynControl &control, const QPoint &point,
                                Qt::KeyboardModifiers modifiers) = 0;
    virtual void controlReleased(CDynControl &control, const QPoint &point,
                                 Qt::KeyboardModifiers modifiers) = 0;

    // A selection outline around rect with the given tracker style.
    [[nodiscard]] virtual std::unique_ptr<ControlTracker> createTracker(const QRect &rect,
                                                                        int style) = 0;
    // How many controls of the form are selected now.
    [[nodiscard]] virtual int selectedCount() const = 0;
    // The form's menu for a selection of several controls, at the cursor.
    virtual void showSelectionMenu() = 0;
    // Takes control off the form (and its label with it); false when it was
    // not on the form.
    virtual bool removeControl(CDynControl &control) = 0;
    // Shows the control properties dialog; true on OK, with properties
    // holding what the user chose.
    virtual bool editControlProperties(ControlProperties &properties) = 0;
    // Gives control what the properties dialog returned. A form window that
    // keeps a history of its changes records it as one; by default the
    // control just takes them (CDynControl::ApplyProperties).
    virtual void applyControlProperties(CDynControl &control, const ControlProperties &properties);
    // A control's modified flag changed: the user began to change its value,
    // or its value was set or saved. Nothing here; the form window tells
    // its host, which shows whether the record has unsaved changes.
    virtual void controlModifiedChanged() {}
    // Redraws the form and what lies under it (selection outlines, raster).
    virtual void repaint() = 0;
};

#endif // QRT_CONTROLS_FORMWINDOWINTERFACE_H
