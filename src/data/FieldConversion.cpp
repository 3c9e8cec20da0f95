#include "data/FieldConversion.h"

#include "data/DateText.h"
#include "xml/CXmlHelper.h"

#include <limits>

namespace FieldConversion {

namespace {

bool acceptsNull(const ColumnInfo &column)
{
    return (column.flags & CF_NULLABLE) != 0;
}

// Like atof: the longest leading part that is a number, 0 when there is none.
double leadingDouble(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (qsizetype length = trimmed.size(); length > 0; --length) {
        bool ok = false;
        const double value = trimmed.left(length).toDouble(&ok);
        if (ok)
            return value;
    }
    return 0.0;
}

// The whole text must be a floating-point number ("." as decimal point,
// optional exponent); leading blanks are allowed as strtod allows them.
bool strictDouble(const QString &text, double *value)
{
    QString candidate = text;
    while (!candidate.isEmpty() && candidate.front().isSpace())
        candidate.remove(0, 1);
    if (candidate.isEmpty() || candidate.back().isSpace())
        return false;
    bool ok = false;
    *value = candidate.toDouble(&ok);
    return ok;
}

Variant wholeNumberOfType(Variant::Type type, qint64 number)
{
    switch (type) {
    case Variant::Type::I2:
        if (number >= std::numeric_limits<qint16>::min() &&
            number <= std::numeric_limits<qint16>::max())
            return Variant(qint16(number));
        break;
    case Variant::Type::Int:
        if (number >= std::numeric_limits<qint32>::min() &&
            number <= std::numeric_limits<qint32>::max())
            return Variant::machineInt(int(number));
        break;
    default:
        break;
    }
    if (number >= std::numeric_limits<qint32>::min() &&
        number <= std::numeric_limits<qint32>::max())
        return Variant(qint32(number));
    // Too large for the column's type: handed on as it is, so the engine
    // refuses it with its own words instead of a silently wrapped number.
    return Variant::decimal(QString::number(number));
}

} // namespace

qint64 leadingInteger(const QString &text)
{
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    bool negative = false;
    if (pos < text.size() &&
        (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+'))) {
        negative = text.at(pos) == QLatin1Char('-');
        ++pos;
    }
    qint64 value = 0;
    while (pos < text.size() && text.at(pos) >= QLatin1Char('0') &&
           text.at(pos) <= QLatin1Char('9')) {
        if (value < std::numeric_limits<qint64>::max() / 10)
            value = value * 10 + (text.at(pos).unicode() - '0');
        ++pos;
    }
    return negative ? -value : value;
}

Result fromRecordText(const ColumnInfo &column, const Variant &oldValue, const QString &text)
{
    const Variant old = oldValue.isEmpty() ? Variant::null() : oldValue;
    Result result{old, Result::Status::Ok};
    switch (column.category) {
    case TypeCategory::WholeNumber: {
        if (!old.isNull() && !old.isInteger()) {
            result.status = Result::Status::InvalidType;
            return result;
        }
        const qint64 number = leadingInteger(text);
        result.value = wholeNumberOfType(old.isNull() ? Variant::Type::I4 : old.type(), number);
        if (acceptsNull(column) && number == 0)
            result.value = Variant::null();
        return result;
    }
    case TypeCategory::Fractional: {
        const QString pointed = QString(text).replace(QLatin1Char(','), QLatin1Char('.'));
        if (old.isNull()) {
            // Nothing stored yet: read without a check, and a 0 the user
            // typed stays a 0. An empty text is what the form showed for the
            // Null, so a column that allows Null keeps it.
            if (text.isEmpty() && acceptsNull(column))
                result.value = Variant::null();
            else
                result.value = Variant(leadingDouble(pointed));
            return result;
        }
        if (old.type() == Variant::Type::Decimal) {
            result.value = Variant::decimal(leadingDouble(pointed));
            return result;
        }
        if (!old.isFloating()) {
            result.status = Result::Status::InvalidType;
            return result;
        }
        // A stored single or double: the whole text must be the number, and
        // an empty one reads as 0, so that the user can clear the field.
        double number = 0;
        if (!pointed.isEmpty() && !strictDouble(pointed, &number)) {
            result.status = Result::Status::InvalidValue;
            return result;
        }
        if (acceptsNull(column) && number == 0)
            result.value = Variant::null();
        else
            result.value =
                old.type() == Variant::Type::R4 ? Variant(float(number)) : Variant(number);
        return result;
    }
    case TypeCategory::Text: {
        QString cut = text;
        if (column.definedSize > 0 && column.definedSize < cut.size())
            cut.truncate(column.definedSize);
        result.value = cut.isEmpty() ? Variant::null() : Variant(cut);
        return result;
    }
    case TypeCategory::Date: {
        bool valid = false;
        const Variant date = DateText::ParseDbDate(text, &valid);
        if (!valid)
            result.value = Variant::null();
        else if (old.type() == Variant::Type::Date &&
                 old.toDateTime().date() == date.toDateTime().date())
            result.value = old; // the same day: a stored time of day survives the round trip
        else if (old.type() == Variant::Type::Date)
            result.value = date;
        else
            result.value = Variant(date.dateValue()); // a double holding the day
        return result;
    }
    case TypeCategory::YesNo:
        result.value = Variant(text.toUpper() == QLatin1String("TRUE"));
        return result;
    case TypeCategory::Unknown:
        return result;
    }
    return result;
}

QString toRecordText(const ColumnInfo &column, const Variant &value, bool *typeError)
{
    *typeError = false;
    switch (column.category) {
    case TypeCategory::WholeNumber:
        if (value.isInteger())
            return QString::number(value.toInt32());
        break;
    case TypeCategory::Fractional:
        if (value.isFloating() || value.type() == Variant::Type::Decimal)
            return QString::number(value.toDouble(), 'f', 8);
        break;
    case TypeCategory::Text:
        // Attribute text: line breaks and tabs as references, or the parser
        // reading the record text back would hand them on as blanks.
        return CXmlHelper::getXmlAttributeString(value.toString());
    case TypeCategory::Date:
        if (value.type() == Variant::Type::Date)
            return DateText::FormatDate(value);
        break;
    case TypeCategory::YesNo:
        if (value.type() == Variant::Type::Bool)
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        break;
    case TypeCategory::Unknown:
        return QString(QLatin1String(""));
    }
    *typeError = true;
    return CXmlHelper::getXmlAttributeString(value.toString());
}

} // namespace FieldConversion
