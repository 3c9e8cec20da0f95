#include "platform/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return int(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogUnits::DialogUnits(const QFont &font)
{
    const QFontMetrics metrics(font);
    // The letters, not the font's declared average: that is what dialog
    // templates were laid out against.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseWidth = qMax(1, (letters / 26 + 1) / 2);
    m_baseHeight = qMax(1, metrics.height());
}

QFont DialogUnits::templateFont()
{
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

int DialogUnits::x(int units) const
{
    return mulDiv(units, m_baseWidth, 4);
}

int DialogUnits::y(int units) const
{
    return mulDiv(units, m_baseHeight, 8);
}

QSize DialogUnits::size(int width, int height) const
{
    return QSize(x(width), y(height));
}

QRect DialogUnits::rect(int left, int top, int width, int height) const
{
    return QRect(x(left), y(top), x(width), y(height));
}

void DialogUnits::place(QWidget *widget, int left, int top, int width, int height) const
{
    widget->setGeometry(rect(left, top, width, height));
}
