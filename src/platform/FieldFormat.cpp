#include "platform/FieldFormat.h"

#include "platform/TextLength.h"

#include <QRegularExpression>
#include <QTime>

#include <limits>
#include <optional>

namespace {

// --- numbers --------------------------------------------------------------------

// A number as digits: the integer part without leading zeros ("" for 0),
// the fraction without trailing zeros.
struct Digits
{
    bool negative = false;
    QString integer;
    QString fraction;

    bool isZero() const { return integer.isEmpty() && fraction.isEmpty(); }
};

Digits normalised(bool negative, QString integer, QString fraction)
{
    qsizetype lead = 0;
    while (lead < integer.size() && integer.at(lead) == QLatin1Char('0'))
        ++lead;
    integer.remove(0, lead);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    Digits digits{negative, integer, fraction};
    if (digits.isZero())
        digits.negative = false; // no "-0"
    return digits;
}

// What a German user types: a sign, digits with "." between groups of three
// (or none), a decimal comma. Blanks around it are allowed, none inside.
std::optional<Digits> typedNumber(const QString &text, bool fractionAllowed)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([+-]?)([0-9]+|[0-9]{1,3}(?:\\.[0-9]{3})+)?(,([0-9]*))?$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const bool comma = match.capturedLength(3) > 0;
    if (comma && !fractionAllowed)
        return std::nullopt;
    const QString integer = match.captured(2).remove(QLatin1Char('.'));
    const QString fraction = match.captured(4);
    if (integer.isEmpty() && fraction.isEmpty())
        return std::nullopt; // a sign or a comma alone
    return normalised(match.captured(1) == QLatin1String("-"), integer, fraction);
}

