#include "CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>

namespace CommandLine {

std::optional<ns_qrttypen::KELODBTyp> kindFromText(const QString &text)
{
    const QString kind = text.trimmed().toLower();
    if (kind == QLatin1String("access") || kind == QLatin1String("1"))
        return ns_qrttypen::KELO_ACCESS;
    if (kind == QLatin1String("sqlserver") || kind == QLatin1String("2"))
        return ns_qrttypen::KELO_SQLSERVER;
    if (kind == QLatin1String("sqlite") || kind == QLatin1String("3"))
        return ns_qrttypen::KELO_SQLITE;
    if (kind == QLatin1String("postgresql") || kind == QLatin1String("postgres") ||
        kind == QLatin1String("4"))
        return ns_qrttypen::KELO_POSTGRESQL;
    return std::nullopt;
}

QString help(const QString &usage, const QString &description,
             const QList<QCommandLineOption> &options, const QString &epilogue)
{
    QString text = usage + QLatin1Char('\n') + description + QStringLiteral("\n\nOptionen:\n");
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString entry = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            entry += QStringLiteral(" <") + option.valueName() + QLatin1Char('>');
        // Long descriptions continue under their own column.
        const QString indent(27, QLatin1Char(' '));
        QString described = option.description();
        described.replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
        text += QStringLiteral("  ") + entry.leftJustified(24) + QLatin1Char(' ') + described +
                QLatin1Char('\n');
    }
    if (!epilogue.isEmpty())
        text += QLatin1Char('\n') + epilogue;
    return text;
}

QString parseError(const QCommandLineParser &parser)
{
    return parser.unknownOptionNames().isEmpty()
               ? QStringLiteral("Einer Option fehlt ihr Wert (siehe --help).")
               : QStringLiteral("Unbekannte Option: ") +
                     parser.unknownOptionNames().join(QStringLiteral(", ")) +
                     QStringLiteral(" (siehe --help).");
}

} // namespace CommandLine
