#include "filter/FilterCriterion.h"

namespace FilterCondition {

QString listText(qint32 code)
{
    switch (code) {
    case Equal:
        return QStringLiteral("gleich");
    case NotEqual:
        return QStringLiteral("ungleich");
    case Contains:
        return QStringLiteral("enthält");
    case Greater:
        return QStringLiteral("größer");
    case Less:
        return QStringLiteral("kleiner");
    case NoValue:
        return QStringLiteral("ohne Wert");
    case Except:
        return QStringLiteral("außer");
    case HasValue:
        return QStringLiteral("mit Wert");
    default:
        return QString();
    }
}

QVector<qint32> offeredFor(TypeCategory category)
{
    QVector<qint32> codes{Equal, NotEqual, NoValue};
    switch (category) {
    case TypeCategory::WholeNumber:
    case TypeCategory::Fractional:
    case TypeCategory::Date:
        codes << Greater << Less;
        break;
    case TypeCategory::Text:
        codes << Contains;
        break;
    case TypeCategory::Unknown:
    case TypeCategory::YesNo:
        // Ordering yes/no values or unknown types says nothing useful.
        break;
    }
    return codes;
}

} // namespace FilterCondition
