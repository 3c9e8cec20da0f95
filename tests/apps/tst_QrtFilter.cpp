#include "support/TestDatabase.h"

#include <QImage>
#include <QProcess>
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

ProgramRun runFilter(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(QRT_FILTER_BINARY), arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000)) {
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
