#ifndef QRT_DATA_COMPONENT_SELECTSTATEMENT_H
#define QRT_DATA_COMPONENT_SELECTSTATEMENT_H

#include "qrt_export.h"
#include <QString>

// The one statement shape a keyset recordset opens: "SELECT * FROM table
// [WHERE condition] [ORDER BY ordering]", or a bare table name. Keywords are
// found outside quotes and brackets, so a condition may hold "order by" in a
// text literal.
struct QRT_AUTOTEST_EXPORT SelectStatement
{
    QString table;     // as written
    QString condition; // without WHERE; empty when none
    QString ordering;  // without ORDER BY; empty when none

    // False when the text has another shape (joins, column lists, …).
    static bool parse(const QString &sql, SelectStatement *out);
};

#endif // QRT_DATA_COMPONENT_SELECTSTATEMENT_H
