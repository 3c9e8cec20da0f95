#include "ConsoleMessages.h"

#include "platform/UserMessages.h"

#include <QTextStream>
#include <QWidget>

namespace {

// The owner's title says which window spoke, as a message box's title
// would; a warning or an error says so, as its box's icon would.
void print(const QString &text, const QWidget *owner, const char *kind = nullptr)
{
    QTextStream err(stderr);
    if (owner && !owner->window()->windowTitle().isEmpty())
        err << qrt::shownWindowTitle(*owner->window()) << QStringLiteral(": ");
    if (kind)
        err << kind << QStringLiteral(": ");
    err << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << Qt::endl;
}

} // namespace

void ConsoleMessages::inform(const QString &text, QWidget *owner, Severity severity)
{
    switch (severity) {
    case Severity::Information:
        print(text, owner);
        return;
    case Severity::Warning:
        print(text, owner, "Warnung");
        return;
    case Severity::Error:
        print(text, owner, "Fehler");
        return;
    }
}

// Nobody can answer: No changes nothing, whatever Yes would have done.
UserMessages::Answer ConsoleMessages::askYesNo(const QString &text, QWidget *owner, Consequence)
{
    print(text + QStringLiteral(" -> Nein"), owner);
    return Answer::No;
}

UserMessages::Answer ConsoleMessages::askYesNoCancel(const QString &text, QWidget *owner,
                                                     Consequence)
{
    print(text + QStringLiteral(" -> Abbrechen"), owner);
    return Answer::Cancel;
}
