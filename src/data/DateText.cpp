#include "data/DateText.h"

#include "platform/GermanValues.h"

#include <QDateTime>
#include <QTimeZone>

namespace {

// Reads up to three decimal integers separated by exactly sep, as the
// C library's "%d<sep>%d<sep>%d" does: leading blanks and a sign allowed,
// reading stops at the first mismatch. Fields not read stay 0.
int scanThree(const QString &text, QChar sep, int fields[3])
{
    fields[0] = fields[1] = fields[2] = 0;
    qsizetype pos = 0;
    int read = 0;
    for (int field = 0; field < 3; ++field) {
        if (field > 0) {
            if (pos >= text.size() || text.at(pos) != sep)
                break;
            ++pos;
        }
        while (pos < text.size() && text.at(pos).isSpace())
            ++pos;
        const qsizetype start = pos;
        if (pos < text.size() &&
            (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+')))
            ++pos;
        const qsizetype digits = pos;
        while (pos < text.size() && text.at(pos) >= QLatin1Char('0') &&
               text.at(pos) <= QLatin1Char('9'))
            ++pos;
        if (pos == digits)
            break;
        bool ok = false;
        const qlonglong value = text.mid(start, pos - start).toLongLong(&ok);
        fields[field] =
            ok ? int(qBound<qlonglong>(qlonglong(INT_MIN), value, qlonglong(INT_MAX))) : 0;
        ++read;
    }
    return read;
}

} // namespace

namespace DateText {

QString FormatDate(const Variant &date)
{
    bool ok = false;
    const double days = date.type() == Variant::Type::Date ? date.dateValue() : date.toDouble(&ok);
    if (date.type() != Variant::Type::Date && !ok)
        return QString();
    // The parts straight from the day count: a QDateTime in local time
    // would ask the C library for the time zone on every record shown.
    QDate day;
    QTime time;
    Variant::partsFromOle(days, &day, &time);
    if (!day.isValid())
        return QString();
    return GermanValues::shownDate(day);
}

Variant ParseDate(const QString &text)
{
    int fields[3];
    if (scanThree(text, QLatin1Char('.'), fields) < 3 ||
        !IsValidDate(fields[2], fields[1], fields[0]))
        return Variant::null();
    const QTime now = QDateTime::currentDateTimeUtc().time();
    return Variant::fromDateAndTime(QDate(fields[2], fields[1], fields[0]),
                                    QTime(now.hour(), now.minute(), now.second()));
}

Variant ParseDbDate(const QString &text, bool *valid)
{
    *valid = false;
    if (text.size() <= 4)
        return Variant::null();
    int fields[3];
    scanThree(text, QLatin1Char('-'), fields);
    if (!IsValidDate(fields[0], fields[1], fields[2]))
        return Variant::null();
    *valid = true;
    return Variant::fromDate(QDate(fields[0], fields[1], fields[2]));
}

bool IsValidDate(int year, int month, int day, int hour, int minute, int second)
{
    // The platform's date values run from the year 100 to 9999.
    if (year < 100 || year > 9999)
        return false;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return false;
    QDate backDate;
    QTime backTime;
    Variant::partsFromOle(Variant::oleFromParts(date, time), &backDate, &backTime);
    return backDate == date && backTime == time;
}

} // namespace DateText
