#include "facade/CKeloFilter.h"

#include "data/component/Variant.h"
#include "filter/CFilterDlg.h"
#include "filter/FilterTestSupport.h"
#include "support/ScriptedMessages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void click(QDialog *dialog, const char *button)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
}

TEST(CKeloFilter, InitComposesTheDocumentWithTheRemovedColumns)
{
    ScriptedMessages messages;
    CKeloFilter filter;
    filter.RemoveColumn("ID");
    filter.RemoveColumn("Stand");
    EXPECT_FALSE(
        filter.Init("/fehlt/kunden.mdb", "", "sa", "geheim", "Kunden", ns_qrttypen::KELO_ACCESS));
    EXPECT_EQ(filter.document(),
              "<ADOBUILDER DESIGNMODUS='@Designmodus'><FORMULARNAME>Kunden</FORMULARNAME>"
              "<DBNAME>/fehlt/kunden.mdb</DBNAME><SERVERNAME></SERVERNAME><USERID>sa</USERID>"
              "<PASSWORT>geheim</PASSWORT><TABELLENNAME>Kunden</TABELLENNAME>"
              "<DBTYP>ACCESS</DBTYP><FILTER></FILTER>"
              "<SUPPRESSCOLUMN AUTOVAL='false'>ID</SUPPRESSCOLUMN>"
              "<SUPPRESSCOLUMN AUTOVAL='false'>Stand</SUPPRESSCOLUMN></ADOBUILDER>");
    EXPECT_EQ(messages.texts().size(), 1) << "the failed connection is reported once";

    filter.RemoveColumn("Notiz"); // only the next Init sees it
    EXPECT_FALSE(filter.document().contains("Notiz"));
    EXPECT_FALSE(filter.Init("/fehlt/kunden", "127.0.0.1:1", "sa", "", "Kunden",
                             ns_qrttypen::KELO_POSTGRESQL));
    EXPECT_TRUE(filter.document().endsWith("<SUPPRESSCOLUMN AUTOVAL='false'>Notiz"
                                           "</SUPPRESSCOLUMN></ADOBUILDER>"));

    // A value that breaks the document fails without a message.
    messages.clear();
    EXPECT_FALSE(filter.Init("kunden.db", "", "", "", "Kunden<2>", ns_qrttypen::KELO_SQLITE));
    EXPECT_TRUE(messages.texts().isEmpty());
}

class CKeloFilterTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec({"CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40), ort VARCHAR(40))",
                 "INSERT INTO kunden VALUES (1, 'Meier', 'Köln'), (2, 'Schulz', 'Bonn')"});
    }

    bool init(CKeloFilter &filter)
    {
        return filter.Init(db.dbName(), db.serverName(), db.userId(), db.password(), "kunden",
                           ns_qrttypen::KELODBTyp(GetParam()));
    }

    ScriptedMessages messages;
};

TEST_P(CKeloFilterTest, AHostComposesAFilterAndGetsItsCondition)
{
    CKeloFilter filter;
    filter.RemoveColumn("ORT");
    ASSERT_TRUE(init(filter));
    onNextModal<CFilterDlg>([](CFilterDlg *dialog) {
        auto *column = dialog->findChild<QComboBox *>("column");
        EXPECT_EQ(column->count(), 2) << "the removed column is not offered";
        EXPECT_EQ(column->findText("ort"), -1);
        column->setCurrentIndex(column->findText("name"));
        QTest::keyClicks(dialog->findChild<QLineEdit *>("value"), "Meier");
        click(dialog, "add");
        click(dialog, "ok");
    });
    QString condition;
    ASSERT_TRUE(filter.ShowFilterDlg(condition));
    EXPECT_EQ(condition, " name='Meier'");

    // The criteria survive into the next dialog, and into the variant form.
    Variant value{QString()};
    onNextModal<CFilterDlg>([](CFilterDlg *dialog) {
        EXPECT_EQ(dialog->findChild<QListWidget *>("criteria")->count(), 1);
        click(dialog, "ok");
    });
    ASSERT_TRUE(filter.ShowFilterDlg(value));
    EXPECT_EQ(value, Variant(QStringLiteral(" name='Meier'")));
    value = Variant(QStringLiteral("vorher"));
    onNextModal<CFilterDlg>([](CFilterDlg *dialog) { click(dialog, "cancel"); });
    EXPECT_FALSE(filter.ShowFilterDlg(value));
    EXPECT_EQ(value, Variant(QStringLiteral("vorher")));

    // Copies share the store: resetting one empties the other's filter.
    CKeloFilter copy(filter);
    copy.ResetFilter();
    onNextModal<CFilterDlg>([](CFilterDlg *dialog) {
        EXPECT_EQ(dialog->findChild<QListWidget *>("criteria")->count(), 0);
        click(dialog, "cancel");
    });
    EXPECT_FALSE(filter.ShowFilterDlg(condition));

    // A form's own document configures the filter as well.
    const QString document = QString(filter.document())
                                 .replace("<FILTER></FILTER>", "<FILTER></FILTER><SORT></SORT>")
                                 .replace("</ADOBUILDER>", "<SUPPRESSCOLUMN>id</SUPPRESSCOLUMN>"
                                                           "</ADOBUILDER>");
    ASSERT_TRUE(filter.Init(document));
    EXPECT_EQ(filter.document(), document);
    onNextModal<CFilterDlg>([](CFilterDlg *dialog) {
        EXPECT_EQ(dialog->findChild<QComboBox *>("column")->count(), 1) << "only name is left";
        click(dialog, "cancel");
    });
    EXPECT_FALSE(filter.ShowFilterDlg(condition));
    EXPECT_TRUE(messages.texts().isEmpty());
}

QRT_INSTANTIATE_FOR_ENGINES(CKeloFilterTest);

} // namespace
