#ifndef QRT_RUNTIME_CTOOLBARDLG_H
#define QRT_RUNTIME_CTOOLBARDLG_H

#include "qrt_export.h"

#include <QDialog>
#include <QHash>
#include <QMenuBar>
#include <QPointer>

class CDlgStatusBar;
class CDlgToolBar;
class QAction;
class QVBoxLayout;

// A dialog with what a main window has: a menu bar, a tool bar, a status bar,
// accelerators, tool tips and status texts for its commands, and commands
// that are enabled only where they can act. Everything comes from the one
// command table: each command has one action, shared by menu, tool bar and
// accelerator, and triggering it calls onCommand(id).
//
// The contents go into clientArea(), below the bars; the layout keeps them
// there when the dialog is resized.
class QRT_EXPORT CToolbarDlg : public QDialog
{
    Q_OBJECT

public:
    enum Option {
        WithToolBar = 1,
        WithStatusBar = 2,
        WithAccelerators = 4,
    };

    explicit CToolbarDlg(QWidget *parent = nullptr);
    ~CToolbarDlg() override;

    // Set before initBars(): which bars, which tool bar, which accelerators.
    void setOptions(int options) { m_options = options; }
    [[nodiscard]] int options() const { return m_options; }
    void setToolBarId(int id) { m_toolBarId = id; }
    void setAcceleratorIds(const QVector<int> &ids) { m_acceleratorIds = ids; }
    void setTitle(const QString &title);

    // Creates the bars the options ask for (once).
    void initBars();
    // Shows menu resource menuId as the menu bar (0 removes the menu).
    void setMenu(int menuId);

    // The one action of command id (made on first use).
    QAction *commandAction(int id);
    // Makes action, made and run elsewhere, the one of command id: menu,
    // tool bar and accelerators show it, enabled by canRun(id). Before
    // initBars().
    void adoptAction(int id, QAction *action);
    [[nodiscard]] CDlgToolBar *toolBar() const { return m_toolBar; }
    [[nodiscard]] CDlgStatusBar *statusBar() const { return m_statusBar; }
    [[nodiscard]] QMenuBar *menuBar() const { return m_menuBar; }
    // Where the dialog's contents go.
    [[nodiscard]] QWidget *clientArea() const { return m_client; }

    // Enables each command's action by canRun(id) and checks it by isChecked(id).
    void updateCommandStates();

protected:
    // A command was chosen (menu, button or key).
    virtual void onCommand(int id);
    // Whether command id can run now; its action is disabled otherwise.
    virtual bool canRun(int id) const;
    virtual bool isChecked(int id) const;

    bool event(QEvent *event) override;

private:
    int m_options = WithToolBar | WithStatusBar | WithAccelerators;
    int m_toolBarId = 0;
    QVector<int> m_acceleratorIds;
    QHash<int, QAction *> m_actions;
    QVBoxLayout *m_layout = nullptr;
    QPointer<QMenuBar> m_menuBar;
    CDlgToolBar *m_toolBar = nullptr;
    CDlgStatusBar *m_statusBar = nullptr;
    QWidget *m_client = nullptr;
    bool m_barsMade = false;
};

#endif // QRT_RUNTIME_CTOOLBARDLG_H
