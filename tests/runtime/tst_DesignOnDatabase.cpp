#include "EditorTestSupport.h"

#include "controls/CDynEdit.h"
#include "dialogs/CCtrlPropDlg.h"
#include "dialogs/CFormPropDlg.h"
#include "dialogs/CTabOrderDlg.h"
#include "formdef/FormTestSupport.h"
#include "resources/CommandTable.h"
#include "runtime/FormEditor.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUndoStack>

namespace {

// A form in design mode on a database, edited by mouse, keyboard and the
// design dialogs, saved, and loaded again.
class DesignOnDatabaseTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        CTabInfo::ClearConString();
        createKunden(db);
        host.show();
    }

    CForm *open(TestFormHost &on, bool designMode)
    {
        if (!on.GetFormMgr()->CreateForm(&on, formDocument(db, "kunden", designMode), false))
            return nullptr;
        return on.GetFormMgr()->GetForm();
    }

    // Every control on the form with its place, text and look, in order.
    static QStringList layoutOf(const CForm *form)
    {
        QStringList records;
        for (const CDynControl *control : form->controls())
            records << control->GetControlInfo();
        return records;
    }

    static CDynControl *on(const CForm *form, const char *name)
    {
        return form->findControl(QString::fromLatin1(name));
    }

    ScriptedMessages messages;
    TestFormHost host;
};

TEST_P(DesignOnDatabaseTest, EveryKindOfChangeIsOneStepAndTheSavedLayoutComesBack)
{
    CForm *form = open(host, true);
    ASSERT_NE(form, nullptr) << messages.texts().join('\n').toStdString();
    QUndoStack *history = form->undoStack();
    FormMouse mouse(form);
    ASSERT_EQ(namesOn(form), QStringList({"id_TITEL", "id", "name_TITEL", "name", "betrag_TITEL",
                                          "betrag", "seit_TITEL", "seit", "aktiv"}));
    const QRect nameAt = on(form, "name")->GetRect();

    // Moved by the mouse.
    const QPoint grip = nameAt.center();
    mouse.drag(grip, grip + QPoint(40, 0));
    EXPECT_EQ(on(form, "name")->GetRect(), nameAt.translated(40, 0));

    // A caption drawn where there is room.
    QTimer::singleShot(0, [&mouse] { mouse.drag(QPoint(420, 20), QPoint(300, 45)); });
    host.DateiAddStatic();
    CDynControl *caption = form->controls().last();
    EXPECT_TRUE(caption->GetName().startsWith("FELD_") && caption->GetName().endsWith("_TITEL"));
    EXPECT_EQ(caption->GetRect(), QRect(300, 20, 120, 25));
    EXPECT_EQ(selectedOn(form), QStringList(caption->GetName())) << "ready to be worked on";
    EXPECT_EQ(history->undoText(), "Überschrift einfügen");

    // Its properties: a title of its own.
    whenDialogOpens<CCtrlPropDlg>([](CCtrlPropDlg &dialog) {
        dialog.findChild<QLineEdit *>("title")->setText(QStringLiteral("Stammdaten"));
        dialog.accept();
    });
    QTest::keyClick(form, Qt::Key_Return);
    EXPECT_EQ(caption->GetCaption(), "Stammdaten");

    // The field layout: "betrag" off the form, "aktiv" first.
    whenDialogOpens<CTabOrderDlg>([](CTabOrderDlg &dialog) {
        auto *shown = dialog.findChild<QListWidget *>("shown");
        shown->setCurrentRow(2);
        QTest::keyClick(shown, Qt::Key_Delete);
        shown->setCurrentRow(shown->count() - 1);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(shown, Qt::Key_Up, Qt::ControlModifier);
        dialog.findChild<QPushButton *>("ok")->click();
    });
    host.DateiTabOrder();
    const QStringList arranged = {"aktiv",    "id",         "name",       "seit",
                                  "id_TITEL", "name_TITEL", "seit_TITEL", caption->GetName()};
    EXPECT_EQ(namesOn(form), arranged);
    EXPECT_EQ(history->undoText(), "Felder anordnen");

    // The form's raster and title.
    whenDialogOpens<CFormPropDlg>([](CFormPropDlg &dialog) {
        dialog.findChild<QLineEdit *>("rasterX")->setText("20");
        dialog.findChild<QLineEdit *>("title")->setText(QStringLiteral("Kundenstamm"));
        dialog.accept();
    });
    form->editor()->editFormProperties();
    EXPECT_EQ(host.GetTitle(), "Kundenstamm");
    EXPECT_EQ(history->count(), 5);

    // The field layout undoes as one step: the field and its label come
    // back, the order is what it was.
    history->undo();
    history->undo();
    EXPECT_EQ(namesOn(form).size(), 10);
    EXPECT_TRUE(on(form, "betrag") && on(form, "betrag_TITEL"));
    EXPECT_EQ(namesOn(form).first(), "id_TITEL");
    history->redo();
    history->redo();
    EXPECT_EQ(namesOn(form), arranged);

    const QStringList saved = layoutOf(form);
    const QRect window = host.GetWindowRect();
    ASSERT_TRUE(host.DateiSpeichern()) << messages.texts().join('\n').toStdString();

    // Loaded anew on another host: the same form.
    TestFormHost other;
    other.show();
    CForm *loaded = open(other, true);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(layoutOf(loaded), saved);
    EXPECT_EQ(loaded->rasterX(), 20);
    EXPECT_EQ(other.GetTitle(), "Kundenstamm");
    EXPECT_EQ(other.GetWindowRect(), window);
    EXPECT_EQ(loaded->undoStack()->count(), 0) << "a loaded form starts a new history";
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

QRT_INSTANTIATE_FOR_ENGINES(DesignOnDatabaseTest);

} // namespace
