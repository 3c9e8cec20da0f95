#include "facade/CKeloForm.h"
#include "xml/CXmlHelper.h"

#include <gtest/gtest.h>

using ns_qrttypen::KELODBTyp;
using EntryPoint = CKeloForm::EntryPoint;

namespace {

const QString kComposed = QStringLiteral(
    "<ADOBUILDER DESIGNMODUS='@Designmodus'><FORMULARNAME>Kunden</FORMULARNAME>"
    "<DBNAME>daten.mdb</DBNAME><SERVERNAME>srv</SERVERNAME><USERID>sa</USERID>"
    "<PASSWORT>geheim</PASSWORT><TABELLENNAME>Kunden</TABELLENNAME><DBTYP>ACCESS</DBTYP>"
    "<FILTER></FILTER><SORT></SORT>@SuppressColumns</ADOBUILDER>");

void init(CKeloForm &form, KELODBTyp type = ns_qrttypen::KELO_ACCESS)
{
    form.Init("daten.mdb", "srv", "sa", "geheim", "Kunden", type);
}

} // namespace

TEST(CKeloForm, InitComposesTheDocumentWithTheDbTypOfEachKind)
{
    CKeloForm form;
    EXPECT_TRUE(form.document().isEmpty());
    init(form);
    EXPECT_EQ(form.document(), kComposed);

    // An unknown kind falls back to SQL Server; Init replaces, never appends.
    const std::pair<int, const char *> kinds[] = {
        {7, "SQLSERVER"}, {3, "SQLITE"}, {4, "POSTGRESQL"}, {2, "SQLSERVER"}, {1, "ACCESS"}};
    for (const auto &[value, text] : kinds) {
        init(form, static_cast<KELODBTyp>(value));
        QString expected = kComposed;
        expected.replace("ACCESS", QString::fromLatin1(text));
        EXPECT_EQ(form.document(), expected) << "kind " << value;
    }
}

TEST(CKeloForm, FillingPerEntryPoint)
{
    CKeloForm form;
    init(form);
    const QString filter = "Ort = 'Bonn'";
    const QString sort = "Name DESC";

    EXPECT_EQ(form.FilledDocument(EntryPoint::ShowForm, filter, sort),
              QStringLiteral("<ADOBUILDER DESIGNMODUS='false'><FORMULARNAME>Kunden</FORMULARNAME>"
                             "<DBNAME>daten.mdb</DBNAME><SERVERNAME>srv</SERVERNAME>"
                             "<USERID>sa</USERID><PASSWORT>geheim</PASSWORT>"
                             "<TABELLENNAME>Kunden</TABELLENNAME><DBTYP>ACCESS</DBTYP>"
                             "<FILTER>Ort = 'Bonn'</FILTER><SORT>Name DESC</SORT></ADOBUILDER>"));

    struct Expected
    {
        EntryPoint entry;
        const char *designMode, *filter, *sort;
    };
    const Expected cases[] = {{EntryPoint::OpenForm, "false", "Ort = 'Bonn'", ""},
                              {EntryPoint::DesignForm, "true", "", ""}};
    for (const Expected &expected : cases) {
        CXmlHelper helper;
        ASSERT_TRUE(helper.loadXml(form.FilledDocument(expected.entry, filter, sort)));
        EXPECT_EQ(helper.getAttributeValue(QDomNode(), "DESIGNMODUS"),
                  QLatin1String(expected.designMode));
        EXPECT_EQ(helper.getItemText("FILTER"), QLatin1String(expected.filter));
        EXPECT_EQ(helper.getItemText("SORT"), QLatin1String(expected.sort));
        EXPECT_FALSE(helper.xml().contains(QLatin1Char('@')));
    }
    EXPECT_EQ(form.document(), kComposed); // showing never changes what Init stored
}

TEST(CKeloForm, RemovedColumnsStandInCallOrderSurviveInitAndAreCopied)
{
    CKeloForm form;
    form.RemoveColumn("ID", true);
    init(form, ns_qrttypen::KELO_SQLITE);
    form.RemoveColumn("STAND", false);
    init(form);

    const QString tail = QStringLiteral("</SORT><SUPPRESSCOLUMN AUTOVAL='true'>ID</SUPPRESSCOLUMN>"
                                        "<SUPPRESSCOLUMN AUTOVAL='false'>STAND</SUPPRESSCOLUMN>"
                                        "</ADOBUILDER>");
    for (EntryPoint entry : {EntryPoint::ShowForm, EntryPoint::OpenForm, EntryPoint::DesignForm})
        EXPECT_TRUE(form.FilledDocument(entry).endsWith(tail));

    const CKeloForm copy(form);
    CKeloForm assigned;
    assigned.RemoveColumn("ALT", false);
    assigned = form;
    form.RemoveColumn("SPAETER", false);
    form.Init(QString(), QString(), QString(), QString(), "T", ns_qrttypen::KELO_SQLSERVER);
    for (const CKeloForm *other : {&copy, static_cast<const CKeloForm *>(&assigned)}) {
        EXPECT_EQ(other->document(), kComposed);
        EXPECT_TRUE(other->FilledDocument(EntryPoint::ShowForm).endsWith(tail));
    }
}

TEST(CKeloForm, ValuesGoInVerbatim)
{
    CKeloForm form;
    init(form);
    form.RemoveColumn("ID", false);

    // Unescaped markup characters break the document; the form manager shows why.
    for (const QString &filter : QStringList{"Betrag < 5", "Firma = 'A & B'"}) {
        CXmlHelper helper;
        EXPECT_FALSE(helper.loadXml(form.FilledDocument(EntryPoint::ShowForm, filter, QString())));
        EXPECT_FALSE(helper.parseError().isEmpty());
    }
    // Passed through DocumentText, every plain text arrives as written.
    CXmlHelper helper;
    for (const QString &plain : QStringList{"Firma = 'A & B'", "Betrag < 5 AND Betrag > 1",
                                            "Name = \"O'Neil\"", "Ort = '&amp;'"}) {
        ASSERT_TRUE(helper.loadXml(form.FilledDocument(
            EntryPoint::ShowForm, CKeloForm::DocumentText(plain), CKeloForm::DocumentText(plain))));
        EXPECT_EQ(helper.getItemText("FILTER"), plain);
        EXPECT_EQ(helper.getItemText("SORT"), plain);
    }

    // Placeholder names inside the host's filter reach the form as written.
    const QString filter = "Notiz LIKE '%@SuppressColumns%@Designmodus'";
    ASSERT_TRUE(helper.loadXml(form.FilledDocument(EntryPoint::ShowForm, filter, QString())));
    EXPECT_EQ(helper.getItemText("FILTER"), filter);
    EXPECT_EQ(helper.getItemText("SUPPRESSCOLUMN"), "ID");
}
