#ifndef QRT_RUNTIME_FORMEDITOR_H
#define QRT_RUNTIME_FORMEDITOR_H

#include "controls/FormWindowInterface.h"
#include "qrt_export.h"
#include "runtime/FormGeometry.h"
#include "runtime/LayoutState.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVector>

#include <memory>

class CDynControl;
class CForm;
class QEventLoop;
class QKeyEvent;
class QMenu;
class QUndoStack;

// The design-mode editor of one form window: it turns the mouse and the
// keyboard on the form into selections and changes of the layout.
//
// Mouse. A press on a control (its widget hands it over), on a frame's
// border or on a selection handle grabs something: a handle resizes its
// control, a press on a selected control of a selection of several moves
// them all, any other press selects (Shift adds or takes away) and moves
// the one control. A press anywhere else draws a band that selects what it
// touches when the button comes up (with Shift in addition to what was
// selected). A drag starts only beyond the platform's drag distance, so a
// click never nudges a control; Escape puts back what a drag moved. The
// mouse places controls exactly: the raster is a drawing aid and a target
// of the alignment commands only.
//
// Keyboard (the form keeps the focus; the controls take none): Delete
// removes the selection after asking, A selects all, Escape drops the
// selection (without one it closes the window), arrows move it by a pixel (Ctrl: a raster step),
// Shift+arrows resize it, Tab and Shift+Tab select the next or previous control in reading order,
// Enter opens the properties (of the one selected control, else of the form), the menu key the
// context menu, Ctrl+Z and Ctrl+Y undo and redo. Every other key is swallowed, as in design mode
// always.
//
// Changes. Each finished gesture is one command on the undo stack holding
// the layout before and after it (LayoutState). Code that changes the layout
// outside a gesture (alignment, removal, a new caption, the field layout)
// marks its extent with a FormChange, and nested changes make one command.
// A change also keeps the fields' tab order in reading order, top to bottom
// and left to right, as long as it was so before; an order the user fixed
// in the field layout dialog stays as it is.
//
// The editor is the form window's event filter; the form forwards what the
// controls report. It owns its undo stack and the band, never a control.
class QRT_EXPORT FormEditor : public QObject
{
    Q_OBJECT

public:
    // What a change does to the fields' order in the form's list.
    enum class TabOrder {
        FollowLayout, // back into reading order if it was in it before
        AsListed,     // as the change left it: the user fixed it
    };

    explicit FormEditor(CForm &form);
    ~FormEditor() override;
    FormEditor(const FormEditor &) = delete;
    FormEditor &operator=(const FormEditor &) = delete;

    [[nodiscard]] QUndoStack *undoStack() const { return m_undoStack.get(); }

    // --- the mouse, in form coordinates ------------------------------------
    // control: the control whose widget took the press; null for the form.
    void pressed(CDynControl *control, const QPoint &point, Qt::KeyboardModifiers modifiers);
    void dragged(const QPoint &point);
    void released(const QPoint &point, Qt::KeyboardModifiers modifiers);
    // The right button came up on the form (or a handle): the menu of the
    // control whose outline is there, else the form's menu.
    void rightReleased(const QPoint &point, Qt::KeyboardModifiers modifiers);
    // Whether a press, drag or band is under way.
    [[nodiscard]] bool isBusy() const { return m_gesture != Gesture::Idle; }

    // --- selection ------------------------------------------------------------
    [[nodiscard]] QVector<CDynControl *> selection() const;
    void selectAll();
    void deselectAll();
    // Exactly these controls selected (those on the form).
    void selectOnly(const QVector<CDynControl *> &controls);
    // Asks, then takes the selected controls off the form.
    void deleteSelected();

    // --- commands ---------------------------------------------------------
    // The form's context menu (6018) at the cursor, or at point (form
    // coordinates) when the keyboard asked for it; runs what was chosen.
    void showFormMenu(const QPoint *point = nullptr);
    [[nodiscard]] std::unique_ptr<QMenu> createFormMenu() const;
    // Runs a command of the form's context menu; false for other ids.
    bool runCommand(int id);
    // The form properties dialog; applied as one change on OK.
    void editFormProperties();
    // The control properties dialog, filled from and back into properties.
    bool editControlProperties(ControlProperties &properties);

