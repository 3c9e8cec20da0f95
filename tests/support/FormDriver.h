#ifndef QRT_TESTS_FORMDRIVER_H
#define QRT_TESTS_FORMDRIVER_H

#include <QString>
#include <Qt>

class CDataMgr;
class CDynControl;
class CForm;
class CFormDlg;
class CFormFrame;
class CFormMgr;
class QAction;
class QWidget;

// Drives a form the way a user does, in a form dialog or in a host's window
// with the form widget: clicks into a field and types, presses keys where
// the focus is, picks commands from the menu and the tool bar. It never calls the form manager's
// verbs itself, so whatever a user's keys would run (questions, messages, refusals) runs. Free of
// any test framework: the tests wrap it with their expectations, and programs that play a user (a
// second user's program, the soak) use it as it is.
class FormDriver
{
public:
    // window: the form dialog, or a window holding the form widget.
    explicit FormDriver(QWidget *window) : m_window(window) {}

    // Null when the window is no form dialog.
    [[nodiscard]] CFormDlg *dialog() const;
    [[nodiscard]] CFormFrame *frame() const;
    [[nodiscard]] CFormMgr *manager() const;
    [[nodiscard]] CForm *form() const;
    [[nodiscard]] CDataMgr *records() const;
    // A control of the form by name; null when there is none.
    [[nodiscard]] CDynControl *control(const QString &name) const;
    [[nodiscard]] QWidget *field(const QString &name) const;
    // What an edit field shows; empty as well for a control that is no edit
    // field or is missing (control() tells them apart).
    [[nodiscard]] QString shown(const QString &name) const;

    // Clicks into the field and replaces its text by typing, one key a
    // letter, whatever the letter; a line feed is the Return key. False when the field is missing
    // or did not take the focus from the click.
    bool retype(const QString &name, const QString &text) const;
    // Types one line into widget, key by key, whatever its letters.
    static void type(QWidget *widget, const QString &line);
    // A key pressed wherever the focus is. After a modal dialog (a question,
    // the filter) a window manager gives the form its activation back; the
    // offscreen platform has none, so this does it; false when the dialog
    // did not become active again (the key went wherever the focus was).
    bool press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;

    // The menu item of command id, from the dialog's menu bar; null when
    // the menu has none (or the window has no menu bar).
    [[nodiscard]] QAction *menuItem(int id) const;
    // Chooses command id from the menu, as a click on its item does; false
    // when the menu has no such item.
    bool choose(int id) const;
    // Clicks the tool bar button of command id; false when there is none.
    bool click(int id) const;

private:
    QWidget *m_window;
};

#endif // QRT_TESTS_FORMDRIVER_H
