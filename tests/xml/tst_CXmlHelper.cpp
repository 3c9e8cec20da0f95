#include "controls/ControlInfo.h"
#include "platform/ComError.h"
#include "xml/CXmlHelper.h"
#include "xml/RecordText.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

CXmlHelper loaded(const QString &xml)
{
    CXmlHelper helper;
    EXPECT_TRUE(helper.loadXml(xml)) << helper.parseError().toStdString();
    return helper;
}

HRESULT_T codeOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const ComError &error) {
        return error.code();
    }
    return 0;
}

const QDomNode kRoot; // a null node: the lookups take the document's first child

} // namespace

TEST(CXmlHelper, LoadXmlAcceptsOnlyWellFormedTextAndSaysWhyNot)
{
    CXmlHelper helper;
    EXPECT_FALSE(helper.loadXml(QString()));
    EXPECT_FALSE(helper.parseError().isEmpty());
    ASSERT_TRUE(helper.loadXml("<ADOBUILDER/>"));
    EXPECT_TRUE(helper.parseError().isEmpty());

    // The parser has read <A> and <B> before it fails; none of it may remain.
    EXPECT_FALSE(helper.loadXml("<A><B>t</B>\n<C>x & y</C></A>"));
    EXPECT_TRUE(helper.parseError().contains("line 2")) << helper.xml().toStdString();
    EXPECT_EQ(helper.xml(), QString());
    EXPECT_EQ(helper.getItemText("B"), QString());
}

TEST(CXmlHelper, CopiesAndAssignmentsShareOneDocument)
{
    CXmlHelper original;
    const CXmlHelper copy(original); // taken before anything was loaded
    CXmlHelper assigned;
    assigned = original;

    ASSERT_TRUE(original.loadXml("<ADOBUILDER><SORT>Name</SORT></ADOBUILDER>"));
    EXPECT_EQ(copy.getItemText("SORT"), "Name");
    assigned.addElement(kRoot, "FILTER", "ID = 1");
    copy.getXmlDocument().documentElement().setAttribute("D", "1");
    EXPECT_EQ(original.xml(),
              QStringLiteral("<ADOBUILDER D=\"1\"><SORT>Name</SORT><FILTER>ID = 1</FILTER>"
                             "</ADOBUILDER>"));
}

// An item is the first element of that exact name in document order, or
// the one a path names; found but empty and not found both read as "",
// never null. A child is looked for among the direct children only.
TEST(CXmlHelper, LookupsTakeTheFirstExactNameInDocumentOrderOrAPath)
{
    const CXmlHelper helper = loaded(QStringLiteral(
        "<ADOBUILDER><!--FILTER-->FILTER<X><FORMULARNAME>tief</FORMULARNAME><DEEP/></X>"
        "<FORMULARNAME>Kunden</FORMULARNAME><FILTER a=\"1\">x &lt; y<B>z</B></FILTER>"
        "<FILTER>b</FILTER><SORT/></ADOBUILDER>"));
    const std::pair<const char *, const char *> items[] = {{"FORMULARNAME", "tief"},
                                                           {"ADOBUILDER/FORMULARNAME", "Kunden"},
                                                           {"FILTER", "x < yz"},
                                                           {"filter", ""},
                                                           {"SORT", ""},
                                                           {"MISSING", ""},
                                                           {"ADOBUILDER/X/SORT", ""},
                                                           {"OTHER/FORMULARNAME", ""}};
    for (const auto &[name, text] : items) {
        const QString found = helper.getItemText(QString::fromLatin1(name));
        EXPECT_EQ(found, QString::fromLatin1(text)) << name;
        EXPECT_FALSE(found.isNull()) << name;
    }
    EXPECT_EQ(helper.getItemXml("FILTER"), "<FILTER a=\"1\">x &lt; y<B>z</B></FILTER>");
    EXPECT_EQ(helper.getItemXml("MISSING"), "");
    EXPECT_FALSE(helper.getItemXml("MISSING").isNull());

    EXPECT_EQ(helper.getChildItemByName(kRoot, "FILTER").toElement().text(), "x < yz");
    for (const QString &notAChild : QStringList{"filter", QString(), "DEEP"})
        EXPECT_TRUE(helper.getChildItemByName(kRoot, notAChild).isNull())
            << notAChild.toStdString();
    const QDomNode x = helper.getChildItemByName(kRoot, "X");
    EXPECT_FALSE(helper.getChildItemByName(x, "DEEP").isNull());
    EXPECT_TRUE(CXmlHelper().getChildItemByName(kRoot, "FILTER").isNull());
}

