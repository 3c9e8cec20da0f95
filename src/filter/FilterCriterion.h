#ifndef QRT_FILTER_FILTERCRITERION_H
#define QRT_FILTER_FILTERCRITERION_H

#include "data/ColumnInfo.h"
#include "qrt_export.h"

#include <QString>
#include <QVector>

// One criterion of a filter. The value is kept as the SQL operand it became
// when the criterion was added ('%Meier%', #2020-5-17#, 12.5), because that
// is what the saved-filter table stores and what the condition is made of.
struct FilterCriterion
{
    QString column;       // as the table's column list spells it
    qint32 condition = 0; // a FilterCondition code; stored as BED
    QString value;        // SQL operand; empty for FilterCondition::NoValue
};

// The conditions a criterion can have, numbered as they are stored. The
// filter dialog offers the first six; the last two come from filtering by
// the value of a field ("Auswahl ausschließen" of a value, of an empty
// field), where an empty field must count as differing from every value,
// which "ungleich" (SQL's <>) does not do.
namespace FilterCondition {

enum Code : qint32 {
    Equal = 1,
    NotEqual = 2,
    Contains = 3,
    Greater = 4,
    Less = 5,
    NoValue = 6,
    Except = 7,   // differs from the value, or is empty
    HasValue = 8, // is not empty
};

// "gleich", "enthält", ...: the text of the condition list and of a
// criterion line; "" for codes that are none of ours (a hand-edited BED).
QRT_AUTOTEST_EXPORT QString listText(qint32 code);
// The conditions offered for a column: equal, unequal and no value for
// every column, then greater and less for numbers and dates, or contains
// for texts.
QRT_AUTOTEST_EXPORT QVector<qint32> offeredFor(TypeCategory category);

} // namespace FilterCondition

#endif // QRT_FILTER_FILTERCRITERION_H
