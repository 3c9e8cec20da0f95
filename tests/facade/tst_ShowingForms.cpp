// A host showing forms through the facade: modal with the key of the first
// saved record as result, modeless with re-filtering, enabling and closing.

#include "data/CTabInfo.h"
#include "facade/CKeloForm.h"
#include "resources/CommandTable.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "support/CustomerForm.h"
#include "support/FormDriver.h"
#include "support/ScriptedMessages.h"

#include "filter/FilterTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using Answer = UserMessages::Answer;

namespace {

class ShowingFormsTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        CTabInfo::ClearConString();
        CustomerForm::create(db, 5);
        CustomerForm::init(facade, db);
    }

    void TearDown() override
    {
        EXPECT_TRUE(messages.unscriptedQuestions().isEmpty())
            << messages.unscriptedQuestions().join('\n').toStdString();
    }

    static QString shown(CFormDlg *dialog, const char *name)
    {
        return FormDriver(dialog).shown(QString::fromUtf8(name));
    }
    static void retype(CFormDlg *dialog, const char *name, const char *text)
    {
        ASSERT_TRUE(FormDriver(dialog).retype(QString::fromUtf8(name), QString::fromUtf8(text)));
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    // A modal form as the user finds it: up, with the keyboard.
    static void waitUntilActive(CFormDlg *dialog)
    {
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        EXPECT_NE(QApplication::focusWidget(), nullptr);
    }

    ScriptedMessages messages;
    CKeloForm facade; // goes first: it closes a modeless form still open
};

TEST_P(ShowingFormsTest, ShowFormReturnsTheKeyOfTheFirstRecordSaved)
{
    onNextModal<CFormDlg>([](CFormDlg *dialog) {
        waitUntilActive(dialog);
        EXPECT_EQ(shown(dialog, "name"), CustomerForm::nameOf(5)) << "sorted as asked";
        press(Qt::Key_PageDown);
        retype(dialog, "ort", "Zweiter");
        press(Qt::Key_S, Qt::ControlModifier);
        press(Qt::Key_PageDown);
        press(Qt::Key_PageDown);
        retype(dialog, "ort", "Dritter");
        press(Qt::Key_S, Qt::ControlModifier);
        press(Qt::Key_Escape);
    });
    EXPECT_EQ(facade.ShowForm(QString(), QStringLiteral("name DESC")), 4);
    EXPECT_EQ(db.scalar("SELECT ort FROM kunden WHERE id = 2"), "Dritter");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();

    // Closed without a save: -1.
    onNextModal<CFormDlg>([](CFormDlg *dialog) {
        waitUntilActive(dialog);
        EXPECT_EQ(shown(dialog, "name"), CustomerForm::nameOf(3)) << "filtered as asked";
        press(Qt::Key_PageDown);
        dialog->close();
    });
    EXPECT_EQ(facade.ShowForm(QStringLiteral("ort = 'Aachen'")), -1);

    // On a new record: the key the new record received.
    onNextModal<CFormDlg>([](CFormDlg *dialog) {
        waitUntilActive(dialog);
        EXPECT_EQ(shown(dialog, "name"), "");
        EXPECT_EQ(dialog->positionText(), "Neuer Datensatz (5 vorhanden)");
        QTest::keyClicks(QApplication::focusWidget(), "Ganz neu");
        press(Qt::Key_Q, Qt::ControlModifier);
    });
    EXPECT_EQ(facade.ShowForm(QString(), QString(), true), 6);
    EXPECT_EQ(db.scalar("SELECT name FROM kunden WHERE id = 6"), "Ganz neu");
    EXPECT_EQ(CKeloForm::m_ulTickCount, 0u);
    EXPECT_FALSE(facade.IsOpen()) << "a modal form is never the modeless one";
}