TEST(CXmlHelper, AttributesAreReadFromTheRootOrAGivenNodeAndReplacedOnWrite)
{
    CXmlHelper helper = loaded(QStringLiteral(
        "<ADOBUILDER DESIGNMODUS='true' LEER=''><COL AUTOVAL='false'>ID</COL></ADOBUILDER>"));
    const QDomNode column = helper.getChildItemByName(kRoot, "COL");

    EXPECT_EQ(helper.getAttributeValue(kRoot, "DESIGNMODUS"), "true");
    EXPECT_EQ(helper.getAttributeValue(kRoot, "designmodus"), QString());
    EXPECT_EQ(helper.getAttributeValue(column, "AUTOVAL"), "false");
    EXPECT_EQ(helper.getAttributeValue(column, "DESIGNMODUS"), QString());
    EXPECT_FALSE(helper.getAttributeValue(kRoot, "LEER").isNull());
    EXPECT_FALSE(helper.getAttributeValue(kRoot, "FEHLT").isNull());
    EXPECT_FALSE(CXmlHelper().getAttributeValue(kRoot, "D").isNull());

    helper.setAttributeValue(column, "AUTOVAL", "true");
    helper.setAttributeValue(column, "AUTOVAL", "x");
    EXPECT_EQ(helper.getItemXml("COL"), "<COL AUTOVAL=\"x\">ID</COL>");
    helper.setAttributeValue(column, "AUTOVAL", QString());
    EXPECT_EQ(helper.getItemXml("COL"), "<COL AUTOVAL=\"\">ID</COL>");

    // No fall-back to the root when writing, and a text node has no attributes.
    const auto set = [&](const QDomNode &node) {
        helper.setAttributeValue(node, "DESIGNMODUS", "false");
    };
    EXPECT_EQ(codeOf([&] { set(kRoot); }), E_POINTER);
    EXPECT_EQ(codeOf([&] { set(column.firstChild()); }), E_POINTER);
    EXPECT_EQ(helper.getAttributeValue(kRoot, "DESIGNMODUS"), "true");
}

TEST(CXmlHelper, AddElementReplacesAnExistingEntryOrAppendsOne)
{
    CXmlHelper helper = loaded("<ADOBUILDER/>");
    const QDomElement added = helper.addElement(kRoot, "FILTER", "x");
    EXPECT_EQ(helper.xml(), "<ADOBUILDER><FILTER>x</FILTER></ADOBUILDER>");
    EXPECT_TRUE(helper.addElement(kRoot, "FILTER", "y") == added);
    EXPECT_EQ(helper.xml(), "<ADOBUILDER><FILTER>y</FILTER></ADOBUILDER>");

    // A new entry goes last; replacing drops the former children, markup included.
    ASSERT_TRUE(helper.loadXml("<ADOBUILDER><FILTER>a<B/>b</FILTER><SORT>s</SORT></ADOBUILDER>"));
    helper.addElement(kRoot, "FILTER", "ID < 3 & x");
    helper.addElement(kRoot, "NEU", "n");
    helper.addElement(kRoot, "SORT", QString());
    EXPECT_EQ(helper.xml(), QStringLiteral("<ADOBUILDER><FILTER>ID &lt; 3 &amp; x</FILTER>"
                                           "<SORT/><NEU>n</NEU></ADOBUILDER>"));

    // Below a given parent, a second call finds what the first one added.
    const QDomNode neu = helper.getChildItemByName(kRoot, "NEU");
    helper.addElement(neu, "ITEM", "1");
    helper.addElement(neu, "ITEM", "2");
    EXPECT_EQ(helper.getItemXml("NEU"), "<NEU>n<ITEM>2</ITEM></NEU>");

    CXmlHelper empty;
    EXPECT_EQ(codeOf([&] { empty.addElement(kRoot, "FILTER", QString()); }), E_POINTER);
}

