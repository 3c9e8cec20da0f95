#ifndef QRT_PLATFORM_USERMESSAGES_H
#define QRT_PLATFORM_USERMESSAGES_H

#include "qrt_export.h"

#include <QString>

// Every message box and question of the library goes through this interface,
// so that each layer can run without a display: tests install a scripted
// implementation that records the texts and answers from a list.
//
// The default implementation shows a QMessageBox with German buttons; without
// a QApplication (a console host, a core test) it writes the text to the
// warning log and answers No, or Cancel where Cancel is offered, which never
// discards anything the user entered.
class QRT_EXPORT UserMessages
{
public:
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~UserMessages();

    virtual void inform(const QString &text) = 0;           // "OK"
    virtual Answer askYesNo(const QString &text) = 0;       // "Ja", "Nein"
    virtual Answer askYesNoCancel(const QString &text) = 0; // "Ja", "Nein", "Abbrechen"

    // The implementation in use; never null.
    static UserMessages &current();
    // Installs an implementation (not owned) and returns the previous one;
    // null restores the default.
    static UserMessages *install(UserMessages *messages);
};

// Short forms for the callers: qrt::inform(tr("…")).
namespace qrt {
QRT_EXPORT void inform(const QString &text);
QRT_EXPORT UserMessages::Answer askYesNo(const QString &text);
QRT_EXPORT UserMessages::Answer askYesNoCancel(const QString &text);
} // namespace qrt

#endif // QRT_PLATFORM_USERMESSAGES_H
