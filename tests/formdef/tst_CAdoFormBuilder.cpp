#include "FormTestSupport.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"
#include "controls/CDynPicture.h"
#include "controls/CDynStatic.h"
#include "controls/ControlGeometry.h"
#include "runtime/CForm.h"

namespace {

using GeneratedFormTest = FormBuilderTest;

// The widest character and the line height of the default font.
struct Metrics
{
    int wide;
    int high;
};

Metrics metricsOf(const CDynControl &control)
{
    const QFontMetrics metrics(control.GetFont());
    return {ControlGeometry::widestCharacterWidth(metrics), metrics.height()};
}

TEST_P(GeneratedFormTest, WithoutAStoredFormOnlyDesignModeOpensAndGeneratesTheColumns)
{
    createKunden(db);
    EXPECT_EQ(build(false), nullptr);
    EXPECT_EQ(messages.texts(), QStringList("Das Formular kunden existiert noch nicht."));
    EXPECT_TRUE(host.findChildren<CForm *>().isEmpty()) << "no empty form is left behind";
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORM"), "0") << "the tables were made";
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM"), "0");

    messages.clear();
    FormWindow *form = build(true);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(namesOn(form), QStringList({"id_TITEL", "id", "name_TITEL", "name", "betrag_TITEL",
                                          "betrag", "seit_TITEL", "seit", "aktiv"}))
        << "a check box needs no label";
    EXPECT_EQ(pool(), QStringList({"1000 id_TITEL", "1001 id", "1002 name_TITEL", "1003 name",
                                   "1004 betrag_TITEL", "1005 betrag", "1006 seit_TITEL",
                                   "1007 seit", "1008 aktiv"}));

    // Rows from the top, 5 pixels apart; labels at x = 10, fields 5 pixels
    // right of their label, each as wide as its text allows.
    const Metrics m = metricsOf(*control("id"));
    int rowTop = 5;
    for (const char *column : {"id", "name", "betrag", "seit"}) {
        const CDynControl *label = control((QString(column) + "_TITEL").toUtf8().constData());
        const CDynControl *field = control(column);
        SCOPED_TRACE(column);
        EXPECT_EQ(label->GetRect(), QRect(10, rowTop, int(strlen(column)) * m.wide, m.high + 4));
        EXPECT_EQ(field->Left(), label->Right() + 5);
        EXPECT_EQ(field->Top(), rowTop);
        EXPECT_EQ(field->GetRect().height(), m.high + 7);
        rowTop = field->Bottom() + 5;
    }
    EXPECT_EQ(control("aktiv")->GetRect(), QRect(10, rowTop, 8 * m.wide, m.high + 4));
    EXPECT_EQ(control("id")->GetRect().width(), 6 * m.wide + 4) << "room for 6 digits";
    EXPECT_EQ(control("betrag")->GetRect().width(), 8 * m.wide + 4);
    EXPECT_EQ(control("name")->GetRect().width(), 20 * m.wide + 4) << "its column's size";
    EXPECT_EQ(control("seit")->GetRect().width(), 4 * m.wide + 4) << "its caption's width";
    EXPECT_EQ(form->extent(),
              QRect(0, 0, control("name")->Right() + 15, control("aktiv")->Bottom()));

    // The fields take what their columns hold.
    const auto *id = qobject_cast<CDynEdit *>(control("id"));
    const auto *name = qobject_cast<CDynEdit *>(control("name"));
    const auto *amount = qobject_cast<CDynEdit *>(control("betrag"));
    ASSERT_TRUE(id && name && amount);
    EXPECT_EQ(id->GetInputKind(), InputKind::WholeNumber);
    EXPECT_EQ(amount->GetInputKind(), InputKind::DecimalNumber);
    EXPECT_EQ(name->GetInputKind(), InputKind::FreeText);
    EXPECT_EQ(name->GetMaxLength(), 20);
    EXPECT_NE(qobject_cast<CDynDateTime *>(control("seit")), nullptr);
    EXPECT_NE(qobject_cast<CDynCheckbox *>(control("aktiv")), nullptr);
    EXPECT_EQ(control("seit")->GetCaption(), "seit");
}

TEST_P(GeneratedFormTest, OtherColumnsGetLabelledTextFieldsAndSuppressedOnesNothing)
{
    const char *binary = GetParam() == DatabaseKind::PostgreSql ? "BYTEA" : "BLOB";
    db.exec(QStringLiteral("CREATE TABLE dokumente (nr INT PRIMARY KEY, inhalt %1, notiz TEXT, "
                           "intern INT)")
                .arg(binary));
    FormWindow *form = build(true, QStringLiteral("dokumente"), {QStringLiteral("INTERN")});
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(namesOn(form),
              QStringList({"nr_TITEL", "nr", "inhalt_TITEL", "inhalt", "notiz_TITEL", "notiz"}));
    // Bytes as a picture, of a size to show one.
    const auto *content = qobject_cast<CDynPicture *>(control("inhalt"));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->GetRect().size(), QSize(160, 120));
    EXPECT_EQ(content->GetTyp(), int(ControlKind::Edit)) << "an edit field to older readers";
    // A long text is as wide as 50 characters and takes any length.
    const auto *notes = qobject_cast<CDynEdit *>(control("notiz"));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->GetRect().width(), 50 * metricsOf(*notes).wide + 4);
    EXPECT_EQ(notes->GetMaxLength(), 0);
    EXPECT_EQ(control("intern"), nullptr);
}

TEST_P(GeneratedFormTest, ADatabaseOrTableThatCannotBeOpenedIsReportedAndMakesNoForm)
{
    createKunden(db);
    EXPECT_EQ(build(true, QStringLiteral("lieferanten")), nullptr);
    ASSERT_GE(messages.texts().size(), 2);
    EXPECT_TRUE(messages.texts().first().contains("lieferanten"));
    EXPECT_EQ(messages.texts().last(), "AdoFormBuilder: Connect zur Datenbank ist fehlgeschlagen!");
    EXPECT_TRUE(host.findChildren<CForm *>().isEmpty());

    messages.clear();
    builder = std::make_unique<CAdoFormBuilder>();
    QString document = formDocument(db, QStringLiteral("kunden"), true);
    document.replace(db.dbName(), db.dbName() + QStringLiteral("_fehlt"));
    EXPECT_EQ(builder->CreateForm(&host, true, document), nullptr);
    ASSERT_EQ(messages.texts().size(), 2) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(messages.texts().last(), "AdoFormBuilder: Connect zur Datenbank ist fehlgeschlagen!");
}

QRT_INSTANTIATE_FOR_ENGINES(GeneratedFormTest);

} // namespace
