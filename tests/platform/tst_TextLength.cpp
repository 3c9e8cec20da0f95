#include "platform/TextLength.h"

#include <gtest/gtest.h>

namespace {

// A letter of two UTF-16 units counts once and is cut whole or not at all;
// a unit that pairs with nothing counts once, like any other.
TEST(TextLength, PairsCountOnceAndAreNeverHalved)
{
    const QString smile = "😀";
    const QString text = QStringLiteral("ab") + smile + QStringLiteral("c") + smile;
    EXPECT_EQ(TextLength::characters(text), 5);
    EXPECT_EQ(TextLength::characters(QString()), 0);
    EXPECT_EQ(TextLength::left(text, 3), QStringLiteral("ab") + smile);
    EXPECT_EQ(TextLength::left(text, 2), "ab");
    EXPECT_EQ(TextLength::left(text, 5), text);
    EXPECT_EQ(TextLength::left(text, 50), text);
    EXPECT_EQ(TextLength::left(text, -1), QString());
    EXPECT_EQ(TextLength::unitsOf(text, 4), 5);

    const QString lone = QString(QChar(0xD83D)) + QStringLiteral("x") + QChar(0xDE00);
    EXPECT_EQ(TextLength::characters(lone), 3);
    EXPECT_EQ(TextLength::left(lone, 1), QString(QChar(0xD83D)));
}

} // namespace
