#include "data/FieldConversion.h"

#include "data/DateText.h"
#include "platform/GermanValues.h"

#include <cmath>
#include <limits>

namespace FieldConversion {

namespace {

bool acceptsNull(const ColumnInfo &column)
{
    return (column.flags & CF_NULLABLE) != 0;
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
    // Too large for the column's type: handed on as it is, so the engine
    // refuses it with its own words instead of a silently wrapped number.
    return Variant::wholeNumber(number);
}

bool isDecimalType(const ColumnInfo &column)
{
    return column.typeName == QLatin1String("numeric") ||
           column.typeName == QLatin1String("decimal") ||
           column.typeName == QLatin1String("currency");
}

// A decimal's digits with exactly that many places, rounded half away from
// zero ("%.8f" of its exact value, without the detour through a double).
QString withPlaces(const QString &digits, int wanted)
{
    QString text = digits;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0) {
        point = text.size();
        text += QLatin1Char('.');
    }
    const qsizetype places = text.size() - point - 1;
    if (places <= wanted)
        return (negative ? QStringLiteral("-") : QString()) + text + QString(wanted - places, u'0');
    const bool roundUp = text.at(point + wanted + 1) >= QLatin1Char('5');
    text.truncate(point + wanted + 1);
    if (roundUp) {
        qsizetype i = text.size() - 1;
        for (; i >= 0; --i) {
            if (text.at(i) == QLatin1Char('.'))
                continue;
            if (text.at(i) == QLatin1Char('9')) {
                text[i] = QLatin1Char('0');
            } else {
                text[i] = QChar(text.at(i).unicode() + 1);
                break;
            }
        }
        if (i < 0)
            text.prepend(QLatin1Char('1'));
    }
    const bool zero = !std::any_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('1') && c <= QLatin1Char('9');
    });
    return (negative && !zero ? QStringLiteral("-") : QString()) + text;
}

QString floatingText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    return QString::number(value, 'f', 8);
}

