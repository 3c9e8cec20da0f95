#ifndef QRT_RUNTIME_LAYOUTSTATE_H
#define QRT_RUNTIME_LAYOUTSTATE_H

#include "controls/FormWindowInterface.h"
#include "qrt_export.h"

#include <QPointer>
#include <QString>
#include <QUndoCommand>
#include <QVector>

class CDynControl;
class CForm;

// Everything the design-mode editor can change on a form, as plain values:
// the controls on the form in their order, each with its rectangle, caption,
// font and flags, and the form's raster and title. Controls are referred to,
// never owned (the builder owns them; one taken off the form stays in its
// pool and can come back).
//
// The editor takes one before and one after every gesture; the difference
// is the change, and restoring either state is its undo or redo. A form
// holds a few dozen controls, so a state is small and both are cheap.
struct QRT_AUTOTEST_EXPORT LayoutState
{
    struct Entry
    {
        QPointer<CDynControl> control;
        ControlProperties properties; // caption, geometry, font, flags
    };

    QVector<Entry> shown; // the form's controls, in its order
    int rasterX = 0;
    int rasterY = 0;
    bool rasterShown = false;
    QString title;

    // The form as it stands.
    static LayoutState capture(const CForm &form);
    // Puts the form into this state: controls that are on the form but not
    // in it are taken off (hidden, deselected), the others take their place,
    // look and position, and the list its order. A control that has gone
    // since is skipped. Returns the controls that moved, changed or came on
    // the form.
    QVector<CDynControl *> restore(CForm &form) const;

    friend bool operator==(const LayoutState &a, const LayoutState &b);
    friend bool operator!=(const LayoutState &a, const LayoutState &b) { return !(a == b); }
};

// One gesture of the editor on the undo stack: the states before and after
// it. It is pushed once the gesture is done, so its first redo has nothing
// left to do; every later undo and redo restores a state and selects what it
// changed.
class QRT_AUTOTEST_EXPORT LayoutCommand final : public QUndoCommand
{
public:
    // What made the change. A key held down repeats its change; the repeats
    // merge into the first press, so holding an arrow key is one gesture.
    // Presses of the keys that make the same change (moving, or resizing)
    // to the same selection merge too while each follows the one before
    // within kKeyMergeMs: tapping an arrow ten times is one step to undo.
    enum class Origin { Gesture, Key, KeyRepeat };
    static constexpr qint64 kKeyMergeMs = 1000;

    // selection: the controls a key changed (for merging presses).
    LayoutCommand(CForm &form, LayoutState before, LayoutState after, const QString &text,
                  Origin origin = Origin::Gesture,
                  QVector<const CDynControl *> selection = QVector<const CDynControl *>());

    void undo() override;
    void redo() override;
    [[nodiscard]] int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

    [[nodiscard]] const LayoutState &before() const { return m_before; }
    [[nodiscard]] const LayoutState &after() const { return m_after; }

private:
    void restore(const LayoutState &state);

    QPointer<CForm> m_form;
    LayoutState m_before;
    LayoutState m_after;
    Origin m_origin;
    QVector<const CDynControl *> m_selection;
    qint64 m_lastKeyMs; // when the last key merged into this one was pressed
    bool m_done = true; // pushed after the change was made
};

#endif // QRT_RUNTIME_LAYOUTSTATE_H
