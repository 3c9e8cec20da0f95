#ifndef QRT_DATA_FIELDCONVERSION_H
#define QRT_DATA_FIELDCONVERSION_H

#include "data/ColumnInfo.h"
#include "data/component/Variant.h"
#include "qrt_export.h"

#include <QString>

// The texts of the record text and the values of a row, one column at a
// time, by the column's category and, where it matters, the type of the
// value the row held before (the stored value).
//
// Saving a record goes in two steps. isUnchanged() decides, field by field,
// whether the text the form gives back still denotes what the form was
// shown; such a field keeps its stored value exactly, whatever its type or
// the form it is stored in (a NUMERIC with twelve decimals, a SQLite date
// held as a julian day, a VARCHAR(255) holding 300 characters, a NULL yes/no
// value). Only the fields the user changed go through fromRecordText(), with
// all its rules (0 and empty text to Null, texts cut to the column's size).
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

// Whether text, as the form gives it back, denotes the same shown value as
// the record text the form was given for stored (a Null stored value was
// given as no text at all):
//  every category: the very same text
//  whole numbers:  the same number ("+7" is 7)
//  fractional:     the same number at the shown precision of eight decimals,
//                  with "," or "." ("12,5" is 12.50000000)
//  text, unknown:  the same text, a line break being one whatever its
//                  characters (controls hand back "\r\n" for a stored "\n")
//  date:           the same day, written y-m-d or d.m.yyyy (the time of day
//                  is not shown, so it is not changed either)
//  yes/no:         the same check state; Null shows unchecked, like "False"
QRT_EXPORT bool isUnchanged(const ColumnInfo &column, const Variant &stored, const QString &text);

// The value the text of a record attribute stands for (for a field the
// user changed).
//  whole numbers: read like atoi (blanks, one sign, digits up to the first
//      other character; nothing readable is 0); 0 is Null where Null is
//      allowed; beyond 32 bits a 64-bit number
//  fractional:    "," is the decimal point; a stored single or double needs
//      the whole text to be a number, "" reads as 0, and 0 is Null where Null
//      is allowed; with nothing stored the text is read like atof (a typed 0
//      stays 0; "" keeps the Null where Null is allowed); a decimal takes
//      the text like atof, 0 included, with all its digits
//  text:          cut to the column's size; "" is Null
//  date:          "y-m-d" at midnight; anything else is Null
//  yes/no:        "TRUE" in any letter case is yes, everything else no
//  unknown:       the text as it is (the engine converts it); "" is Null
QRT_EXPORT Result fromRecordText(const ColumnInfo &column, const Variant &oldValue,
                                 const QString &text);

// The text of a non-Null value in the record text (plain: RecordText
// encodes it); *typeError is set when the value's type does not fit the
// column's category (the text is then the value's plain text).
//  whole numbers "%d"; fractional "%.8f" (a decimal exactly, rounded to
//  eight places; NaN, Infinity, -Infinity by name); text as it is; dates
//  "dd.mm.yyyy"; yes/no "True"/"False"; unknown types their text.
QRT_EXPORT QString toRecordText(const ColumnInfo &column, const Variant &value, bool *typeError);

// A whole number read as the C library's atoi reads it.
QRT_EXPORT qint64 leadingInteger(const QString &text);

} // namespace FieldConversion

#endif // QRT_DATA_FIELDCONVERSION_H
