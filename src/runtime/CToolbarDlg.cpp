#include "runtime/CToolbarDlg.h"

#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusTipEvent>
#include <QVBoxLayout>

namespace {

// Tool tips longer than this are cut, as the tool bars always cut them.
constexpr int kMaxTipLength = 80;

} // namespace

CToolbarDlg::CToolbarDlg(QWidget *parent) : QDialog(parent)
{
    // F10 opens the menu, as in every desktop window, besides the menus'
    // mnemonics: some commands (delete a record, remove the filter) have
    // no key of their own.
    auto *openMenu = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(openMenu, &QShortcut::activated, this, [this] {
        if (!m_menuBar || m_menuBar->actions().isEmpty())
            return;
        QAction *first = m_menuBar->actions().constFirst();
        m_menuBar->setActiveAction(first);
        // Opened from the keyboard, it shows where the arrow keys start.
        if (QMenu *popup = first->menu()) {
            for (QAction *item : popup->actions()) {
                if (!item->isSeparator() && item->isEnabled()) {
                    popup->setActiveAction(item);
                    break;
                }
            }
        }
    });
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("clientArea"));
    m_layout->addWidget(m_client, 1);
}

CToolbarDlg::~CToolbarDlg() = default;

void CToolbarDlg::setTitle(const QString &title)
{
    if (!title.isEmpty())
        setWindowTitle(title);
}

QAction *CToolbarDlg::commandAction(int id)
{
    QAction *&action = m_actions[id];
    if (!action) {
        action = CommandTable::createAction(id, this);
        action->setToolTip(action->toolTip().left(kMaxTipLength));
        // Accelerators work wherever the focus is inside the dialog.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, id] {
            onCommand(id);
            updateCommandStates();
        });
    }
    return action;
}

void CToolbarDlg::adoptAction(int id, QAction *action)
{
    action->setToolTip(action->toolTip().left(kMaxTipLength));
    m_actions.insert(id, action);
}

void CToolbarDlg::initBars()
{
    if (m_barsMade)
        return;
    m_barsMade = true;
    if ((m_options & WithToolBar) && !CommandTable::toolBar(m_toolBarId).isEmpty()) {
        m_toolBar = new CDlgToolBar(this);
        for (int id : CommandTable::toolBar(m_toolBarId)) {
            if (id == CommandTable::IdSeparator)
                m_toolBar->addSeparator();
            else
                m_toolBar->addAction(commandAction(id));
        }
        m_layout->insertWidget(0, m_toolBar);
    }
    if (m_options & WithStatusBar) {
        m_statusBar = new CDlgStatusBar(this);
        m_layout->addWidget(m_statusBar);
    }
    if (m_options & WithAccelerators) {
        for (int id : std::as_const(m_acceleratorIds))
            addAction(commandAction(id));
    }
    updateCommandStates();
}

void CToolbarDlg::setMenu(int menuId)
{
    if (m_menuBar) {
        m_layout->setMenuBar(nullptr);
        delete m_menuBar;
    }
    if (menuId == 0)
        return;
    const CommandTable::MenuEntry entry = CommandTable::menu(menuId);
    m_menuBar = new QMenuBar(this);
    const QVector<CommandTable::MenuEntry> popups =
        entry.popupTitle.isEmpty() ? entry.entries : QVector<CommandTable::MenuEntry>{entry};
    for (const CommandTable::MenuEntry &each : popups) {
        QMenu *popup = m_menuBar->addMenu(each.popupTitle);
        CommandTable::fillMenu(popup, each, [this](int id) { return commandAction(id); });
        // The states are brought up to date whenever a menu opens.
        const auto menus = popup->findChildren<QMenu *>();
        for (QMenu *menu : menus)
            connect(menu, &QMenu::aboutToShow, this, &CToolbarDlg::updateCommandStates);
        connect(popup, &QMenu::aboutToShow, this, &CToolbarDlg::updateCommandStates);
    }
    m_layout->setMenuBar(m_menuBar);
    updateCommandStates();
}

void CToolbarDlg::updateCommandStates()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        it.value()->setEnabled(canRun(it.key()));
        if (it.value()->isCheckable())
            it.value()->setChecked(isChecked(it.key()));
    }
}

void CToolbarDlg::onCommand(int id)
{
    Q_UNUSED(id);
}

bool CToolbarDlg::canRun(int id) const
{
    Q_UNUSED(id);
    return true;
}

bool CToolbarDlg::isChecked(int id) const
{
    const QAction *action = m_actions.value(id);
    return action && action->isChecked();
}

bool CToolbarDlg::event(QEvent *event)
{
    // A dialog has no main window to show status texts: the status bar does.
    if (event->type() == QEvent::StatusTip && m_statusBar) {
        m_statusBar->showStatusText(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}
