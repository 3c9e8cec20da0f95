#include "FilterOptions.h"

#include "common/CommandLine.h"

#include <QCommandLineParser>

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
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("Server, auch Server:Port; bei PostgreSQL dahinter auch "
                       "sslmode=…, sslrootcert=… und "
                       "application_name=…."),
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
        *error = CommandLine::parseError(parser);
        return std::nullopt;
    }

    FilterOptions options;
    if (parser.isSet(help)) {
        options.helpRequested = true;
        options.helpText =
            CommandLine::help(QStringLiteral("Aufruf: qrt-filter [Optionen]"), description, all);
        return options;
    }
    options.database = parser.value(database);
    options.server = parser.value(server);
    options.user = parser.value(user);
    options.password = parser.value(password);
    options.table = parser.value(table);
    options.screenshot = parser.value(screenshot);
    const std::optional<ns_qrttypen::KELODBTyp> chosen =
        CommandLine::kindFromText(parser.value(kind));
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
