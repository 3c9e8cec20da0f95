#include "data/FieldConversion.h"

#include "data/DateText.h"
#include "platform/TextLength.h"

#include <QRegularExpression>

#include <cmath>
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

// A decimal from the text (decimal comma already a point): exact where the
// text is a decimal number, otherwise read like atof.
Variant decimalFrom(const QString &pointed)
{
    const Variant exact = Variant::decimal(pointed);
    return exact.isEmpty() ? Variant::decimal(leadingDouble(pointed)) : exact;
}

// A decimal's digits with exactly eight places, rounded half away from zero
// ("%.8f" of its exact value, without the detour through a double).
QString eightPlaces(const QString &digits)
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
    if (places <= 8)
        return (negative ? QStringLiteral("-") : QString()) + text + QString(8 - places, u'0');
    const bool roundUp = text.at(point + 9) >= QLatin1Char('5');
    text.truncate(point + 9);
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

// The day a date text names: written "y-m-d" (as forms write dates back)
// or "d.m.yyyy" (as they show them); an invalid date for anything else.
QDate dayOfText(const QString &text)
{
    bool valid = false;
    const Variant written = DateText::ParseDbDate(text, &valid);
    if (valid)
        return written.toDate();
    const QDate shown = QDate::fromString(text.trimmed(), QStringLiteral("d.M.yyyy"));
    return shown;
}

bool isWholeNumberText(const QString &text, qint64 *number)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!pattern.match(text).hasMatch())
        return false;
    bool ok = false;
    *number = text.trimmed().toLongLong(&ok);
    return ok;
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

bool isUnchanged(const ColumnInfo &column, const Variant &stored, const QString &text)
{
    const bool nothingStored = stored.isEmptyOrNull();
    bool typeError = false;
    const QString shown = nothingStored ? QString() : toRecordText(column, stored, &typeError);
    if (shown == text)
        return true;
    if (typeError)
        return false; // a value of another type is shown as it is; only its text is it
    switch (column.category) {
    case TypeCategory::WholeNumber: {
        qint64 before = 0;
        qint64 after = 0;
        return isWholeNumberText(shown, &before) && isWholeNumberText(text, &after) &&
               before == after;
    }
    case TypeCategory::Fractional: {
        const Variant before = Variant::decimal(shown);
        const Variant after =
            Variant::decimal(QString(text).replace(QLatin1Char(','), QLatin1Char('.')));
        return !before.isEmpty() && before == after;
    }
    case TypeCategory::Text:
    case TypeCategory::Unknown:
        return singleLineBreaks(shown) == singleLineBreaks(text);
    case TypeCategory::Date: {
        if (nothingStored)
            return text.trimmed().isEmpty();
        const QDate day = dayOfText(text);
        return day.isValid() && day == stored.toDate();
    }
    case TypeCategory::YesNo: {
        // The state the text would be written as (see fromRecordText).
        const bool checked = text.toUpper() == QLatin1String("TRUE");
        if (nothingStored)
            return !checked; // shown unchecked
        return stored.type() == Variant::Type::Bool && stored.toBool() == checked;
    }
    }
    return false;
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
            else if (isDecimalType(column))
                result.value = decimalFrom(pointed); // all the digits typed
            else
                result.value = Variant(leadingDouble(pointed));
            return result;
        }
        // A decimal column keeps its digits, also where it held NaN (which
        // only a double can hold).
        if (old.type() == Variant::Type::Decimal || (isDecimalType(column) && old.isFloating())) {
            result.value = decimalFrom(pointed);
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
        // The size counts characters as the engine does: a letter beyond the
        // basic plane is one, and is never cut in half.
        const QString cut =
            column.definedSize > 0 ? TextLength::left(text, column.definedSize) : text;
        result.value = cut.isEmpty() ? Variant::null() : Variant(cut);
        return result;
    }
    case TypeCategory::Date: {
        bool valid = false;
        const Variant date = DateText::ParseDbDate(text, &valid);
        if (!valid)
            result.value = Variant::null();
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
        // Its text is all the form knows of it; the engine reads it back.
        result.value = text.isEmpty() ? Variant::null() : Variant(text);
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
            return QString::number(value.toInt64());
        break;
    case TypeCategory::Fractional:
        if (value.isFloating())
            return floatingText(value.toDouble());
        if (value.type() == Variant::Type::Decimal)
            return eightPlaces(value.decimalText());
        if (value.isInteger()) // SQLite keeps whole numbers of a REAL column as such
            return eightPlaces(QString::number(value.toInt64()));
        break;
    case TypeCategory::Text:
        return value.toString();
    case TypeCategory::Date:
        if (value.type() == Variant::Type::Date)
            return DateText::FormatDate(value);
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
