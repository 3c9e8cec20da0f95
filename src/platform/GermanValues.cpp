#include "platform/GermanValues.h"

#include <QRegularExpression>

#include <algorithm>

namespace GermanValues {

namespace {

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

// The year a two-digit year means: within 80 years back and 19 ahead.
int expandedYear(int twoDigits, int thisYear)
{
    const int earliest = thisYear - 80;
    int year = earliest - earliest % 100 + twoDigits;
    if (year < earliest)
        year += 100;
    return year;
}

} // namespace

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

// --- dates and times ------------------------------------------------------------------

QString shownDate(const QDate &date)
{
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    if (year < 0 || year > 9999 || !date.isValid())
        return QStringLiteral("%1.%2.%3")
            .arg(day, 2, 10, QLatin1Char('0'))
            .arg(month, 2, 10, QLatin1Char('0'))
            .arg(year, 4, 10, QLatin1Char('0'));
    // Digit by digit: three calls of QString::arg were a fifth of the time
    // of an export of many dated records.
    const char16_t text[10] = {char16_t(u'0' + day / 10),
                               char16_t(u'0' + day % 10),
                               u'.',
                               char16_t(u'0' + month / 10),
                               char16_t(u'0' + month % 10),
                               u'.',
                               char16_t(u'0' + year / 1000),
                               char16_t(u'0' + year / 100 % 10),
                               char16_t(u'0' + year / 10 % 10),
                               char16_t(u'0' + year % 10)};
    return QString::fromUtf16(text, 10);
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

std::optional<bool> yesNoWord(const QString &text)
{
    static const QStringList yes = {
        QStringLiteral("true"), QStringLiteral("t"),  QStringLiteral("y"),  QStringLiteral("yes"),
        QStringLiteral("j"),    QStringLiteral("ja"), QStringLiteral("on"), QStringLiteral("wahr")};
    static const QStringList no = {QStringLiteral("false"), QStringLiteral("f"),
                                   QStringLiteral("n"),     QStringLiteral("no"),
                                   QStringLiteral("nein"),  QStringLiteral("off"),
                                   QStringLiteral("falsch")};
    const QString word = text.trimmed().toLower();
    if (yes.contains(word))
        return true;
    if (no.contains(word))
        return false;
    return std::nullopt;
}

} // namespace GermanValues
