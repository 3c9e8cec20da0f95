#include "xml/CXmlHelper.h"
#include "xml/RecordText.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    EXPECT_EQ(RecordText::write({}), QStringLiteral("<RECORDSET ></RECORDSET>"));
    EXPECT_TRUE(readBack(RecordText::noRecord()).isEmpty());
    EXPECT_EQ(RecordText::noRecord(), QStringLiteral("<RECORDSET></RECORDSET>"));
}

TEST(RecordText, NamesThatAreNoXmlNamesTravelEncoded)
{
    const QStringList names = {"Kunden Nr", "Preis (EUR)", "1. Quartal", "a:b",
                               "xmlns",     "A_x0020_B",   "_x",         "-minus",
                               "Ümlaut",    "😀",           "",           "tab\there"};
    RecordText::Fields written;
    for (qsizetype i = 0; i < names.size(); ++i)
        written.set(names.at(i), QString::number(i));
    const QString text = RecordText::write(written);
    EXPECT_TRUE(text.contains(QStringLiteral("Kunden_x0020_Nr=\"0\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Preis_x0020__x0028_EUR_x0029_=\"1\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("A_x005F_x0020_B=\"5\"")))
        << "a name that looks encoded";
    EXPECT_TRUE(text.contains(QStringLiteral("Ümlaut=\"8\"")))
        << "names XML takes stay as they are";

    const RecordText::Fields back = readBack(text);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names.at(i).isEmpty()) {
            EXPECT_FALSE(back.contains(names.at(i))) << "an empty name cannot be written";
            continue;
        }
        EXPECT_EQ(back.value(names.at(i)), QString::number(i)) << names.at(i).toStdString();
    }
}

TEST(RecordText, EveryCharacterOfAValueComesBack)
{
    // Every UTF-16 code unit, one field each, including those XML cannot
    // carry (control characters, unpaired surrogates, U+FFFE); a record per
    // block of units keeps each one small.
    for (int block = 0; block <= 0xFFFF; block += 0x400) {
        RecordText::Fields written;
        for (int unit = block; unit < block + 0x400; ++unit)
            written.set(QStringLiteral("c%1").arg(unit),
                        QStringLiteral("a") + QChar(char16_t(unit)) + QStringLiteral("b"));
        const RecordText::Fields back = readBack(RecordText::write(written));
        ASSERT_EQ(back.size(), written.size());
        for (const RecordText::Field &field : written.all())
            ASSERT_EQ(back.value(field.name), field.value) << field.name.toStdString();
    }

    // And the texts real rows hold: line ends a parser would turn into
    // blanks, pairs of surrogates, texts that look encoded.
    RecordText::Fields written;
    written.set(QStringLiteral("pair"), QStringLiteral("x😀y"));
    written.set(QStringLiteral("lines"), QStringLiteral("Zeile 1\r\nZeile 2\n\tEingerückt\r"));
    written.set(QStringLiteral("looksEncoded"), QStringLiteral("_x000B_ and _x0041"));
    written.set(QStringLiteral("blanks"), QStringLiteral("  vorne und hinten  "));
    written.set(QStringLiteral("vt"), QStringLiteral("a") + QChar(11) + QStringLiteral("b"));
    written.set(QStringLiteral("empty"), QStringLiteral(""));
    const QString text = RecordText::write(written);
    EXPECT_TRUE(text.contains(QStringLiteral("vt=\"a_x000B_b\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("&#13;&#10;")));
    const RecordText::Fields back = readBack(text);
    for (const RecordText::Field &field : written.all())
        EXPECT_EQ(back.value(field.name), field.value) << field.name.toStdString();
    EXPECT_TRUE(back.contains(QStringLiteral("empty")));
}

TEST(RecordText, TextsThatLookEncodedBeforeAnEncodedCharacterComeBack)
{
    // "_x005F" and then a character that is itself encoded: its encoding
    // starts with "_", so the text written would read as "_x005F_" and the
    // name or value would come back changed.
    const QString vt = QString(QChar(11));
    const QString lone = QString(QChar(char16_t(0xD800)));
    RecordText::Fields written;
    written.set(QStringLiteral("_x005F") + QChar(16), QStringLiteral("name"));
    written.set(QStringLiteral("a_x0041 b"), QStringLiteral("blank"));
    written.set(QStringLiteral("v1"), QStringLiteral("_x0041") + vt);
    written.set(QStringLiteral("v2"), QStringLiteral("_x005F") + lone + QStringLiteral("_"));
    written.set(QStringLiteral("v3"), QStringLiteral("_x0041_x0042") + vt);
    const QString text = RecordText::write(written);
    const RecordText::Fields back = readBack(text);
    ASSERT_EQ(back.size(), written.size()) << text.toStdString();
    for (const RecordText::Field &field : written.all()) {
        EXPECT_TRUE(back.contains(field.name)) << text.toStdString();
        EXPECT_EQ(back.value(field.name), field.value) << text.toStdString();
    }
}

TEST(RecordText, BrokenTextsAreRefusedWithAReason)
{
    RecordText::Fields result = fields({{"stale", "x"}});
    QString error;
    EXPECT_FALSE(
        RecordText::read(QStringLiteral("<RECORDSET a=\"1\" a=\"2\" />"), &result, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(result.isEmpty()) << "nothing of a refused text, nor of before";
    EXPECT_FALSE(RecordText::read(QStringLiteral("<RECORDSET a=\"x&#11;y\" />"), &result, &error))
        << "a raw reference XML forbids";
    EXPECT_FALSE(RecordText::read(QStringLiteral("<ROW a=\"1\" />"), &result, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("ROW")));
    EXPECT_FALSE(RecordText::read(QStringLiteral(""), &result, &error));
    // Two spellings of one name are one field twice.
    EXPECT_FALSE(
        RecordText::read(QStringLiteral("<RECORDSET A=\"1\" _x0041_=\"2\" />"), &result, &error));
}

TEST(RecordText, FieldsAreLookedUpByExactName)
{
    RecordText::Fields record = fields({{"Name", "Meier"}, {"name", "klein"}});
    EXPECT_EQ(record.value(QStringLiteral("Name")), QStringLiteral("Meier"));
    EXPECT_EQ(record.value(QStringLiteral("NAME")), QStringLiteral(""));
    EXPECT_FALSE(record.value(QStringLiteral("NAME")).isNull());
    record.set(QStringLiteral("Name"), QStringLiteral("Schulz"));
    record.remove(QStringLiteral("name"));
    EXPECT_EQ(RecordText::write(record),
              QStringLiteral("<RECORDSET Name=\"Schulz\" ></RECORDSET>"));
}

TEST(RecordText, TheTextWrittenLastReadsBackAsParsed)
{
    RecordText::Fields written = fields({{"id", "7"},
                                         {"Kunden Nr", "x_x0041_y"},
                                         {"leer", QString()},
                                         {"text", QStringLiteral("a\r\nb\t\x0b<&>")}});
    written.set(QString(), QStringLiteral("ohne Namen"));
    const QString text = RecordText::write(written);
    RecordText::Fields remembered;
    ASSERT_TRUE(RecordText::read(text, &remembered));
    EXPECT_EQ(sorted(remembered), sorted(readBack(text)));
    EXPECT_EQ(remembered.value(QStringLiteral("leer")), QStringLiteral(""));

    // Any other text is parsed, and a broken one is refused as before.
    RecordText::Fields other;
    QString error;
    EXPECT_FALSE(RecordText::read(text.left(text.size() - 3), &other, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(other.isEmpty());
    EXPECT_FALSE(RecordText::read(QString(), &other));
}
