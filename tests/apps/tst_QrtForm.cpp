#include "QrtFormRun.h"
#include "support/RefusingPgServer.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

// qrt-form as a user runs it from a shell, on the demo database the README
// names: what it draws, and how it refuses what it cannot show.
using QrtFormRun::ProgramRun;

namespace {

// Reads the demo database behind the program's back, on a connection of
// its own.
class DemoFile
{
public:
    explicit DemoFile(const QString &file) : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
    }
    ~DemoFile()
    {
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    QString scalar(const QString &sql) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
        return query.next() ? query.value(0).toString() : QString();
    }

    // Every row of table as text, in key order: equal texts, equal tables.
    QString contents(const QString &table) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table)));
        QStringList rows;
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << (query.isNull(i) ? QStringLiteral("<null>") : query.value(i).toString());
            rows << values.join(QLatin1Char('|'));
        }
        return rows.join(QLatin1Char('\n'));
    }

    QString everything() const
    {
        QString text;
        for (const char *table : {"Kunden", "Artikel", "Bestellungen", "QRTFORM", "QRTFORMITEM",
                                  "QRTFILTER", "QRTFILTERITEM"})
            text += contents(QLatin1String(table));
        return text + scalar(QStringLiteral("SELECT group_concat(name) FROM sqlite_master"));
    }

    // The outer size of the host window the stored form asks for.
    QSize storedSize(const QString &form) const
    {
        return QSize(scalar(QStringLiteral("SELECT FORM_RIGHT - FORM_LEFT FROM QRTFORM WHERE "
                                           "NAME = '%1'")
                                .arg(form))
                         .toInt(),
                     scalar(QStringLiteral("SELECT FORM_BOTTOM - FORM_TOP FROM QRTFORM WHERE "
                                           "NAME = '%1'")
                                .arg(form))
                         .toInt());
    }

private:
    QString m_name;
};

class QrtFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        demo = QrtFormRun::makeDemoDatabase(dir.path());
        ASSERT_TRUE(QFile::exists(demo));
    }

    // Draws the form with the extra arguments into a new picture; its image.
    QImage picture(const QStringList &arguments)
    {
        const QString file = dir.filePath(QStringLiteral("bild%1.png").arg(++m_pictures));
        const ProgramRun run =
            QrtFormRun::form(QStringList{QStringLiteral("--db"), demo} + arguments +
                             QStringList{QStringLiteral("--screenshot"), file});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString(); // nothing was saved
        return QImage(file);
    }

    // What lies below menu and tool bar: the form's fields.
    static QImage fields(const QImage &image)
    {
        return image.copy(0, 100, image.width(), image.height() - 100);
    }

    QTemporaryDir dir;
    QString demo;

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
    const DemoFile file(demo);
    const QString before = file.everything();

    // No --table: the first stored form, Kunden.
    const QImage kunden = picture({});
    ASSERT_FALSE(kunden.isNull());
    EXPECT_EQ(kunden.size(), file.storedSize(QStringLiteral("Kunden")));
    EXPECT_TRUE(hasInk(kunden, QRect(0, 0, kunden.width(), 60))) << "menu and tool bar";
    EXPECT_TRUE(hasInk(kunden, QRect(kunden.width() / 2, 20, kunden.width() / 2, 40)))
        << "the position text beside the navigation buttons";
    EXPECT_TRUE(hasInk(kunden, QRect(0, 100, kunden.width(), kunden.height() - 100)))
        << "the fields";
    // The table in any letter case finds the same stored form.
    EXPECT_EQ(picture({QStringLiteral("--table"), QStringLiteral("kunden")}), kunden);

    const QImage artikel = picture({QStringLiteral("--table"), QStringLiteral("Artikel")});
    EXPECT_EQ(artikel.size(), file.storedSize(QStringLiteral("Artikel")));
    // The other two ways of showing it: modeless, and the editor.
    EXPECT_EQ(picture({QStringLiteral("--modeless")}).size(), kunden.size());
    const QImage design = picture({QStringLiteral("--design")});
    EXPECT_EQ(design.size(), kunden.size());
    EXPECT_NE(design, kunden);

    EXPECT_EQ(file.everything(), before);
}

