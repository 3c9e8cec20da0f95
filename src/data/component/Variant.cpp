#include "data/component/Variant.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

const QDate kOleEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

// Normalised decimal digits: optional "-", no leading zeros, no trailing
// fraction zeros, "0" for zero. Equal numbers give equal text.
QString normaliseDecimal(const QString &text, bool *ok)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([+-]?)(\\d*)(?:\\.(\\d*))?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || (match.capturedLength(2) == 0 && match.capturedLength(3) == 0)) {
        *ok = false;
        return {};
    }
    QString whole = match.captured(2);
    QString fraction = match.captured(3);
    while (whole.size() > 1 && whole.front() == QLatin1Char('0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    while (!fraction.isEmpty() && fraction.back() == QLatin1Char('0'))
        fraction.chop(1);
    QString result = whole;
    if (!fraction.isEmpty())
        result += QLatin1Char('.') + fraction;
    if (match.captured(1) == QLatin1String("-") && result != QLatin1String("0"))
        result.prepend(QLatin1Char('-'));
    *ok = true;
    return result;
}

bool roundToInt64(double value, qint64 *out)
{
    if (!std::isfinite(value))
        return false;
    const double rounded = std::nearbyint(value); // half to even, as variant coercion does
    // 2^63 itself is the first double that does not fit.
    if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0)
        return false;
    *out = qint64(rounded);
    return true;
}

QString floatingText(double value, int precision)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    return precision == 4 ? QString::number(float(value), 'g', QLocale::FloatingPointShortest)
                          : QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

Variant Variant::null()
{
    return Variant(Type::Null, std::monostate{});
}

Variant Variant::machineInt(int value)
{
    return Variant(Type::Int, qint64(value));
}

Variant Variant::wholeNumber(qint64 value, bool small)
{
    if (small && value >= std::numeric_limits<qint16>::min() &&
        value <= std::numeric_limits<qint16>::max())
        return Variant(qint16(value));
    if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max())
        return Variant(qint32(value));
    return Variant(value);
}

Variant Variant::decimal(const QString &text)
{
    bool ok = false;
    const QString digits = normaliseDecimal(text, &ok);
    if (!ok)
        return Variant();
    return Variant(Type::Decimal, digits);
}

Variant Variant::decimal(double value)
{
    if (!std::isfinite(value))
        return Variant();
    // 15 significant digits is what a double holds for certain; 'f' keeps
    // the text free of exponents.
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e')))
        text = QString::number(value, 'f', 6);
    return decimal(text);
}

Variant Variant::date(double oleDays)
{
    return Variant(Type::Date, oleDays);
}

Variant Variant::fromDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return Variant();
    return date(oleFromDateTime(dateTime));
}

Variant Variant::fromDate(const QDate &date)
{
    if (!date.isValid())
        return Variant();
    return Variant::date(oleFromParts(date, QTime(0, 0)));
}

Variant Variant::fromDateAndTime(const QDate &date, const QTime &time)
{
    if (!date.isValid() || !time.isValid())
        return Variant();
    return Variant::date(oleFromParts(date, time));
}

