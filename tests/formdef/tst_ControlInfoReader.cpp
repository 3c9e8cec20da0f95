#include "controls/CDynEdit.h"
#include "formdef/ControlInfoReader.h"
#include "platform/ComError.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ControlFlags;

namespace {

// A record with every required part; more goes in front of the closing tag,
// and each part can be replaced by hand.
QString record(const QString &align = QStringLiteral("Left"),
               const QString &multiLine = QStringLiteral("False"),
               const QString &font = QStringLiteral(
                   "<FONT NAME=\"Arial\" SIZE=\"100\" BOLD=\"700\" ITALIC=\"1\"></FONT>"))
{
    return QStringLiteral("<CONTROLINFO TYP=\"1\"><NAME>ORT</NAME><LEFT>60</LEFT><RIGHT>160"
                          "</RIGHT><TOP>5</TOP><BOTTOM>25</BOTTOM><CAPTION>Ort</CAPTION>") +
           font + QStringLiteral("<ALIGN>") + align + QStringLiteral("</ALIGN><MULTILINE>") +
           multiLine + QStringLiteral("</MULTILINE></CONTROLINFO>");
}

ControlInfo readBack(const QString &text)
{
    ControlInfoReader reader;
    ControlInfo info;
    EXPECT_EQ(reader.read(text, info), ControlInfoReader::Result::Read) << text.toStdString();
    return info;
}

} // namespace

TEST(ControlInfoReader, EveryTextAndValueReadsBackAsItWasWritten)
{
    ControlInfo written;
    written.typ = int(ControlKind::Edit);
    written.name = QStringLiteral("Straße & \"Nr\" <neu> 'alt'");
    written.caption = QStringLiteral("Erste Zeile\r\nzweite <&>\nund \"dritte\" 'Zeile'\r");
    written.left = -5;
    written.right = 160;
    written.top = 7;
    written.bottom = 30;
    written.font = FontDescription{QStringLiteral("Times \"New\" & <Roman>"), 125, 700, 1};
    written.flags = Right | MultiLine;

    const ControlInfo read = readBack(written.toXml());
    EXPECT_EQ(read.typ, written.typ);
    EXPECT_EQ(read.name, written.name);
    EXPECT_EQ(read.caption, written.caption) << "line breaks stay as they were, \\r included";
    EXPECT_EQ(QRect(read.left, read.top, read.right - read.left, read.bottom - read.top),
              QRect(-5, 7, 165, 23));
    EXPECT_EQ(read.font, written.font);
    EXPECT_EQ(read.flags, Right | MultiLine);

    // Right and centre together are written, and so read, as right.
    written.flags = Right | Center;
    EXPECT_EQ(readBack(written.toXml()).flags, Right);
    written.flags = Center;
    EXPECT_EQ(readBack(written.toXml()).flags, Center);
}

TEST(ControlInfoReader, AlignmentAndLinesTakeOnlyTheirExactWords)
{
    EXPECT_EQ(readBack(record("Right", "True")).flags, Right | MultiLine);
    EXPECT_EQ(readBack(record("Center")).flags, Center);
    EXPECT_EQ(readBack(record("right")).flags, Left);
    EXPECT_EQ(readBack(record("CENTER")).flags, Left);
    EXPECT_EQ(readBack(record("Mitte")).flags, Left);
    EXPECT_EQ(readBack(record("Left", "true")).flags, Left);
    EXPECT_EQ(readBack(record("Left", "TRUE")).flags, Left);
    EXPECT_EQ(readBack(record("Left", "1")).flags, Left);
}

TEST(ControlInfoReader, AFontWithoutAttributesGivesTheDefaultFont)
{
    const ControlInfo read = readBack(record("Left", "False", "<FONT/>"));
    EXPECT_EQ(read.font, FontDescription{});

    // A control made from it shows and writes the default font.
    CDynEdit edit(false);
    ControlDescription description;
    description.font = read.font;
    description.right = 100;
    description.bottom = 20;
    edit.Create(nullptr, description);
    EXPECT_EQ(edit.GetFontDescription(), (FontDescription{"MS Sans Serif", 80, 0, 0}));
}

