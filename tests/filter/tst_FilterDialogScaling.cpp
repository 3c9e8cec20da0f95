#include "FilterTestSupport.h"

#include "controls/CComboBoxExt.h"
#include "filter/CFilterDlg.h"
#include "filter/CInhaltDlg.h"
#include "filter/CSqlFilterDlg.h"
#include "platform/RecordingMessages.h"
#include "support/Pictures.h"

#include <gtest/gtest.h>

// The filter dialogs on a 1280x800 screen at 200 % scaling, where their
// template sizes in a larger font no longer fit unless they are laid out.
namespace {

QRT_CHILD_ACTION(filterDialogsAt200Percent, [](const QStringList &args) {
    if (const QString problem = Pictures::screenProblem(); !problem.isEmpty())
        return Pictures::report({problem});
    RecordingMessages messages;
    ScopedUserMessages installed(messages);
    CFilterMgr store;
    QString document = QStringLiteral(
        "<ADOBUILDER DESIGNMODUS='false'><FORMULARNAME>kunden</FORMULARNAME><DBNAME>%1</DBNAME>"
        "<SERVERNAME></SERVERNAME><USERID></USERID><PASSWORT></PASSWORT><TABELLENNAME>kunden"
        "</TABELLENNAME><DBTYP>SQLITE</DBTYP><FILTER></FILTER><SORT></SORT></ADOBUILDER>");
    if (!store.LoadConfig(document.arg(args.at(0))))
        return Pictures::report(messages.texts());
    store.AddCriterion(store.FindColumn("name"), FilterCondition::Contains, "Meier", QDate());
    store.AddCriterion(store.FindColumn("seit"), FilterCondition::Greater, QString(),
                       QDate(2020, 5, 17));

    QStringList problems;
    CFilterDlg dialog(&store);
    auto *column = dialog.findChild<CComboBoxExt *>("column");
    column->setCurrentIndex(column->findText("lieferadresse_ort"));
    problems << Pictures::checkWindow(&dialog, "filter-200.png");
    column->setCurrentIndex(column->findText("seit"));
    problems << Pictures::checkWindow(&dialog, "filter-200-date.png");
    const QStringList values = {"Brien", "Meier"};
    CInhaltDlg picker;
    picker.setValues(&values);
    problems << Pictures::checkWindow(&picker, "picker-200.png");
    CSqlFilterDlg statement;
    statement.setStatement(store.GetSelectStatement());
    problems << Pictures::checkWindow(&statement, "sql-200.png");
    return Pictures::report(problems);
});

} // namespace

TEST(FilterDialogScaling, At200PercentOnA1280x800ScreenEveryTextIsWhole)
{
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
    createKunden(db);
    db.exec("ALTER TABLE kunden ADD COLUMN lieferadresse_ort VARCHAR(40)");
    const ChildProcess::Result result =
        Pictures::runAt200Percent("filterDialogsAt200Percent", {db.dbName()});
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    const QImage filter(Pictures::path("filter-200.png"));
    EXPECT_GT(filter.width(), 800) << "drawn at 200 %";
    EXPECT_LE(filter.width(), 1280);
}
