#include "ConsoleMessages.h"

#include <QTextStream>

namespace {

void print(const QString &text)
{
    QTextStream err(stderr);
    err << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << Qt::endl;
}

} // namespace

ConsoleMessages::ConsoleMessages() : m_previous(UserMessages::install(this)) {}

ConsoleMessages::~ConsoleMessages()
{
    UserMessages::install(m_previous);
}

void ConsoleMessages::inform(const QString &text)
{
    print(text);
}

UserMessages::Answer ConsoleMessages::askYesNo(const QString &text)
{
    print(text + QStringLiteral(" -> Nein"));
    return Answer::No;
}

UserMessages::Answer ConsoleMessages::askYesNoCancel(const QString &text)
{
    print(text + QStringLiteral(" -> Abbrechen"));
    return Answer::Cancel;
}
