#include "QrtFormRun.h"
#include "platform/TabText.h"
#include "support/RefusingPgServer.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// qrt-form and qrt-filter as a user runs them from a shell, on the demo
// database the README names: what they draw, and how they refuse what they
// cannot show.
using QrtFormRun::ProgramRun;

namespace {

// Every table of the SQLite file, row by row, and its schema: equal texts,
// equal databases.
QString contentsOf(const QString &file)
{
    QString text = QrtFormRun::query(file, "SELECT sql FROM sqlite_master");
    const QString tables = QrtFormRun::query(
        file, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    for (const QString &table : tables.split(QLatin1Char('\n')))
        text +=
            QrtFormRun::query(file, QStringLiteral("SELECT * FROM \"%1\" ORDER BY 1").arg(table));
    return text;
}

// Every test leaves the demo database as it found it: a picture saves
// nothing, and a refusal comes before anything is written.
class QrtFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        demo = QrtFormRun::makeDemoDatabase(dir.path());
        before = contentsOf(demo);
        ASSERT_FALSE(before.isEmpty());
    }
    void TearDown() override { EXPECT_EQ(contentsOf(demo), before); }

    // Draws the form (or, with qrt-filter, the filter dialog) on the demo
    // database with the extra arguments into a new picture; its image.
    QImage picture(const QStringList &arguments,
                   const QString &program = QStringLiteral(QRT_FORM_BINARY))
    {
        const QString file = dir.filePath(QStringLiteral("bild%1.png").arg(++m_pictures));
        const ProgramRun run = QrtFormRun::run(program, QStringList{"--db", demo} + arguments +
                                                            QStringList{"--screenshot", file});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString(); // nothing was saved
        return QImage(file);
    }

    // The outer size of the host window the stored form asks for.
    QSize storedSize(const char *form) const
    {
        const QString size = QrtFormRun::query(
            demo, QStringLiteral("SELECT FORM_RIGHT - FORM_LEFT, FORM_BOTTOM - FORM_TOP FROM "
                                 "QRTFORM WHERE NAME = '%1'")
                      .arg(QLatin1String(form)));
        return QSize(size.section('|', 0, 0).toInt(), size.section('|', 1).toInt());
    }

    // What lies below menu and tool bar: the form's fields.
    static QImage fields(const QImage &image)
    {
        return image.copy(0, 100, image.width(), image.height() - 100);
    }

    QTemporaryDir dir;
    QString demo;
    QString before;

private:
    int m_pictures = 0;
};

// Whether image holds drawing in rect: dark pixels, not an empty window.
bool hasInk(const QImage &image, const QRect &rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 100)
                return true;
        }
    }
    return false;
}

} // namespace

TEST_F(QrtFormTest, DrawsTheFirstStoredFormAtItsStoredSizeWithoutChangingAnything)
{
    // No --table: the first stored form, Kunden.
    const QImage kunden = picture({});
    ASSERT_FALSE(kunden.isNull());
    EXPECT_EQ(kunden.size(), storedSize("Kunden"));
    EXPECT_TRUE(hasInk(kunden, QRect(0, 0, kunden.width(), 60))) << "menu and tool bar";
    EXPECT_TRUE(hasInk(kunden, QRect(kunden.width() / 2, 20, kunden.width() / 2, 40)))
        << "the position text beside the navigation buttons";
    EXPECT_TRUE(hasInk(kunden, QRect(0, 100, kunden.width(), kunden.height() - 100)))
        << "the fields";
    // The table in any letter case finds the same stored form.
    EXPECT_EQ(picture({"--table", "kunden"}), kunden);

    const QImage artikel = picture({"--table", "Artikel"});
    EXPECT_EQ(artikel.size(), storedSize("Artikel"));
    // The other two ways of showing it: modeless, and the editor.
    EXPECT_EQ(picture({"--modeless"}).size(), kunden.size());
    const QImage design = picture({"--design"});
    EXPECT_EQ(design.size(), kunden.size());
    EXPECT_NE(design, kunden);

    // The filter dialog, drawn by its own program; nothing confirmed, so
    // no condition.
    const QImage filter = picture({"--table", "Kunden"}, QStringLiteral(QRT_FILTER_BINARY));
    EXPECT_GT(filter.width(), 400);
    EXPECT_GT(filter.height(), 150);
}