// Dates are wall-clock values: no time zone takes part, which also keeps
// the conversions away from the C library's time-zone lookups.
double Variant::oleFromParts(const QDate &date, const QTime &time)
{
    const double days = double(kOleEpoch.daysTo(date));
    const double fraction = time.msecsSinceStartOfDay() / kMsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

double Variant::oleFromDateTime(const QDateTime &dateTime)
{
    return oleFromParts(dateTime.date(), dateTime.time());
}

void Variant::partsFromOle(double oleDays, QDate *date, QTime *time)
{
    if (!std::isfinite(oleDays) || std::fabs(oleDays) > 3.0e6) {
        *date = QDate();
        *time = QTime();
        return;
    }
    const double wholeDays = std::trunc(oleDays);
    qint64 ms = qint64(std::llround(std::fabs(oleDays - wholeDays) * kMsPerDay));
    qint64 day = qint64(wholeDays);
    if (ms >= qint64(kMsPerDay)) { // rounding reached the next midnight
        ms -= qint64(kMsPerDay);
        day += oleDays >= 0 ? 1 : -1;
    }
    *date = kOleEpoch.addDays(day);
    *time = QTime::fromMSecsSinceStartOfDay(int(ms));
}

QDateTime Variant::dateTimeFromOle(double oleDays)
{
    QDate date;
    QTime time;
    partsFromOle(oleDays, &date, &time);
    if (!date.isValid())
        return {};
    return QDateTime(date, time);
}

QDate Variant::toDate() const
{
    if (m_type != Type::Date)
        return {};
    QDate date;
    QTime time;
    partsFromOle(std::get<double>(m_data), &date, &time);
    return date;
}

qint32 Variant::toInt32(bool *ok) const
{
    bool converted = false;
    const qint64 wide = toInt64(&converted);
    converted = converted && wide >= std::numeric_limits<qint32>::min() &&
                wide <= std::numeric_limits<qint32>::max();
    if (ok)
        *ok = converted;
    return converted ? qint32(wide) : 0;
}

qint64 Variant::toInt64(bool *ok) const
{
    bool converted = false;
    qint64 result = 0;
    if (isInteger()) {
        result = std::get<qint64>(m_data);
        converted = true;
    } else if (m_type == Type::Text || m_type == Type::Decimal) {
        result = std::get<QString>(m_data).trimmed().toLongLong(&converted);
    }
    if (!converted) {
        // Everything else goes through its number, rounded half to even.
        const double value = toDouble(&converted);
        converted = converted && roundToInt64(value, &result);
    }
    if (ok)
        *ok = converted;
    return converted ? result : 0;
}

double Variant::toDouble(bool *ok) const
{
    bool converted = false;
    double result = 0;
    switch (m_type) {
    case Type::I2:
    case Type::I4:
    case Type::Int:
    case Type::I8:
        result = double(std::get<qint64>(m_data));
        converted = true;
        break;
    case Type::R4:
    case Type::R8:
    case Type::Date:
        result = std::get<double>(m_data);
        converted = true;
        break;
    case Type::Decimal:
        result = std::get<QString>(m_data).toDouble(&converted);
        break;
    case Type::Bool:
        result = std::get<bool>(m_data) ? -1 : 0;
        converted = true;
        break;
    case Type::Text:
        result = std::get<QString>(m_data).trimmed().toDouble(&converted);
        break;
    case Type::Empty:
    case Type::Null:
        break;
    }
    if (ok)
        *ok = converted;
    return converted ? result : 0;
}

bool Variant::toBool() const
{
    if (m_type == Type::Bool)
        return std::get<bool>(m_data);
    if (m_type == Type::Text) {
        const QString text = std::get<QString>(m_data).trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return toDouble() != 0;
}

QString Variant::toString() const
{
    switch (m_type) {
    case Type::Empty:
    case Type::Null:
        return QString();
    case Type::I2:
    case Type::I4:
    case Type::Int:
    case Type::I8:
        return QString::number(std::get<qint64>(m_data));
    case Type::R4:
        return floatingText(std::get<double>(m_data), 4);
    case Type::R8:
        return floatingText(std::get<double>(m_data), 8);
    case Type::Decimal:
    case Type::Text:
        return std::get<QString>(m_data);
    case Type::Date: {
        QDate date;
        QTime time;
        partsFromOle(std::get<double>(m_data), &date, &time);
        if (time.msecsSinceStartOfDay() == 0)
            return date.toString(Qt::ISODate);
        return date.toString(Qt::ISODate) + QLatin1Char(' ') +
               time.toString(QStringLiteral("HH:mm:ss"));
    }
    case Type::Bool:
        return std::get<bool>(m_data) ? QStringLiteral("True") : QStringLiteral("False");
    }
    return QString();
}

QString Variant::decimalText() const
{
    return toString();
}

double Variant::dateValue() const
{
    return m_type == Type::Date ? std::get<double>(m_data) : 0.0;
}

QDateTime Variant::toDateTime() const
{
    if (m_type == Type::Date)
        return dateTimeFromOle(std::get<double>(m_data));
    return {};
}

bool operator==(const Variant &a, const Variant &b)
{
    if (a.m_type != b.m_type)
        return false;
    if (const double *x = std::get_if<double>(&a.m_data)) {
        const double y = std::get<double>(b.m_data);
        return *x == y || (std::isnan(*x) && std::isnan(y));
    }
    return a.m_data == b.m_data;
}

const char *variantTypeName(Variant::Type type)
{
    switch (type) {
    case Variant::Type::Empty:
        return "Empty";
    case Variant::Type::Null:
        return "Null";
    case Variant::Type::I2:
        return "I2";
    case Variant::Type::I4:
        return "I4";
    case Variant::Type::Int:
        return "Int";
    case Variant::Type::I8:
        return "I8";
    case Variant::Type::R4:
        return "R4";
    case Variant::Type::R8:
        return "R8";
    case Variant::Type::Decimal:
        return "Decimal";
    case Variant::Type::Date:
        return "Date";
    case Variant::Type::Text:
        return "Text";
    case Variant::Type::Bool:
        return "Bool";
    }
    return "?";
}
