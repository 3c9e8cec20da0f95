#ifndef QRT_FACADE_FORMCHECK_H
#define QRT_FACADE_FORMCHECK_H

#include "qrt_export.h"

#include <QString>

// What CKeloForm::Check found out before a form is shown: whether the form
// can be opened, and if not, why, in a German sentence that names what is
// wrong and what to do. The form itself would only say, after the fact,
// that it could not be built.
struct QRT_EXPORT FormCheck
{
    enum class Problem {
        None,         // the form can be shown
        NoDatabase,   // the database cannot be opened or read: no such file, server or database
        LoginRefused, // the server refused user or password
        NoTable,      // the table does not exist (or none was named and none has a form)
        NoStoredForm, // data mode, and the table has no stored form yet
        QueryRefused  // the database refused the filter or the sort
    };

    Problem problem = Problem::None;
    QString message;
    // The table (and form) to show, as the database's catalog spells it, or
    // as given when a stored form bears that spelling; for a document that
    // names no table, the table of the form stored first.
    QString table;

    [[nodiscard]] bool ok() const { return problem == Problem::None; }
};

#endif // QRT_FACADE_FORMCHECK_H
