// The record cycle of a form as a user runs it: paging, changing, saving,
// adding, deleting, undoing, filtering and closing, through the keys, the
// menu and the tool bar of the real form dialog, on every engine.

#include "FormDialogTestSupport.h"

#include "filter/CFilterDlg.h"
#include "runtime/FormEditor.h"

#include "filter/FilterTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace CommandTable;
using Answer = UserMessages::Answer;

namespace {

const QString kSaveQuestion = QStringLiteral("Den aktuellen Datensatz speichern?");

using RecordCycleTest = FormDialogTest;

TEST_P(RecordCycleTest, PagingWithoutChangesAsksNothing)
{
    openData();
    ASSERT_NE(form(), nullptr) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(dialog->windowTitle(), "Kunden");
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
    EXPECT_EQ(QApplication::focusWidget(), field("name")) << "the first field takes the keys";

    press(Qt::Key_PageDown);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(2));
    EXPECT_EQ(shown("ort"), "Köln");
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(5));
    press(Qt::Key_PageDown);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(5)) << "the last record stays";
    click(IdRecordPrevious);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(4));
    choose(IdRecordFirst);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
    press(Qt::Key_PageUp);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1)) << "the first record stays";
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();

    // Each kind of field shows its column's value.
    press(Qt::Key_PageDown);
    press(Qt::Key_PageDown);
    EXPECT_EQ(shown("termin"), "10.03.2021 14:30");
    EXPECT_EQ(shown("betrag"), "1,0");
    EXPECT_EQ(shown("notiz"), "Notiz zu Kunde 3");
    EXPECT_TRUE(qobject_cast<CDynCheckbox *>(control("aktiv"))->IsChecked());
    press(Qt::Key_PageDown);
    EXPECT_FALSE(qobject_cast<CDynCheckbox *>(control("aktiv"))->IsChecked());
    EXPECT_EQ(shown("notiz"), "") << "a Null shows empty";
}

TEST_P(RecordCycleTest, AChangedRecordIsOfferedForSavingOnceYesSavesNoDiscards)
{
    openData();
    retype("ort", "Bad Godesberg");
    messages.answer(Answer::Yes);
    press(Qt::Key_PageDown);
    EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion));
    EXPECT_EQ(stored("ort", 1), "Bad Godesberg");
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(2));

    messages.clear();
    retype("name", "Verworfen");
    QWidget *box = field("aktiv");
    QTest::mouseClick(box, Qt::LeftButton);
    messages.answer(Answer::No);
    click(IdRecordNext);
    EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion)) << "one question for the record";
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(3)) << "No moves on";
    EXPECT_EQ(stored("name", 2), CustomerForm::nameOf(2));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden WHERE id = 2 AND aktiv"), "0");

    // Coming back shows what is stored, and moving on asks nothing.
    messages.clear();
    press(Qt::Key_PageUp);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(2));
    EXPECT_FALSE(qobject_cast<CDynCheckbox *>(control("aktiv"))->IsChecked());
    press(Qt::Key_PageUp);
    EXPECT_EQ(shown("ort"), "Bad Godesberg");
    EXPECT_TRUE(messages.texts().isEmpty());

    // Ctrl+S saves without asking, and a save that the data refuses keeps
    // the user on the record with what was typed.
    retype("betrag", "12,5");
    EXPECT_EQ(shown("betrag"), "12,5");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden WHERE id = 1 AND betrag = 12.5"), "1");
    retype("name", "");
    messages.answer(Answer::Yes);
    press(Qt::Key_PageDown);
    EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion));
    EXPECT_EQ(messages.texts().size(), 2) << "and why it was not saved";
    EXPECT_EQ(shown("ort"), "Bad Godesberg") << "still on the record";
    EXPECT_EQ(shown("name"), "");
    EXPECT_TRUE(control("name")->IsModified());
    EXPECT_EQ(stored("name", 1), CustomerForm::nameOf(1));
}

TEST_P(RecordCycleTest, ANewRecordGetsTheNextFreeKey)
{
    openData();
    press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(shown("name"), "");
    EXPECT_EQ(shown("termin"), "");
    EXPECT_EQ(QApplication::focusWidget(), field("name"));
    EXPECT_EQ(dialog->positionText(), "Neuer Datensatz (5 vorhanden)");

    QTest::keyClicks(field("name"), "Neukunde");
    retype("termin", "1.2.2022");
    retype("betrag", "7,25");
    QTest::mouseClick(field("aktiv"), Qt::LeftButton);
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(db.scalar("SELECT name FROM kunden WHERE id = 6"), "Neukunde");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden WHERE id = 6 AND aktiv AND betrag = 7.25 "
                        "AND ort IS NULL AND notiz IS NULL"),
              "1");
    EXPECT_TRUE(db.scalar("SELECT termin FROM kunden WHERE id = 6").startsWith("2022-02-01"));
    EXPECT_EQ(dialog->GetFormHost()->GetFirstUpdateKey(), 6);
    EXPECT_EQ(dialog->positionText(), "Datensatz 6 von 6");

    // A second new record, left without a change, is dropped by the move.
    click(IdRecordNew);
    press(Qt::Key_PageUp);
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "6");
    EXPECT_EQ(dialog->GetFormHost()->GetFirstUpdateKey(), 6);
}

