#include "runtime/CDlgToolBar.h"

#include <QAction>

CDlgToolBar::CDlgToolBar(QWidget *parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("toolBar"));
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setAccessibleName(QStringLiteral("Symbolleiste"));
}

QAction *CDlgToolBar::buttonAction(int id) const
{
    for (QAction *action : actions()) {
        if (!action->isSeparator() && action->data().toInt() == id)
            return action;
    }
    return nullptr;
}

void CDlgToolBar::setToggleButton(int id, bool toggle)
{
    if (QAction *action = buttonAction(id))
        action->setCheckable(toggle);
}

void CDlgToolBar::setButtonChecked(int id, bool checked)
{
    QAction *action = buttonAction(id);
    if (action && action->isCheckable())
        action->setChecked(checked);
}

CDlgStatusBar::CDlgStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(false);
    showStatusText(QString());
}

QString CDlgStatusBar::idleText()
{
    return QStringLiteral("Bereit");
}

void CDlgStatusBar::showStatusText(const QString &text)
{
    showMessage(text.isEmpty() ? idleText() : text);
}
