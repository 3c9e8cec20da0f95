#include "support/TestDatabase.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The filter host program as a user runs it from a shell.
namespace {

struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// platform: the Qt platform the program runs on, offscreen unless named.
ProgramRun runFilter(const QStringList &arguments, const QString &platform = QString(),
                     int timeoutMs = 60000)
{
    QProcess process;
    if (!platform.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(QRT_FILTER_BINARY), arguments);
    ProgramRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        ADD_FAILURE() << "qrt-filter did not finish";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

TEST(QrtFilter, RendersTheDialogIntoAPicture)
{
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
    db.exec(QStringLiteral(
        "CREATE TABLE Kunden (ID INTEGER PRIMARY KEY, NAME VARCHAR(50), DATUM DATE)"));
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("filter.png"));
    const ProgramRun run =
        runFilter({QStringLiteral("--db"), db.dbName(), QStringLiteral("--table"),
                   QStringLiteral("Kunden"), QStringLiteral("--screenshot"), picture});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 400);
    EXPECT_GT(image.height(), 150);
    EXPECT_TRUE(run.out.isEmpty()); // nothing confirmed, so no condition
}

TEST(QrtFilter, RefusesWhatItCannotOpenInGerman)
{
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("x.png"));

    ProgramRun run =
        runFilter({QStringLiteral("--db"), db.dbName(), QStringLiteral("--table"),
                   QStringLiteral("Gibtsnicht"), QStringLiteral("--screenshot"), picture});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Gibtsnicht"))) << run.err.toStdString();

    run = runFilter({QStringLiteral("--db"), dir.filePath(QStringLiteral("fehlt.sqlite")),
                     QStringLiteral("--table"), QStringLiteral("Kunden"),
                     QStringLiteral("--screenshot"), picture});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("existiert nicht"))) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("fehlt.sqlite")))); // not created

    run = runFilter({QStringLiteral("--gibtsnicht")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(run.err.isEmpty());

    run = runFilter({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("--table"))) << run.out.toStdString();
}

TEST(QrtFilter, WithoutAScreenItEndsInsteadOfWaitingForAnAnswer)
{
    // No --screenshot on a platform nobody can see: the dialog, or a
    // message box about a missing file, would wait for ever.
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
    db.exec(QStringLiteral("CREATE TABLE Kunden (ID INTEGER PRIMARY KEY, NAME VARCHAR(50))"));
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("fehlt.sqlite"));
    for (const QString &platform : {QStringLiteral("offscreen"), QStringLiteral("minimal")}) {
        for (const QString &database : {missing, db.dbName()}) {
            SCOPED_TRACE((platform + QLatin1Char(' ') + database).toStdString());
            const ProgramRun run = runFilter({QStringLiteral("--db"), database,
                                              QStringLiteral("--table"), QStringLiteral("Kunden")},
                                             platform, 20000);
            EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(QStringLiteral("kein Bildschirm verfügbar")))
                << run.err.toStdString();
            EXPECT_TRUE(run.out.isEmpty());
        }
    }
    // Refused before the database was touched: no file, no filter tables.
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(db.scalar(QStringLiteral(
                  "SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'QRTFILTER%'")),
              QStringLiteral("0"));
}
