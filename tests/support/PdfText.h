#ifndef QRT_TESTS_PDFTEXT_H
#define QRT_TESTS_PDFTEXT_H

#include <QString>

// The text of a PDF file as poppler's pdftotext reads it, laid out as on the
// page (a form feed after each page): of one page (from 1), or of all with
// page 0. Fails the test and gives "" where it cannot be read.
QString pdfText(const QString &path, int page = 0);

#endif // QRT_TESTS_PDFTEXT_H