TEST_P(ShowingFormsTest, OpenFormTwiceFiltersTheOpenFormAgain)
{
    QWidget host;
    host.show();
    facade.OpenForm(QStringLiteral("ort = 'Köln'"), &host);
    ASSERT_TRUE(facade.IsOpen());
    CFormDlg *dialog = facade.modelessDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(shown(dialog, "name"), CustomerForm::nameOf(2));

    retype(dialog, "name", "Umbenannt");
    messages.answer(Answer::Yes);
    facade.OpenForm(QStringLiteral("ort = 'Aachen'"));
    EXPECT_EQ(facade.modelessDialog(), dialog) << "no second window";
    EXPECT_EQ(messages.questions(), QStringList("Den aktuellen Datensatz speichern?"));
    EXPECT_EQ(db.scalar("SELECT name FROM kunden WHERE id = 2"), "Umbenannt");
    EXPECT_EQ(shown(dialog, "name"), CustomerForm::nameOf(3));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 1");

    // Disabled by the host, the form takes no record commands; the next
    // OpenForm enables it again.
    facade.EnableForm(false);
    EXPECT_FALSE(FormDriver(dialog).field("name")->isEnabled());
    EXPECT_FALSE(dialog->commandAction(CommandTable::IdRecordNew)->isEnabled());
    facade.OpenForm(QString());
    EXPECT_TRUE(FormDriver(dialog).field("name")->isEnabled());
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 5");

    facade.CloseForm();
    EXPECT_FALSE(facade.IsOpen());
    EXPECT_EQ(messages.questions().size(), 1) << "the host closes without a question";
}

TEST_P(ShowingFormsTest, IsOpenIsFalseOnceTheUserHasClosedTheForm)
{
    facade.OpenForm(QString());
    QPointer<CFormDlg> dialog = facade.modelessDialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    retype(dialog, "ort", "Anders");
    messages.answer(Answer::No);
    press(Qt::Key_Escape);
    EXPECT_EQ(messages.questions(), QStringList("Den aktuellen Datensatz speichern?"));
    QTRY_VERIFY(!facade.IsOpen());
    EXPECT_TRUE(dialog.isNull()) << "the dialog is gone with it";

    // The menu's Beenden closes a modeless form at once, as its host does.
    facade.OpenForm(QString());
    dialog = facade.modelessDialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    retype(dialog, "ort", "Verworfen");
    messages.clear();
    dialog->commandAction(CommandTable::IdAppExit)->trigger();
    QTRY_VERIFY(!facade.IsOpen());
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(db.scalar("SELECT ort FROM kunden WHERE id = 1"), "Bonn");

    // The facade's end closes a form still open.
    {
        CKeloForm second;
        CustomerForm::init(second, db);
        second.OpenForm(QString());
        dialog = second.modelessDialog();
        ASSERT_FALSE(dialog.isNull());
    }
    EXPECT_TRUE(dialog.isNull());
}

TEST_P(ShowingFormsTest, DesignFormOpensTheEditorAndShowFormNeedsInit)
{
    onNextModal<CFormDlg>([](CFormDlg *dialog) {
        EXPECT_TRUE(dialog->IsDesignMode());
        EXPECT_NE(dialog->GetFormHost(), nullptr);
        dialog->reject();
    });
    messages.answer(Answer::No);
    facade.DesignForm();
    EXPECT_EQ(messages.questions(), QStringList("Möchten Sie das Formular jetzt speichern?"));

    messages.clear();
    CKeloForm uninitialised;
    EXPECT_EQ(uninitialised.ShowForm(), -1);
    uninitialised.OpenForm(QString());
    uninitialised.DesignForm();
    EXPECT_FALSE(uninitialised.IsOpen());
    EXPECT_EQ(messages.texts(), QStringList(3, "Ungültige Datenbankparameter gesetzt!"));

    // A form that cannot be built: the reason, and -1.
    messages.clear();
    CKeloForm missing;
    missing.Init(db.dbName(), db.serverName(), db.userId(), db.password(),
                 QStringLiteral("gibtsnicht"),
                 db.kind() == DatabaseKind::PostgreSql ? ns_qrttypen::KELO_POSTGRESQL
                                                       : ns_qrttypen::KELO_SQLITE);
    // No empty window waits to be closed.
    EXPECT_EQ(missing.ShowForm(), -1);
    EXPECT_FALSE(missing.lastFormBuilt());
    EXPECT_EQ(messages.texts().last(), "Der Formulargenerator konnte nicht initialisiert werden!");

    // A filter the engine refuses: its words, then the same.
    messages.clear();
    EXPECT_EQ(facade.ShowForm(QStringLiteral("nichtda = 1")), -1);
    EXPECT_FALSE(facade.lastFormBuilt());
    ASSERT_EQ(messages.texts().size(), 2) << messages.texts().join('\n').toStdString();
    EXPECT_TRUE(messages.texts().first().contains("nichtda"));
    EXPECT_EQ(messages.texts().last(), "Der Formulargenerator konnte nicht initialisiert werden!");
}

QRT_INSTANTIATE_FOR_ENGINES(ShowingFormsTest);

} // namespace