TEST_F(QrtFormTest, FilterSortAndNewRecordShowInThePicture)
{
    const DemoFile file(demo);
    const QString first = file.scalar(QStringLiteral("SELECT Vorname FROM Kunden WHERE ID = 2"));
    const QString last = file.scalar(QStringLiteral("SELECT Name FROM Kunden WHERE ID = 2"));
    ASSERT_FALSE(last.isEmpty());

    const QImage all = picture({});
    const QImage second = picture({QStringLiteral("--filter"), QStringLiteral("ID = 2")});
    // Another condition for the same one record: the same picture,
    // "Datensatz 1 von 1" included.
    EXPECT_EQ(picture({QStringLiteral("--filter"),
                       QStringLiteral("Vorname = '%1' AND Name = '%2'").arg(first, last)}),
              second);
    EXPECT_NE(second, all);
    // Sorted backwards, record 2 comes before record 1.
    EXPECT_EQ(fields(picture({QStringLiteral("--filter"), QStringLiteral("ID <= 2"),
                              QStringLiteral("--sort"), QStringLiteral("ID DESC")})),
              fields(second));

    // A new record shows empty fields, whatever the filter.
    const QImage fresh = fields(picture({QStringLiteral("--new")}));
    EXPECT_NE(fresh, fields(all));
    EXPECT_EQ(fields(picture(
                  {QStringLiteral("--new"), QStringLiteral("--filter"), QStringLiteral("ID = 2")})),
              fresh);
    // A filter with "<" reaches the database as typed: no customer has a
    // negative turnover, so the form starts on a new record.
    EXPECT_EQ(fields(picture({QStringLiteral("--filter"), QStringLiteral("Umsatz < 0")})), fresh);

    // A picture saves nothing, not even the new record.
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT COUNT(*) FROM Kunden")), QStringLiteral("300"));
}

TEST_F(QrtFormTest, EveryFailureHasItsOwnCodeAndAGermanMessage)
{
    const QString missing = dir.filePath(QStringLiteral("fehlt.sqlite"));
    const QString picture = dir.filePath(QStringLiteral("nie.png"));
    const QStringList screenshot{QStringLiteral("--screenshot"), picture};
    const QString empty = dir.filePath(QStringLiteral("leer.sqlite"));
    {
        QFile file(empty);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)); // an SQLite database without tables
    }
    struct Case
    {
        QStringList arguments;
        int exitCode;
        QString message;
    };
    const QVector<Case> cases = {
        {QStringList{QStringLiteral("--gibtsnicht")}, 2, QStringLiteral("Unbekannte Option")},
        {QStringList{QStringLiteral("--db"), demo, QStringLiteral("--design"),
                     QStringLiteral("--new")},
         2, QStringLiteral("--design")},
        {QStringList{QStringLiteral("--db"), missing} + screenshot, 4,
         QStringLiteral("Die Datenbank „%1“ lässt sich nicht öffnen").arg(missing)},
        {QStringList{QStringLiteral("--db"), demo, QStringLiteral("--table"),
                     QStringLiteral("Gibtsnicht")} +
             screenshot,
         6,
         QStringLiteral("Die Tabelle „Gibtsnicht“ gibt es in der Datenbank „%1“ nicht. "
                        "Vorhandene Tabellen: Artikel, Bestellungen, Kunden.")
             .arg(demo)},
        {QStringList{QStringLiteral("--db"), empty} + screenshot, 6,
         QStringLiteral("Bitte die Tabelle angeben")},
        {QStringList{QStringLiteral("--db"), demo, QStringLiteral("--table"),
                     QStringLiteral("Bestellungen")} +
             screenshot,
         7,
         QStringLiteral("Für die Tabelle „Bestellungen“ ist noch kein Formular gespeichert. "
                        "In der Entwurfsansicht")},
        {QStringList{QStringLiteral("--db"), demo, QStringLiteral("--filter"),
                     QStringLiteral("Gibtsnicht = 1")} +
             screenshot,
         8, QStringLiteral("Die Datenbank lehnt den Filter „Gibtsnicht = 1“ ab:\nno such column")},
        {QStringList{QStringLiteral("--db"), demo, QStringLiteral("--sort"),
                     QStringLiteral("Gibtsnicht")} +
             screenshot,
         8, QStringLiteral("die Sortierung „Gibtsnicht“")},
        // A second statement is refused before the engine sees it.
        {QStringList{QStringLiteral("--db"), demo, QStringLiteral("--filter"),
                     QStringLiteral("ID = 1; DELETE FROM Kunden")} +
             screenshot,
         8, QStringLiteral("Semikolon")},
        {QStringList{QStringLiteral("--db"), demo, QStringLiteral("--screenshot"),
                     dir.filePath(QStringLiteral("gibtsnicht/bild.png"))},
         10,
         QStringLiteral("Das Bild „%1“ konnte nicht gespeichert werden.")
             .arg(dir.filePath(QStringLiteral("gibtsnicht/bild.png")))},
    };
    for (const Case &expected : cases) {
        SCOPED_TRACE(expected.arguments.join(QLatin1Char(' ')).toStdString());
        const ProgramRun run = QrtFormRun::form(expected.arguments);
        EXPECT_EQ(run.exitCode, expected.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(expected.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(missing)); // not created by trying
    EXPECT_FALSE(QFile::exists(picture));
    EXPECT_EQ(DemoFile(demo).scalar(QStringLiteral("SELECT COUNT(*) FROM Kunden")),
              QStringLiteral("300"));
}

TEST_F(QrtFormTest, WithoutAScreenItEndsAtOnceInsteadOfWaiting)
{
    // Platforms nobody can see, and a display that does not answer: the
    // form, or a message box, would wait for ever; Qt itself would abort.
    const DemoFile file(demo);
    const QString before = file.everything();
    QVector<QProcessEnvironment> screens;
    for (const char *platform : {"offscreen", "minimal"}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QLatin1String(platform));
        screens << environment;
    }
    QProcessEnvironment gone = QProcessEnvironment::systemEnvironment();
    gone.remove(QStringLiteral("QT_QPA_PLATFORM"));
    gone.remove(QStringLiteral("WAYLAND_DISPLAY"));
    gone.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4711"));
    screens << gone;
    QProcessEnvironment none = gone;
    none.remove(QStringLiteral("DISPLAY"));
    screens << none;

    for (const QProcessEnvironment &environment : screens) {
        SCOPED_TRACE((environment.value(QStringLiteral("QT_QPA_PLATFORM")) + QLatin1Char('/') +
                      environment.value(QStringLiteral("DISPLAY")))
                         .toStdString());
        const ProgramRun run = QrtFormRun::form({QStringLiteral("--db"), demo}, environment);
        EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("Es ist kein Bildschirm verfügbar")))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("--screenshot"))) << run.err.toStdString();
    }
    EXPECT_EQ(file.everything(), before);
}

