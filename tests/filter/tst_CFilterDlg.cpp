#include "FilterTestSupport.h"

#include "controls/CComboBoxExt.h"
#include "filter/CFilterDlg.h"
#include "filter/CInhaltDlg.h"
#include "filter/CSqlFilterDlg.h"
#include "platform/ComError.h"
#include "support/DialogChecks.h"
#include "support/ScriptedMessages.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// The lines of a list, each followed by its item data: "name gleich 'Meier'#0".
QStringList lines(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text() + '#' + list->item(i)->data(Qt::UserRole).toString();
    return texts;
}

void click(QWidget *dialog, const char *button)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
}

// A user's double-click: QTest's alone lacks the first press item views wait for.
void doubleClick(QListWidget *list, int row)
{
    ASSERT_NE(list->item(row), nullptr);
    const QPoint centre = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

class FilterDialogTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        createKunden(db);
        ASSERT_TRUE(store.LoadConfig(filterDocument(db, "kunden")));
        dialog = std::make_unique<CFilterDlg>(&store);
        dialog->show();
        column = dialog->findChild<CComboBoxExt *>("column");
        condition = dialog->findChild<CComboBoxExt *>("condition");
        value = dialog->findChild<QLineEdit *>("value");
        date = dialog->findChild<QDateEdit *>("date");
        criteria = dialog->findChild<QListWidget *>("criteria");
        savedFilters = dialog->findChild<QComboBox *>("savedFilters");
    }

    // Chooses column and condition as the user does, types the value, adds.
    void add(const char *columnName, const char *conditionText, const char *typed = "")
    {
        column->setCurrentIndex(column->findText(columnName));
        condition->setCurrentIndex(condition->findText(QString::fromUtf8(conditionText)));
        QTest::keyClicks(value, typed);
        click(dialog.get(), "add");
    }

    ScriptedMessages messages;
    CFilterMgr store;
    std::unique_ptr<CFilterDlg> dialog;
    CComboBoxExt *column = nullptr;
    CComboBoxExt *condition = nullptr;
    QLineEdit *value = nullptr;
    QDateEdit *date = nullptr;
    QListWidget *criteria = nullptr;
    QComboBox *savedFilters = nullptr;
};

