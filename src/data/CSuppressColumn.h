#ifndef QRT_DATA_CSUPPRESSCOLUMN_H
#define QRT_DATA_CSUPPRESSCOLUMN_H

#include "qrt_export.h"

#include <QString>

// A SUPPRESSCOLUMN entry of the configuration document: a column the form
// does not show, and whether the record manager fills it with an automatic
// key value when a record is saved.
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
};

#endif // QRT_DATA_CSUPPRESSCOLUMN_H