TEST(ControlInfoReader, NumbersAreReadAsFarAsTheyGo)
{
    EXPECT_EQ(ControlInfoReader::atoi("  -12px"), -12);
    EXPECT_EQ(ControlInfoReader::atoi("+7"), 7);
    EXPECT_EQ(ControlInfoReader::atoi("x12"), 0);
    EXPECT_EQ(ControlInfoReader::atoi(""), 0);
    EXPECT_EQ(ControlInfoReader::atoi("99999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(ControlInfoReader::atoi("-99999999999"), std::numeric_limits<int>::min());

    QString text = record();
    text.replace("<LEFT>60</LEFT>", "<LEFT>60.9 Pixel</LEFT>");
    text.replace("TYP=\"1\"", "TYP=\" 7\"");
    text.replace("SIZE=\"100\"", "SIZE=\"groß\"");
    const ControlInfo read = readBack(text);
    EXPECT_EQ(read.left, 60);
    EXPECT_EQ(read.typ, 7) << "any kind number is read; the loader decides";
    EXPECT_EQ(read.font.size, 0);
}

TEST(ControlInfoReader, OrderAndExtraPartsDoNotMatterButMissingPartsDo)
{
    // Children in another order, an extra element and attribute, the record
    // inside another element: all read.
    const QString shuffled = QStringLiteral(
        "<ZEILE><CONTROLINFO TYP=\"4\" ALT=\"x\"><MULTILINE>False</MULTILINE><ALIGN>Left</ALIGN>"
        "<FONT SIZE=\"80\"/><CAPTION>Adresse</CAPTION><NOTIZ>egal</NOTIZ><BOTTOM>90</BOTTOM>"
        "<TOP>10</TOP><RIGHT>300</RIGHT><LEFT>5</LEFT><NAME>Adresse_RAHMEN</NAME></CONTROLINFO>"
        "</ZEILE>");
    const ControlInfo read = readBack(shuffled);
    EXPECT_EQ(read.typ, int(ControlKind::Frame));
    EXPECT_EQ(read.name, "Adresse_RAHMEN");
    EXPECT_EQ(read.right, 300);
    EXPECT_EQ(read.font, (FontDescription{QString(), 80, 0, 0}));

    ControlInfoReader reader;
    ControlInfo untouched;
    untouched.name = QStringLiteral("vorher");
    EXPECT_EQ(reader.read("<CONTROLINFO TYP=\"1\"><NAME>x</NAME", untouched),
              ControlInfoReader::Result::NotXml);
    EXPECT_FALSE(reader.errorText().isEmpty());
    EXPECT_EQ(reader.read("", untouched), ControlInfoReader::Result::NotXml);
    EXPECT_EQ(reader.read("<STEUERELEMENT/>", untouched), ControlInfoReader::Result::NoRecord);
    EXPECT_EQ(untouched.name, "vorher");

    const std::pair<const char *, const char *> parts[] = {
        {"<LEFT>60</LEFT>", "LEFT"},
        {"<RIGHT>160</RIGHT>", "RIGHT"},
        {"<TOP>5</TOP>", "TOP"},
        {"<BOTTOM>25</BOTTOM>", "BOTTOM"},
        {"<CAPTION>Ort</CAPTION>", "CAPTION"},
        {"<NAME>ORT</NAME>", "NAME"},
        {"<ALIGN>Left</ALIGN>", "ALIGN"},
        {"<MULTILINE>False</MULTILINE>", "MULTILINE"},
        {" TYP=\"1\"", "TYP"}};
    for (const auto &[part, name] : parts) {
        const QString broken = QString(record()).remove(QString::fromLatin1(part));
        try {
            reader.read(broken, untouched);
            ADD_FAILURE() << "read without " << name;
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), E_POINTER) << name;
            EXPECT_TRUE(error.description().contains(QString::fromLatin1(name)))
                << error.description().toStdString();
        }
    }
    // The element must be a direct child of the record.
    QString nested = record();
    nested.replace("<LEFT>60</LEFT>", "<POS><LEFT>60</LEFT></POS>");
    EXPECT_THROW(reader.read(nested, untouched), ComError);
    EXPECT_EQ(untouched.name, "vorher");
}
