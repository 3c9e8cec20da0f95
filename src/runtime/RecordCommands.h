#ifndef QRT_RUNTIME_RECORDCOMMANDS_H
#define QRT_RUNTIME_RECORDCOMMANDS_H

#include "qrt_export.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QVector>

class CDataMgr;
class CFormFrame;
class FindBar;
class QBoxLayout;
class QAction;
class QKeyEvent;
class PositionField;
class QLabel;
class QToolBar;
class QWidget;

// The record commands of a form in data mode, for the window that shows it:
// one action per command (text, key, icon and tip from the command table),
// enabled while the form can take records commands, the text that says
// where the record stands ("Datensatz 5 von 300"), and running a command on
// the form. The form dialog and the widget in a host's window both go
// through it, so a command is added in one place.
//
// The window decides when a command runs: an action's trigger only emits
// chosen(id), and the window calls run(id) inside what it wraps around its
// commands (its messages, closing after "Speichern und schließen").
class QRT_EXPORT RecordCommands : public QObject
{
    Q_OBJECT

public:
    // The actions of ids, in that order, children of owner with their keys
    // active where context says.
    RecordCommands(const QVector<int> &ids, QWidget *owner, Qt::ShortcutContext context);
    ~RecordCommands() override;

    // Every record command, in the tool bar's order, "Speichern und
    // schließen" last.
    [[nodiscard]] static const QVector<int> &all();
    // Whether id is one of them.
    [[nodiscard]] static bool isRecordCommand(int id) { return all().contains(id); }

    // The form the commands run on; null while there is none.
    void setFrame(CFormFrame *frame);
    [[nodiscard]] const QVector<int> &ids() const { return m_ids; }
    [[nodiscard]] QAction *action(int id) const { return m_actions.value(id); }

    // Whether the form takes record commands now: it is built, enabled and
    // in data mode.
    [[nodiscard]] bool canRun() const;
    // Runs command id on the form: the verb's answer (for "Speichern und
    // schließen", whether the record is saved and the window may close);
    // false when the form cannot take it.
    bool run(int id);

    // Whether key is one of the commands' keys, enabled now, which a field
    // must not take for itself (Ctrl+Y would redo typing instead of undoing
    // the record); the page keys stay a note's own.
    [[nodiscard]] bool isCommandKey(const QKeyEvent &key) const;

    // Shows the position (its number a field the user can type another one
    // into: Enter goes there, F5 puts the user there) and, beside it, the
    // record's state at the end of toolBar (once).
    void addPosition(QToolBar *toolBar);
    // The find bar, hidden until "Suchen…", at the end of layout (once).
    void addFindBar(QBoxLayout *layout);
    [[nodiscard]] FindBar *findBar() const;
    // Where the record stands, as the tool bar says it; empty without a form.
    // The count is there only where it is known.
    [[nodiscard]] QString positionText() const;
    // Whether the record shown has changes the user has not saved.
    [[nodiscard]] bool isRecordModified() const;
    // Enables the actions and says the position anew; countNow may ask the
    // database for the count.
    void update(bool countNow = false);

signals:
    // The user chose command id (menu, button or key).
    void chosen(int id);

private:
    [[nodiscard]] CDataMgr *records() const;
    // The signs of the records' state, as the tool bar shows them beside the
    // position ("geändert", "gefiltert", "sortiert", "schreibgeschützt", joined by " · ")
    // and, in its tip, as sentences (the filter with its condition).
    struct Sign
    {
        QString word;
        QString sentence;
    };
    [[nodiscard]] QVector<Sign> signs() const;

    QVector<int> m_ids;
    QHash<int, QAction *> m_actions;
    QPointer<CFormFrame> m_frame;
    // The position's text in its three parts (see PositionField).
    struct PositionParts
    {
        QString before;
        QString number;
        QString after;
    };
    [[nodiscard]] PositionParts positionParts() const;

    // Runs the find bar's search; forward: towards the last record.
    void find(bool forward);

    QPointer<PositionField> m_position;
    QPointer<FindBar> m_findBar;
    qint64 m_requestedNumber = 0; // typed into the position, for run(IdRecordGoTo)
    bool m_countPending = false;  // a count of the position is on its way
    QPointer<QLabel> m_state;
};

#endif // QRT_RUNTIME_RECORDCOMMANDS_H