// A line break is one, whatever its characters.
QString singleLineBreaks(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QString dateTimeText(const Variant &value)
{
    QDate day;
    QTime time;
    Variant::partsFromOle(value.dateValue(), &day, &time);
    if (!day.isValid())
        return QString();
    return DateText::FormatDate(value) + QLatin1Char(' ') +
           time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

// The range of a whole-number column's type. SQLite keeps eight bytes in
// every INTEGER, whatever its declaration says of other engines.
void rangeOf(const ColumnInfo &column, qint64 *minimum, qint64 *maximum)
{
    *minimum = std::numeric_limits<qint64>::min();
    *maximum = std::numeric_limits<qint64>::max();
    const QString &type = column.typeName;
    if (type == QLatin1String("smallint")) {
        *minimum = std::numeric_limits<qint16>::min();
        *maximum = std::numeric_limits<qint16>::max();
    } else if (type == QLatin1String("tinyint")) {
        *minimum = std::numeric_limits<qint8>::min();
        *maximum = std::numeric_limits<qint8>::max();
    } else if (type == QLatin1String("unsigned tinyint")) {
        *minimum = 0;
        *maximum = std::numeric_limits<quint8>::max();
    } else if (type == QLatin1String("integer") && column.definedSize < 8) {
        *minimum = std::numeric_limits<qint32>::min();
        *maximum = std::numeric_limits<qint32>::max();
    } else if (type == QLatin1String("unsigned int")) {
        *minimum = 0;
        *maximum = std::numeric_limits<quint32>::max();
    } else if (type == QLatin1String("unsigned bigint")) {
        *minimum = 0;
    }
}

} // namespace

FieldFormat formatOf(const ColumnInfo &column, const QString &lineBreak)
{
    switch (column.category) {
    case TypeCategory::WholeNumber: {
        qint64 minimum = 0;
        qint64 maximum = 0;
        rangeOf(column, &minimum, &maximum);
        return FieldFormat::wholeNumber(minimum, maximum);
    }
    case TypeCategory::Fractional:
        if (!isDecimalType(column)) // a floating-point number keeps 15 or 6 digits exactly
            return FieldFormat::decimal(0, -1, column.typeName == QLatin1String("single") ? 6 : 15);
        if (column.precision > 0)
            return FieldFormat::decimal(qMax(1, column.precision - column.numericScale),
                                        column.numericScale);
        return FieldFormat::decimal(0, column.numericScale > 0 ? column.numericScale : -1);
    case TypeCategory::Text:
        return FieldFormat::text(column.definedSize, lineBreak);
    case TypeCategory::Date:
        return holdsTimeOfDay(column) ? FieldFormat::dateTime() : FieldFormat::date();
    case TypeCategory::YesNo:
        break;
    case TypeCategory::Unknown:
        if (column.typeName == QLatin1String("dbtime"))
            return FieldFormat::time();
        break;
    }
    return FieldFormat::text(0, lineBreak);
}

bool holdsTimeOfDay(const ColumnInfo &column)
{
    return column.category == TypeCategory::Date && column.typeName != QLatin1String("dbdate");
}

bool isUnchanged(const ColumnInfo &column, const Variant &stored, const QString &text)
{
    const bool nothingStored = stored.isEmptyOrNull();
    bool typeError = false;
    const QString shown = nothingStored ? QString() : toRecordText(column, stored, &typeError);
    if (shown == text)
        return true;
    if (typeError)
        return false; // a value of another type is shown as it is; only its text is it
    if (nothingStored)
        return text.trimmed().isEmpty() && column.category != TypeCategory::Text &&
               column.category != TypeCategory::Unknown;
    switch (column.category) {
    case TypeCategory::WholeNumber:
    case TypeCategory::Fractional: {
        // The same number, however it is written; the limits of the column
        // do not matter here (a stored value beyond them is still itself).
        const FieldFormat any = FieldFormat::decimal(0, -1);
        const FieldFormat::Reading before = any.readValue(shown);
        const FieldFormat::Reading after = any.readValue(text);
        return before.ok && after.ok && !after.value.isEmpty() && before.value == after.value;
    }
    case TypeCategory::Text:
    case TypeCategory::Unknown:
        return singleLineBreaks(shown) == singleLineBreaks(text);
    case TypeCategory::Date: {
        const FieldFormat::Reading reading = formatOf(column).readValue(text, shown);
        QDate day;
        QTime time;
        if (!reading.ok || !GermanValues::recordDateTime(reading.value, &day, &time))
            return false;
        QDate storedDay;
        QTime storedTime;
        Variant::partsFromOle(stored.type() == Variant::Type::Date ? stored.dateValue()
                                                                   : stored.toDouble(),
                              &storedDay, &storedTime);
        // A column of days compares days: its stored time of day is not shown.
        return day == storedDay && (!holdsTimeOfDay(column) || time == storedTime);
    }
    case TypeCategory::YesNo:
        return stored.type() == Variant::Type::Bool &&
               stored.toBool() == (text.toUpper() == QLatin1String("TRUE")) && !text.isEmpty();
    }
    return false;
}

Result fromRecordText(const ColumnInfo &column, const Variant &oldValue, const QString &text)
{
    const Variant old = oldValue.isEmpty() ? Variant::null() : oldValue;
    Result result{old, Result::Status::Ok, QString()};
    const auto refuse = [&result, &old](const QString &problem) {
        result.value = old;
        result.status = Result::Status::InvalidValue;
        result.problem = problem;
        return result;
    };
    const auto wrongType = [&result] {
        result.status = Result::Status::InvalidType;
        return result;
    };
    const bool empty = text.trimmed().isEmpty();
    const FieldFormat format = formatOf(column);
    switch (column.category) {
    case TypeCategory::WholeNumber: {
        if (!old.isNull() && !old.isInteger())
            return wrongType();
        if (empty) {
            result.value = Variant::null();
            return result;
        }
        const FieldFormat::Reading reading = format.readValue(text);
        if (!reading.ok)
            return refuse(reading.problem);
        result.value = wholeNumberOfType(old.isNull() ? Variant::Type::I4 : old.type(),
                                         reading.value.toLongLong());
        return result;
    }
    case TypeCategory::Fractional: {
        // SQLite keeps a whole number of a REAL column as an integer.
        if (!old.isNull() && !old.isFloating() && !old.isInteger() &&
            old.type() != Variant::Type::Decimal)
            return wrongType();
        if (empty) {
            result.value = Variant::null();
            return result;
        }
        const FieldFormat::Reading reading = format.readValue(text);
        if (!reading.ok)
            return refuse(reading.problem);
        if (isDecimalType(column)) {
            result.value = Variant::decimal(reading.value); // all the digits typed
            return result;
        }
        const double number = reading.value.toDouble();
        result.value = old.type() == Variant::Type::R4 ? Variant(float(number)) : Variant(number);
        return result;
    }
    case TypeCategory::Text: {
        const FieldFormat::Reading reading = format.readValue(text);
        if (!reading.ok)
            return refuse(reading.problem);
        result.value = text.isEmpty() ? Variant::null() : Variant(text);
        return result;
    }
    case TypeCategory::Date: {
        if (empty) {
            result.value = Variant::null();
            return result;
        }
        bool typeError = false;
        const QString before = old.isNull() ? QString() : toRecordText(column, old, &typeError);
        const FieldFormat::Reading reading = format.readValue(text, before);
        QDate day;
        QTime time;
        if (!reading.ok || !GermanValues::recordDateTime(reading.value, &day, &time))
            return refuse(reading.problem);
        const Variant date = Variant::fromDateAndTime(day, time);
        // A date keeps its type; anything else becomes a number of days.
        result.value = old.type() == Variant::Type::Date ? date : Variant(date.dateValue());
        return result;
    }
    case TypeCategory::YesNo:
        if (text.isEmpty() && acceptsNull(column))
            result.value = Variant::null(); // "unknown"
        else
            result.value = Variant(text.toUpper() == QLatin1String("TRUE"));
        return result;
    case TypeCategory::Unknown: {
        // Its text is all the form knows of it; the engine reads it back. A
        // time of day is checked here, since SQLite would keep any text.
        if (text.isEmpty()) {
            result.value = Variant::null();
            return result;
        }
        if (format.kind() == FieldFormat::Kind::Time) {
            const FieldFormat::Reading reading = format.readValue(text);
            if (!reading.ok)
                return refuse(reading.problem);
        }
        result.value = Variant(text);
        return result;
    }
    }
    return result;
}

QString toRecordText(const ColumnInfo &column, const Variant &value, bool *typeError)
{
    *typeError = false;
    switch (column.category) {
    case TypeCategory::WholeNumber:
        if (value.isInteger())
            return QString::number(value.toInt64());
        break;
    case TypeCategory::Fractional: {
        // A column with more decimals than eight shows them all.
        const int places = qMax(8, isDecimalType(column) ? column.numericScale : 0);
        if (value.isFloating())
            return floatingText(value.toDouble());
        if (value.type() == Variant::Type::Decimal)
            return withPlaces(value.decimalText(), places);
        if (value.isInteger()) // SQLite keeps whole numbers of a REAL column as such
            return withPlaces(QString::number(value.toInt64()), places);
        break;
    }
    case TypeCategory::Text:
        return value.toString();
    case TypeCategory::Date:
        if (value.type() == Variant::Type::Date)
            return holdsTimeOfDay(column) ? dateTimeText(value) : DateText::FormatDate(value);
        break;
    case TypeCategory::YesNo:
        if (value.type() == Variant::Type::Bool)
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        break;
    case TypeCategory::Unknown:
        return value.toString();
    }
    *typeError = true;
    return value.toString();
}

} // namespace FieldConversion