TEST_P(RecordCycleTest, DeletingAsksAndOnlyYesDeletes)
{
    openData();
    press(Qt::Key_PageDown);
    messages.answer(Answer::No);
    click(IdRecordDelete);
    ASSERT_EQ(messages.questions(), QStringList("Diesen Datensatz wirklich löschen?"));
    EXPECT_EQ(messages.messages().first().consequence, UserMessages::Consequence::Destructive);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "5");
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(2));

    // The menu by keyboard: F10, then down to "Datensatz löschen".
    messages.answer(Answer::Yes);
    press(Qt::Key_F10);
    QWidget *menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr) << "F10 opens the menu";
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden WHERE id = 2"), "0");
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(3)) << "the next record shows";
    EXPECT_EQ(dialog->positionText(), "Datensatz 2 von 4");

    // Deleting the last record shows the one before it; deleting every
    // record leaves a new one, which takes what is typed.
    press(Qt::Key_PageDown, Qt::ControlModifier);
    messages.answer(Answer::Yes);
    click(IdRecordDelete);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(4));
    EXPECT_EQ(dialog->positionText(), "Datensatz 3 von 3");
    for (int i = 0; i < 3; ++i) {
        messages.answer(Answer::Yes);
        click(IdRecordDelete);
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "0");
    EXPECT_EQ(dialog->positionText(), "Neuer Datensatz (0 vorhanden)");
    QTest::keyClicks(field("name"), "Allein");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(messages.texts().size(), 6) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(db.scalar("SELECT id || name FROM kunden"), "1Allein");
    EXPECT_EQ(dialog->GetFormHost()->GetFirstUpdateKey(), 1);
}

TEST_P(RecordCycleTest, UndoAsksAndBringsBackWhatIsStored)
{
    openData();
    retype("name", "Vertippt");
    retype("notiz", "Zeile eins\nZeile zwei");
    messages.answer(Answer::No);
    press(Qt::Key_Y, Qt::ControlModifier);
    ASSERT_EQ(messages.questions(),
              QStringList("Änderungen an diesem Satz wirklich rückgängig machen?"));
    EXPECT_EQ(shown("name"), "Vertippt") << "No keeps the changes";

    messages.answer(Answer::Yes);
    choose(IdRecordUndo);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
    EXPECT_EQ(shown("notiz"), "");
    EXPECT_FALSE(form()->isAnyControlModified());
    messages.clear();
    press(Qt::Key_PageDown);
    EXPECT_TRUE(messages.texts().isEmpty()) << "nothing left to save";
    EXPECT_EQ(stored("name", 1), CustomerForm::nameOf(1));
}

TEST_P(RecordCycleTest, FilterAndRemoveFilter)
{
    openData();
    press(Qt::Key_PageDown);
    retype("name", "Gefiltert");
    messages.answer(Answer::Yes);
    onNextModal<CFilterDlg>([](CFilterDlg *filter) {
        auto *column = filter->findChild<QComboBox *>("column");
        column->setCurrentIndex(column->findText("ort"));
        QTest::keyClicks(filter->findChild<QLineEdit *>("value"), "Bonn");
        QTest::mouseClick(filter->findChild<QPushButton *>("add"), Qt::LeftButton);
        QTest::mouseClick(filter->findChild<QPushButton *>("ok"), Qt::LeftButton);
        if (filter->isVisible())
            filter->reject();
    });
    press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion)) << "the record is offered first";
    EXPECT_EQ(stored("name", 2), "Gefiltert");
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 2");
    press(Qt::Key_PageDown);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(4));

    // Cancelling the dialog keeps the filter.
    onNextModal<CFilterDlg>([](CFilterDlg *filter) { filter->reject(); });
    click(IdRecordFilter);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(4));
    EXPECT_EQ(dialog->positionText(), "Datensatz 2 von 2");

    choose(IdRecordRemoveFilter);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1)) << "all records again, from the first";
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 5");
    press(Qt::Key_PageDown);
    EXPECT_EQ(shown("name"), "Gefiltert");
    EXPECT_EQ(messages.questions().size(), 1);
}

