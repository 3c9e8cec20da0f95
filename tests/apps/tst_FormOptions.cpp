#include "FormOptions.h"

#include <gtest/gtest.h>

// qrt-form's command line, read before any window or database exists.
namespace {

// What the options say, in one line: kind (1 access, 2 sqlserver, 3 sqlite,
// 4 postgresql), database, server, user, password, table, filter, sort, mode
// (0 modal, 1 modeless, 2 design), "neu" for --new and "blatt" for
// --datasheet, picture, CSV file (" programme" for programs); or the reason
// it refuses them.
QString readOptions(const QStringList &arguments)
{
    QString error;
    const std::optional<FormOptions> options =
        FormOptions::parse(QStringList(QStringLiteral("qrt-form")) + arguments, &error);
    if (!options)
        return QStringLiteral("refused: ") + error;
    return QStringList{QString::number(options->kind) +
                           (options->isServerKind() ? QStringLiteral(" server") : QString()),
                       options->database,
                       options->server,
                       options->user,
                       options->password,
                       options->table,
                       options->filter,
                       options->sort,
                       QString::number(int(options->mode)),
                       QString(options->newRecord ? QStringLiteral("neu") : QString()) +
                           (options->datasheet ? QStringLiteral("blatt") : QString()),
                       options->screenshot,
                       options->exportFile +
                           (options->exportForPrograms ? QStringLiteral(" programme") : QString()) +
                           options->pdfFile +
                           (options->pdfContent == CKeloForm::PdfContent::EachRecord ? " alle"
                            : options->pdfContent == CKeloForm::PdfContent::List     ? " liste"
                                                                                     : "")}
        .join(QLatin1Char('|'));
}

} // namespace

