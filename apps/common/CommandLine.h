#ifndef QRT_APPS_COMMON_COMMANDLINE_H
#define QRT_APPS_COMMON_COMMANDLINE_H

#include "facade/KeloTypes.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <optional>

class QCommandLineParser;

// The pieces of command line handling the host programs share.
namespace CommandLine {

// A database kind by name (sqlite, postgresql or postgres, sqlserver,
// access, in any letter case) or by the number hosts pass (1 to 4).
std::optional<ns_qrttypen::KELODBTyp> kindFromText(const QString &text);

// The help in German: Qt's own help text would be English, and its
// translations are not loaded before the command line is read. usage is
// the first line ("Aufruf: …"), epilogue follows the option list.
QString help(const QString &usage, const QString &description,
             const QList<QCommandLineOption> &options, const QString &epilogue = QString());

// Why parser refused the arguments, in German.
QString parseError(const QCommandLineParser &parser);

} // namespace CommandLine

#endif // QRT_APPS_COMMON_COMMANDLINE_H