TEST_F(QrtFormTest, FilterSortAndNewRecordShowInThePicture)
{
    const QStringList second = QrtFormRun::query(demo, QStringLiteral("SELECT Vorname, Name "
                                                                      "FROM Kunden WHERE ID = 2"))
                                   .split(QLatin1Char('|'));
    ASSERT_EQ(second.size(), 2);

    const QImage all = picture({});
    const QImage two = picture({"--filter", "ID = 2"});
    // Another condition for the same one record: the same picture,
    // "Datensatz 1 von 1" included.
    EXPECT_EQ(
        picture({"--filter", QString("Vorname = '%1' AND Name = '%2'").arg(second[0], second[1])}),
        two);
    EXPECT_NE(two, all);
    // Sorted backwards, record 2 comes before record 1.
    EXPECT_EQ(fields(picture({"--filter", "ID <= 2", "--sort", "ID DESC"})), fields(two));

    // A new record shows empty fields, whatever the filter.
    const QImage fresh = fields(picture({"--new"}));
    EXPECT_NE(fresh, fields(all));
    EXPECT_EQ(fields(picture({"--new", "--filter", "ID = 2"})), fresh);
    // A filter with "<" reaches the database as typed: no customer has a
    // negative turnover, so the form starts on a new record.
    EXPECT_EQ(fields(picture({"--filter", "Umsatz < 0"})), fresh);
}

