// What a user types into a field: FieldFormat's reading of every kind
// (numbers, dates, dates with times, times, texts) and the record text's
// date readers ParseDbDate ("y-m-d") and ParseDate ("d.m.y").
//
// Properties: none throws or crashes; a number that is taken is digits, a
// sign and a decimal point alone (one literal, nothing else), within the
// field's range and digits; a date is a day the calendar has, within the
// years 100 to 9999; the normal form shown for a reading reads as the same
// value again, and so does the value itself as a record value.
#include "FuzzSupport.h"

#include "data/DateText.h"
#include "platform/FieldFormat.h"

#include <QDate>
#include <QRegularExpression>

#include <limits>

namespace {

void checkDay(const QDate &day, const char *reader, const QString &input)
{
    fuzz::check(day.isValid() && day.year() >= 100 && day.year() <= 9999,
                "an accepted date is a day of the years 100 to 9999",
                QString::fromLatin1(reader) + QStringLiteral(": ") + input);
    const QString shown = DateText::FormatDate(Variant::fromDate(day));
    const Variant typed = DateText::ParseDate(shown);
    fuzz::check(!typed.isNull() && typed.toDate() == day, "the shown date reads back",
                input + QStringLiteral(" -> ") + shown);
}

FieldFormat formatNumbered(int number)
{
    switch (number % 7) {
    case 0:
        return FieldFormat::decimal(10, 2);
    case 1:
        return FieldFormat::wholeNumber(std::numeric_limits<qint32>::min(),
                                        std::numeric_limits<qint32>::max());
    case 2:
        return FieldFormat::dateTime();
    case 3:
        return FieldFormat::time();
    case 4:
        return FieldFormat::decimal(0, -1, 15);
    case 5:
        return FieldFormat::date();
    default:
        return FieldFormat::text(8, QStringLiteral("\r\n"));
    }
}

void checkReading(const FieldFormat &format, const QString &input, const QDate &today)
{
    const FieldFormat::Reading reading = format.read(input, today);
    if (!reading.ok) {
        fuzz::check(!reading.problem.isEmpty(), "a refusal says what the field expects", input);
        return;
    }
    static const QRegularExpression literal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (format.kind() == FieldFormat::Kind::Decimal ||
        format.kind() == FieldFormat::Kind::WholeNumber)
        fuzz::check(reading.value.isEmpty() || literal.match(reading.value).hasMatch(),
                    "a number taken is one plain literal",
                    input + QStringLiteral(" -> ") + reading.value);
    if (format.kind() == FieldFormat::Kind::Text)
        return;
    const FieldFormat::Reading again = format.read(reading.shown, today);
    fuzz::check(again.ok && again.value == reading.value, "the normal form reads as the same value",
                input + QStringLiteral(" -> ") + reading.shown);
    const FieldFormat::Reading stored = format.readValue(reading.value);
    fuzz::check(stored.ok && stored.value == reading.value,
                "the value reads back as a record value", reading.value);
    fuzz::check(format.show(reading.value) == reading.shown, "the value shows as its normal form",
                reading.value + QStringLiteral(" -> ") + format.show(reading.value));
    if (format.kind() == FieldFormat::Kind::Date && !reading.value.isEmpty()) {
        bool valid = false;
        const Variant written = DateText::ParseDbDate(reading.value, &valid);
        fuzz::check(valid, "a date taken is one the records read", reading.value);
        if (valid)
            checkDay(written.toDate(), "FieldFormat", input);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return -1;
    // The first byte chooses the field, the second gives the year of
    // "today" (any year: the clock is no input a user controls, but the
    // window of two-digit years must hold for every one).
    int kind = 0;
    int thisYear = 2026;
    if (size >= 2) {
        kind = data[0];
        thisYear = 1900 + data[1] * 2;
        data += 2;
        size -= 2;
    }
    const QString input = fuzz::text(data, size);
    checkReading(formatNumbered(kind), input, QDate(thisYear, 6, 15));

    bool valid = true;
    const Variant db = DateText::ParseDbDate(input, &valid);
    fuzz::check(valid == !db.isNull(), "ParseDbDate's flag matches its value", input);
    if (valid)
        checkDay(db.toDate(), "ParseDbDate", input);
    const Variant typed = DateText::ParseDate(input);
    if (!typed.isNull())
        checkDay(typed.toDate(), "ParseDate", input);
    return 0;
}
