#include "platform/ComError.h"

#include <gtest/gtest.h>

// The message a user reads: the code's text, a blank line, the engine's
// words. Codes of our own have German texts; the others the generic forms,
// the IDispatch range counting from just above 0x80040200 to 0x8004FFFF.
TEST(ComError, TheMessageIsTheCodesTextABlankLineAndTheDescription)
{
    const struct
    {
        HRESULT_T code;
        const char *description;
        const char *message;
    } cases[] = {
        {DB_E_NOTABLE, "no such table: Kunden",
         "Die Tabelle ist in der Datenbank nicht vorhanden.\r\n\r\nno such table: Kunden"},
        {0x80040201u, "", "IDispatch error #1\r\n\r\n"},
        {0x80040E10u, "", "IDispatch error #3088\r\n\r\n"},
        {0x8004FFFFu, "x", "IDispatch error #65023\r\n\r\nx"},
        {0x80040200u, "", "Unknown error 0x80040200\r\n\r\n"},
        {0x80050000u, "", "Unknown error 0x80050000\r\n\r\n"},
        {0x1u, "", "Unknown error 0x1\r\n\r\n"},
    };
    for (const auto &error : cases) {
        const ComError thrown(error.code, QString::fromUtf8(error.description));
        EXPECT_EQ(thrown.message(), QString::fromUtf8(error.message)) << error.code;
        EXPECT_EQ(thrown.code(), error.code);
        EXPECT_EQ(thrown.what(), (thrown.systemText() + ": " + thrown.description()).toStdString());
    }
    EXPECT_FALSE(ComError::systemText(ADO_E_NOCURRENTRECORD).startsWith("Unknown"));
}
