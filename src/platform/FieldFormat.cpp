#include "platform/FieldFormat.h"

#include "platform/GermanValues.h"
#include "platform/TextLength.h"

#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

using namespace GermanValues;

// "-1.234,5" as typed with separators: the room a number of that many
// integer digits takes.
int typedWidth(int integerDigits, int scale, bool sign)
{
    return (sign ? 1 : 0) + integerDigits + (integerDigits - 1) / 3 + (scale > 0 ? 1 + scale : 0);
}

int decimalDigits(qint64 value)
{
    return value == std::numeric_limits<qint64>::min()
               ? 19
               : int(QString::number(value < 0 ? -value : value).size());
}

QString impossibleDay(const TypedDate &date)
{
    return QStringLiteral(": den %1.%2.%3 gibt es nicht")
        .arg(date.day, 2, 10, QLatin1Char('0'))
        .arg(date.month, 2, 10, QLatin1Char('0'))
        .arg(date.year, 4, 10, QLatin1Char('0'));
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "-12", "0", "1234": a whole number as the database gives it, shown as it
// is (reading its digits the general way was a tenth of the time of
// exporting many records).
bool isPlainWholeNumber(const QString &text)
{
    const qsizetype first = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (first >= text.size() || (text.at(first) == QLatin1Char('0') && text.size() > 1))
        return false;
    return std::all_of(text.begin() + first, text.end(), isDigit);
}

} // namespace

FieldFormat FieldFormat::text(int maxLength, const QString &lineBreak)
{
    FieldFormat format;
    format.m_maxLength = qMax(0, maxLength);
    format.m_lineBreak = lineBreak;
    return format;
}

FieldFormat FieldFormat::wholeNumber(qint64 minimum, qint64 maximum)
{
    FieldFormat format;
    format.m_kind = Kind::WholeNumber;
    format.m_minimum = minimum;
    format.m_maximum = maximum;
    format.m_scale = 0;
    return format;
}

FieldFormat FieldFormat::decimal(int integerDigits, int scale, int significant)
{
    FieldFormat format;
    format.m_kind = Kind::Decimal;
    format.m_integerDigits = qMax(0, integerDigits);
    format.m_scale = qMax(-1, scale);
    format.m_significant = qMax(0, significant);
    return format;
}

FieldFormat FieldFormat::date()
{
    FieldFormat format;
    format.m_kind = Kind::Date;
    return format;
}

FieldFormat FieldFormat::dateTime()
{
    FieldFormat format;
    format.m_kind = Kind::DateTime;
    return format;
}

FieldFormat FieldFormat::time()
{
    FieldFormat format;
    format.m_kind = Kind::Time;
    return format;
}

QString FieldFormat::show(const QString &recordValue) const
{
    if (recordValue.isEmpty())
        return QString();
    switch (m_kind) {
    case Kind::Text:
        return recordValue;
    case Kind::WholeNumber:
    case Kind::Decimal: {
        if (m_kind == Kind::WholeNumber && isPlainWholeNumber(recordValue))
            return recordValue;
        const std::optional<Digits> digits = recordNumber(recordValue);
        // NaN, Infinity, a text the column holds, a fraction in a column of
        // whole numbers: shown as they are, never rounded out of sight.
        if (!digits || (m_kind == Kind::WholeNumber && !digits->fraction.isEmpty()))
            return recordValue;
        return shownNumber(*digits, m_kind == Kind::WholeNumber ? 0 : m_scale);
    }
    case Kind::Date:
    case Kind::DateTime: {
        QDate date;
        QTime time;
        if (!recordDateTime(recordValue, &date, &time))
            return recordValue;
        return m_kind == Kind::Date ? shownDate(date)
                                    : shownDate(date) + QLatin1Char(' ') + shownTime(time);
    }
    case Kind::Time: {
        QTime time;
        QString zone;
        if (!typedTime(recordValue, &time, &zone, true))
            return recordValue;
        return shownTime(time) + zone;
    }
    }
    return recordValue;
}

FieldFormat::Reading FieldFormat::read(const QString &typed, const QDate &today,
                                       const QString &before) const
{
    return readText(typed, true, today, before);
}

FieldFormat::Reading FieldFormat::readValue(const QString &recordValue, const QString &before) const
{
    return readText(recordValue, false, QDate(), before);
}