TEST_P(RecordCycleTest, ClosingWithAChangedRecordOffersToSave)
{
    openData();
    retype("ort", "Siegburg");
    messages.answer(Answer::No);
    press(Qt::Key_Escape);
    EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion));
    EXPECT_FALSE(dialog->isVisible()) << "No closes";
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(stored("ort", 1), "Bonn");

    messages.clear();
    openData();
    retype("ort", "Siegburg");
    messages.answer(Answer::Yes);
    dialog->close();
    EXPECT_FALSE(dialog->isVisible()) << "Yes saves and closes";
    EXPECT_EQ(stored("ort", 1), "Siegburg");
    EXPECT_EQ(dialog->GetFormHost()->GetFirstUpdateKey(), 1);

    // A save that fails keeps the form open with what was typed.
    messages.clear();
    openData();
    retype("name", "");
    messages.answer(Answer::Yes);
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(messages.texts().size(), 2);
    messages.clear();
    messages.answer(Answer::No);
    choose(IdAppExit);
    EXPECT_FALSE(dialog->isVisible()) << "Beenden closes after the question";
    EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion));
    EXPECT_EQ(stored("name", 1), CustomerForm::nameOf(1));

    // Ctrl+Q saves and closes without a question.
    messages.clear();
    openData();
    retype("ort", "Troisdorf");
    press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(stored("ort", 1), "Troisdorf");
}

TEST_P(RecordCycleTest, ADisabledFormNeitherAsksNorSaves)
{
    openData();
    retype("ort", "Gesperrt");
    dialog->GetFormHost()->EnableForm(false);
    EXPECT_FALSE(field("ort")->isEnabled());
    EXPECT_FALSE(dialog->commandAction(IdRecordNext)->isEnabled());
    press(Qt::Key_PageDown);
    choose(IdRecordNew);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
    dialog->close();
    EXPECT_FALSE(dialog->isVisible()) << "a disabled form closes without a question";
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(stored("ort", 1), "Bonn");
}

using DesignDialogTest = FormDialogTest;

TEST_P(DesignDialogTest, DesignModeHasItsBarsAndKeysAndAsksBeforeClosing)
{
    open(CustomerForm::document(db, true));
    ASSERT_NE(form(), nullptr) << messages.texts().join('\n').toStdString();
    EXPECT_TRUE(manager()->GetDesignMode());
    EXPECT_EQ(dialog->menuBar()->actions().first()->text(), "&Datei");
    EXPECT_NE(dialog->toolBar()->buttonAction(IdDateiAddStatic), nullptr);
    EXPECT_TRUE(dialog->toolBar()->buttonAction(IdDateiAddStatic)->isCheckable());
    EXPECT_TRUE(dialog->toolBar()->buttonAction(IdDateiAddFrame)->isCheckable());
    EXPECT_EQ(dialog->toolBar()->buttonAction(IdRecordNew), nullptr);
    EXPECT_EQ(dialog->positionText(), "");

    // The record keys do nothing here.
    const qsizetype shownControls = form()->controls().size();
    press(Qt::Key_N, Qt::ControlModifier);
    press(Qt::Key_PageDown);
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(form()->controls().size(), shownControls);
    EXPECT_EQ(manager()->dataManager(), nullptr);
    EXPECT_TRUE(messages.texts().isEmpty());

    // Escape first drops a selection; only then does it close.
    form()->editor()->selectAll();
    press(Qt::Key_Escape);
    EXPECT_TRUE(form()->editor()->selection().isEmpty());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(messages.texts().isEmpty());

    const QString question = QStringLiteral("Möchten Sie das Formular jetzt speichern?");
    messages.answer(Answer::Cancel);
    press(Qt::Key_Escape);
    EXPECT_EQ(messages.questions(), QStringList(question));
    EXPECT_EQ(messages.messages().first().kind, RecordingMessages::Kind::YesNoCancel);
    EXPECT_TRUE(dialog->isVisible()) << "Cancel stays";

    // Yes stores the layout: a moved field stays where it was put.
    control("ort")->MoveTo(105, 51, 250, 73);
    messages.answer(Answer::Yes);
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM WHERE CONTROLINFO LIKE "
                        "'%<NAME>ort</NAME><LEFT>105</LEFT><RIGHT>250</RIGHT>%'"),
              "1");

    // No leaves what is stored.
    messages.clear();
    open(CustomerForm::document(db, true));
    control("ort")->MoveTo(105, 51, 200, 73);
    messages.answer(Answer::No);
    choose(IdAppExit);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM WHERE CONTROLINFO LIKE "
                        "'%<RIGHT>250</RIGHT>%'"),
              "1");
}

QRT_INSTANTIATE_FOR_ENGINES(RecordCycleTest);
QRT_INSTANTIATE_FOR_ENGINES(DesignDialogTest);

} // namespace
