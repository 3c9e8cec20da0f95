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

// Files that are no database, or a damaged one: the user reads SQLite's own
// words for what is wrong, and looking at a file never changes it.
namespace {

QString sqliteString(const QString &file)
{
    return QStringLiteral("Provider=SQLite;Data Source=") + file;
}

QString documentFor(const QString &file)
{
    CKeloForm form;
    form.Init(file, QString(), QString(), QString(), QStringLiteral("kunden"),
              ns_qrttypen::KELO_SQLITE);
    return form.FilledDocument(CKeloForm::EntryPoint::ShowForm);
}

TEST(DatabaseFiles, AnEmptyFileIsRefusedAndLeftEmpty)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("leer.sqlite"));
    QFile(file).open(QIODevice::WriteOnly);
    ScriptedMessages messages;
    {
        CAdoDataMgr records;
        records.Open(documentFor(file), false);
        EXPECT_EQ(records.recordset(), nullptr) << "there is no table to open";
    }
    EXPECT_FALSE(messages.texts().isEmpty());
    EXPECT_EQ(QFileInfo(file).size(), 0) << "refusing must not write";
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-wal")));
}

TEST(DatabaseFiles, BrokenFilesAreReportedInTheEnginesWords)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notiz.sqlite"));
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("Dies ist eine Notiz und keine Datenbank.\n").repeated(200));
    }
    Connection connection;
    try {
        connection.Open(sqliteString(text));
        ADD_FAILURE() << "a text file opened as a database";
    } catch (const ComError &error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("file is not a database")))
            << error.what();
    }

    // A database cut off in the middle, as after a failed copy.
    const QString cut = dir.filePath(QStringLiteral("kunden.sqlite"));
    QFile(cut).open(QIODevice::WriteOnly);
    {
        Connection writer;
        writer.Open(sqliteString(cut));
        writer.Execute(QStringLiteral("PRAGMA journal_mode = DELETE"));
        writer.Execute(QStringLiteral("CREATE TABLE kunden (id INT PRIMARY KEY, notiz TEXT)"));
        for (int i = 0; i < 200; ++i)
            writer.Execute(QStringLiteral("INSERT INTO kunden VALUES (%1, '%2')")
                               .arg(i)
                               .arg(QString(QLatin1Char('x')).repeated(500)));
    }
    QFile::remove(cut + QStringLiteral("-wal"));
    QFile::remove(cut + QStringLiteral("-shm"));
    QFile(cut).resize(QFileInfo(cut).size() / 2);
    ScriptedMessages messages;
    try {
        Connection reader;
        reader.Open(sqliteString(cut));
        Recordset rows;
        rows.Open(QStringLiteral("SELECT * FROM kunden"), reader);
        while (!rows.IsEOF())
            rows.MoveNext();
        ADD_FAILURE() << "every row of a cut file was read";
    } catch (const ComError &error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("malformed"))) << error.what();
        EXPECT_FALSE(error.description().contains(QStringLiteral("Parameter"))) << error.what();
    }
}

TEST(DatabaseFiles, AReadOnlyDatabaseSaysSoWhenWrittenTo)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kunden.sqlite"));
    QFile(file).open(QIODevice::WriteOnly);
    {
        Connection writer;
        writer.Open(sqliteString(file));
        writer.Execute(QStringLiteral("CREATE TABLE kunden (id INT PRIMARY KEY, name TEXT)"));
        writer.Execute(QStringLiteral("INSERT INTO kunden VALUES (1, 'Meier')"));
    }
    {
        Connection reopened; // now it switches to the write-ahead log
        reopened.Open(sqliteString(file));
    }
    // Root writes through every permission, so the file is made immutable
    // (and mutable again whichever way the test ends).
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), file}) != 0)
        GTEST_SKIP() << "the file cannot be made read-only here (chattr +i)";
    struct Mutable
    {
        QString file;
        ~Mutable() { QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), file}); }
    } restore{file};
    ScriptedMessages messages;
    try {
        Connection connection;
        connection.Open(sqliteString(file));
        Recordset rows;
        rows.Open(QStringLiteral("SELECT * FROM kunden"), connection);
        EXPECT_EQ(rows.Fields().Item(QStringLiteral("name")).Value(),
                  Variant(QStringLiteral("Meier")));
        rows.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("Schulz"));
        rows.Update();
        ADD_FAILURE() << "a read-only file was written";
    } catch (const ComError &error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("readonly"))) << error.what();
    }
}

} // namespace
