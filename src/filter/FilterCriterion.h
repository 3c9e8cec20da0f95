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

// The six conditions a criterion can have, numbered as they are stored.
namespace FilterCondition {

enum Code : qint32 {
    Equal = 1,
    NotEqual = 2,
    Contains = 3,
    Greater = 4,
    Less = 5,
    NoValue = 6,
};

// "gleich", "enthält", ...: the text of the condition list; "" for codes
// that are none of the six (a hand-edited BED).
QRT_AUTOTEST_EXPORT QString listText(qint32 code);
// The conditions offered for a column: equal, unequal and no value for
// every column, then greater and less for numbers and dates, or contains
// for texts.
QRT_AUTOTEST_EXPORT QVector<qint32> offeredFor(TypeCategory category);

} // namespace FilterCondition

#endif // QRT_FILTER_FILTERCRITERION_H
