#ifndef QRT_RUNTIME_RECORDEXPORT_H
#define QRT_RUNTIME_RECORDEXPORT_H

#include "qrt_export.h"

#include <QString>

#include <functional>

class CFormMgr;

// The records of a form written to a CSV file: every record of its filter
// and sort, in that order, one column per field the form shows, headed by
// the field's caption. The records are read from the database a block at a
// time (CDataMgr::ReadAllRecords: one statement where the engine can read
// it in batches), so memory stays flat however many there are.
//
// Two kinds of file. For German spreadsheet programs: UTF-8 with a byte
// order mark, ";" between fields, every value as the form shows it
// (decimal comma, dates TT.MM.JJJJ, "Ja"/"Nein", a related row's name).
// For programs: UTF-8 without a mark, ",", decimal point, dates
// JJJJ-MM-TT (and hh:mm:ss), true/false. Both quote a field that holds the
// separator, a double quote or a line break, with its quotes doubled (RFC
// 4180), keep line breaks inside fields and end lines with CRLF; a Null is
// an empty field.
//
// The file appears only once it is complete: it is written beside its place
// and takes it at the end (QSaveFile). A cancelled or failed export leaves
// the place as it was: no file, or the one that was there before.
namespace RecordExport {

enum class Format { Spreadsheet, Program };
enum class Result { Written, Cancelled, Failed };

// Told after every block: records written, records in all; false cancels.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// What the user reads when the records could not be read (the database
// went away, refused the statement): why, as the engine said it.
QRT_EXPORT QString unreadable(const QString &why);
// ... and when the file at path could not be written.
QRT_EXPORT QString unwritable(const QString &path, const QString &why);

// Writes form's records to path. Failed says why in *error (German).
QRT_EXPORT Result toCsv(CFormMgr &form, const QString &path, Format format,
                        const Progress &progress = {}, QString *error = nullptr);

} // namespace RecordExport

#endif // QRT_RUNTIME_RECORDEXPORT_H