// A record value: digits with a decimal point (or comma), perhaps signed.
// Reads texts the records write, by hand: they come with every record
// shown, and a regular expression per field and record costs more than the
// rest of showing it.
class Scanner
{
public:
    explicit Scanner(QStringView text) : m_text(text.trimmed()) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    bool accept(QChar c)
    {
        if (atEnd() || m_text.at(m_pos) != c)
            return false;
        ++m_pos;
        return true;
    }
    bool acceptAny(QLatin1String set)
    {
        if (atEnd() || !set.contains(m_text.at(m_pos)))
            return false;
        ++m_pos;
        return true;
    }
    // Between least and most digits (most 0: any number of them).
    QStringView digits(qsizetype least, qsizetype most = 0)
    {
        const qsizetype start = m_pos;
        while (!atEnd() && (most == 0 || m_pos - start < most) &&
               m_text.at(m_pos) >= QLatin1Char('0') && m_text.at(m_pos) <= QLatin1Char('9'))
            ++m_pos;
        if (m_pos - start < least) {
            m_pos = start;
            return QStringView();
        }
        return m_text.mid(start, m_pos - start);
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

// A record value: digits with a decimal point (or comma), perhaps signed.
std::optional<Digits> recordNumber(const QString &text)
{
    Scanner scan(text);
    bool negative = scan.accept(QLatin1Char('-'));
    if (!negative)
        scan.accept(QLatin1Char('+'));
    const QStringView integer = scan.digits(0);
    QStringView fraction;
    if (scan.acceptAny(QLatin1String(".,")))
        fraction = scan.digits(0);
    if (!scan.atEnd() || (integer.isEmpty() && fraction.isEmpty()))
        return std::nullopt;
    return normalised(negative, integer.toString(), fraction.toString());
}

// Digits from the first that is not 0 to the last that is not 0: 0,00125
// has three, 1200 four (a floating-point number keeps that many exactly).
qsizetype significantDigits(const Digits &digits)
{
    if (!digits.integer.isEmpty())
        return digits.integer.size() + digits.fraction.size();
    qsizetype lead = 0;
    while (lead < digits.fraction.size() && digits.fraction.at(lead) == QLatin1Char('0'))
        ++lead;
    return digits.fraction.size() - lead;
}

QString recordText(const Digits &digits)
{
    QString text = digits.negative ? QStringLiteral("-") : QString();
    text += digits.integer.isEmpty() ? QStringLiteral("0") : digits.integer;
    if (!digits.fraction.isEmpty())
        text += QLatin1Char('.') + digits.fraction;
    return text;
}

// The digits with exactly places decimals, rounded half away from zero.
Digits rounded(Digits digits, int places)
{
    QString integer = digits.integer.isEmpty() ? QStringLiteral("0") : digits.integer;
    QString fraction = digits.fraction;
    if (fraction.size() <= places) {
        fraction += QString(places - fraction.size(), QLatin1Char('0'));
    } else {
        const bool up = fraction.at(places) >= QLatin1Char('5');
        fraction.truncate(places);
        if (up) {
            QString all = integer + fraction;
            qsizetype i = all.size() - 1;
            for (; i >= 0 && all.at(i) == QLatin1Char('9'); --i)
                all[i] = QLatin1Char('0');
            if (i < 0)
                all.prepend(QLatin1Char('1'));
            else
                all[i] = QChar(all.at(i).unicode() + 1);
            integer = all.left(all.size() - places);
            fraction = all.right(places);
        }
    }
    const bool zero = !std::any_of(integer.begin(), integer.end(), [](QChar c) {
        return c != QLatin1Char('0');
    }) && !std::any_of(fraction.begin(), fraction.end(), [](QChar c) {
        return c != QLatin1Char('0');
    });
    return Digits{digits.negative && !zero, integer, fraction};
}

QString shownNumber(const Digits &digits, int scale)
{
    if (scale >= 0) {
        const Digits exact = rounded(digits, scale);
        QString text = exact.negative ? QStringLiteral("-") : QString();
        text += exact.integer;
        if (scale > 0)
            text += QLatin1Char(',') + exact.fraction;
        return text;
    }
    QString text = digits.negative ? QStringLiteral("-") : QString();
    text += digits.integer.isEmpty() ? QStringLiteral("0") : digits.integer;
    text += QLatin1Char(',') + (digits.fraction.isEmpty() ? QStringLiteral("0") : digits.fraction);
    return text;
}

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

// --- dates and times ------------------------------------------------------------------

QString shownDate(const QDate &date)
{
    return QStringLiteral("%1.%2.%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString shownTime(const QTime &time)
{
    return time.toString(time.second() ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
}

QString recordDate(const QDate &date)
{
    return QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day());
}

QString recordTime(const QTime &time)
{
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

bool inCalendar(int year, int month, int day)
{
    return year >= 100 && year <= 9999 && QDate(year, month, day).isValid();
}

// A record value's day and time: "07.03.2021", "07.03.2021 14:30:00.123",
// "2021-3-7 14:30:00" (the time is midnight where none is given).
bool recordDateTime(const QString &text, QDate *date, QTime *time)
{
    Scanner scan(text);
    int day = 0;
    int month = 0;
    int year = 0;
    const QStringView first = scan.digits(1, 4);
    if (first.size() <= 2 && scan.accept(QLatin1Char('.'))) {
        day = first.toInt();
        month = scan.digits(1, 2).toInt();
        if (!scan.accept(QLatin1Char('.')))
            return false;
        year = scan.digits(1, 4).toInt();
    } else if (!first.isEmpty() && scan.accept(QLatin1Char('-'))) {
        year = first.toInt();
        month = scan.digits(1, 2).toInt();
        if (!scan.accept(QLatin1Char('-')))
            return false;
        day = scan.digits(1, 2).toInt();
    } else {
        return false;
    }
    if (!inCalendar(year, month, day))
        return false;
    *date = QDate(year, month, day);
    *time = QTime(0, 0);
    if (scan.atEnd())
        return true;
    if (!scan.acceptAny(QLatin1String(" T")))
        return false;
    const QStringView hour = scan.digits(1, 2);
    if (hour.isEmpty() || !scan.accept(QLatin1Char(':')))
        return false;
    const QStringView minute = scan.digits(2, 2);
    QStringView second;
    QString fraction;
    if (!minute.isEmpty() && scan.accept(QLatin1Char(':'))) {
        second = scan.digits(2, 2);
        if (scan.acceptAny(QLatin1String(".,")))
            fraction = scan.digits(1).toString();
    }
    if (minute.isEmpty() || !scan.atEnd())
        return false;
    const int ms = (fraction + QStringLiteral("000")).left(3).toInt();
    *time = QTime(hour.toInt(), minute.toInt(), second.isEmpty() ? 0 : second.toInt(), ms);
    return time->isValid();
}

// The year a two-digit year means: within 80 years back and 19 ahead.
int expandedYear(int twoDigits, int thisYear)
{
    const int earliest = thisYear - 80;
    int year = earliest - earliest % 100 + twoDigits;
    if (year < earliest)
        year += 100;
    return year;
}

struct TypedDate
{
    bool read = false;   // the text has the form of a date
    bool exists = false; // and the calendar has that day
    int day = 0, month = 0, year = 0;
};

TypedDate typedDate(QString text, const QDate &today)
{
    TypedDate result;
    text = text.trimmed().toLower();
    if (text == QLatin1String("h") || text == QLatin1String("heute")) {
        result = {true, true, today.day(), today.month(), today.year()};
        return result;
    }
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression points(
        QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})(?:\\.([0-9]*))?$"));
    static const QRegularExpression compact(
        QStringLiteral("^([0-9]{2})([0-9]{2})([0-9]{2}|[0-9]{4})$"));
    QRegularExpressionMatch match = points.match(text);
    if (!match.hasMatch())
        match = compact.match(text);
    if (!match.hasMatch())
        return result;
    const QString year = match.captured(3);
    if (!year.isEmpty() && year.size() != 2 && year.size() != 4)
        return result;
    result.read = true;
    result.day = match.captured(1).toInt();
    result.month = match.captured(2).toInt();
    result.year = year.isEmpty()     ? today.year()
                  : year.size() == 2 ? expandedYear(year.toInt(), today.year())
                                     : year.toInt();
    result.exists = inCalendar(result.year, result.month, result.day);
    return result;
}

// "9", "9:15", "09:15:30", "0915", with a zone where the column keeps one;
// with fraction also the fraction of a second a stored time may have (a
// user types none: the field would not show it).
bool typedTime(const QString &text, QTime *time, QString *zone, bool fraction)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{1,2})(?::([0-9]{2})(?::([0-9]{2})(?:[.,]([0-9]{1,6}))?)?)?"
                       "\\s*([+-][0-9]{2}(?::?[0-9]{2})?)?$"));
    static const QRegularExpression compact(QStringLiteral("^([0-9]{2})([0-9]{2})$"));
    const QString trimmed = text.trimmed();
    QRegularExpressionMatch match = compact.match(trimmed);
    const bool four = match.hasMatch();
    if (!four)
        match = pattern.match(trimmed);
    if (!match.hasMatch() || (!fraction && match.capturedLength(4) > 0))
        return false;
    const int ms = four ? 0 : (match.captured(4) + QStringLiteral("000")).left(3).toInt();
    *time = QTime(match.captured(1).toInt(), match.captured(2).toInt(),
                  four ? 0 : match.captured(3).toInt(), ms);
    *zone = four ? QString() : match.captured(5);
    return time->isValid();
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
