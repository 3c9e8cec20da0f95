#include "FormOptions.h"

#include <gtest/gtest.h>

// qrt-form's command line, read before any window or database exists.
namespace {

std::optional<FormOptions> parse(QStringList arguments, QString *error = nullptr)
{
    arguments.prepend(QStringLiteral("qrt-form"));
    QString scratch;
    return FormOptions::parse(arguments, error ? error : &scratch);
}

} // namespace

TEST(FormOptions, ReadsWhatTheUserAsksFor)
{
    std::optional<FormOptions> options =
        parse({QStringLiteral("--db"), QStringLiteral("k.sqlite")});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->kind, ns_qrttypen::KELO_SQLITE);
    EXPECT_EQ(options->mode, FormOptions::Mode::Modal);
    EXPECT_TRUE(options->table.isEmpty()); // the first stored form
    EXPECT_FALSE(options->newRecord);
    EXPECT_TRUE(options->screenshot.isEmpty());

    options = parse(
        {QStringLiteral("--kind"), QStringLiteral("PostgreSQL"), QStringLiteral("--db"),
         QStringLiteral("kelo"), QStringLiteral("--server"), QStringLiteral("db.example:5433"),
         QStringLiteral("--user"), QStringLiteral("anna"), QStringLiteral("--password"),
         QStringLiteral("ge;h&eim"), QStringLiteral("--table"), QStringLiteral(" Kunden "),
         QStringLiteral("--filter"), QStringLiteral("Umsatz < 100 AND Ort = 'Köln'"),
         QStringLiteral("--sort"), QStringLiteral("Name DESC"), QStringLiteral("--new"),
         QStringLiteral("--screenshot"), QStringLiteral("bild.png")});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->kind, ns_qrttypen::KELO_POSTGRESQL);
    EXPECT_TRUE(options->isServerKind());
    EXPECT_EQ(options->server, QStringLiteral("db.example:5433"));
    EXPECT_EQ(options->user, QStringLiteral("anna"));
    EXPECT_EQ(options->password, QStringLiteral("ge;h&eim")); // as typed
    EXPECT_EQ(options->table, QStringLiteral("Kunden"));
    EXPECT_EQ(options->filter, QStringLiteral("Umsatz < 100 AND Ort = 'Köln'"));
    EXPECT_EQ(options->sort, QStringLiteral("Name DESC"));
    EXPECT_TRUE(options->newRecord);
    EXPECT_EQ(options->screenshot, QStringLiteral("bild.png"));

    // The numbers hosts pass work as kinds too; a later option wins, which
    // is how scripts/demo.sh lets the user name another database.
    options = parse({QStringLiteral("--db"), QStringLiteral("a"), QStringLiteral("--kind=2"),
                     QStringLiteral("--db"), QStringLiteral("b"), QStringLiteral("--modeless"),
                     QStringLiteral("--filter"), QStringLiteral("ID = 1")});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->kind, ns_qrttypen::KELO_SQLSERVER);
    EXPECT_EQ(options->database, QStringLiteral("b"));
    EXPECT_EQ(options->mode, FormOptions::Mode::Modeless);

    options = parse({QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--design")});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->mode, FormOptions::Mode::Design);
}

TEST(FormOptions, RefusesWhatCannotWorkWithAGermanReason)
{
    const QVector<std::pair<QStringList, QString>> refused = {
        {{}, QStringLiteral("--db")},
        {{QStringLiteral("--table"), QStringLiteral("Kunden")}, QStringLiteral("--db")},
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--kind"),
          QStringLiteral("oracle")},
         QStringLiteral("„oracle“")},
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--tabel"),
          QStringLiteral("Kunden")},
         QStringLiteral("Unbekannte Option: tabel")},
        {{QStringLiteral("--db")}, QStringLiteral("fehlt ihr Wert")},
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("Kunden")},
         QStringLiteral("Unerwartetes Argument: Kunden")},
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--screenshot=")},
         QStringLiteral("--screenshot")},
        // Design mode shows no records.
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--design"),
          QStringLiteral("--filter"), QStringLiteral("ID = 1")},
         QStringLiteral("--design")},
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--design"),
          QStringLiteral("--new")},
         QStringLiteral("--design")},
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--design"),
          QStringLiteral("--modeless")},
         QStringLiteral("schließen sich aus")},
        // A modeless form is filtered by its host, never sorted.
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--modeless"),
          QStringLiteral("--sort"), QStringLiteral("Name")},
         QStringLiteral("--modeless")},
        {{QStringLiteral("--db"), QStringLiteral("k"), QStringLiteral("--modeless"),
          QStringLiteral("--new")},
         QStringLiteral("--modeless")},
        // A file has no server: most likely --kind was forgotten.
        {{QStringLiteral("--db"), QStringLiteral("kelo"), QStringLiteral("--server"),
          QStringLiteral("db.example")},
         QStringLiteral("--kind postgresql")},
        {{QStringLiteral("--kind"), QStringLiteral("access"), QStringLiteral("--db"),
          QStringLiteral("k.mdb"), QStringLiteral("--password"), QStringLiteral("x")},
         QStringLiteral("--password")},
    };
    for (const auto &[arguments, reason] : refused) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        QString error;
        EXPECT_FALSE(parse(arguments, &error));
        EXPECT_TRUE(error.contains(reason)) << error.toStdString();
    }
}

TEST(FormOptions, HelpNamesEveryOptionAndExitCode)
{
    QString error;
    const std::optional<FormOptions> options =
        parse({QStringLiteral("--help"), QStringLiteral("--gibtsnicht")}, &error);
    ASSERT_FALSE(options) << "an unknown option is refused even beside --help";
    const std::optional<FormOptions> help = parse({QStringLiteral("-h")});
    ASSERT_TRUE(help);
    ASSERT_TRUE(help->helpRequested);
    for (const char *option :
         {"--db", "--kind", "--server", "--user", "--password", "--table", "--filter", "--sort",
          "--new", "--design", "--modeless", "--screenshot"})
        EXPECT_TRUE(help->helpText.contains(QLatin1String(option))) << option;
    // The default table, and the codes a script reads.
    EXPECT_TRUE(help->helpText.contains(QStringLiteral("Vorgabe: das erste")));
    for (int code : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10})
        EXPECT_TRUE(help->helpText.contains(QStringLiteral("\n%1  ").arg(code, 4)))
            << "exit code " << code;
}
