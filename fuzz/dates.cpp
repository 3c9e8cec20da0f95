// The date readers on any text: ParseDbDate (the record text's "y-m-d"),
// ParseDate (typed "d.m.y") and the date field's ParseDateText.
//
// Properties: none throws or crashes; every date one of them accepts is a
// day the calendar has, within the years 100 to 9999, and survives its
// shown text: shown and read again, it is the same day.
#include "FuzzSupport.h"

#include "controls/CDynDateTime.h"
#include "data/DateText.h"

#include <QDate>

namespace {

void checkDay(const QDate &day, const char *reader, const QString &input)
{
    fuzz::check(day.isValid() && day.year() >= 100 && day.year() <= 9999,
                "an accepted date is a day of the years 100 to 9999",
                QString::fromLatin1(reader) + QStringLiteral(": ") + input);
    const QString shown = DateText::FormatDate(Variant::fromDate(day));
    fuzz::check(shown == CDynDateTime::FormatDateText(day), "both shown texts agree", shown);
    const Variant typed = DateText::ParseDate(shown);
    fuzz::check(!typed.isNull() && typed.toDate() == day, "the shown date reads back",
                input + QStringLiteral(" -> ") + shown);
    fuzz::check(CDynDateTime::ParseDateText(shown, 2000) == day,
                "the date field reads the shown date back", shown);
    bool valid = false;
    const Variant written = DateText::ParseDbDate(
        QStringLiteral("%1-%2-%3").arg(day.year()).arg(day.month()).arg(day.day()), &valid);
    fuzz::check(valid && written.toDate() == day, "the written date reads back", shown);
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
    // The first two bytes give the field's "current year" (any number, the
    // clock is no input a user controls, but the arithmetic must hold).
    int currentYear = 2024;
    if (size >= 2) {
        currentYear = 100 + (data[0] | (data[1] << 8)) % 9900;
        data += 2;
        size -= 2;
    }
    const QString input = fuzz::text(data, size);

    bool valid = true;
    const Variant db = DateText::ParseDbDate(input, &valid);
    fuzz::check(valid == !db.isNull(), "ParseDbDate's flag matches its value", input);
    if (valid)
        checkDay(db.toDate(), "ParseDbDate", input);

    const Variant typed = DateText::ParseDate(input);
    if (!typed.isNull())
        checkDay(typed.toDate(), "ParseDate", input);

    const QDate field = CDynDateTime::ParseDateText(input, currentYear);
    if (field.isValid())
        checkDay(field, "ParseDateText", input);
    return 0;
}
