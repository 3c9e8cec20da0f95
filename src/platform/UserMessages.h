#ifndef QRT_PLATFORM_USERMESSAGES_H
#define QRT_PLATFORM_USERMESSAGES_H

#include "qrt_export.h"

#include <QString>
#include <QVector>

class QWidget;

// Every message box and question of the library goes through this interface,
// so that each layer can run without a display: tests install a recording
// implementation (RecordingMessages) that keeps the texts and answers from a
// list.
//
// owner is the form or dialog that raised the message: the box is modal to
// it and carries its window title. Without one the box belongs to the active
// window and carries that window's title (the application's name when there
// is none).
//
// The severity of an information chooses the icon of its box; a question
// shows the question icon, and one whose Yes destroys something (deletes,
// overwrites, rebuilds) has "Nein" as its default button, so that Enter
// pressed out of habit keeps what is there.
//
// The default implementation shows a QMessageBox with German buttons; without
// a QApplication (a console host, a core test) it writes the text to the
// warning log and answers No, or Cancel where Cancel is offered, which never
// discards anything the user entered.
class QRT_EXPORT UserMessages
{
public:
    enum class Answer { Ok, Yes, No, Cancel };
    // What an information tells the user.
    enum class Severity {
        Information, // something went as asked: "Filter erfolgreich gespeichert!"
        Warning,     // the input cannot be used as it is, and the user can put it right
        Error,       // an operation failed: a database error, a lost connection
    };
    // What the answer Yes does.
    enum class Consequence {
        Harmless,    // "Ja" is the default button
        Destructive, // Yes deletes, overwrites or rebuilds: "Nein" is the default button
    };

    virtual ~UserMessages();

    // "OK"
    virtual void inform(const QString &text, QWidget *owner = nullptr,
                        Severity severity = Severity::Information) = 0;
    // "Ja", "Nein"
    virtual Answer askYesNo(const QString &text, QWidget *owner = nullptr,
                            Consequence yes = Consequence::Harmless) = 0;
    // "Ja", "Nein", "Abbrechen"
    virtual Answer askYesNoCancel(const QString &text, QWidget *owner = nullptr,
                                  Consequence yes = Consequence::Harmless) = 0;

    // A field the user changed and another user stored another value in
    // meanwhile, named by its caption, its values as the field shows them.
    struct Conflict
    {
        QString field;
        QString yours;  // what the user entered
        QString stored; // what the other user stored
        QString before; // what the user was shown
    };
    enum class Keep { Yours, Stored };
    // Asks, field by field, which value is to be saved: the user's entry,
    // written over the other user's knowingly, or the stored one; text says
    // what happened. False when the user cancels, and then nothing may be
    // saved. Not pure: this implementation shows a ConflictDialog (without
    // a QApplication it cancels), which suits most implementations.
    virtual bool resolveConflicts(const QString &text, const QVector<Conflict> &conflicts,
                                  QVector<Keep> *choices, QWidget *owner = nullptr);

    // The implementation in use; never null.
    static UserMessages &current();
    // Installs an implementation (not owned) and returns the previous one;
    // null restores the default. ScopedUserMessages pairs the two calls.
    static UserMessages *install(UserMessages *messages);
};

// Installs an implementation for as long as it lives and then restores the
// one that was in use before, so scopes nest: a host's test installs its
// double for one test, a helper inside it may install another for a while.
// Scopes end in the reverse order of their start, as C++ scopes do.
class QRT_EXPORT ScopedUserMessages
{
public:
    explicit ScopedUserMessages(UserMessages &messages);
    ~ScopedUserMessages();
    ScopedUserMessages(const ScopedUserMessages &) = delete;
    ScopedUserMessages &operator=(const ScopedUserMessages &) = delete;

private:
    UserMessages *m_previous; // null for the default
};

// Short forms for the callers: qrt::inform(tr("…"), this),
// qrt::askYesNo(tr("… wirklich löschen?"), this, UserMessages::Consequence::Destructive).
namespace qrt {
QRT_EXPORT void inform(const QString &text, QWidget *owner = nullptr,
                       UserMessages::Severity severity = UserMessages::Severity::Information);
// inform() with the warning's severity: input the user has to put right.
QRT_EXPORT void warn(const QString &text, QWidget *owner = nullptr);
QRT_EXPORT UserMessages::Answer
askYesNo(const QString &text, QWidget *owner = nullptr,
         UserMessages::Consequence yes = UserMessages::Consequence::Harmless);
QRT_EXPORT UserMessages::Answer
askYesNoCancel(const QString &text, QWidget *owner = nullptr,
               UserMessages::Consequence yes = UserMessages::Consequence::Harmless);
QRT_EXPORT bool resolveConflicts(const QString &text,
                                 const QVector<UserMessages::Conflict> &conflicts,
                                 QVector<UserMessages::Keep> *choices, QWidget *owner = nullptr);
// The title of window as its frame shows it: Qt's "[*]" placeholder is a
// "*" while the window has unsaved changes and nothing otherwise ("[*][*]"
// is a "[*]"); for a message's title, which says which window speaks.
[[nodiscard]] QRT_EXPORT QString shownWindowTitle(const QWidget &window);
} // namespace qrt

#endif // QRT_PLATFORM_USERMESSAGES_H
