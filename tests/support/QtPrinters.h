#ifndef QRT_TESTS_QTPRINTERS_H
#define QRT_TESTS_QTPRINTERS_H

// GoogleTest prints failed comparisons of Qt values readably with these.
// Included into every test source by the build.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/component/Variant.h"

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray &bytes, std::ostream *out)
{
    *out << '"' << bytes.toStdString() << '"';
}

inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << '[';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", " : "") << '"' << list.at(i).toStdString() << '"';
    *out << ']';
}

inline void PrintTo(const QVariant &value, std::ostream *out)
{
    *out << value.typeName() << '(' << value.toString().toStdString() << ')';
}

inline void PrintTo(const Variant &value, std::ostream *out)
{
    *out << variantTypeName(value.type()) << '(' << value.toString().toStdString() << ')';
}

#endif // QRT_TESTS_QTPRINTERS_H