TEST(QrtFormServer, ALoginAndADatabaseTheServerRefusesAreToldApart)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("bild.png"));
    RefusingPgServer passwords;
    ASSERT_TRUE(passwords.isListening());
    ProgramRun run = QrtFormRun::form(
        {QStringLiteral("--kind"), QStringLiteral("postgresql"), QStringLiteral("--server"),
         passwords.address(), QStringLiteral("--user"), QStringLiteral("anna"),
         QStringLiteral("--password"), QStringLiteral("ge<h&eim"), QStringLiteral("--db"),
         QStringLiteral("kelo"), QStringLiteral("--screenshot"), picture});
    EXPECT_EQ(run.exitCode, 5) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("hat die Anmeldung als „anna“ abgelehnt: "
                                                "Benutzer oder Passwort ist falsch.")))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("ge<h&eim")));
    EXPECT_EQ(passwords.refusals(), 1); // asked once, nothing retried

    TestDatabase db(DatabaseKind::PostgreSql);
    QRT_REQUIRE_DATABASE(db);
    const QStringList server{QStringLiteral("--kind"),   QStringLiteral("postgresql"),
                             QStringLiteral("--server"), db.serverName(),
                             QStringLiteral("--user"),   db.userId()};
    run =
        QrtFormRun::form(server + QStringList{QStringLiteral("--db"), QStringLiteral("gibtsnicht"),
                                              QStringLiteral("--screenshot"), picture});
    EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("gibtsnicht"))) << run.err.toStdString();

    // A table without a form: refused in data mode, generated in design mode
    // (which stores nothing until the user saves).
    db.exec(QStringLiteral("CREATE TABLE \"Kunden\" (\"ID\" INT PRIMARY KEY, \"Name\" "
                           "VARCHAR(40), \"Seit\" DATE)"));
    const QStringList kunden =
        server + QStringList{QStringLiteral("--db"),         db.dbName(),
                             QStringLiteral("--table"),      QStringLiteral("Kunden"),
                             QStringLiteral("--screenshot"), picture};
    run = QrtFormRun::form(kunden);
    EXPECT_EQ(run.exitCode, 7) << run.err.toStdString();
    run = QrtFormRun::form(kunden + QStringList{QStringLiteral("--design")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QImage(picture).isNull());
    run = QrtFormRun::form(kunden);
    EXPECT_EQ(run.exitCode, 7) << run.err.toStdString();
}
