#ifndef QRT_PLATFORM_TABTEXT_H
#define QRT_PLATFORM_TABTEXT_H

#include "qrt_export.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Cells as text between programs: rows on lines (CRLF), cells separated by
// tabs, as spreadsheets put a block of cells on the clipboard and take it
// back. A cell holding the separator, a line break or a double quote is
// written in double quotes with its quotes doubled, which is how
// spreadsheets write such a cell and read it again; read() undoes exactly
// that. With ';' or ',' as the separator the same is a CSV file as RFC 4180
// writes it.
namespace TabText {

QRT_EXPORT QString write(const QVector<QStringList> &rows, QChar separator = QLatin1Char('\t'));
// The rows of text; a line break at the very end ends the last row and
// starts none. CRLF and LF both end rows.
QRT_EXPORT QVector<QStringList> read(const QString &text, QChar separator = QLatin1Char('\t'));

} // namespace TabText

#endif // QRT_PLATFORM_TABTEXT_H
