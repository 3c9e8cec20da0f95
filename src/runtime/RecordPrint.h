#ifndef QRT_RUNTIME_RECORDPRINT_H
#define QRT_RUNTIME_RECORDPRINT_H

#include "qrt_export.h"
#include "runtime/RecordExport.h"

#include <QString>

class CFormMgr;
class QPagedPaintDevice;

// A form's records on paper or in a PDF file: the record shown (as the form
// lays it out, with what the user typed into it), or every record of the
// form's filter and sort, each on pages of its own or all in a compact
// list. Every page carries the form's title and the day; "Seite n von m"
// where there is more than one (see PrintedPage, PrintedForm, PrintedList).
//
// All records are read a block at a time (CDataMgr::ReadAllRecords), so
// memory stays flat however many there are.
namespace RecordPrint {

enum class Scope { Current, EachRecord, List };
using RecordExport::Progress;
using RecordExport::Result;

// Paints onto device (a printer, a PDF writer), which must not be painted
// on yet. Failed says why in *error (German).
QRT_EXPORT Result paint(CFormMgr &form, QPagedPaintDevice &device, Scope scope,
                        const Progress &progress = {}, QString *error = nullptr);

// Writes a PDF file of A4 pages: its text is text (it can be searched and
// copied) in the fonts it was drawn with, which the file carries. Like the
// export, the file appears only once it is complete; a cancelled or failed
// one leaves the place as it was.
QRT_EXPORT Result toPdf(CFormMgr &form, const QString &path, Scope scope,
                        const Progress &progress = {}, QString *error = nullptr);

} // namespace RecordPrint

#endif // QRT_RUNTIME_RECORDPRINT_H
