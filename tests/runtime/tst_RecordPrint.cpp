#include "FormDialogTestSupport.h"

#include "runtime/PrintedForm.h"
#include "runtime/PrintedPage.h"
#include "runtime/RecordPrint.h"
#include "support/PdfText.h"

#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QTimer>

// The customer form on paper and in PDF files: what pdftotext reads from
// the file is what the form showed, with title, day and page numbers.
namespace {

class RecordPrintTest : public FormDialogTest
{
protected:
    // Enough customers for a list of more than one page.
    int rows() const override { return 80; }

    QString written(RecordPrint::Scope scope, const RecordPrint::Progress &progress = {})
    {
        QString error;
        result = RecordPrint::toPdf(*manager(), path, scope, progress, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return QFile::exists(path) ? pdfText(path) : QString();
    }

    QTemporaryDir folder;
    const QString path = folder.filePath("kunden.pdf");
    RecordPrint::Result result = RecordPrint::Result::Failed;
};

TEST_P(RecordPrintTest, TheRecordShownIsPrintedAsTheFormShowsIt)
{
    openData(QStringLiteral("id BETWEEN 1 AND 3"));
    ASSERT_NE(manager(), nullptr) << messages.texts().join('|').toStdString();
    retype("name", QStringLiteral("Müller & Söhne; \"Max\""));
    const QString text = written(RecordPrint::Scope::Current);
    EXPECT_EQ(result, RecordPrint::Result::Written);
    EXPECT_TRUE(text.contains(dialog->GetFormHost()->GetTitle())) << text.toStdString();
    EXPECT_TRUE(text.contains(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))));
    EXPECT_TRUE(text.contains(QStringLiteral("Müller & Söhne; \"Max\""))) << "as typed, unsaved";
    for (const CDynControl *control : form()->controls()) {
        // Every caption and every value as the field shows it (a note's
        // lines each on a line of their own).
        for (const QString &line : control->WindowText().split(QLatin1Char('\n')))
            EXPECT_TRUE(text.contains(line.trimmed())) << line.toStdString();
    }
    EXPECT_FALSE(text.contains(QStringLiteral("Seite"))) << "one page needs no number";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("/FontFile2")) << "the fonts travel with the file";
}

TEST_P(RecordPrintTest, AllRecordsGoOnPagesOfTheirOwnOrIntoAListAndACancelLeavesNoFile)
{
    openData(QStringLiteral("id BETWEEN 1 AND 3 OR id BETWEEN 41 AND 80"));
    ASSERT_NE(manager(), nullptr) << messages.texts().join('|').toStdString();
    QString text = written(RecordPrint::Scope::EachRecord);
    for (const char *name :
         {"Kunde 001", "Kunde 003", "Kunde 041", "Kunde 080", "Seite 1 von 43", "Seite 43 von 43"})
        EXPECT_TRUE(text.contains(QLatin1String(name))) << name;
    EXPECT_FALSE(text.contains(QLatin1String("Kunde 040")));
    EXPECT_EQ(text.count(QChar(u'\f')), 43) << "a page a record";

    text = written(RecordPrint::Scope::List);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Name +Ort +Aktiver Kunde"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Kunde 080 +Köln +Nein"))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("Seite 2 von 2"))) << "43 rows, two pages";
    EXPECT_EQ(result, RecordPrint::Result::Written);

    // Cancelled after the first block: the file of before stays, and where
    // there was none, none appears.
    const QByteArray before = [this] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const auto cancel = [](qint64, qint64) {
        return false;
    };
    written(RecordPrint::Scope::EachRecord, cancel);
    EXPECT_EQ(result, RecordPrint::Result::Cancelled);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.remove();
    written(RecordPrint::Scope::List, cancel);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty()) << "no half-written file";
}

// A form longer than the page goes on over pages, broken between its
// controls, never through one that fits a page.
TEST_P(RecordPrintTest, ALongFormBreaksBetweenControls)
{
    openData();
    ASSERT_NE(form(), nullptr);
    QImage paper(500, 260, QImage::Format_RGB32); // 96 to the inch, like the form
    QPainter painter(&paper);
    const PrintedPage page(painter, QStringLiteral("Kunden"));
    const PrintedForm printed(*form(), page);
    ASSERT_GT(printed.pageCount(), 1);
    EXPECT_EQ(printed.bands().constFirst().top, 0);
    for (int i = 1; i < printed.pageCount(); ++i) {
        const int cut = printed.bands().at(i).top;
        EXPECT_EQ(printed.bands().at(i - 1).bottom, cut);
        for (const CDynControl *control : form()->controls()) {
            EXPECT_TRUE(control->kind() == ControlKind::Frame || control->Top() >= cut ||
                        control->Bottom() <= cut)
                << control->GetName().toStdString() << " cut at " << cut;
        }
    }

    // Where a control is taller than what is left of the page, the page is
    // full before the line moves up to it: a cut, but not a page of nothing.
    const struct
    {
        QVector<PrintedForm::Band> controls;
        int top, limit, end;
    } cases[] = {
        {{{0, 20}, {30, 50}, {60, 80}}, 0, 55, 55}, // between two controls
        {{{0, 20}, {30, 50}, {45, 80}}, 0, 55, 30}, // up past two that overlap
        {{{0, 10}, {12, 300}}, 0, 100, 100},        // through a giant
        {{{100, 150}, {160, 400}}, 100, 100, 160},  // the giant starts past a quarter
        {{{100, 150}, {120, 400}}, 100, 100, 200},  // ... and before
    };
    for (const auto &c : cases)
        EXPECT_EQ(PrintedForm::breakBelow(c.controls, c.top, c.limit), c.end)
            << c.top << "+" << c.limit;
}

// From the form's menus: the PDF's kind in the file dialog, and the pages
// in the print preview.
TEST_P(RecordPrintTest, TheMenusAskForTheFileAndShowThePages)
{
    openData(QStringLiteral("id BETWEEN 1 AND 5"));
    QTimer::singleShot(0, [this] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        chooser->selectNameFilter(
            QStringLiteral("PDF, alle Datensätze des Filters als Liste (*.pdf)"));
        chooser->selectFile(folder.filePath("liste"));
        QMetaObject::invokeMethod(chooser, "accept");
    });
    choose(CommandTable::IdRecordPdf);
    const QString list = pdfText(folder.filePath("liste.pdf"));
    EXPECT_TRUE(list.contains(QLatin1String("Kunde 005")) &&
                list.contains(QLatin1String("Kunde 001")))
        << list.toStdString();

    int pages = -1;
    QTimer::singleShot(0, [&pages] {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
        if (!preview)
            return;
        if (auto *widget = preview->findChild<QPrintPreviewWidget *>()) {
            widget->updatePreview();
            pages = widget->pageCount();
        }
        preview->reject();
    });
    choose(CommandTable::IdRecordPrintPreview);
    EXPECT_EQ(pages, 1) << "the record shown, on one page";

    // Strg+P in a field is the print dialog's, as everywhere.
    QString title;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&title] {
        if (auto *printing = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
            title = printing->windowTitle();
            printing->reject();
        }
    });
    closer.start(20);
    field("name")->setFocus();
    press(Qt::Key_P, Qt::ControlModifier);
    closer.stop();
    EXPECT_EQ(title, QStringLiteral("Drucken"));
}

QRT_INSTANTIATE_FOR_ENGINES(RecordPrintTest);

} // namespace