FieldFormat::Reading FieldFormat::readText(const QString &text, bool typed, const QDate &today,
                                           const QString &before) const
{
    Reading reading;
    if (m_kind != Kind::Text && text.trimmed().isEmpty()) {
        reading.ok = true; // an emptied field: no value
        return reading;
    }
    switch (m_kind) {
    case Kind::Text: {
        // The length as the engine counts it, with line breaks as stored.
        const qsizetype breaks = typed ? text.count(QLatin1Char('\n')) : 0;
        const qsizetype length = TextLength::characters(text) + breaks * (m_lineBreak.size() - 1);
        if (m_maxLength > 0 && length > m_maxLength) {
            reading.problem = QStringLiteral("nimmt höchstens %1 Zeichen auf; der Text hat %2")
                                  .arg(m_maxLength)
                                  .arg(length);
            return reading;
        }
        reading = {true, text, text, QString()};
        return reading;
    }
    case Kind::WholeNumber: {
        static const QRegularExpression plain(QStringLiteral("^\\s*([+-]?)([0-9]+)\\s*$"));
        std::optional<Digits> digits;
        if (typed) {
            digits = typedNumber(text, false);
        } else if (const QRegularExpressionMatch match = plain.match(text); match.hasMatch()) {
            digits =
                normalised(match.captured(1) == QLatin1String("-"), match.captured(2), QString());
        }
        bool inRange = false;
        qint64 number = 0;
        if (digits && digits->integer.size() <= 19) {
            number = recordText(*digits).toLongLong(&inRange);
            inRange = inRange && number >= m_minimum && number <= m_maximum;
        }
        if (!inRange) {
            reading.problem = QStringLiteral("erwartet eine ganze Zahl von %1 bis %2")
                                  .arg(m_minimum)
                                  .arg(m_maximum);
            return reading;
        }
        reading.ok = true;
        reading.value = QString::number(number);
        reading.shown = reading.value;
        return reading;
    }
    case Kind::Decimal: {
        const std::optional<Digits> digits = typed ? typedNumber(text, true) : recordNumber(text);
        if (!typed && !digits && m_significant > 0) {
            // A floating-point column also holds what has no digits to
            // count: an exponent, NaN, the infinities.
            bool ok = false;
            (void)text.trimmed().toDouble(&ok);
            if (ok) {
                reading = {true, text.trimmed(), text.trimmed(), QString()};
                return reading;
            }
        }
        if (!digits || (m_integerDigits > 0 && digits->integer.size() > m_integerDigits) ||
            (m_scale >= 0 && digits->fraction.size() > m_scale) ||
            (m_significant > 0 && significantDigits(*digits) > m_significant)) {
            reading.problem = numberProblem();
            if (!digits && typed)
                reading.problem += QStringLiteral(" (mit Dezimalkomma; ein Punkt trennt nur "
                                                  "Tausender)");
            return reading;
        }
        reading.ok = true;
        reading.value = recordText(*digits);
        reading.shown = shownNumber(*digits, m_scale);
        return reading;
    }
    case Kind::Date:
    case Kind::DateTime:
        return typed ? readTypedDate(text, today, before) : readRecordDate(text, before);
    case Kind::Time: {
        QTime time;
        QString zone;
        if (!typedTime(text, &time, &zone, !typed)) {
            reading.problem = QStringLiteral("erwartet eine Uhrzeit wie 14:30 oder 14:30:15");
            return reading;
        }
        reading.ok = true;
        reading.value = recordTime(time) + zone;
        reading.shown = shownTime(time) + zone;
        // The time as it was shown stays as stored, with the fraction of a
        // second the field does not show.
        QTime beforeTime;
        QString beforeZone;
        if (typedTime(before, &beforeTime, &beforeZone, true) &&
            shownTime(beforeTime) + beforeZone == reading.shown)
            reading.value = before.trimmed();
        return reading;
    }
    }
    return reading;
}

QString FieldFormat::numberProblem() const
{
    const QString example =
        m_scale == 0 ? QStringLiteral("1234")
                     : QStringLiteral("1234,") +
                           QStringLiteral("5678").left(m_scale > 0 ? qMin(m_scale, 4) : 2);
    if (m_integerDigits > 0 && m_scale == 0)
        return QStringLiteral("erwartet eine ganze Zahl mit höchstens %1 Stellen")
            .arg(m_integerDigits);
    if (m_integerDigits > 0)
        return QStringLiteral("erwartet eine Zahl mit höchstens %1 Stellen vor und %2 nach dem "
                              "Komma, zum Beispiel %3")
            .arg(m_integerDigits)
            .arg(m_scale)
            .arg(example);
    if (m_scale >= 0)
        return QStringLiteral("erwartet eine Zahl mit höchstens %1 Stellen nach dem Komma, zum "
                              "Beispiel %2")
            .arg(m_scale)
            .arg(example);
    if (m_significant > 0)
        return QStringLiteral(
                   "erwartet eine Zahl mit höchstens %1 gültigen Stellen, zum Beispiel %2")
            .arg(m_significant)
            .arg(example);
    return QStringLiteral("erwartet eine Zahl wie %1").arg(example);
}

