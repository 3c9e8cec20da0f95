#ifndef QRT_DATA_FIELDCONVERSION_H
#define QRT_DATA_FIELDCONVERSION_H

#include "data/ColumnInfo.h"
#include "data/component/Variant.h"
#include "qrt_export.h"

#include <QString>

// The texts of the record text and the values of a row, one column at a
// time, by the column's category and, where it matters, the type of the
// value the row held before (the old value).
namespace FieldConversion {

struct Result
{
    enum class Status {
        Ok,
        InvalidValue, // "Ungültiger Wert in …": stops the write
        InvalidType,  // "Ungültiger DatenTyp in …": the stored value stays
    };
    Variant value;
    Status status = Status::Ok;
};

// The value the text of a record attribute stands for.
//  whole numbers: read like atoi (blanks, one sign, digits up to the first
//      other character; nothing readable is 0); 0 is Null where Null is allowed
//  fractional:    "," is the decimal point; a stored single or double needs
//      the whole text to be a number, "" reads as 0, and 0 is Null where Null
//      is allowed; with nothing stored the text is read like atof (a typed 0
//      stays 0; "" keeps the Null where Null is allowed); a stored decimal
//      takes the text like atof, 0 included
//  text:          cut to the column's size; "" is Null
//  date:          "y-m-d"; anything else is Null; the stored value's day
//      keeps its time of day
//  yes/no:        "TRUE" in any letter case is yes, everything else no
//  unknown:       the old value, untouched
QRT_EXPORT Result fromRecordText(const ColumnInfo &column, const Variant &oldValue,
                                 const QString &text);

// The text of a non-Null value in the record text; *typeError is set when the
// value's type does not fit the column's category (the text is then the
// value's plain text).
QRT_EXPORT QString toRecordText(const ColumnInfo &column, const Variant &value, bool *typeError);

// A whole number read as the C library's atoi reads it.
QRT_EXPORT qint64 leadingInteger(const QString &text);

} // namespace FieldConversion

#endif // QRT_DATA_FIELDCONVERSION_H