// What a script reads: each failure its own exit code, the reason in German
// on standard error, nothing on standard output.
TEST_F(QrtFormTest, EveryRunEndsWithItsCodeAndAGermanMessage)
{
    const QString missing = dir.filePath("fehlt.sqlite");
    const QString badPicture = dir.filePath("gibtsnicht/bild.png");
    const QString csv = dir.filePath("bonn.csv");
    const QString pdf = dir.filePath("bonn.pdf");
    const QStringList screenshot{"--screenshot", dir.filePath("nie.png")};
    const QString empty = dir.filePath("leer.sqlite");
    {
        QFile file(empty);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)); // an SQLite database without tables
    }
    const QStringList onDemo{"--db", demo};
    const QStringList kunden{"--table", "Kunden"};
    const QString form = QStringLiteral(QRT_FORM_BINARY);
    const QString filter = QStringLiteral(QRT_FILTER_BINARY);
    // Screens nobody can see, and a display that does not answer: the form,
    // the dialog or a message box would wait for ever; Qt itself would abort.
    const auto screen = [](const char *platform, const char *display = nullptr) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!display) {
            environment.insert("QT_QPA_PLATFORM", QLatin1String(platform));
            return environment;
        }
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("DISPLAY");
        if (*display)
            environment.insert("DISPLAY", QLatin1String(display));
        return environment;
    };
    const QString noScreen = "Es ist kein Bildschirm verfügbar";
    const struct
    {
        QString program;
        QStringList arguments;
        int exitCode;
        QString message; // on standard output for 0
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    } cases[] = {
        {form, {"--gibtsnicht"}, 2, "Unbekannte Option"},
        {form, QStringList{"--db", missing} + screenshot, 4,
         QString("Die Datenbank „%1“ lässt sich nicht öffnen").arg(missing)},
        {form, onDemo + QStringList{"--table", "Gibtsnicht"} + screenshot, 6,
         QString("Die Tabelle „Gibtsnicht“ gibt es in der Datenbank „%1“ nicht. "
                 "Vorhandene Tabellen: Artikel, Bestellungen, Kunden.")
             .arg(demo)},
        {form, QStringList{"--db", empty} + screenshot, 6, "Bitte die Tabelle angeben"},
        {form, onDemo + QStringList{"--table", "Bestellungen"} + screenshot, 7,
         "Für die Tabelle „Bestellungen“ ist noch kein Formular gespeichert. "
         "In der Entwurfsansicht"},
        {form, onDemo + QStringList{"--filter", "Gibtsnicht = 1"} + screenshot, 8,
         "Die Datenbank lehnt den Filter „Gibtsnicht = 1“ ab:\nno such column"},
        {form, onDemo + QStringList{"--sort", "Gibtsnicht"} + screenshot, 8,
         "die Sortierung „Gibtsnicht“"},
        // A second statement is refused before the engine sees it.
        {form, onDemo + QStringList{"--filter", "ID = 1; DELETE FROM Kunden"} + screenshot, 8,
         "Semikolon"},
        {form, onDemo + QStringList{"--screenshot", badPicture}, 10,
         QString("Das Bild „%1“ konnte nicht gespeichert werden.").arg(badPicture)},
        // The records of a filter into a file, without a screen.
        {form, onDemo + QStringList{"--export", csv, "--filter", "Ort = 'Bonn'"}, 0, "",
         screen("offscreen")},
        {form, onDemo + QStringList{"--pdf", pdf, "--list", "--filter", "Ort = 'Bonn'"}, 0, "",
         screen("offscreen")},
        {form, onDemo + QStringList{"--pdf", dir.filePath("gibtsnicht/k.pdf"), "--all"}, 11,
         "Die Datei"},
        {form, onDemo + QStringList{"--export", dir.filePath("gibtsnicht/k.csv")}, 11,
         QString("Die Datei %1 kann nicht geschrieben werden")
             .arg(QDir::toNativeSeparators(dir.filePath("gibtsnicht/k.csv")))},
        {form, onDemo, 3, noScreen, screen("offscreen")},
        {form, onDemo, 3, noScreen, screen("minimal")},
        {form, onDemo, 3, noScreen + ": die Anzeige „:4711“", screen(nullptr, ":4711")},
        {form, onDemo, 3, noScreen + " (weder DISPLAY", screen(nullptr, "")},
        {filter, onDemo + QStringList{"--table", "Gibtsnicht"} + screenshot, 2, "Gibtsnicht"},
        {filter, QStringList{"--db", missing} + kunden + screenshot, 2, "existiert nicht"},
        {filter, {"--gibtsnicht"}, 2, "Unbekannte Option"},
        {filter, {"--help"}, 0, "--table"},
        // Refused before the database is touched: no file, no filter tables.
        {filter, QStringList{"--db", missing} + kunden, 3, noScreen, screen("offscreen")},
        {filter, QStringList{"--db", empty} + kunden, 3, noScreen, screen("minimal")},
    };
    for (const auto &expected : cases) {
        SCOPED_TRACE((QFileInfo(expected.program).fileName() + QLatin1Char(' ') +
                      expected.arguments.join(QLatin1Char(' ')))
                         .toStdString());
        const ProgramRun run =
            QrtFormRun::run(expected.program, expected.arguments, expected.environment);
        EXPECT_EQ(run.exitCode, expected.exitCode) << run.err.toStdString();
        if (expected.exitCode == 0) {
            EXPECT_TRUE(run.out.contains(expected.message)) << run.out.toStdString();
            continue;
        }
        EXPECT_TRUE(run.err.contains(expected.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        if (expected.exitCode == 3) { // the option that still works
            EXPECT_TRUE(run.err.contains("--screenshot")) << run.err.toStdString();
        }
    }
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray all = written.readAll();
    EXPECT_TRUE(all.startsWith("\xEF\xBB\xBF"
                               "Anrede;Vorname;Name;"));
    EXPECT_EQ(QString::number(TabText::read(QString::fromUtf8(all), QLatin1Char(';')).size() - 1),
              QrtFormRun::query(demo, "SELECT COUNT(*) FROM Kunden WHERE Ort = 'Bonn'"))
        << "a header and every customer in Bonn";
    QFile list(pdf);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_TRUE(list.readAll().startsWith("%PDF-")) << "what is in it, the runtime tests read";
    EXPECT_FALSE(QFile::exists(missing)); // not created by trying
    EXPECT_FALSE(QFile::exists(screenshot.last()));
    EXPECT_EQ(QFileInfo(empty).size(), 0);
}

TEST(QrtFormServer, ALoginAndADatabaseTheServerRefusesAreToldApart)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath("bild.png");
    RefusingPgServer passwords;
    ASSERT_TRUE(passwords.isListening());
    ProgramRun run =
        QrtFormRun::form({"--kind", "postgresql", "--server", passwords.address(), "--user", "anna",
                          "--password", "ge<h&eim", "--db", "kelo", "--screenshot", picture});
    EXPECT_EQ(run.exitCode, 5) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("hat die Anmeldung als „anna“ abgelehnt: "
                                                "Benutzer oder Passwort ist falsch.")))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("ge<h&eim"));
    EXPECT_EQ(passwords.refusals(), 1); // asked once, nothing retried

    TestDatabase db(DatabaseKind::PostgreSql);
    QRT_REQUIRE_DATABASE(db);
    const QStringList server{"--kind",        "postgresql", "--server",
                             db.serverName(), "--user",     db.userId()};
    run = QrtFormRun::form(server + QStringList{"--db", "gibtsnicht", "--screenshot", picture});
    EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("gibtsnicht")) << run.err.toStdString();

    // A table without a form: refused in data mode, generated in design mode
    // (which stores nothing until the user saves).
    db.exec(QStringLiteral("CREATE TABLE \"Kunden\" (\"ID\" INT PRIMARY KEY, \"Name\" "
                           "VARCHAR(40), \"Seit\" DATE)"));
    const QStringList kunden =
        server + QStringList{"--db", db.dbName(), "--table", "Kunden", "--screenshot", picture};
    run = QrtFormRun::form(kunden);
    EXPECT_EQ(run.exitCode, 7) << run.err.toStdString();
    run = QrtFormRun::form(kunden + QStringList{"--design"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QImage(picture).isNull());
    run = QrtFormRun::form(kunden);
    EXPECT_EQ(run.exitCode, 7) << run.err.toStdString();
}
