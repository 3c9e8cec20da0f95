#include "support/FormDriver.h"

#include "controls/CDynEdit.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CForm.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "runtime/CFormMgr.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

CFormDlg *FormDriver::dialog() const
{
    return qobject_cast<CFormDlg *>(m_window);
}

CFormFrame *FormDriver::frame() const
{
    if (CFormDlg *formDialog = dialog())
        return formDialog->GetFormHost();
    return m_window ? m_window->findChild<CFormFrame *>() : nullptr;
}

CFormMgr *FormDriver::manager() const
{
    CFormFrame *host = frame();
    return host ? host->GetFormMgr() : nullptr;
}

CForm *FormDriver::form() const
{
    CFormMgr *forms = manager();
    return forms ? forms->GetForm() : nullptr;
}

CDataMgr *FormDriver::records() const
{
    CFormMgr *forms = manager();
    return forms ? forms->dataManager() : nullptr;
}

CDynControl *FormDriver::control(const QString &name) const
{
    CForm *window = form();
    return window ? window->findControl(name) : nullptr;
}

QWidget *FormDriver::field(const QString &name) const
{
    CDynControl *found = control(name);
    return found ? found->GetWindow() : nullptr;
}

QString FormDriver::shown(const QString &name) const
{
    auto *edit = qobject_cast<CDynEdit *>(control(name));
    return edit ? edit->GetValueText() : QString();
}

bool FormDriver::retype(const QString &name, const QString &text) const
{
    QWidget *widget = field(name);
    if (!widget)
        return false;
    QTest::mouseClick(widget, Qt::LeftButton);
    if (!widget->hasFocus())
        return false;
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(widget, Qt::Key_Return);
        if (lines.at(i).isEmpty() && i == 0)
            QTest::keyClick(widget, Qt::Key_Delete); // typing nothing empties the field
        type(widget, lines.at(i));
    }
    return true;
}

void FormDriver::type(QWidget *widget, const QString &line)
{
    // QTest knows keys for ASCII only; any other letter (one beyond the
    // basic plane is two UTF-16 units) comes as the text of a key.
    for (qsizetype at = 0; at < line.size(); ++at) {
        const qsizetype length = line.at(at).isHighSurrogate() ? 2 : 1;
        if (line.at(at).unicode() < 0x80)
            QTest::keyClick(widget, char(line.at(at).unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, line.mid(at, length),
                                Qt::NoModifier);
        at += length - 1;
    }
}

bool FormDriver::press(Qt::Key key, Qt::KeyboardModifiers modifiers) const
{
    bool active = true;
    if (m_window && m_window->isVisible() && !QApplication::activeModalWidget() &&
        QApplication::activeWindow() != m_window) {
        m_window->activateWindow();
        active = QTest::qWaitForWindowActive(m_window);
    }
    QWidget *target = QApplication::focusWidget();
    QTest::keyClick(target ? target : m_window, key, modifiers);
    return active;
}

QAction *FormDriver::menuItem(int id) const
{
    CFormDlg *formDialog = dialog();
    if (!formDialog || !formDialog->menuBar())
        return nullptr;
    const QList<QMenu *> menus = formDialog->menuBar()->findChildren<QMenu *>();
    for (QMenu *menu : menus) {
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator() && !action->menu() && action->data().toInt() == id)
                return action;
        }
    }
    return nullptr;
}

bool FormDriver::choose(int id) const
{
    QAction *item = menuItem(id);
    if (!item)
        return false;
    // A menu brings its items' states up to date when it opens; a disabled
    // item does nothing when clicked.
    for (QMenu *menu : dialog()->menuBar()->findChildren<QMenu *>())
        emit menu->aboutToShow();
    item->trigger();
    return true;
}

bool FormDriver::click(int id) const
{
    CDlgToolBar *bar = dialog()   ? dialog()->toolBar()
                       : m_window ? m_window->findChild<CDlgToolBar *>()
                                  : nullptr;
    QAction *action = bar ? bar->buttonAction(id) : nullptr;
    QWidget *button = action ? bar->widgetForAction(action) : nullptr;
    if (!button)
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}
