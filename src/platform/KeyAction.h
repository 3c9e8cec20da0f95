#ifndef QRT_PLATFORM_KEYACTION_H
#define QRT_PLATFORM_KEYACTION_H

#include "qrt_export.h"

#include <QKeyCombination>
#include <QList>
#include <QObject>

#include <functional>

class QWidget;

// Gives keys pressed in one widget an action of their own, ahead of the
// widget and of its dialog: Enter in a value field adds the value instead of
// pressing the dialog's default button, Delete in a list removes the
// selected line, F4 in a field opens its list.
//
// The action answers whether it used the key. A key it leaves goes on as if
// nothing were bound: to the widget, and from there to the dialog (Enter to
// the default button). So one binding can say "Enter adds, unless there is
// nothing to add".
//
// The object belongs to the widget and goes with it. It watches the widget
// that receives the keys: the widget itself, or the end of its focus-proxy
// chain.
class QRT_EXPORT KeyAction : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<bool()>;

    KeyAction(QWidget *widget, QList<QKeyCombination> keys, Action action);

    // Enter and Return, of the keypad as of the main keyboard.
    static KeyAction *onEnter(QWidget *widget, Action action);
    // F4 and Alt+Down, the keys that open a field's drop-down list.
    static KeyAction *onDropDown(QWidget *widget, Action action);
    static KeyAction *onDelete(QWidget *widget, Action action);

    [[nodiscard]] bool binds(QKeyCombination key) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QKeyCombination> m_keys;
    Action m_action;
};

#endif // QRT_PLATFORM_KEYACTION_H
