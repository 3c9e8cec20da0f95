#ifndef QRT_RUNTIME_CDLGTOOLBAR_H
#define QRT_RUNTIME_CDLGTOOLBAR_H

#include "qrt_export.h"

#include <QStatusBar>
#include <QToolBar>

class QAction;

// The tool bar of a dialog: its buttons are the dialog's command actions, so
// they carry the commands' icons and tips and follow their enabled and
// checked states.
class QRT_EXPORT CDlgToolBar : public QToolBar
{
    Q_OBJECT

public:
    explicit CDlgToolBar(QWidget *parent = nullptr);

    // The action of the button for command id; null when the bar has none.
    [[nodiscard]] QAction *buttonAction(int id) const;
    // Whether the button of id stays pressed once clicked (the caption and
    // frame buttons while the user draws).
    void setToggleButton(int id, bool toggle);
    // The pressed state of a toggle button; other buttons are left alone.
    void setButtonChecked(int id, bool checked);
};

// The status bar of a dialog: the status text of the command under the
// mouse, and "Bereit" when there is none.
class QRT_EXPORT CDlgStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit CDlgStatusBar(QWidget *parent = nullptr);

    static QString idleText();
    // Shows text, or the idle text for an empty one.
    void showStatusText(const QString &text);
};

#endif // QRT_RUNTIME_CDLGTOOLBAR_H