TEST_P(FilterDialogTest, TheValueFieldFollowsColumnAndCondition)
{
    EXPECT_EQ(itemTexts(column), QStringList({"id", "name", "ort", "betrag", "seit", "aktiv"}));
    EXPECT_EQ(itemTexts(condition),
              QStringList({"gleich", "ungleich", "ohne Wert", "größer", "kleiner"}));
    EXPECT_EQ(condition->itemData(2).toInt(), 6);
    column->setCurrentIndex(1);
    EXPECT_EQ(itemTexts(condition), QStringList({"gleich", "ungleich", "ohne Wert", "enthält"}));
    column->setCurrentIndex(5);
    EXPECT_EQ(itemTexts(condition), QStringList({"gleich", "ungleich", "ohne Wert"}));
    EXPECT_TRUE(value->isVisible() && !date->isVisible());

    column->setCurrentIndex(4);
    EXPECT_TRUE(date->isVisible() && !value->isVisible()) << "a date comes from the picker";
    EXPECT_EQ(dialog->focusWidget(), date);
    EXPECT_EQ(date->geometry().topLeft(), value->geometry().topLeft());

    column->setCurrentIndex(1);
    QTest::keyClicks(value, "Meier");
    condition->setCurrentIndex(2); // "ohne Wert"
    EXPECT_FALSE(value->isEnabled() || date->isEnabled());
    EXPECT_EQ(value->text(), "");
    condition->setCurrentIndex(0);
    EXPECT_TRUE(value->isEnabled());

    // Laid out to its texts, the dialog shows each of them whole, at its
    // first size and at its smallest; every label and button has a letter
    // of its own ("..." is opened by F4 in the value field).
    EXPECT_EQ(clippedTexts(dialog.get()), QStringList());
    dialog->resize(dialog->minimumSize());
    QApplication::processEvents();
    EXPECT_EQ(clippedTexts(dialog.get()), QStringList());
    EXPECT_EQ(mnemonicProblems(dialog.get(), {"..."}), QStringList());
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(FilterDialogTest, LinesFollowAddRemoveAndShowTheirStatement)
{
    add("name", "gleich", "Meier");
    EXPECT_EQ(value->text(), "") << "ready for the next value";
    add("betrag", "kleiner", "12,5");
    date->setDate(QDate(2020, 5, 17));
    add("seit", "größer");
    add("name", "gleich"); // no value: refused
    EXPECT_EQ(messages.texts(), QStringList({"Bitte ein Filterkriterium eingeben!"}));
    auto *remove = dialog->findChild<QPushButton *>("remove");
    EXPECT_FALSE(remove->isEnabled()) << "nothing selected, nothing to remove";

    criteria->setCurrentRow(1);
    EXPECT_TRUE(remove->isEnabled());
    click(dialog.get(), "remove");
    EXPECT_EQ(lines(criteria), QStringList({"name gleich 'Meier'#0", "seit größer 17.05.2020#1"}));
    EXPECT_EQ(criteria->currentRow(), 1) << "the next line is ready to go the same way";
    ASSERT_EQ(store.criteria().size(), 2);
    EXPECT_EQ(store.criteria().at(1).column, "seit");

    QString shown;
    onNextModal<CSqlFilterDlg>([&shown](CSqlFilterDlg *view) {
        shown = view->findChild<QPlainTextEdit *>("sql")->toPlainText();
        click(view, "ok");
    });
    doubleClick(criteria, 0);
    EXPECT_EQ(shown, "SELECT * FROM kunden WHERE  name='Meier' AND seit>'2020-05-17'");
}

TEST_P(FilterDialogTest, OkNeedsCriteriaThatTheDatabaseAccepts)
{
    QString result = "vorher";
    onNextModal<CFilterDlg>([this](CFilterDlg *shown) {
        click(shown, "ok");
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(messages.texts(),
                  QStringList("Bitte mindestens ein Filterkriterium auswählen oder das Fenster "
                              "über 'Abbrechen' verlassen."));
        click(shown, "cancel");
    });
    EXPECT_FALSE(store.ShowDialog(result));
    EXPECT_EQ(result, "vorher");

    store.AddCriterion(store.FindColumn("ort"), 1, "Köln", QDate());
    store.AddCriterion(store.FindColumn("name"), 1, "Meier", QDate());
    db.exec("ALTER TABLE kunden DROP COLUMN ort"); // after the columns were read
    messages.clear();
    onNextModal<CFilterDlg>([this](CFilterDlg *shown) {
        auto *list = shown->findChild<QListWidget *>("criteria");
        EXPECT_EQ(list->count(), 2) << "the store's criteria come back";
        click(shown, "ok");
        EXPECT_TRUE(messages.texts().value(0).startsWith(
            "Der Filter kann nicht angewendet werden.\r\n\r\nBitte prüfen Sie"));
        list->setCurrentRow(0);
        click(shown, "remove");
        click(shown, "ok");
        if (shown->isVisible())
            shown->reject(); // failed already; do not wait forever
    });
    EXPECT_TRUE(store.ShowDialog(result));
    EXPECT_EQ(result, " name='Meier'");
    EXPECT_EQ(messages.texts().size(), 1);
}

TEST_P(FilterDialogTest, TheValuePickerFillsTheValueOrTheDate)
{
    column->setCurrentIndex(column->findText("betrag"));
    onNextModal<CInhaltDlg>([](CInhaltDlg *picker) {
        auto *values = picker->findChild<QListWidget *>("values");
        EXPECT_EQ(lines(values), QStringList({"3,0#0", "12,5#1"}));
        values->setCurrentRow(1);
        click(picker, "ok");
    });
    click(dialog.get(), "picker");
    EXPECT_EQ(value->text(), "12,5");
    click(dialog.get(), "add");
    EXPECT_EQ(store.criteria().value(0).value, "12.5");

    column->setCurrentIndex(column->findText("seit"));
    onNextModal<CInhaltDlg>([](CInhaltDlg *picker) {
        doubleClick(picker->findChild<QListWidget *>("values"), 1);
        if (picker->isVisible())
            picker->reject();
    });
    click(dialog.get(), "picker");
    EXPECT_EQ(date->date(), QDate(2021, 3, 7)) << "a double-click chooses";

    column->setCurrentIndex(column->findText("name"));
    QTest::keyClicks(value, "getippt");
    onNextModal<CInhaltDlg>([](CInhaltDlg *picker) { click(picker, "cancel"); });
    click(dialog.get(), "picker");
    EXPECT_EQ(value->text(), "getippt");
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(FilterDialogTest, SavedFiltersAreSavedOverwrittenLoadedAndDeleted)
{
    const auto rows = [this](const char *table) {
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table);
    };
    click(dialog.get(), "save");
    QTest::keyClicks(savedFilters->lineEdit(), "O'Brien");
    click(dialog.get(), "save");
    add("name", "enthält", "Bri");
    click(dialog.get(), "save");
    EXPECT_EQ(messages.texts(),
              QStringList({"Bitte tragen Sie erst einen Namen für den Filter ein!",
                           "Bitte fügen Sie mindestens ein Filterkriterium hinzu.!",
                           "Filter erfolgreich gespeichert!"}));

    add("aktiv", "ohne Wert");
    messages.clear();
    messages.answer(UserMessages::Answer::No);
    click(dialog.get(), "save");
    EXPECT_EQ(messages.texts(), QStringList("Dieser Filter existiert bereits. Überschreiben?"));
    EXPECT_EQ(rows("QRTFILTERITEM"), "1");
    messages.answer(UserMessages::Answer::Yes);
    click(dialog.get(), "save");
    EXPECT_EQ(messages.texts().last(), "Filter erfolgreich gespeichert!");
    EXPECT_EQ(rows("QRTFILTERITEM"), "2");
    savedFilters->setEditText("alpha");
    click(dialog.get(), "save");
    EXPECT_EQ(itemTexts(savedFilters), QStringList({"alpha", "O'Brien"})) << "sorted";

    // A failing save says why and leaves nothing behind; the next one works.
    db.exec("ALTER TABLE QRTFILTERITEM RENAME COLUMN WERT TO WERT_ALT");
    messages.clear();
    savedFilters->setEditText("Neu");
    click(dialog.get(), "save");
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith(ComError::systemText(ADO_E_ITEMNOTFOUND)));
    EXPECT_EQ(rows("QRTFILTER"), "2");
    db.exec("ALTER TABLE QRTFILTERITEM RENAME COLUMN WERT_ALT TO WERT");
    click(dialog.get(), "save");
    EXPECT_EQ(messages.texts().last(), "Filter erfolgreich gespeichert!");

    store.ResetCriteria();
    criteria->clear();
    savedFilters->setCurrentIndex(savedFilters->findText("O'Brien"));
    emit savedFilters->activated(savedFilters->currentIndex());
    EXPECT_EQ(lines(criteria), QStringList({"name enthält 'Bri'#0", "aktiv ohne Wert #1"}));

    messages.clear();
    messages.answer(UserMessages::Answer::No);
    messages.answer(UserMessages::Answer::Yes);
    click(dialog.get(), "delete");
    EXPECT_EQ(store.criteria().size(), 2) << "No keeps the filter";
    click(dialog.get(), "delete");
    EXPECT_EQ(messages.questions(), QStringList(2, "Den Filter O'Brien wirklich löschen?"));
    EXPECT_EQ(criteria->count(), 0);
    EXPECT_TRUE(store.criteria().isEmpty());
    EXPECT_EQ(itemTexts(savedFilters), QStringList({"alpha", "Neu"}));

    messages.clear();
    savedFilters->setEditText("fehlt");
    click(dialog.get(), "load");
    click(dialog.get(), "delete");
    EXPECT_EQ(messages.texts(),
              QStringList({"Bitte geben Sie den Namen eines existierenden Filters ein oder "
                           "wählen einen aus der Liste aus!",
                           "Dieser Filter existiert nicht!"}));
}

