#ifndef QRT_TESTS_RUNTIME_EDITORTESTSUPPORT_H
#define QRT_TESTS_RUNTIME_EDITORTESTSUPPORT_H

#include "controls/CDynCheckbox.h"
#include "controls/CDynEdit.h"
#include "controls/CDynFrame.h"
#include "controls/CDynStatic.h"
#include "runtime/CForm.h"
#include "support/ScriptedMessages.h"
#include "support/TestFormHost.h"

#include "filter/FilterTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

// A form window on a host, with controls the test owns as the builder would.
class FormOnHost
{
protected:
    explicit FormOnHost(bool designMode) : m_designMode(designMode)
    {
        host.show();
        window = host.CreateFormWindow(designMode);
        form = static_cast<CForm *>(window.get());
    }

    // A control as the builder makes one; added to the form or hidden.
    template <typename Control>
    Control *make(const QString &caption, const QRect &rect, bool added = false)
    {
        ControlDescription description;
        description.left = rect.left();
        description.top = rect.top();
        description.right = rect.left() + rect.width();
        description.bottom = rect.top() + rect.height();
        description.caption = caption;
        description.id = unsigned(1000 + pool.size());
        auto *control = new Control(m_designMode);
        pool.emplace_back(control);
        control->Create(form, description);
        if (added)
            form->addControl(*control);
        else
            control->Hide();
        return control;
    }

    ScriptedMessages messages;
    TestFormHost host;
    std::unique_ptr<FormWindow> window;
    CForm *form = nullptr;
    std::vector<std::unique_ptr<CDynControl>> pool; // goes before the form window

private:
    bool m_designMode;
};

// The mouse on a form in design mode, as a user moves it: a press goes to
// the widget under the point (a control, a selection handle, the form), and
// that widget keeps the mouse until the release, as Qt's implicit grab does.
// Points are in the form's coordinates.
class FormMouse
{
public:
    explicit FormMouse(CForm *form) : m_form(form) {}

    QWidget *widgetAt(const QPoint &point) const
    {
        QWidget *child = m_form->childAt(point);
        return child ? child : m_form;
    }
    // QTest takes a null point for the widget's middle: the form's origin
    // cannot be pressed.
    void press(const QPoint &point, Qt::KeyboardModifiers modifiers = {})
    {
        m_grabber = widgetAt(point);
        QTest::mousePress(m_grabber, Qt::LeftButton, modifiers, local(point));
    }
    void moveTo(const QPoint &point)
    {
        if (m_grabber)
            QTest::mouseMove(m_grabber, local(point));
    }
    void release(const QPoint &point, Qt::KeyboardModifiers modifiers = {})
    {
        if (m_grabber)
            QTest::mouseRelease(m_grabber, Qt::LeftButton, modifiers, local(point));
        m_grabber = nullptr;
    }
    // Press, two steps of moving, release.
    void drag(const QPoint &from, const QPoint &to, Qt::KeyboardModifiers modifiers = {})
    {
        press(from, modifiers);
        moveTo(from + (to - from) / 2);
        moveTo(to);
        release(to, modifiers);
    }
    void click(const QPoint &point, Qt::KeyboardModifiers modifiers = {})
    {
        press(point, modifiers);
        release(point, modifiers);
    }
    void rightClick(const QPoint &point)
    {
        QWidget *target = widgetAt(point);
        QTest::mouseClick(target, Qt::RightButton, {}, target->mapFrom(m_form, point));
    }

private:
    QPoint local(const QPoint &point) const
    {
        return m_grabber == m_form ? point : m_grabber->mapFrom(m_form, point);
    }

    CForm *m_form;
    QPointer<QWidget> m_grabber;
};

// Chooses the entry of the context menu that the next step opens: its text,
// or a pop-up's title and an entry of it.
inline void whenMenuOpens(const QStringList &path)
{
    QTimer::singleShot(0, [path] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no menu came up";
        for (const QString &text : path) {
            QAction *found = nullptr;
            for (QAction *action : menu->actions()) {
                // As the menu reads, without its mnemonic and keys.
                if (action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')) ==
                    text)
                    found = action;
            }
            if (!found || !found->isEnabled()) {
                ADD_FAILURE() << text.toStdString() << (found ? " is disabled" : " is missing");
                while (QWidget *popup = QApplication::activePopupWidget())
                    popup->close(); // the test goes on instead of waiting for a choice
                return;
            }
            // By the keyboard, as a user would: the menu's exec() then
            // returns what was chosen.
            menu->setActiveAction(found);
            if (found->menu()) {
                QTest::keyClick(menu, Qt::Key_Right);
                menu = found->menu();
                continue;
            }
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    });
}

inline QStringList selectedOn(const CForm *form)
{
    QStringList names;
    for (const CDynControl *control : form->controls()) {
        if (control->IsSelected())
            names << control->GetName();
    }
    return names;
}

#endif // QRT_TESTS_RUNTIME_EDITORTESTSUPPORT_H
