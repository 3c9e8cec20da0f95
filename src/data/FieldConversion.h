#ifndef QRT_DATA_FIELDCONVERSION_H
#define QRT_DATA_FIELDCONVERSION_H

#include "data/ColumnInfo.h"
#include "data/component/Variant.h"
#include "platform/FieldFormat.h"
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
// value). Only the fields the user changed go through fromRecordText(), which
// reads strictly: a text that is not exactly a value of the column is
// refused with what the column expects, never read as some other value.
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
    QString problem; // InvalidValue: what the column expects ("erwartet eine ganze Zahl …")
};

// How a field of the column reads what the user types and shows its values:
// the range of its whole numbers, the digits and scale of its decimals, a
// date with or without its time of day, a time, a text's length. lineBreak
// is what a new line break in its text is stored as.
QRT_EXPORT FieldFormat formatOf(const ColumnInfo &column,
                                const QString &lineBreak = QStringLiteral("\n"));

// Whether the column holds a time of day with its dates (timestamp,
// DATETIME), not only days.
QRT_EXPORT bool holdsTimeOfDay(const ColumnInfo &column);

// Whether text, as the form gives it back, denotes the same shown value as
// the record text the form was given for stored (a Null stored value was
// given as no text at all):
//  every category: the very same text
//  whole numbers:  the same number ("+7" is 7)
//  fractional:     the same number at the shown precision of eight decimals,
//                  with "," or "." ("12,5" is 12.50000000)
//  text, unknown:  the same text, a line break being one whatever its
//                  characters (controls hand back "\r\n" for a stored "\n")
//  date:           the same day, written y-m-d or d.m.yyyy, and where the
//                  column holds a time of day, the same time
//  yes/no:         the same check state; Null is no text ("unknown")
QRT_EXPORT bool isUnchanged(const ColumnInfo &column, const Variant &stored, const QString &text);

// The value the text of a record attribute stands for (for a field the
// user changed). An empty text is Null, for every category but yes/no;
// otherwise:
//  whole numbers: digits with a sign, within the column's range
//  fractional:    a number with "." or "," as the decimal point, within the
//      column's digits and scale (exactly, for decimals)
//  text:          at most as long as the column's size
//  date:          "y-m-d" or "d.m.yyyy", with "hh:mm:ss" where the column
//      holds a time of day (a date alone keeps the stored time)
//  yes/no:        "TRUE" in any letter case is yes, "" is Null where the
//      column takes it, everything else no
//  unknown:       the text as it is (the engine converts it); a time of day
//      must be one
// A value of the stored type where that is narrower than the column's (a
// 16-bit number stays 16 bits, a date held as a day count stays one).
QRT_EXPORT Result fromRecordText(const ColumnInfo &column, const Variant &oldValue,
                                 const QString &text);

// The text of a non-Null value in the record text (plain: RecordText
// encodes it); *typeError is set when the value's type does not fit the
// column's category (the text is then the value's plain text).
//  whole numbers "%d"; fractional "%.8f" (a decimal exactly, rounded to
//  eight places or its column's scale where that has more; NaN, Infinity,
//  -Infinity by name); text as it is; dates "dd.mm.yyyy", with
//  " hh:mm:ss" (and ".zzz" where it has them) where the column holds a time
//  of day; yes/no "True"/"False"; unknown types their text.
QRT_EXPORT QString toRecordText(const ColumnInfo &column, const Variant &value, bool *typeError);

} // namespace FieldConversion

#endif // QRT_DATA_FIELDCONVERSION_H