// What the library itself composes and then writes out through xml(): the
// configuration document (with the filter the records manager puts in), a
// record text and the empty filter and sort entries. Hosts keep and compare
// these texts, so they come out exactly as they always have.
TEST(CXmlHelper, XmlWritesTheLibrarysOwnDocumentsByteForByte)
{
    // As the facades compose it, with the mode filled in.
    const QString config = QStringLiteral(
        "<ADOBUILDER DESIGNMODUS='false'><FORMULARNAME>Kunden</FORMULARNAME>"
        "<DBNAME>C:\\Daten\\Kunden.db</DBNAME><SERVERNAME>srv</SERVERNAME><USERID>sa</USERID>"
        "<PASSWORT>p&lt;&amp;&gt;&quot;&apos;w</PASSWORT><TABELLENNAME>Kunden</TABELLENNAME>"
        "<DBTYP>SQLITE</DBTYP><FILTER></FILTER><SORT></SORT>"
        "<SUPPRESSCOLUMN AUTOVAL='true'>ID</SUPPRESSCOLUMN>"
        "<SUPPRESSCOLUMN AUTOVAL='false'>Notiz</SUPPRESSCOLUMN></ADOBUILDER>");
    CXmlHelper helper = loaded(config);
    helper.addElement(kRoot, "FILTER",
                      QStringLiteral("Name = 'O''Brien & \"Söhne\"' AND Betrag > 3\r\n"
                                     "\tOR Notiz = ']]>' AND Datum < #01.02.2026#"));
    EXPECT_EQ(
        helper.xml(),
        QStringLiteral("<ADOBUILDER DESIGNMODUS=\"false\"><FORMULARNAME>Kunden</FORMULARNAME>"
                       "<DBNAME>C:\\Daten\\Kunden.db</DBNAME><SERVERNAME>srv</SERVERNAME>"
                       "<USERID>sa</USERID><PASSWORT>p&lt;&amp;>\"'w</PASSWORT>"
                       "<TABELLENNAME>Kunden</TABELLENNAME><DBTYP>SQLITE</DBTYP>"
                       "<FILTER>Name = 'O''Brien &amp; \"Söhne\"' AND Betrag > 3&#xd;\n"
                       "\tOR Notiz = ']]&gt;' AND Datum &lt; #01.02.2026#</FILTER><SORT/>"
                       "<SUPPRESSCOLUMN AUTOVAL=\"true\">ID</SUPPRESSCOLUMN>"
                       "<SUPPRESSCOLUMN AUTOVAL=\"false\">Notiz</SUPPRESSCOLUMN></ADOBUILDER>"));

    helper = loaded(RecordText::write(RecordText::Fields()));
    EXPECT_EQ(helper.xml(), "<RECORDSET/>");
    RecordText::Fields one;
    one.set("Straße Nr", "Zeile 1\r\nZeile\t2 <'&\"> ]]> _x0041_ \x01");
    helper = loaded(RecordText::write(one));
    EXPECT_EQ(helper.xml(),
              QStringLiteral(
                  "<RECORDSET Straße_x0020_Nr=\"Zeile 1&#xd;&#xa;Zeile&#x9;2 &lt;'&amp;&quot;> "
                  "]]&gt; _x005F_x0041_ _x0001_\"/>"));

    helper = loaded("<ADOBUILDER><FILTER></FILTER><SORT></SORT></ADOBUILDER>");
    EXPECT_EQ(helper.xml(), "<ADOBUILDER><FILTER/><SORT/></ADOBUILDER>");

    // Several attributes come out by name, the same in every run of the
    // program, whatever order they were read in.
    RecordText::Fields row;
    row.set("zahl", "3");
    row.set("Name", "Ä");
    row.set("id", "1");
    row.set("betrag", "2,5");
    helper = loaded(RecordText::write(row));
    EXPECT_EQ(helper.xml(), "<RECORDSET Name=\"Ä\" betrag=\"2,5\" id=\"1\" zahl=\"3\"/>");
    ControlInfo control;
    control.typ = int(ControlKind::Edit);
    control.name = "Ort";
    control.caption = "Ort & \"Land\"\r\n";
    control.font = FontDescription{"Arial\tNeu", 80, 700, 1};
    helper = loaded(control.toXml());
    EXPECT_EQ(helper.xml(),
              QStringLiteral("<CONTROLINFO TYP=\"1\"><NAME>Ort</NAME><LEFT>0</LEFT><RIGHT>0</RIGHT>"
                             "<TOP>0</TOP><BOTTOM>0</BOTTOM><CAPTION>Ort &amp; \"Land\"&#xd;\n"
                             "</CAPTION><FONT BOLD=\"700\" ITALIC=\"1\" NAME=\"Arial&#x9;Neu\" "
                             "SIZE=\"80\"/><ALIGN>Left</ALIGN><MULTILINE>False</MULTILINE>"
                             "</CONTROLINFO>"));
}

