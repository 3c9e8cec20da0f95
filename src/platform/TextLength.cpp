#include "platform/TextLength.h"

namespace TextLength {

namespace {

// Whether a pair starts at position i.
bool pairAt(const QString &text, qsizetype i)
{
    return i + 1 < text.size() && text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate();
}

} // namespace

qsizetype characters(const QString &text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count) {
        if (pairAt(text, i))
            ++i;
    }
    return count;
}

qsizetype unitsOf(const QString &text, qsizetype count)
{
    qsizetype i = 0;
    for (; i < text.size() && count > 0; ++i, --count) {
        if (pairAt(text, i))
            ++i;
    }
    return i;
}

QString left(const QString &text, qsizetype count)
{
    return text.left(unitsOf(text, qMax<qsizetype>(0, count)));
}

} // namespace TextLength
