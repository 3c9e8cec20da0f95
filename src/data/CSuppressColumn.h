#ifndef QRT_DATA_CSUPPRESSCOLUMN_H
#define QRT_DATA_CSUPPRESSCOLUMN_H

#include "qrt_export.h"

#include <QString>

// A SUPPRESSCOLUMN entry of the configuration document: a column the form
// does not show, and whether the record manager fills it with an automatic
// key value when a record is saved. An entry with a value (the attribute
// WERT, which only forms inside forms write) fixes the column: the records
// are those that hold the value, and a new one gets it (a subform's link to
// the record of the form around it).
class QRT_EXPORT CSuppressColumn
{
public:
    CSuppressColumn();
    CSuppressColumn(const QString &column, bool autoValue);
    CSuppressColumn(const CSuppressColumn &other);
    CSuppressColumn &operator=(const CSuppressColumn &other);
    ~CSuppressColumn();

    QString m_strColumn; // as the document spells it
    bool m_bAutoValue;   // false unless the document says AUTOVAL='true'
    bool m_bFixed = false;
    QString m_strValue; // the fixed value as record text; empty: no record holds it
};

#endif // QRT_DATA_CSUPPRESSCOLUMN_H
