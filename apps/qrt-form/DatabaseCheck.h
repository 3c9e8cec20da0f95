#ifndef QRT_APPS_QRTFORM_DATABASECHECK_H
#define QRT_APPS_QRTFORM_DATABASECHECK_H

#include "FormExit.h"
#include "FormOptions.h"

#include <QString>

// What qrt-form makes sure of before it opens a window: that the database
// opens with the user and password given, that the table exists, and in
// data mode that the table has a stored form and that the database accepts
// the filter and the sort. Each failure has its own exit code and a German
// message naming what is wrong and what to do; the form dialog itself would
// only say, after the fact, that it could not be built.
//
// The check only reads, on one connection of its own that it closes again:
// nothing is created or changed (the library makes its own tables when the
// form is built). The records are opened as the form opens them, as a keyset
// whose keys are read lazily, so checking a large table costs one batch of
// keys.
class DatabaseCheck
{
public:
    struct Outcome
    {
        FormExit exit = FormExit::Closed; // Closed: the form can be shown
        QString message;                  // German, when it cannot
        // The table (and form) to show, as the database's catalog spells it,
        // or as given when a stored form bears that spelling.
        QString table;

        [[nodiscard]] bool ready() const { return exit == FormExit::Closed; }
    };

    [[nodiscard]] static Outcome run(const FormOptions &options);
};

#endif // QRT_APPS_QRTFORM_DATABASECHECK_H
