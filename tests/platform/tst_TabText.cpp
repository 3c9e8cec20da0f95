#include "platform/TabText.h"

#include <gtest/gtest.h>

// What a spreadsheet puts on the clipboard comes back as the same cells,
// and what the datasheet writes a spreadsheet reads as the cells shown.
TEST(TabText, CellsGoAndComeBackAsSpreadsheetsWriteThem)
{
    const struct
    {
        const char *text;
        QVector<QStringList> rows;
        bool writtenSo; // write(rows) gives text
    } cases[] = {
        {"a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}, true},
        {"a\tb\nc\td", {{"a", "b"}, {"c", "d"}}, false},
        {"\t\r\n", {{"", ""}}, true},
        {"\"Tab\there\"\t\"Zeile\nzwei\"\t\"sagt \"\"ja\"\"\"\r\n",
         {{"Tab\there", "Zeile\nzwei", "sagt \"ja\""}},
         true},
        {"1.234,56\t01.02.2024\r\n", {{"1.234,56", "01.02.2024"}}, true},
        {"ein\"zelnes\r\n", {{"ein\"zelnes"}}, false}, // a quote inside stays
        {"", {}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TabText::read(QString::fromUtf8(c.text)), c.rows);
        if (c.writtenSo) {
            EXPECT_EQ(TabText::write(c.rows), QString::fromUtf8(c.text));
        }
        EXPECT_EQ(TabText::read(TabText::write(c.rows)), c.rows);
    }
    // A CSV file's separator is quoted as the tab is; a tab then needs none.
    EXPECT_EQ(TabText::write({{"a;b", "c	d"}}, QLatin1Char(';')), "\"a;b\";c\td\r\n");
}