TEST(FormOptions, ReadsWhatTheUserAsksForAndRefusesWhatCannotWorkInGerman)
{
    const struct
    {
        QStringList arguments;
        const char *read; // all of it; a refusal: a part of its reason
    } cases[] = {
        // The first stored form, modal, nothing else.
        {{"--db", "k.sqlite"}, "3|k.sqlite|||||||0|||"},
        {{"--kind", "PostgreSQL", "--db", "kelo", "--server", "db.example:5433", "--user", "anna",
          "--password", "ge;h&eim", "--table", " Kunden ", "--filter",
          "Umsatz < 100 AND Ort = 'Köln'", "--sort", "Name DESC", "--new", "--screenshot",
          "bild.png"},
         "4 server|kelo|db.example:5433|anna|ge;h&eim|Kunden|Umsatz < 100 AND Ort = 'Köln'|"
         "Name DESC|0|neu|bild.png|"},
        // The numbers hosts pass work as kinds too; a later option wins, which
        // is how scripts/demo.sh lets the user name another database.
        {{"--db", "a", "--kind=2", "--db", "b", "--modeless", "--filter", "ID = 1"},
         "2 server|b|||||ID = 1||1|||"},
        {{"--db", "k", "--design"}, "3|k|||||||2|||"},
        {{"--db", "k", "--datasheet", "--new"}, "3|k|||||||0|neublatt||"},
        // Every record into a file, for spreadsheets or for programs.
        {{"--db", "k", "--export", "k.csv", "--filter", "ID > 1", "--sort", "Name"},
         "3|k|||||ID > 1|Name|0|||k.csv"},
        {{"--db", "k", "--export", "k.csv", "--csv-for-programs"}, "3|k|||||||0|||k.csv programme"},
        {{"--db", "k", "--export="}, "refused: Bitte eine Datei für die Datensätze"},
        {{"--db", "k", "--csv-for-programs"}, "refused: --csv-for-programs gehört zu --export"},
        {{"--db", "k", "--export", "k.csv", "--design"}, "refused: --export schreibt nur"},
        {{"--db", "k", "--export", "k.csv", "--screenshot", "b.png"}, "refused: --export schreibt"},
        // The record shown, each record, or a list, into a PDF file.
        {{"--db", "k", "--pdf", "k.pdf"}, "3|k|||||||0|||k.pdf"},
        {{"--db", "k", "--pdf", "k.pdf", "--all", "--sort", "Name"},
         "3|k||||||Name|0|||k.pdf alle"},
        {{"--db", "k", "--pdf", "k.pdf", "--list"}, "3|k|||||||0|||k.pdf liste"},
        {{"--db", "k", "--list"}, "refused: --all und --list gehören zu --pdf"},
        {{"--db", "k", "--pdf", "k.pdf", "--all", "--list"}, "refused: --all und --list schließen"},
        {{"--db", "k", "--pdf", "k.pdf", "--datasheet"}, "refused: --pdf schreibt nur"},
        {{"--db", "k", "--pdf", "k.pdf", "--export", "k.csv"}, "refused: --export und --pdf"},
        {{"--db", "k", "--design", "--datasheet"}, "refused: --design zeigt keine"},
        {{}, "refused: Bitte die Datenbank angeben (--db)"},
        {{"--table", "Kunden"}, "refused: Bitte die Datenbank angeben (--db)"},
        {{"--db", "k", "--kind", "oracle"}, "refused: Unbekannte Datenbankart „oracle“"},
        {{"--db", "k", "--tabel", "Kunden"}, "refused: Unbekannte Option: tabel"},
        {{"--db"}, "fehlt ihr Wert"},
        {{"--db", "k", "Kunden"}, "refused: Unerwartetes Argument: Kunden"},
        {{"--db", "k", "--screenshot="}, "refused: Bitte eine Datei für das Bild angeben"},
        // Design mode shows no records.
        {{"--db", "k", "--design", "--filter", "ID = 1"}, "refused: --design zeigt keine"},
        {{"--db", "k", "--design", "--new"}, "refused: --design zeigt keine"},
        {{"--db", "k", "--design", "--modeless"}, "schließen sich aus"},
        // A modeless form is filtered by its host, never sorted.
        {{"--db", "k", "--modeless", "--sort", "Name"}, "refused: Ein nicht modales Formular"},
        {{"--db", "k", "--modeless", "--new"}, "refused: Ein nicht modales Formular"},
        // A file has no server: most likely --kind was forgotten.
        {{"--db", "kelo", "--server", "db.example"}, "--kind postgresql"},
        {{"--kind", "access", "--db", "k.mdb", "--password", "x"}, "refused: --server, --user"},
        {{"--help", "--gibtsnicht"}, "refused: Unbekannte Option"}, // even beside --help
    };
    for (const auto &expected : cases) {
        SCOPED_TRACE(expected.arguments.join(QLatin1Char(' ')).toStdString());
        const QString read = readOptions(expected.arguments);
        if (read.startsWith(QLatin1String("refused: "))) {
            EXPECT_TRUE(read.contains(QString::fromUtf8(expected.read))) << read.toStdString();
        } else {
            EXPECT_EQ(read, QString::fromUtf8(expected.read));
        }
    }
}

TEST(FormOptions, HelpNamesEveryOptionAndExitCode)
{
    QString error;
    const std::optional<FormOptions> help =
        FormOptions::parse({QStringLiteral("qrt-form"), QStringLiteral("-h")}, &error);
    ASSERT_TRUE(help);
    ASSERT_TRUE(help->helpRequested);
    for (const char *option :
         {"--db", "--kind", "--server", "--user", "--password", "--table", "--filter", "--sort",
          "--new", "--datasheet", "--design", "--modeless", "--screenshot", "--export",
          "--csv-for-programs", "--pdf", "--all", "--list"})
        EXPECT_TRUE(help->helpText.contains(QLatin1String(option))) << option;
    // The default table, and the codes a script reads.
    EXPECT_TRUE(help->helpText.contains(QStringLiteral("Vorgabe: das erste")));
    for (int code : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})
        EXPECT_TRUE(help->helpText.contains(QStringLiteral("\n%1  ").arg(code, 4)))
            << "exit code " << code;
}
