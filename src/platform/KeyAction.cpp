#include "platform/KeyAction.h"

#include <QKeyEvent>
#include <QWidget>

namespace {

QWidget *keyReceiver(QWidget *widget)
{
    while (widget->focusProxy())
        widget = widget->focusProxy();
    return widget;
}

// The keypad's Enter is Enter whether or not it comes from the keypad.
QKeyCombination withoutKeypad(QKeyCombination key)
{
    return QKeyCombination(key.keyboardModifiers() & ~Qt::KeypadModifier, key.key());
}

} // namespace

KeyAction::KeyAction(QWidget *widget, QList<QKeyCombination> keys, Action action)
    : QObject(widget), m_keys(std::move(keys)), m_action(std::move(action))
{
    keyReceiver(widget)->installEventFilter(this);
}

KeyAction *KeyAction::onEnter(QWidget *widget, Action action)
{
    return new KeyAction(widget, {QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Enter)},
                         std::move(action));
}

KeyAction *KeyAction::onDropDown(QWidget *widget, Action action)
{
    return new KeyAction(widget, {QKeyCombination(Qt::Key_F4), Qt::AltModifier | Qt::Key_Down},
                         std::move(action));
}

KeyAction *KeyAction::onDelete(QWidget *widget, Action action)
{
    return new KeyAction(widget, {QKeyCombination(Qt::Key_Delete)}, std::move(action));
}

bool KeyAction::binds(QKeyCombination key) const
{
    return m_keys.contains(withoutKeypad(key));
}

bool KeyAction::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // A shortcut of the same key elsewhere in the window would take the
        // key away before the widget sees it.
        if (binds(static_cast<QKeyEvent *>(event)->keyCombination())) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (binds(static_cast<QKeyEvent *>(event)->keyCombination()) && m_action())
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
