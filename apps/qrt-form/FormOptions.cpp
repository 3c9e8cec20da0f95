#include "FormOptions.h"

#include "common/CommandLine.h"

#include <QCommandLineParser>

namespace {

const char *const kDescription =
    "Zeigt das gespeicherte Formular einer Tabelle: Datensätze ansehen, ändern, anlegen,\n"
    "löschen, rückgängig machen und filtern; mit --design das Formular gestalten.";

const char *const kEpilogue =
    "Nach dem Schließen des modalen Formulars steht der Schlüssel des ersten dort mit\n"
    "Speichern (Strg+S, Strg+Q) gesicherten Datensatzes auf der Standardausgabe.\n"
    "\n"
    "Tasten im Formular: Bild ab / Bild auf nächster / vorheriger Datensatz,\n"
    "Strg+Bild auf / Strg+Bild ab erster / letzter, Strg+N neu, Strg+S speichern,\n"
    "Strg+Y rückgängig, Strg+F filtern, Strg+Umschalt+A / Strg+Umschalt+X nach dem\n"
    "Wert des Felds filtern / ihn ausschließen, Strg+Umschalt+F Filter entfernen,\n"
    "Strg+Umschalt+Pfeil auf / ab nach dem Feld sortieren, Strg+H suchen, F3 / Umschalt+F3\n"
    "weiter- / rückwärts suchen, F5 gehe zu Datensatz, Strg+Q speichern und schließen,\n"
    "Strg+Umschalt+D / Strg+Umschalt+M Datenblatt- / Formularansicht.\n"
    "\n"
    "Rückgabewerte (die Meldung steht auf der Standardfehlerausgabe):\n"
    "   0  Formular gezeigt und geschlossen, oder das Bild gezeichnet\n"
    "   2  fehlerhafter Aufruf\n"
    "   3  kein Bildschirm verfügbar (--screenshot geht auch ohne)\n"
    "   4  die Datenbank lässt sich nicht öffnen\n"
    "   5  Anmeldung abgelehnt: Benutzer oder Passwort falsch\n"
    "   6  die Tabelle gibt es nicht\n"
    "   7  für die Tabelle ist kein Formular gespeichert (siehe --design)\n"
    "   8  die Datenbank lehnt den Filter oder die Sortierung ab\n"
    "   9  das Formular konnte nicht aufgebaut werden\n"
    "  10  das Bild konnte nicht gespeichert werden\n"
    "  11  die CSV- oder PDF-Datei konnte nicht geschrieben werden\n";

// Options that exclude each other, as the German reason; empty when none do.
QString conflictIn(const FormOptions &options, bool filterGiven, bool sortGiven)
{
    using Mode = FormOptions::Mode;
    if (options.mode == Mode::Design &&
        (filterGiven || sortGiven || options.newRecord || options.datasheet))
        return QStringLiteral("--design zeigt keine Datensätze: --filter, --sort, --new und "
                              "--datasheet passen nicht dazu.");
    if (options.mode == Mode::Modeless && (sortGiven || options.newRecord))
        return QStringLiteral("Ein nicht modales Formular (--modeless) lässt sich nur filtern: "
                              "--sort und --new gibt es nur beim modalen Formular.");
    if (!options.isServerKind() &&
        !(options.server.isEmpty() && options.user.isEmpty() && options.password.isEmpty()))
        return QStringLiteral("--server, --user und --password gelten nur für Datenbanken auf "
                              "einem Server (--kind postgresql oder sqlserver).");
    return QString();
}

} // namespace

bool FormOptions::isServerKind() const
{
    return kind == ns_qrttypen::KELO_POSTGRESQL || kind == ns_qrttypen::KELO_SQLSERVER;
}

