#include "xml/CXmlHelper.h"
#include "xml/RecordText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

RecordText::Fields fields(std::initializer_list<std::pair<const char *, QString>> list)
{
    RecordText::Fields result;
    for (const auto &[name, value] : list)
        result.set(QString::fromUtf8(name), value);
    return result;
}

// Parsed for real: the text written last would be answered from memory.
RecordText::Fields readBack(const QString &text)
{
    (void)RecordText::write(fields({{"andere", "Zeile"}}));
    RecordText::Fields result;
    QString error;
    EXPECT_TRUE(RecordText::read(text, &result, &error))
        << error.toStdString() << "\n  " << text.toStdString();
    return result;
}

QList<QPair<QString, QString>> sorted(const RecordText::Fields &fields)
{
    QList<QPair<QString, QString>> all;
    for (const RecordText::Field &field : fields.all())
        all.append({field.name, field.value});
    std::sort(all.begin(), all.end());
    return all;
}

} // namespace

TEST(RecordText, OrdinaryNamesAndValuesAreWrittenAsAlways)
{
    EXPECT_EQ(RecordText::write(fields({{"id", "1"}, {"ort", "Köln & Co"}, {"Straße", "<'\">"}})),
              QStringLiteral("<RECORDSET id=\"1\" ort=\"Köln &amp; Co\" "
                             "Straße=\"&lt;&apos;&quot;&gt;\" ></RECORDSET>"));
    EXPECT_EQ(RecordText::write({}), "<RECORDSET ></RECORDSET>");
    EXPECT_TRUE(readBack(RecordText::noRecord()).isEmpty());
    EXPECT_EQ(RecordText::noRecord(), "<RECORDSET></RECORDSET>");
}

// Every name and value comes back as written: names XML does not take and
// characters XML cannot carry travel encoded, and texts that merely look
// encoded (also right before an encoded character) come back unchanged.
TEST(RecordText, EveryNameAndValueComesBack)
{
    const QString vt = QString(QChar(11));
    const QString lone = QString(QChar(char16_t(0xD800)));
    const std::pair<QString, QString> cases[] = {
        {"Kunden Nr", "0"},
        {"Preis (EUR)", "1"},
        {"1. Quartal", "x😀y"},
        {"a:b", "Zeile 1\r\nZeile 2\n\tEingerückt\r"},
        {"xmlns", "_x000B_ and _x0041"},
        {"A_x0020_B", "  vorne und hinten  "},
        {"_x", ""},
        {"-minus", "a" + vt + "b"},
        {"Ümlaut", "_x0041" + vt},
        {"😀", "_x005F" + lone + "_"},
        {"tab\there", "_x0041_x0042" + vt},
        {"_x005F" + QString(QChar(16)), "name"},
        {"a_x0041 b", "blank"},
    };
    RecordText::Fields written;
    for (const auto &[name, value] : cases)
        written.set(name, value);
    written.set(QString(), "an empty name cannot be written");
    const QString text = RecordText::write(written);
    for (const char *encoded : {"Kunden_x0020_Nr=\"0\"", "Preis_x0020__x0028_EUR_x0029_=\"1\"",
                                "A_x005F_x0020_B=", "Ümlaut=", "=\"a_x000B_b\"", "&#13;&#10;"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(encoded))) << encoded << "\n"
                                                               << text.toStdString();
    const RecordText::Fields back = readBack(text);
    EXPECT_EQ(back.size(), qsizetype(std::size(cases)));
    for (const auto &[name, value] : cases) {
        EXPECT_TRUE(back.contains(name)) << name.toStdString();
        EXPECT_EQ(back.value(name), value) << name.toStdString();
    }

    // Every UTF-16 code unit, including those XML cannot carry (control
    // characters, unpaired surrogates, U+FFFE); a record per block of units
    // keeps each one small.
    for (int block = 0; block <= 0xFFFF; block += 0x400) {
        RecordText::Fields units;
        for (int unit = block; unit < block + 0x400; ++unit)
            units.set(QStringLiteral("c%1").arg(unit),
                      QStringLiteral("a") + QChar(char16_t(unit)) + "b");
        const RecordText::Fields unitsBack = readBack(RecordText::write(units));
        ASSERT_EQ(unitsBack.size(), units.size());
        for (const RecordText::Field &field : units.all())
            ASSERT_EQ(unitsBack.value(field.name), field.value) << field.name.toStdString();
    }
}

TEST(RecordText, BrokenTextsAreRefusedWithAReason)
{
    RecordText::Fields result = fields({{"stale", "x"}});
    QString error;
    EXPECT_FALSE(RecordText::read("<RECORDSET a=\"1\" a=\"2\" />", &result, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(result.isEmpty()) << "nothing of a refused text, nor of before";
    EXPECT_FALSE(RecordText::read("<RECORDSET a=\"x&#11;y\" />", &result, &error))
        << "a raw reference XML forbids";
    EXPECT_FALSE(RecordText::read("<ROW a=\"1\" />", &result, &error));
    EXPECT_TRUE(error.contains("ROW"));
    EXPECT_FALSE(RecordText::read("", &result, &error));
    // Two spellings of one name are one field twice.
    EXPECT_FALSE(RecordText::read("<RECORDSET A=\"1\" _x0041_=\"2\" />", &result, &error));
}

TEST(RecordText, FieldsAreLookedUpByExactName)
{
    RecordText::Fields record = fields({{"Name", "Meier"}, {"name", "klein"}});
    EXPECT_EQ(record.value("Name"), "Meier");
    EXPECT_EQ(record.value("NAME"), "");
    EXPECT_FALSE(record.value("NAME").isNull());
    record.set("Name", "Schulz");
    record.remove("name");
    EXPECT_EQ(RecordText::write(record), "<RECORDSET Name=\"Schulz\" ></RECORDSET>");
}

TEST(RecordText, TheTextWrittenLastReadsBackAsParsed)
{
    RecordText::Fields written = fields({{"id", "7"},
                                         {"Kunden Nr", "x_x0041_y"},
                                         {"leer", QString()},
                                         {"text", "a\r\nb\t\x0b<&>"}});
    written.set(QString(), "ohne Namen");
    const QString text = RecordText::write(written);
    RecordText::Fields remembered;
    ASSERT_TRUE(RecordText::read(text, &remembered));
    EXPECT_EQ(sorted(remembered), sorted(readBack(text)));
    EXPECT_EQ(remembered.value("leer"), "");

    // Any other text is parsed, and a broken one is refused as before.
    RecordText::Fields other;
    QString error;
    EXPECT_FALSE(RecordText::read(text.left(text.size() - 3), &other, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(other.isEmpty());
    EXPECT_FALSE(RecordText::read(QString(), &other));
}
