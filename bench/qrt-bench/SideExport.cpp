// The library's export of the records to CSV, in a process of its own so
// that its peak memory is the export's: the stored Kunden form in NAME
// order, every record written as German spreadsheet programs read it. Then
// a PDF list of (at most) 10,000 of them, the first by ID.

#include "BenchSides.h"
#include "BenchSupport.h"

#include "platform/RecordingMessages.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "runtime/RecordExport.h"
#include "runtime/RecordPrint.h"

#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

Figures onePass(const BenchDatabase &db, const Expected &expected, const QString &file)
{
    Figures figures;
    CFormDlg dialog(
        formDocument(db, QStringLiteral("Kunden"), false, QString(), QStringLiteral("NAME")),
        false);
    if (!dialog.GetFormHost() || !dialog.GetFormHost()->GetFormMgr())
        throw std::runtime_error("export: the library's form was not built");
    QElapsedTimer clock;
    clock.start();
    const RecordExport::Result result = RecordExport::toCsv(
        *dialog.GetFormHost()->GetFormMgr(), file, RecordExport::Format::Spreadsheet);
    figures["export_csv_ms"] = msSince(clock);
    if (result != RecordExport::Result::Written)
        throw std::runtime_error("export: the file was not written");
    QFile written(file);
    if (!written.open(QIODevice::ReadOnly))
        throw std::runtime_error("export: the file cannot be read");
    qint64 lines = 0;
    while (!written.atEnd())
        lines += written.readLine().endsWith('\n') ? 1 : 0;
    if (lines != expected.rows + 1)
        throw std::runtime_error("export: not every record was written");

    CFormDlg listed(formDocument(db, QStringLiteral("Kunden"), false,
                                 QStringLiteral("ID BETWEEN 1 AND 10000"), QStringLiteral("NAME")),
                    false);
    if (!listed.GetFormHost() || !listed.GetFormHost()->GetFormMgr())
        throw std::runtime_error("pdf: the library's form was not built");
    const QString pdf = QString(file).replace(QStringLiteral(".csv"), QStringLiteral(".pdf"));
    clock.restart();
    if (RecordPrint::toPdf(*listed.GetFormHost()->GetFormMgr(), pdf, RecordPrint::Scope::List) !=
        RecordPrint::Result::Written)
        throw std::runtime_error("pdf: the file was not written");
    figures["pdf_list_10000_ms"] = msSince(clock);
    return figures;
}

} // namespace

int runExport(const BenchDatabase &db, const Expected &expected, int passes)
{
    RecordingMessages messages;
    ScopedUserMessages scope(messages);
    QTemporaryDir folder;
    Figures best;
    for (int i = 0; i < passes; ++i)
        keepBest(best, onePass(db, expected, folder.filePath(QStringLiteral("kunden.csv"))));
    best["peak_export_mib"] = peakMiB();
    printFigures(best);
    return 0;
}