std::optional<FormOptions> FormOptions::parse(const QStringList &arguments, QString *error)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Zeigt diese Hilfe an."));
    const QCommandLineOption database(
        QStringLiteral("db"),
        QStringLiteral("Datenbank: bei sqlite und access die Datei, sonst ihr Name\n"
                       "auf dem Server."),
        QStringLiteral("name"));
    const QCommandLineOption kind(
        QStringLiteral("kind"),
        QStringLiteral("Datenbankart: sqlite (Vorgabe), postgresql, sqlserver oder access."),
        QStringLiteral("art"), QStringLiteral("sqlite"));
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("Datenbankserver, auch Server:Port; bei PostgreSQL dahinter auch "
                       "sslmode=…, sslrootcert=… und "
                       "application_name=…."),
        QStringLiteral("server"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Benutzer auf dem Datenbankserver."),
                                  QStringLiteral("benutzer"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Sein Passwort."),
                                      QStringLiteral("passwort"));
    const QCommandLineOption table(
        QStringLiteral("table"),
        QStringLiteral("Tabelle, deren Formular gezeigt wird. Vorgabe: das erste\n"
                       "gespeicherte Formular der Datenbank (in der Demo: Kunden)."),
        QStringLiteral("tabelle"));
    const QCommandLineOption filter(
        QStringLiteral("filter"),
        QStringLiteral("Nur die Datensätze, die diese SQL-Bedingung (ohne WHERE)\n"
                       "erfüllen, z. B. \"Ort = 'Bonn' AND Umsatz > 1000\"."),
        QStringLiteral("bedingung"));
    const QCommandLineOption sort(
        QStringLiteral("sort"),
        QStringLiteral("Reihenfolge der Datensätze in SQL (ohne ORDER BY),\n"
                       "z. B. \"Name, Vorname\"."),
        QStringLiteral("spalten"));
    const QCommandLineOption newRecord(
        QStringLiteral("new"), QStringLiteral("Beginnt mit einem neuen, leeren Datensatz."));
    const QCommandLineOption datasheet(
        QStringLiteral("datasheet"),
        QStringLiteral("Zeigt die Datensätze zuerst als Tabelle (Datenblattansicht)."));
    const QCommandLineOption design(
        QStringLiteral("design"),
        QStringLiteral("Öffnet das Formular im Entwurfsmodus; ohne gespeichertes\n"
                       "Formular wird eines aus den Spalten der Tabelle erzeugt."));
    const QCommandLineOption modeless(
        QStringLiteral("modeless"),
        QStringLiteral("Zeigt das Formular nicht modal, wie ein Programm es neben\n"
                       "seinen eigenen Fenstern öffnet: mit --filter, ohne --sort\n"
                       "und --new."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Zeichnet das Formular ohne Bildschirm in eine PNG-Datei und\n"
                       "beendet sich, ohne Datensätze oder Formular zu ändern."),
        QStringLiteral("datei"));
    const QCommandLineOption exportFile(
        QStringLiteral("export"),
        QStringLiteral("Schreibt alle Datensätze des Filters in ihrer Sortierung ohne\n"
                       "Bildschirm in eine CSV-Datei, wie deutsche Tabellenkalkulationen\n"
                       "sie lesen (UTF-8, „;“, Dezimalkomma, TT.MM.JJJJ), und beendet sich."),
        QStringLiteral("datei"));
    const QCommandLineOption forPrograms(
        QStringLiteral("csv-for-programs"),
        QStringLiteral("Mit --export: die CSV-Datei für Programme (UTF-8, „,“,\n"
                       "Dezimalpunkt, JJJJ-MM-TT)."));
    const QCommandLineOption pdfFile(
        QStringLiteral("pdf"),
        QStringLiteral("Schreibt den ersten Datensatz des Filters, wie das Formular ihn\n"
                       "zeigt, ohne Bildschirm in eine PDF-Datei und beendet sich."),
        QStringLiteral("datei"));
    const QCommandLineOption pdfAll(
        QStringLiteral("all"),
        QStringLiteral("Mit --pdf: alle Datensätze des Filters, jeder auf eigenen Seiten."));
    const QCommandLineOption pdfList(
        QStringLiteral("list"),
        QStringLiteral("Mit --pdf: alle Datensätze des Filters als Liste."));
    const QList<QCommandLineOption> all{help,        database, kind,     server,     user,
                                        password,    table,    filter,   sort,       newRecord,
                                        datasheet,   design,   modeless, screenshot, exportFile,
                                        forPrograms, pdfFile,  pdfAll,   pdfList};

    QCommandLineParser parser;
    parser.addOptions(all);
    if (!parser.parse(arguments)) {
        *error = CommandLine::parseError(parser);
        return std::nullopt;
    }

    FormOptions options;
    if (parser.isSet(help)) {
        options.helpRequested = true;
        options.helpText =
            CommandLine::help(QStringLiteral("Aufruf: qrt-form --db <datei> [Optionen]"),
                              QString::fromUtf8(kDescription), all, QString::fromUtf8(kEpilogue));
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unerwartetes Argument: %1 (Optionen beginnen mit --, siehe "
                                "--help).")
                     .arg(parser.positionalArguments().join(QLatin1Char(' ')));
        return std::nullopt;
    }
    const std::optional<ns_qrttypen::KELODBTyp> chosen =
        CommandLine::kindFromText(parser.value(kind));
    if (!chosen) {
        *error = QStringLiteral("Unbekannte Datenbankart „%1“: erlaubt sind sqlite, postgresql, "
                                "sqlserver und access.")
                     .arg(parser.value(kind));
        return std::nullopt;
    }
    options.kind = *chosen;
    options.database = parser.value(database);
    options.server = parser.value(server);
    options.user = parser.value(user);
    options.password = parser.value(password);
    options.table = parser.value(table).trimmed();
    options.filter = parser.value(filter).trimmed();
    options.sort = parser.value(sort).trimmed();
    options.newRecord = parser.isSet(newRecord);
    options.datasheet = parser.isSet(datasheet);
    options.screenshot = parser.value(screenshot);
    options.exportFile = parser.value(exportFile);
    options.exportForPrograms = parser.isSet(forPrograms);
    if (parser.isSet(exportFile) && options.exportFile.isEmpty()) {
        *error = QStringLiteral("Bitte eine Datei für die Datensätze angeben (--export DATEI).");
        return std::nullopt;
    }
    if (options.exportForPrograms && options.exportFile.isEmpty()) {
        *error = QStringLiteral("--csv-for-programs gehört zu --export DATEI.");
        return std::nullopt;
    }
    options.pdfFile = parser.value(pdfFile);
    if (parser.isSet(pdfFile) && options.pdfFile.isEmpty()) {
        *error = QStringLiteral("Bitte eine Datei für die Datensätze angeben (--pdf DATEI).");
        return std::nullopt;
    }
    if ((parser.isSet(pdfAll) || parser.isSet(pdfList)) && options.pdfFile.isEmpty()) {
        *error = QStringLiteral("--all und --list gehören zu --pdf DATEI.");
        return std::nullopt;
    }
    if (parser.isSet(pdfAll) && parser.isSet(pdfList)) {
        *error = QStringLiteral("--all und --list schließen sich aus: jeder Datensatz auf "
                                "eigenen Seiten oder alle als Liste.");
        return std::nullopt;
    }
    options.pdfContent = parser.isSet(pdfAll)    ? CKeloForm::PdfContent::EachRecord
                         : parser.isSet(pdfList) ? CKeloForm::PdfContent::List
                                                 : CKeloForm::PdfContent::CurrentRecord;
    for (const auto &[file, name] :
         {std::pair{options.exportFile, "--export"}, std::pair{options.pdfFile, "--pdf"}}) {
        if (!file.isEmpty() &&
            (parser.isSet(design) || parser.isSet(modeless) || parser.isSet(newRecord) ||
             parser.isSet(datasheet) || parser.isSet(screenshot))) {
            *error = QStringLiteral("%1 schreibt nur die Datensätze: --design, --modeless, "
                                    "--new, --datasheet und --screenshot passen nicht dazu.")
                         .arg(QLatin1String(name));
            return std::nullopt;
        }
    }
    if (!options.exportFile.isEmpty() && !options.pdfFile.isEmpty()) {
        *error = QStringLiteral("--export und --pdf: bitte eines nach dem anderen.");
        return std::nullopt;
    }
    if (parser.isSet(design) && parser.isSet(modeless)) {
        *error = QStringLiteral("--design und --modeless schließen sich aus: der Entwurf ist "
                                "immer modal.");
        return std::nullopt;
    }
    if (parser.isSet(design))
        options.mode = Mode::Design;
    else if (parser.isSet(modeless))
        options.mode = Mode::Modeless;

    if (options.database.isEmpty()) {
        *error = QStringLiteral("Bitte die Datenbank angeben (--db), bei SQLite die Datei.");
        return std::nullopt;
    }
    if (parser.isSet(screenshot) && options.screenshot.isEmpty()) {
        *error = QStringLiteral("Bitte eine Datei für das Bild angeben (--screenshot DATEI).");
        return std::nullopt;
    }
    const QString conflict = conflictIn(options, parser.isSet(filter), parser.isSet(sort));
    if (!conflict.isEmpty()) {
        *error = conflict;
        return std::nullopt;
    }
    return options;
}
