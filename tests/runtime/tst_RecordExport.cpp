#include "FormDialogTestSupport.h"

#include "runtime/RecordExport.h"

#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

// The records of the customer form as files for spreadsheets and programs,
// byte for byte; a cancelled export leaves nothing.
namespace {

class RecordExportTest : public FormDialogTest
{
protected:
    QByteArray exported(RecordExport::Format format, const RecordExport::Progress &progress = {})
    {
        const QString path = folder.filePath("kunden.csv");
        QString error;
        result = RecordExport::toCsv(*manager(), path, format, progress, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    RecordExport::Result result = RecordExport::Result::Failed;
};

TEST_P(RecordExportTest, TheRecordsOfTheFilterAreWrittenAsEachKindOfFileWantsThem)
{
    // Every kind of value, and what a file must quote.
    db.exec(QStringLiteral("UPDATE kunden SET name = 'Müller; \"Max\", Sohn', ort = NULL, betrag = "
                           "1234.5, notiz = 'Zeile eins' || %1 || 'zwei' WHERE id = 1")
                .arg(db.kind() == DatabaseKind::PostgreSql ? "CHR(13) || CHR(10)"
                                                           : "CHAR(13) || CHAR(10)"));
    openData(QStringLiteral("id BETWEEN 1 AND 3"));
    ASSERT_NE(manager(), nullptr) << messages.texts().join('|').toStdString();
    EXPECT_EQ(exported(RecordExport::Format::Spreadsheet),
              QByteArray("\xEF\xBB\xBFName;Ort;Aktiver Kunde;Termin;Betrag;Notiz\r\n"
                         "\"Müller; \"\"Max\"\", Sohn\";;Ja;08.03.2021 14:30;1234,5;\"Zeile "
                         "eins\r\nzwei\"\r\n"
                         "Kunde 002;Köln;Nein;09.03.2021 14:30;0,66666667;\r\n"
                         "Kunde 003;Aachen;Ja;10.03.2021 14:30;1,0;Notiz zu Kunde 3\r\n"));
    EXPECT_EQ(exported(RecordExport::Format::Program),
              QByteArray("Name,Ort,Aktiver Kunde,Termin,Betrag,Notiz\r\n"
                         "\"Müller; \"\"Max\"\", Sohn\",,true,2021-03-08 14:30:00,1234.5,\"Zeile "
                         "eins\r\nzwei\"\r\n"
                         "Kunde 002,Köln,false,2021-03-09 14:30:00,0.66666667,\r\n"
                         "Kunde 003,Aachen,true,2021-03-10 14:30:00,1.0,Notiz zu Kunde 3\r\n"));
    EXPECT_EQ(result, RecordExport::Result::Written);

    // Cancelled: what was there stays, and nothing new appears.
    qint64 told = -1;
    const auto cancel = [&told](qint64 done, qint64 total) {
        told = done * 10 + total;
        return false;
    };
    const QByteArray before = exported(RecordExport::Format::Program);
    EXPECT_EQ(exported(RecordExport::Format::Spreadsheet, cancel), before);
    EXPECT_EQ(result, RecordExport::Result::Cancelled);
    EXPECT_EQ(told, 33) << "three of three";
    QFile::remove(folder.filePath("kunden.csv"));
    EXPECT_EQ(exported(RecordExport::Format::Spreadsheet, cancel), QByteArray());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty()) << "no half-written file";
}

// From the form's menu: the user names the file and its kind.
TEST_P(RecordExportTest, TheMenuAsksForTheFileAndItsKind)
{
    openData();
    const QString path = folder.filePath("fuer-programme");
    QTimer::singleShot(0, [&path] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        chooser->selectNameFilter(QStringLiteral("CSV für Programme (*.csv)"));
        chooser->selectFile(path);
        QMetaObject::invokeMethod(chooser, "accept");
    });
    choose(CommandTable::IdRecordExport);
    QFile written(path + QStringLiteral(".csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << "the kind's suffix added";
    const QList<QByteArray> lines = written.readAll().split('\n');
    EXPECT_EQ(lines.value(0), "Name,Ort,Aktiver Kunde,Termin,Betrag,Notiz\r");
    EXPECT_EQ(lines.size(), 7) << "a header, five customers, the last line break";
}

QRT_INSTANTIATE_FOR_ENGINES(RecordExportTest);

} // namespace
