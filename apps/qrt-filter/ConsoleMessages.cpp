#include "ConsoleMessages.h"

#include <QTextStream>
#include <QWidget>

namespace {

// The owner's title says which window spoke, as a message box's title would.
void print(const QString &text, const QWidget *owner)
{
    QTextStream err(stderr);
    if (owner && !owner->window()->windowTitle().isEmpty())
        err << owner->window()->windowTitle() << QStringLiteral(": ");
    err << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << Qt::endl;
}

} // namespace

void ConsoleMessages::inform(const QString &text, QWidget *owner)
{
    print(text, owner);
}

UserMessages::Answer ConsoleMessages::askYesNo(const QString &text, QWidget *owner)
{
    print(text + QStringLiteral(" -> Nein"), owner);
    return Answer::No;
}

UserMessages::Answer ConsoleMessages::askYesNoCancel(const QString &text, QWidget *owner)
{
    print(text + QStringLiteral(" -> Abbrechen"), owner);
    return Answer::Cancel;
}
