#include "data/CAdoDataMgr.h"
#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "facade/CKeloForm.h"
#include "platform/ComError.h"
#include "support/ScriptedMessages.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

// Files that are no database, or a damaged one: the user reads SQLite's own
// words for what is wrong, and looking at a file never changes it.
namespace {

QString sqliteString(const QString &file)
{
    return "Provider=SQLite;Data Source=" + file;
}

// What opening the file and its table kunden, then doing what follows,
// fails with ("" when nothing fails).
QString failure(const QString &file, const std::function<void(Recordset &)> &then)
{
    ScriptedMessages messages;
    try {
        Connection connection;
        connection.Open(sqliteString(file));
        Recordset rows;
        rows.Open("SELECT * FROM kunden", connection);
        then(rows);
    } catch (const ComError &error) {
        return error.description();
    }
    return QString();
}

// A database file with rows rows in kunden, as another program left it.
QString database(const QTemporaryDir &dir, int rows, const QString &journal = "WAL")
{
    const QString file = dir.filePath("kunden.sqlite");
    QFile(file).open(QIODevice::WriteOnly); // an empty file is an empty database
    Connection writer;
    writer.Open(sqliteString(file));
    writer.Execute("PRAGMA journal_mode = " + journal);
    writer.Execute("CREATE TABLE kunden (id INT PRIMARY KEY, name TEXT)");
    for (int i = 0; i < rows; ++i)
        writer.Execute(QStringLiteral("INSERT INTO kunden VALUES (%1, 'Meier%2')")
                           .arg(i)
                           .arg(QString(500, 'x')));
    return file;
}

TEST(DatabaseFiles, AnEmptyFileIsRefusedAndLeftEmpty)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("leer.sqlite");
    QFile(file).open(QIODevice::WriteOnly);
    ScriptedMessages messages;
    {
        CKeloForm form;
        form.Init(file, QString(), QString(), QString(), "kunden", ns_qrttypen::KELO_SQLITE);
        CAdoDataMgr records;
        records.Open(form.FilledDocument(CKeloForm::EntryPoint::ShowForm), false);
        EXPECT_EQ(records.recordset(), nullptr) << "there is no table to open";
    }
    EXPECT_FALSE(messages.texts().isEmpty());
    EXPECT_EQ(QFileInfo(file).size(), 0) << "refusing must not write";
    EXPECT_FALSE(QFile::exists(file + "-wal"));
}

TEST(DatabaseFiles, BrokenFilesAreReportedInTheEnginesWords)
{
    QTemporaryDir dir;
    const QString text = dir.filePath("notiz.sqlite");
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("Dies ist eine Notiz und keine Datenbank.\n").repeated(200));
    }
    EXPECT_TRUE(failure(text, [](Recordset &) {}).contains("file is not a database"));

    // A database cut off in the middle, as after a failed copy.
    const QString cut = database(dir, 200, "DELETE");
    QFile(cut).resize(QFileInfo(cut).size() / 2);
    const QString error = failure(cut, [](Recordset &rows) {
        while (!rows.IsEOF())
            rows.MoveNext();
    });
    EXPECT_TRUE(error.contains("malformed")) << error.toStdString();
    EXPECT_FALSE(error.contains("Parameter")) << error.toStdString();
}

TEST(DatabaseFiles, AReadOnlyDatabaseOpensReadOnlyAndSaysWhy)
{
    QTemporaryDir dir;
    const QString file = database(dir, 1);
    // Root writes through every permission, so the file is made immutable
    // (and mutable again whichever way the test ends).
    if (QProcess::execute("chattr", {"+i", file}) != 0)
        GTEST_SKIP() << "the file cannot be made read-only here (chattr +i)";
    struct Mutable
    {
        QString file;
        ~Mutable() { QProcess::execute("chattr", {"-i", file}); }
    } restore{file};
    const QString error = failure(file, [](Recordset &rows) {
        EXPECT_EQ(rows.Fields().Item("name").Value().toString().left(5), "Meier");
        EXPECT_FALSE(rows.IsUpdatable());
        EXPECT_TRUE(rows.ReadOnlyReason().contains("Sie haben nur Leserechte"))
            << rows.ReadOnlyReason().toStdString();
        rows.Fields().Item("name").PutValue(QStringLiteral("Schulz"));
    });
    EXPECT_TRUE(error.contains("kann nicht bearbeitet werden")) << error.toStdString();
}

} // namespace