namespace {

// Every node that carries text, in document order, with its kind and the
// attributes by name: what loading a written document must give back.
QStringList textsOf(const QDomNode &node)
{
    QStringList texts;
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isElement()) {
            texts.append(QStringLiteral("<") + child.nodeName());
            const QDomNamedNodeMap attributes = child.attributes();
            QStringList pairs;
            for (int i = 0; i < attributes.count(); ++i)
                pairs.append(attributes.item(i).nodeName() + QLatin1Char('=') +
                             attributes.item(i).nodeValue());
            pairs.sort();
            texts += pairs;
            texts += textsOf(child);
        } else {
            texts.append(QString::number(child.nodeType()) + QLatin1Char(' ') + child.nodeName() +
                         QLatin1Char(' ') + child.nodeValue());
        }
    }
    return texts;
}

} // namespace

// QDom writes a line break after a processing instruction, and after a
// comment not followed by text; loaded again, the break became part of the
// text that follows, which so grew with every load and save.
TEST(CXmlHelper, WrittenDocumentsLoadBackToTheSameTexts)
{
    const QString source = QStringLiteral(
        "<?xml version='1.0' encoding='UTF-8'?><!DOCTYPE R><!--vorn--><R b='2' a=\"1\">"
        "<A>vor<?pi x?>nach</A><B>x<!--c-->2!-- c --><C/><!--d--><D/></B>"
        "<E><![CDATA[<c>]]>2]]&gt;<?p?> t\r\nu</E><F><?q d?><G/></F></R><?z z?><!--hinten-->");
    const CXmlHelper first = loaded(source);
    const QString written = first.xml();
    EXPECT_EQ(written,
              QStringLiteral("<?xml version='1.0' encoding='UTF-8'?><!DOCTYPE R><!--vorn-->"
                             "<R a=\"1\" b=\"2\"><A>vor<?pi x?>nach</A><B>x<!--c-->2!-- c --><C/>"
                             "<!--d--><D/></B><E><![CDATA[<c>]]>2]]&gt;<?p?> t\nu</E>"
                             "<F><?q d?><G/></F></R><?z z?><!--hinten-->"));
    const CXmlHelper second = loaded(written);
    EXPECT_EQ(second.xml(), written);
    EXPECT_EQ(textsOf(second.getXmlDocument()), textsOf(first.getXmlDocument()));
    EXPECT_EQ(first.getItemXml("A"), "<A>vor<?pi x?>nach</A>");
    EXPECT_EQ(first.getItemXml("F"), "<F><?q d?><G/></F>");

    // What the fuzzer found: an entity declared in the document type
    // (expanded while reading) and a text right after an instruction.
    const CXmlHelper declared = loaded(
        QStringLiteral("<!DOCTYPE a [<!ENTITY e \"&#60;b/&#62;\">]><a x=\"&e;\">&e;<![CDATA[<c>]]>"
                       "<?pi x?>2!-- c --></a>"));
    EXPECT_EQ(declared.xml(),
              "<!DOCTYPE a><a x=\"&lt;b/>\"><b/><![CDATA[<c>]]><?pi x?>2!-- c --></a>");
    const CXmlHelper again = loaded(declared.xml());
    EXPECT_EQ(again.xml(), declared.xml());
    EXPECT_EQ(textsOf(again.getXmlDocument()), textsOf(declared.getXmlDocument()));

    // An external document type keeps its identifiers and declarations.
    const CXmlHelper external =
        loaded("<!DOCTYPE R SYSTEM \"r.dtd\" [<!ENTITY x SYSTEM \"x.txt\">]><R>t</R>");
    const QString externalWritten = external.xml();
    EXPECT_TRUE(externalWritten.startsWith("<!DOCTYPE R SYSTEM 'r.dtd' ["))
        << externalWritten.toStdString();
    EXPECT_TRUE(externalWritten.endsWith("]><R>t</R>")) << externalWritten.toStdString();
    EXPECT_EQ(loaded(externalWritten).xml(), externalWritten);
}