QString FieldFormat::dateProblem() const
{
    return m_kind == Kind::Date
               ? QStringLiteral("erwartet ein Datum wie 31.12.2024 (Tag.Monat.Jahr)")
               : QStringLiteral("erwartet ein Datum mit Uhrzeit wie 31.12.2024 14:30");
}

FieldFormat::Reading FieldFormat::dateReading(const QDate &day, const QTime &time) const
{
    Reading reading;
    reading.ok = true;
    if (m_kind == Kind::Date) {
        reading.value = recordDate(day);
        reading.shown = shownDate(day);
    } else {
        reading.value = recordDate(day) + QLatin1Char(' ') + recordTime(time);
        reading.shown = shownDate(day) + QLatin1Char(' ') + shownTime(time);
    }
    return reading;
}

FieldFormat::Reading FieldFormat::readTypedDate(const QString &text, const QDate &today,
                                                const QString &before) const
{
    QString datePart = text.trimmed();
    QString timePart;
    if (m_kind == Kind::DateTime) {
        const qsizetype blank = datePart.indexOf(QLatin1Char(' '));
        if (blank > 0) {
            timePart = datePart.mid(blank + 1);
            datePart.truncate(blank);
        }
    }
    const TypedDate date = typedDate(datePart, today);
    QTime time(0, 0);
    QString zone;
    bool timeRead = true;
    QDate beforeDate;
    QTime beforeTime;
    const bool hadTime =
        m_kind == Kind::DateTime && recordDateTime(before, &beforeDate, &beforeTime);
    if (!timePart.trimmed().isEmpty()) {
        timeRead = typedTime(timePart, &time, &zone, false) && zone.isEmpty();
        // The time as it was shown: it stays exactly as stored, with the
        // fraction of a second the field does not show.
        if (timeRead && hadTime && shownTime(time) == shownTime(beforeTime))
            time = beforeTime;
    } else if (hadTime) {
        time = beforeTime; // only a day typed: the time of day stays
    }
    if (!date.exists || !timeRead) {
        Reading reading;
        reading.problem = dateProblem();
        if (date.read && !date.exists)
            reading.problem += impossibleDay(date);
        return reading;
    }
    return dateReading(QDate(date.year, date.month, date.day), time);
}

FieldFormat::Reading FieldFormat::readRecordDate(const QString &text, const QString &before) const
{
    QDate day;
    QTime time;
    if (!recordDateTime(text, &day, &time)) {
        Reading reading;
        reading.problem = dateProblem();
        return reading;
    }
    // A record value without a time of day keeps the one the field held.
    static const QRegularExpression withTime(QStringLiteral("[ T][0-9]{1,2}:"));
    QDate beforeDate;
    QTime beforeTime;
    if (m_kind == Kind::DateTime && !withTime.match(text).hasMatch() &&
        recordDateTime(before, &beforeDate, &beforeTime))
        time = beforeTime;
    return dateReading(day, m_kind == Kind::Date ? QTime(0, 0) : time);
}

int FieldFormat::typingLimit() const
{
    switch (m_kind) {
    case Kind::Text:
        return m_maxLength;
    case Kind::WholeNumber:
        return qMax(typedWidth(decimalDigits(m_minimum), 0, m_minimum < 0),
                    typedWidth(decimalDigits(m_maximum), 0, m_maximum < 0));
    case Kind::Decimal:
        return m_integerDigits > 0 && m_scale >= 0 ? typedWidth(m_integerDigits, m_scale, true) : 0;
    case Kind::Date:
        return 10; // "31.12.2024"
    case Kind::DateTime:
        return 19; // "31.12.2024 14:30:15"
    case Kind::Time:
        return 14; // "14:30:15+05:30"
    }
    return 0;
}

bool FieldFormat::acceptsCharacter(QChar c) const
{
    switch (m_kind) {
    case Kind::Text:
        return true;
    case Kind::WholeNumber:
    case Kind::Decimal:
        return isDigit(c) || QStringLiteral("+-.,").contains(c);
    case Kind::Date:
        return isDigit(c) || QStringLiteral(".,heutHEUT").contains(c);
    case Kind::DateTime:
        return isDigit(c) || QStringLiteral(".,: heutHEUT").contains(c);
    case Kind::Time:
        return isDigit(c) || QStringLiteral(":.,+-").contains(c);
    }
    return true;
}