    // The rectangle the user draws next for a new caption or frame: runs the
    // events until the button comes up. Empty when a drawing is under way
    // already, when Escape cancels it, or when the form goes meanwhile.
    [[nodiscard]] QRect takeDrawnRect();
    [[nodiscard]] bool isDrawing() const { return m_drawing; }

    // --- changes ----------------------------------------------------------
    void beginChange(const QString &text, TabOrder order = TabOrder::FollowLayout);
    // The outermost end pushes one command when the layout differs.
    // selection: what a key changed, for merging presses (LayoutCommand).
    void endChange(LayoutCommand::Origin origin = LayoutCommand::Origin::Gesture,
                   const QVector<CDynControl *> &selection = QVector<CDynControl *>());
    // Puts the layout back as it was at the outermost begin; nothing is pushed.
    void cancelChange();
    void setTabOrder(TabOrder order) { m_tabOrder = order; }

    // After an undo or redo: selects what it changed, outlines on top.
    void showRestored(const QVector<CDynControl *> &changed);
    // Puts the selection outlines above the controls again (a control shown
    // or made anew lies on top of them) and gives selected controls the
    // move cursor.
    void refreshTrackers();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Gesture {
        Idle,
        Band,         // drawing a band (also for a new element)
        Pending,      // pressed on a control, not yet dragged far enough
        Moving,       // one control follows the mouse
        Resizing,     // one control's handle follows the mouse
        GroupPending, // pressed on one of several selected controls
        GroupMoving,  // the selection follows the mouse
    };

    bool handleMouse(QEvent *event);
    bool handleKey(QKeyEvent *event);
    [[nodiscard]] bool isEditorKey(const QKeyEvent *event) const;
    bool selectAndTrack(CDynControl *control, const QPoint &point, Qt::KeyboardModifiers modifiers);
    void startBand(const QPoint &point);
    void finishBand(const QPoint &point, Qt::KeyboardModifiers modifiers);
    void startTracking(Gesture gesture, CDynControl *control, FormGeometry::Handle handle,
                       const QPoint &point);
    void follow(const QPoint &point);
    void cancelGesture();
    void nudge(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);
    void selectNeighbour(bool forward);
    void openProperties();
    void showContextMenuForKeyboard();
    void finishDrawing(const QRect &drawn);
    // The fields back into reading order, within the places they hold in
    // the list (captions and frames keep theirs).
    void sortFieldsIntoReadingOrder();
    [[nodiscard]] bool fieldsInReadingOrder() const;
    [[nodiscard]] QWidget *owner() const;
    // The undo texts of the two kinds of gesture.
    static QString moveText();
    static QString resizeText();
    static void place(CDynControl &control, const QRect &rect);

    CForm &m_form;
    std::unique_ptr<QUndoStack> m_undoStack;
    QPointer<QWidget> m_band; // the band's outline on the form

    Gesture m_gesture = Gesture::Idle;
    QPoint m_pressPoint;
    QPoint m_bandCorner;
    QPointer<CDynControl> m_tracked; // the control a move or resize follows
    FormGeometry::Handle m_handle = FormGeometry::Handle::Inside;
    QVector<QPointer<CDynControl>> m_moved; // what a move takes along
    QVector<QRect> m_startRects;            // their rectangles at the press

    bool m_drawing = false;              // the band is the rectangle of a new element
    QRect m_drawnRect;                   // what the band of a drawing gave
    QEventLoop *m_drawingLoop = nullptr; // runs while the user draws

    int m_changeDepth = 0;
    LayoutState m_before;
    QString m_changeText;
    TabOrder m_tabOrder = TabOrder::FollowLayout;
    bool m_wasReadingOrder = false;
};

// Marks code that changes a form's layout as one change of its editor, for
// as long as it lives. On a form without an editor (data mode) it does
// nothing.
class QRT_EXPORT FormChange
{
public:
    FormChange(CForm &form, const QString &text,
               FormEditor::TabOrder order = FormEditor::TabOrder::FollowLayout);
    ~FormChange();
    FormChange(const FormChange &) = delete;
    FormChange &operator=(const FormChange &) = delete;

    // The change ends with the list in the order it left: the user fixed it.
    void keepListedOrder();

private:
    QPointer<FormEditor> m_editor;
};

#endif // QRT_RUNTIME_FORMEDITOR_H
