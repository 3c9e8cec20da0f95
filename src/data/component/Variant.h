#ifndef QRT_DATA_COMPONENT_VARIANT_H
#define QRT_DATA_COMPONENT_VARIANT_H

#include "qrt_export.h"

#include <QDateTime>
#include <QString>

#include <variant>

// The value of a field: a type tag and a value, as the form layers expect them
// from the database component. The tags are the ones the conversions between
// form texts and columns distinguish; two values are equal when tag and value
// are equal.
//
// Whole numbers beyond 32 bits (bigint columns, their keys) are I8, as the
// platform's variant has them; every number that fits 32 bits keeps the
// narrower tag, so the form layers see I8 only where nothing else would do.
//
// Dates are OLE Automation day counts: days since 30 December 1899, the time
// of day as the fraction (for days before 1899 the fraction still counts
// forward from midnight, which is why the conversions below are not a plain
// multiplication). Decimals keep their exact digits as text, so a NUMERIC
// column round-trips without binary rounding.
//
// Equality is that of stored values, not of arithmetic: a NaN equals a NaN
// (a row holding NaN has not changed because NaN != NaN).
class QRT_EXPORT Variant
{
public:
    enum class Type { Empty, Null, I2, I4, Int, I8, R4, R8, Decimal, Date, Text, Bool };

    Variant() = default; // Empty
    Variant(qint16 value) : m_type(Type::I2), m_data(qint64(value)) {}
    Variant(qint32 value) : m_type(Type::I4), m_data(qint64(value)) {}
    Variant(qint64 value) : m_type(Type::I8), m_data(value) {}
    Variant(float value) : m_type(Type::R4), m_data(double(value)) {}
    Variant(double value) : m_type(Type::R8), m_data(value) {}
    Variant(bool value) : m_type(Type::Bool), m_data(value) {}
    Variant(const QString &text) : m_type(Type::Text), m_data(text) {}
    Variant(const char *) = delete; // say QStringLiteral: no guessing at encodings

    static Variant null();
    static Variant machineInt(int value); // the Int tag
    // I2 or I4 where the number fits them (I2 only when small is asked
    // for), I8 otherwise.
    static Variant wholeNumber(qint64 value, bool small = false);
    // An exact decimal from its text ("-12.50", "3e2" is refused): Empty when
    // the text is no decimal number.
    static Variant decimal(const QString &text);
    static Variant decimal(double value);
    static Variant date(double oleDays);
    static Variant fromDateTime(const QDateTime &dateTime); // local wall-clock time
    static Variant fromDate(const QDate &date);
    static Variant fromDateAndTime(const QDate &date, const QTime &time);

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Type::Empty; }
    bool isNull() const { return m_type == Type::Null; }
    bool isEmptyOrNull() const { return m_type == Type::Empty || m_type == Type::Null; }
    bool isInteger() const
    {
        return m_type == Type::I2 || m_type == Type::I4 || m_type == Type::Int ||
               m_type == Type::I8;
    }
    bool isFloating() const { return m_type == Type::R4 || m_type == Type::R8; }

    // Conversions in the manner of the platform's variant coercion: numbers
    // convert among each other (fractions round half to even), texts are read
    // as C-locale numbers, Bool is -1 or 0. *ok tells whether it worked;
    // Empty and Null never convert.
    qint32 toInt32(bool *ok = nullptr) const;
    qint64 toInt64(bool *ok = nullptr) const;
    double toDouble(bool *ok = nullptr) const;
    bool toBool() const;
    // Text form: integers "%d", floating numbers shortest round-trip with "."
    // (NaN, Infinity and -Infinity by name),
    // decimals their digits, dates ISO 8601 ("2021-03-07" or with the time),
    // Bool "True"/"False", Empty and Null "".
    QString toString() const;
    // The decimal's digits; for other numbers their text form.
    QString decimalText() const;
    double dateValue() const; // the OLE day count of a Date (0 otherwise)
    QDateTime toDateTime() const;
    QDate toDate() const; // the day of a Date (null otherwise)

    static double oleFromDateTime(const QDateTime &dateTime);
    static QDateTime dateTimeFromOle(double oleDays);
    static double oleFromParts(const QDate &date, const QTime &time);
    static void partsFromOle(double oleDays, QDate *date, QTime *time);

    friend bool operator==(const Variant &a, const Variant &b);
    friend bool operator!=(const Variant &a, const Variant &b) { return !(a == b); }

private:
    Variant(Type type, std::variant<std::monostate, qint64, double, bool, QString> data)
        : m_type(type), m_data(std::move(data))
    {}

    Type m_type = Type::Empty;
    // qint64 for I2/I4/Int/I8, double for R4/R8/Date, bool for Bool, QString
    // for Text and Decimal (normalised digits).
    std::variant<std::monostate, qint64, double, bool, QString> m_data;
};

QRT_EXPORT bool operator==(const Variant &a, const Variant &b);
QRT_EXPORT const char *variantTypeName(Variant::Type type);

#endif // QRT_DATA_COMPONENT_VARIANT_H
