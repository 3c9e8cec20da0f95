#ifndef QRT_PLATFORM_FIELDFORMAT_H
#define QRT_PLATFORM_FIELDFORMAT_H

#include "qrt_export.h"

#include <QDate>
#include <QString>

// How a form field reads what a German user types, and how it shows a value.
//
// A value travels in two texts. The record value is what the record text
// carries between the records and the form: "1234.56", "2024-2-1",
// "2024-2-1 12:30:00" back from the form, "1234.56000000", "01.02.2024",
// "01.02.2024 12:30:00" towards it. The shown text is what the user reads
// and types: "1234,56", "01.02.2024 12:30".
//
// Reading is strict, so that nothing the user types is stored as something
// else: numbers take "." only as a thousands separator in groups of three
// and "," as the decimal comma ("1.234,56", "-1.234", ",5"), and anything
// else ("1,2,3", "1.23,4", "12-3", "1e5") is refused, as is a number beyond
// the column's range, digits or scale. Dates are day.month.year: a two-digit
// year lies in a window of 80 years back and 19 ahead of today ("1.2.24" is
// 2024, "3.4.99" 1999), a missing year is this year ("1.2."), six or eight
// digits without points are a date too ("010224"), "h" or "heute" is today,
// and a day the calendar does not have ("31.02.2024") is refused. A refusal
// says what the field expects, in words that end the sentence "Das Feld
// <Beschriftung> …".
//
// Numbers are shown without thousands separators and with the decimal comma;
// a column with a scale shows exactly that many decimals ("1960,60").
class QRT_EXPORT FieldFormat
{
public:
    enum class Kind {
        Text,
        WholeNumber,
        Decimal, // fixed-point and floating-point numbers
        Date,
        DateTime, // a date with its time of day
        Time,     // a time of day, perhaps with a zone ("13:45:00+02")
    };

    FieldFormat() = default; // free text of any length

    // maxLength: most characters (a line break counts as lineBreak has them);
    // 0: any. lineBreak: what a new line break is stored as.
    static FieldFormat text(int maxLength = 0, const QString &lineBreak = QStringLiteral("\n"));
    static FieldFormat wholeNumber(qint64 minimum, qint64 maximum);
    // integerDigits: most digits before the comma (0: any); scale: most
    // digits after it, and how many are shown (-1: any, shown without
    // trailing zeros but with one decimal, "12,0"); significant: most
    // significant digits in all, a floating-point column's precision (0: any).
    static FieldFormat decimal(int integerDigits, int scale, int significant = 0);
    static FieldFormat date();
    static FieldFormat dateTime();
    static FieldFormat time();

    [[nodiscard]] Kind kind() const { return m_kind; }
    [[nodiscard]] int scale() const { return m_scale; }
    [[nodiscard]] const QString &lineBreak() const { return m_lineBreak; }

    // What the field shows for a record value; "" for "". A value that is
    // none of the field's kind (a text where a number belongs) is shown as
    // it is, so that nothing stored is hidden.
    [[nodiscard]] QString show(const QString &recordValue) const;

    struct Reading
    {
        bool ok = false;
        QString value;   // the record value meant; "" for an emptied field
        QString shown;   // the field's normal form of it
        QString problem; // without ok: "erwartet ein Datum wie …"
    };
    // Reads what the user typed. today fills a missing year and places a
    // two-digit one; before is the record value the field held, whose time
    // of day a date-and-time field keeps when only a date is typed.
    [[nodiscard]] Reading read(const QString &typed, const QDate &today,
                               const QString &before = QString()) const;

    // Reads a record value as the form hands it to the records ("1234.5",
    // "2024-2-1 12:30:00", "07.03.2021"), with the same limits as typed text;
    // a date without a time of day keeps the time before held.
    [[nodiscard]] Reading readValue(const QString &recordValue,
                                    const QString &before = QString()) const;

    // The most characters any value takes as a user types it, thousands
    // separators included; 0: no limit.
    [[nodiscard]] int typingLimit() const;
    // Whether a typed character may go into the field at all. Characters
    // that could belong to a value pass, and read() judges the whole text:
    // a comma in a whole number is refused with a message, never dropped.
    [[nodiscard]] bool acceptsCharacter(QChar c) const;

private:
    Reading readText(const QString &text, bool typed, const QDate &today,
                     const QString &before) const;
    Reading readTypedDate(const QString &text, const QDate &today, const QString &before) const;
    Reading readRecordDate(const QString &text, const QString &before) const;
    Reading dateReading(const QDate &day, const QTime &time) const;
    QString numberProblem() const;
    QString dateProblem() const;

    Kind m_kind = Kind::Text;
    int m_maxLength = 0;
    QString m_lineBreak = QStringLiteral("\n");
    qint64 m_minimum = 0;
    qint64 m_maximum = 0;
    int m_integerDigits = 0;
    int m_scale = -1;
    int m_significant = 0;
};

#endif // QRT_PLATFORM_FIELDFORMAT_H
