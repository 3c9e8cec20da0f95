#ifndef QRT_TESTS_CUSTOMERFORM_H
#define QRT_TESTS_CUSTOMERFORM_H

#include "facade/CKeloForm.h"
#include "support/TestDatabase.h"

#include <QString>

// A small customer file with a stored form, the same on every engine, for
// the tests that run a form the way a user does:
//
//   kunden (id INT PRIMARY KEY, name VARCHAR(40) NOT NULL, ort VARCHAR(40),
//           notiz TEXT, betrag DOUBLE PRECISION, termin TIMESTAMP,
//           aktiv BOOLEAN, besuche INT)
//
// with rows 1..n: name "Kunde 001" ..., ort cycling through Bonn, Köln and
// Aachen, betrag i / 3 (more digits than the form shows), termin 7 March
// 2021 plus i days at 14:30, aktiv for odd i, notiz only on every third row,
// besuche i % 4.
//
// The stored form "kunden" is laid out by hand: a frame "Kunde" with name,
// ort, termin, betrag (right-aligned) and the check box aktiv, and below it
// a frame "Notiz" with the multi-line note; besuche is not on it. Nor is the
// key: the facade hides it with an automatic value (RemoveColumn("id",
// true)), so a new record gets the next free key.
namespace CustomerForm {

inline const QString Table = QStringLiteral("kunden");

// The table with rows 1..rows and the stored form.
void create(const TestDatabase &db, int rows);

// A facade on the form, as a host sets it up.
void init(CKeloForm &form, const TestDatabase &db);
// The document a host's ShowForm hands to the form dialog.
QString document(const TestDatabase &db, bool designMode = false, const QString &filter = QString(),
                 const QString &sort = QString());

// The name of row i ("Kunde 007").
QString nameOf(int row);

} // namespace CustomerForm

#endif // QRT_TESTS_CUSTOMERFORM_H
