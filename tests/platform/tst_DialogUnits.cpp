#include "platform/DialogUnits.h"

#include <QLabel>
#include <QtMath>

#include <gtest/gtest.h>

// Dialog units to pixels: a quarter of the average letter width across, an
// eighth of the line height down, rounded to the nearest pixel.
TEST(DialogUnits, ConvertAtTheFontsBaseUnits)
{
    const DialogUnits units(DialogUnits::templateFont());
    ASSERT_GT(units.baseWidth(), 1);
    ASSERT_GT(units.baseHeight(), 1);
    EXPECT_EQ(units.x(400), 100 * units.baseWidth());
    // Every conversion is the nearest pixel, halves away from zero, and
    // symmetric around zero (4 units across and 8 down are the base units).
    for (int u = -41; u <= 41; ++u) {
        const double exactX = u * units.baseWidth() / 4.0;
        const double exactY = u * units.baseHeight() / 8.0;
        EXPECT_EQ(units.x(u), int(std::copysign(std::floor(std::abs(exactX) + 0.5), exactX))) << u;
        EXPECT_EQ(units.y(u), int(std::copysign(std::floor(std::abs(exactY) + 0.5), exactY))) << u;
        EXPECT_EQ(units.x(-u), -units.x(u));
    }

    EXPECT_EQ(units.rect(5, 145, 50, 14),
              QRect(units.x(5), units.y(145), units.x(50), units.y(14)));
    EXPECT_EQ(units.size(402, 167), QSize(units.x(402), units.y(167)));
    QLabel label;
    units.place(&label, 15, 60, 125, 14);
    EXPECT_EQ(label.geometry(), units.rect(15, 60, 125, 14));
}

TEST(DialogUnits, LayoutsGrowWithTheFont)
{
    QFont large = DialogUnits::templateFont();
    large.setPointSize(16); // as at 200 % scaling
    const DialogUnits small(DialogUnits::templateFont());
    const DialogUnits big(large);
    EXPECT_GT(big.baseWidth(), small.baseWidth());
    EXPECT_GT(big.baseHeight(), small.baseHeight());
    // A button 50 units wide still holds its text in the larger font.
    const QString text = "Hinzufügen >>";
    EXPECT_LE(QFontMetrics(large).horizontalAdvance(text), big.x(50));
}
