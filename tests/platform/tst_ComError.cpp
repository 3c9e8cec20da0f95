#include "platform/ComError.h"

#include <gtest/gtest.h>

TEST(ComError, KeepsCodeAndDescription)
{
    const ComError error(DB_E_NOTABLE, QStringLiteral("no such table: Kunden"));
    EXPECT_EQ(error.code(), 0x80040E37u);
    EXPECT_EQ(error.description(), QStringLiteral("no such table: Kunden"));
    EXPECT_EQ(error.systemText(),
              QStringLiteral("Die Tabelle ist in der Datenbank nicht vorhanden."));
    EXPECT_STREQ(error.what(),
                 "Die Tabelle ist in der Datenbank nicht vorhanden.: no such table: Kunden");
}

TEST(ComError, SystemTextOfOwnCodesIsGerman)
{
    EXPECT_EQ(E_POINTER, 0x80004003u);
    EXPECT_EQ(ComError::systemText(E_POINTER), QStringLiteral("Ungültiger Zeiger"));
    EXPECT_EQ(ComError::systemText(DB_E_CONCURRENCYVIOLATION),
              QStringLiteral("Der Datensatz wurde von einem anderen Benutzer geändert."));
    EXPECT_FALSE(ComError::systemText(ADO_E_NOCURRENTRECORD).startsWith(QStringLiteral("Unknown")));
}

TEST(ComError, SystemTextOfForeignCodesUsesTheGenericForms)
{
    // The IDispatch range starts just above 0x80040200 and ends at 0x8004FFFF.
    EXPECT_EQ(ComError::systemText(0x80040201u), QStringLiteral("IDispatch error #1"));
    EXPECT_EQ(ComError::systemText(0x80040E10u), QStringLiteral("IDispatch error #3088"));
    EXPECT_EQ(ComError::systemText(0x8004FFFFu), QStringLiteral("IDispatch error #65023"));
    EXPECT_EQ(ComError::systemText(0x80040200u), QStringLiteral("Unknown error 0x80040200"));
    EXPECT_EQ(ComError::systemText(0x80050000u), QStringLiteral("Unknown error 0x80050000"));
    EXPECT_EQ(ComError::systemText(0x8000ABCDu), QStringLiteral("Unknown error 0x8000ABCD"));
    EXPECT_EQ(ComError::systemText(0x1u), QStringLiteral("Unknown error 0x1"));
}

TEST(ComError, MessageIsSystemTextBlankLineDescription)
{
    EXPECT_EQ(ComError(E_POINTER, QStringLiteral("Kein Recordset.")).message(),
              QStringLiteral("Ungültiger Zeiger\r\n\r\nKein Recordset."));
    // Without a description the blank line still separates nothing from the text.
    EXPECT_EQ(ComError(0x80040E10u).message(), QStringLiteral("IDispatch error #3088\r\n\r\n"));
}