TEST_P(FilterDialogTest, MessagesAndNestedDialogsBelongToTheFilterDialog)
{
    click(dialog.get(), "load"); // no name
    add("name", "gleich", "Meier");
    savedFilters->setEditText("eins");
    click(dialog.get(), "save");
    messages.answer(UserMessages::Answer::No);
    click(dialog.get(), "save");
    db.exec("DROP TABLE QRTFILTERITEM");
    click(dialog.get(), "load");
    ASSERT_EQ(messages.messages().size(), 4) << messages.texts().join('\n').toStdString();
    for (const RecordingMessages::Message &message : messages.messages())
        EXPECT_EQ(message.owner, dialog.get()) << message.text.toStdString();
    // A store error: the system text, a blank line, the engine's words.
    const QString error = messages.texts().last();
    const QString systemText = error.section("\r\n\r\n", 0, 0);
    EXPECT_TRUE(systemText == ComError::systemText(DB_E_NOTABLE) ||
                systemText == ComError::systemText(DB_E_ERRORSINCOMMAND))
        << error.toStdString();
    EXPECT_TRUE(error.section("\r\n\r\n", 1).contains("QRTFILTERITEM", Qt::CaseInsensitive))
        << error.toStdString();

    const QWidget *statementParent = nullptr;
    onNextModal<CSqlFilterDlg>([&statementParent](CSqlFilterDlg *view) {
        statementParent = view->parentWidget();
        click(view, "ok");
    });
    doubleClick(criteria, 0);
    EXPECT_EQ(statementParent, dialog.get());

    const QWidget *pickerParent = nullptr;
    onNextModal<CInhaltDlg>([&pickerParent](CInhaltDlg *picker) {
        pickerParent = picker->parentWidget();
        click(picker, "cancel");
    });
    click(dialog.get(), "picker");
    EXPECT_EQ(pickerParent, dialog.get());

    // The store's dialog is modal to the window that asked for it.
    QWidget host;
    host.setWindowTitle("Kunden");
    const QWidget *filterParent = nullptr;
    onNextModal<CFilterDlg>([&filterParent](CFilterDlg *shown) {
        filterParent = shown->parentWidget();
        click(shown, "cancel");
    });
    QString condition;
    EXPECT_FALSE(store.ShowDialog(condition, &host));
    EXPECT_EQ(filterParent, &host);

    messages.clear();
    CFilterMgr unconfigured;
    EXPECT_FALSE(unconfigured.ShowDialog(condition, &host));
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages().first().owner, &host);
}

QRT_INSTANTIATE_FOR_ENGINES(FilterDialogTest);

} // namespace
