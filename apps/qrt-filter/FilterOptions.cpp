#include "FilterOptions.h"

#include <QCommandLineParser>

namespace {

// The kinds by name or by the number hosts pass.
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

// The help in German: Qt's own help text would be English, its
// translations are not loaded before the command line is read.
QString helpFor(const QString &description, const QList<QCommandLineOption> &options)
{
    QString text = QStringLiteral("Aufruf: qrt-filter [Optionen]\n") + description +
                   QStringLiteral("\n\nOptionen:\n");
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString entry = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            entry += QStringLiteral(" <") + option.valueName() + QLatin1Char('>');
        text += QStringLiteral("  ") + entry.leftJustified(24) + QLatin1Char(' ') +
                option.description() + QLatin1Char('\n');
    }
    return text;
}

} // namespace

std::optional<FilterOptions> FilterOptions::parse(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    const QString description =
        QStringLiteral("Öffnet den Filterdialog für eine Tabelle und gibt die Filterbedingung "
                       "aus (Rückgabewert 0). Bei \"Abbrechen\" wird nichts ausgegeben "
                       "(Rückgabewert 1).");
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Zeigt diese Hilfe an."));
    const QCommandLineOption database(QStringLiteral("db"),
                                      QStringLiteral("Datenbank (bei SQLite die Datei)."),
                                      QStringLiteral("name"));
    const QCommandLineOption kind(
        QStringLiteral("kind"),
        QStringLiteral("Datenbankart: sqlite (Vorgabe), postgresql, sqlserver oder access."),
        QStringLiteral("art"), QStringLiteral("sqlite"));
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Server, auch Server:Port."),
                                    QStringLiteral("server"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Benutzer."),
                                  QStringLiteral("benutzer"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Passwort."),
                                      QStringLiteral("passwort"));
    const QCommandLineOption table(QStringLiteral("table"),
                                   QStringLiteral("Tabelle, die gefiltert wird."),
                                   QStringLiteral("tabelle"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Zeichnet den Dialog ohne Bildschirm in eine PNG-Datei und beendet sich."),
        QStringLiteral("datei"));
    const QList<QCommandLineOption> all{help, database, kind,  server,
                                        user, password, table, screenshot};
    parser.addOptions(all);
    if (!parser.parse(arguments)) {
        *error = parser.unknownOptionNames().isEmpty()
                     ? QStringLiteral("Einer Option fehlt ihr Wert (siehe --help).")
                     : QStringLiteral("Unbekannte Option: ") +
                           parser.unknownOptionNames().join(QStringLiteral(", ")) +
                           QStringLiteral(" (siehe --help).");
        return std::nullopt;
    }

    FilterOptions options;
    if (parser.isSet(help)) {
        options.helpRequested = true;
        options.helpText = helpFor(description, all);
        return options;
    }
    options.database = parser.value(database);
    options.server = parser.value(server);
    options.user = parser.value(user);
    options.password = parser.value(password);
    options.table = parser.value(table);
    options.screenshot = parser.value(screenshot);
    const std::optional<ns_qrttypen::KELODBTyp> chosen = kindFromText(parser.value(kind));
    if (!chosen) {
        *error = QStringLiteral("Unbekannte Datenbankart \"%1\": erlaubt sind sqlite, postgresql, "
                                "sqlserver und access.")
                     .arg(parser.value(kind));
        return std::nullopt;
    }
    options.kind = *chosen;
    if (options.database.isEmpty() || options.table.isEmpty()) {
        *error = QStringLiteral("Bitte die Datenbank (--db) und die Tabelle (--table) angeben.");
        return std::nullopt;
    }
    return options;
}
