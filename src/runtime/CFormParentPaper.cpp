// The command verbs of the form host that take records out of it: onto
// paper, into a PDF file, into a CSV file.

#include "runtime/CFormParent.h"

#include "runtime/CFormParentGuarded.h"
#include "runtime/RecordExport.h"
#include "runtime/RecordPrint.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

namespace {

// The file the user names in a save dialog, and the kind of file (one of
// kinds, "PDF, … (*.pdf)") chosen with it; no file when cancelled.
struct Chosen
{
    QString path;
    QString kind;
};

Chosen chooseFile(QWidget *parent, const QString &title, const QString &name, const QString &suffix,
                  const QStringList &kinds)
{
    QFileDialog chooser(parent, title,
                        (name.isEmpty() ? QStringLiteral("Datensätze") : name) + QLatin1Char('.') +
                            suffix,
                        kinds.join(QStringLiteral(";;")));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setDefaultSuffix(suffix);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return {};
    return {chooser.selectedFiles().constFirst(), chooser.selectedNameFilter()};
}

// Runs work (writing all records) with a progress dialog whose "Abbrechen"
// stops it, and says why where it failed.
bool withProgress(
    QWidget *parent, const QString &title, const QString &text,
    const std::function<RecordExport::Result(const RecordExport::Progress &, QString *)> &work)
{
    QProgressDialog progress(text, QStringLiteral("Abbrechen"), 0, 1000, parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    QString error;
    const RecordExport::Result result = work(
        [&progress](qint64 done, qint64 total) {
            // The bar counts in thousandths: a million records fit any int.
            progress.setValue(total > 0 ? int(done * 1000 / total) : 1000);
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        },
        &error);
    progress.reset();
    if (result == RecordExport::Result::Failed)
        qrt::warn(error, parent);
    return result == RecordExport::Result::Written;
}

} // namespace

void CFormParent::DatensatzExportieren()
{
    guarded(false, [this](CFormMgr &manager) {
        if (!manager.SaveCurRecord())
            return false;
        const QString spreadsheet = QStringLiteral("CSV für Tabellenkalkulationen (*.csv)");
        const Chosen chosen =
            chooseFile(GetWnd(), QStringLiteral("Exportieren"), GetTitle(), QStringLiteral("csv"),
                       {spreadsheet, QStringLiteral("CSV für Programme (*.csv)")});
        if (chosen.path.isEmpty())
            return false;
        const RecordExport::Format format = chosen.kind == spreadsheet
                                                ? RecordExport::Format::Spreadsheet
                                                : RecordExport::Format::Program;
        return withProgress(GetWnd(), QStringLiteral("Exportieren"),
                            QStringLiteral("Die Datensätze werden exportiert …"),
                            [&](const RecordExport::Progress &progress, QString *error) {
                                return RecordExport::toCsv(manager, chosen.path, format, progress,
                                                           error);
                            });
    });
}

void CFormParent::DatensatzAlsPdf()
{
    guarded(false, [this](CFormMgr &manager) {
        const QStringList kinds{
            QStringLiteral("PDF, der angezeigte Datensatz (*.pdf)"),
            QStringLiteral("PDF, alle Datensätze des Filters, jeder auf eigenen Seiten (*.pdf)"),
            QStringLiteral("PDF, alle Datensätze des Filters als Liste (*.pdf)")};
        const Chosen chosen = chooseFile(GetWnd(), QStringLiteral("Als PDF speichern"), GetTitle(),
                                         QStringLiteral("pdf"), kinds);
        if (chosen.path.isEmpty())
            return false;
        const RecordPrint::Scope scope = chosen.kind == kinds.at(1) ? RecordPrint::Scope::EachRecord
                                         : chosen.kind == kinds.at(2) ? RecordPrint::Scope::List
                                                                      : RecordPrint::Scope::Current;
        const auto write = [&](const RecordExport::Progress &progress, QString *error) {
            return RecordPrint::toPdf(manager, chosen.path, scope, progress, error);
        };
        // The record shown goes as the user sees it; all records as they are
        // stored, after the one shown was saved or given up.
        if (scope == RecordPrint::Scope::Current) {
            QString error;
            if (write({}, &error) == RecordPrint::Result::Written)
                return true;
            qrt::warn(error, GetWnd());
            return false;
        }
        if (!manager.SaveCurRecord())
            return false;
        return withProgress(GetWnd(), QStringLiteral("Als PDF speichern"),
                            QStringLiteral("Die Datensätze werden gespeichert …"), write);
    });
}

void CFormParent::DatensatzDrucken()
{
    guarded(false, [this](CFormMgr &manager) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(GetTitle());
        QPrintDialog dialog(&printer, GetWnd());
        dialog.setWindowTitle(QStringLiteral("Drucken"));
        if (dialog.exec() != QDialog::Accepted)
            return false;
        QString error;
        if (RecordPrint::paint(manager, printer, RecordPrint::Scope::Current, {}, &error) ==
            RecordPrint::Result::Written)
            return true;
        qrt::warn(error, GetWnd());
        return false;
    });
}

void CFormParent::DatensatzSeitenansicht()
{
    guarded(false, [this](CFormMgr &manager) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(GetTitle());
        QPrintPreviewDialog preview(&printer, GetWnd());
        preview.setWindowTitle(QStringLiteral("Seitenansicht"));
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&manager](QPrinter *target) {
                             RecordPrint::paint(manager, *target, RecordPrint::Scope::Current);
                         });
        preview.exec();
        return true;
    });
}
