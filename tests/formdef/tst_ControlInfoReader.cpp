#include "formdef/ControlInfoReader.h"
#include "platform/ComError.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ControlFlags;

namespace {

ControlInfo readBack(const QString &text)
{
    ControlInfoReader reader;
    ControlInfo info;
    EXPECT_EQ(reader.read(text, info), ControlInfoReader::Result::Read) << text.toStdString();
    return info;
}

// A record as stored; its parts can be replaced by hand.
const QString kRecord = QStringLiteral(
    "<CONTROLINFO TYP=\"1\"><NAME>ORT</NAME><LEFT>60</LEFT><RIGHT>160</RIGHT><TOP>5</TOP><BOTTOM>"
    "25</BOTTOM><CAPTION>Ort</CAPTION><FONT NAME=\"Arial\" SIZE=\"100\" BOLD=\"700\" "
    "ITALIC=\"1\"></FONT><ALIGN>Left</ALIGN><MULTILINE>False</MULTILINE></CONTROLINFO>");

QString with(const char *part, const char *replacement)
{
    return QString(kRecord).replace(QString::fromUtf8(part), QString::fromUtf8(replacement));
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
    // In an attribute a raw line break or tab would read back as a blank.
    written.font = FontDescription{QStringLiteral("Times \"New\"\r\n& <Roman>\t'"), 125, 700, 1};
    written.flags = Right | MultiLine;
    const ControlInfo read = readBack(written.toXml());
    EXPECT_EQ(read.typ, written.typ);
    EXPECT_EQ(read.name, written.name);
    EXPECT_EQ(read.caption, written.caption) << "line breaks as typed";
    EXPECT_EQ(QList<int>({read.left, read.right, read.top, read.bottom}),
              QList<int>({-5, 160, 7, 30}));
    EXPECT_EQ(read.font, written.font);
    EXPECT_EQ(read.flags, Right | MultiLine);
    written.flags = Right | Center;
    EXPECT_EQ(readBack(written.toXml()).flags, Right) << "right wins, as written";

    // A field's list: the automatic one writes nothing (the record stays as
    // older forms have it), the others one element a reader may pass over.
    EXPECT_FALSE(written.toXml().contains("LOOKUP"));
    EXPECT_EQ(readBack(written.toXml()).lookup, LookupSetting{});
    for (const LookupSetting &setting :
         {LookupSetting{LookupSetting::Mode::Off, {}},
          LookupSetting{LookupSetting::Mode::Column, QStringLiteral("Name \"1\" & <2>")}}) {
        written.lookup = setting;
        const QString xml = written.toXml();
        ControlInfo read = readBack(xml);
        EXPECT_EQ(read.lookup, setting);
        written.lookup = read.lookup = {};
        EXPECT_EQ(read.toXml(), readBack(written.toXml()).toXml()) << "all else as without it";
    }
    written.subform = {QStringLiteral("Bestell \"ungen\""), QStringLiteral("Kunde&Nr"),
                       QStringLiteral("ID")};
    EXPECT_TRUE(readBack(written.toXml()).subform == written.subform);

    // Only the exact words count; other letter case is left and one line.
    EXPECT_EQ(readBack(with("Left", "Center")).flags, Center);
    EXPECT_EQ(readBack(with("Left", "right")).flags, Left);
    EXPECT_EQ(readBack(with("Left", "CENTER")).flags, Left);
    EXPECT_EQ(readBack(with("False", "true")).flags, Left);
    EXPECT_EQ(readBack(with("False", "True")).flags, Left | MultiLine);

    // A font without attributes is size 0: the default font.
    EXPECT_EQ(readBack(with("<FONT NAME=\"Arial\" SIZE=\"100\" BOLD=\"700\" ITALIC=\"1\"></FONT>",
                            "<FONT/>"))
                  .font,
              FontDescription{});
    // Numbers as far as atoi reads them; any kind number, the loader decides.
    const ControlInfo loose =
        readBack(with("<LEFT>60", "<LEFT> 60.9 px").replace("TYP=\"1\"", "TYP=\"7\""));
    EXPECT_EQ(loose.left, 60);
    EXPECT_EQ(loose.typ, 7);
    EXPECT_EQ(ControlInfoReader::atoi("-x"), 0);
    EXPECT_EQ(ControlInfoReader::atoi("99999999999"), std::numeric_limits<int>::max());
}

TEST(ControlInfoReader, NoXmlNoRecordAndAMissingPartAreToldApart)
{
    ControlInfoReader reader;
    ControlInfo untouched;
    untouched.name = QStringLiteral("vorher");
    EXPECT_EQ(reader.read("<CONTROLINFO TYP=\"1\"><NAME>x</NAME", untouched),
              ControlInfoReader::Result::NotXml);
    EXPECT_FALSE(reader.errorText().isEmpty());
    EXPECT_EQ(reader.read("<ZEILE><ANDERES/></ZEILE>", untouched),
              ControlInfoReader::Result::NoRecord);

    const std::pair<const char *, const char *> parts[] = {
        {"<LEFT>60</LEFT>", "LEFT"},
        {"<RIGHT>160</RIGHT>", "RIGHT"},
        {"<TOP>5</TOP>", "TOP"},
        {"<BOTTOM>25</BOTTOM>", "BOTTOM"},
        {"<NAME>ORT</NAME>", "NAME"},
        {"<CAPTION>Ort</CAPTION>", "CAPTION"},
        {"<ALIGN>Left</ALIGN>", "ALIGN"},
        {"<MULTILINE>False</MULTILINE>", "MULTILINE"},
        {" TYP=\"1\"", "TYP"}};
    for (const auto &[part, name] : parts) {
        try {
            reader.read(with(part, ""), untouched);
            ADD_FAILURE() << "read without " << name;
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), E_POINTER) << name;
            EXPECT_TRUE(error.description().contains(QString::fromLatin1(name)));
        }
    }
    // Only a direct child of the record counts.
    EXPECT_THROW(reader.read(with("<LEFT>60</LEFT>", "<POS><LEFT>60</LEFT></POS>"), untouched),
                 ComError);
    EXPECT_EQ(untouched.name, "vorher");
}
