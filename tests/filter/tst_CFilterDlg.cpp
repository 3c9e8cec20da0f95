#include "FilterTestSupport.h"

#include "controls/CComboBoxExt.h"
#include "data/CTabInfo.h"
#include "filter/CFilterDlg.h"
#include "filter/CInhaltDlg.h"
#include "filter/CSqlFilterDlg.h"
#include "platform/ComError.h"
#include "support/ScriptedMessages.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

// The filter dialog. The walks through it are a keyboard user's: every step
// a key pressed at whatever has the focus, never a click or a call, and after
// each step the test looks where the focus went. What the buttons refuse and
// what the dialog opens are checked by clicks.
namespace {

// Where a key goes: into an open drop-down, else to the focus of the
// active window.
QWidget *keyTarget()
{
    if (QWidget *popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    return QApplication::focusWidget();
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

// QTest::qWaitForWindowActive() is content with a window whose parent is
// active; keys need the window itself to be.
void activate(QWidget *window)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
}

// act on the next modal dialog of that type once it has the keyboard.
template <typename Dialog> void whenModal(std::function<void(Dialog *)> act)
{
    onNextModal<Dialog>([act](Dialog *dialog) {
        // A window manager activates a new modal window; the offscreen
        // platform leaves that to the program.
        activate(dialog);
        act(dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the keys did not close the dialog";
            dialog->reject();
        }
    });
}

// The values the picker offered; it takes the one downs below the first.
void pickWhenModal(int downs, QStringList *offered)
{
    whenModal<CInhaltDlg>([offered, downs](CInhaltDlg *picker) {
        auto *list = picker->findChild<QListWidget *>("values");
        EXPECT_EQ(QApplication::focusWidget(), list);
        for (int i = 0; i < list->count(); ++i)
            *offered << list->item(i)->text();
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(keyTarget(), Qt::Key_Down);
        QTest::keyClick(keyTarget(), Qt::Key_Return);
    });
}

// One step of a keyboard user: keys pressed at the focus, separated by
// blanks ("Alt+S", "Down*3" for three presses, 'text' typed as it stands),
// then the control that must have the focus ("?": any) and, where given, what one
// control shows ("column=betrag"; a list shows its lines and their indexes).
struct Step
{
    const char *keys;
    const char *focus;
    const char *shows = "";
};

class FilterDialogTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        createKunden(db);
        CTabInfo::RemoveTabFromMap("kunden"); // an earlier test's columns
        ASSERT_TRUE(store.LoadConfig(filterDocument(db, "kunden")));
        dialog = std::make_unique<CFilterDlg>(&store);
        ASSERT_NO_FATAL_FAILURE(activate(dialog.get()));
        column = dialog->findChild<CComboBoxExt *>("column");
        condition = dialog->findChild<CComboBoxExt *>("condition");
        value = dialog->findChild<QLineEdit *>("value");
        date = dialog->findChild<QDateEdit *>("date");
        criteria = dialog->findChild<QListWidget *>("criteria");
        savedFilters = dialog->findChild<QComboBox *>("savedFilters");
    }

    // A key at the focus. A mnemonic of a button clicks it after a short
    // animation, as on the screen; the key returns once it has.
    void press(QKeyCombination key)
    {
        QWidget *target = keyTarget();
        ASSERT_NE(target, nullptr) << "nothing has the focus";
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
        const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
        ASSERT_TRUE(QTest::qWaitFor([&buttons] {
            return std::none_of(buttons.begin(), buttons.end(),
                                [](const QPushButton *button) { return button->isDown(); });
        }));
        // A window manager gives the dialog back the keyboard when a window
        // that it opened closes; the offscreen platform does not.
        if (!QApplication::activeWindow() && dialog->isVisible()) {
            ASSERT_NO_FATAL_FAILURE(activate(dialog.get()));
        }
    }

    void walk(const std::vector<Step> &steps)
    {
        static const QRegularExpression token("'[^']*'|\\S+");
        for (const Step &step : steps) {
            SCOPED_TRACE(step.keys);
            for (auto keys = token.globalMatch(QString::fromUtf8(step.keys)); keys.hasNext();) {
                const QString key = keys.next().captured();
                if (key.startsWith('\'')) {
                    QTest::keyClicks(keyTarget(), key.mid(1).chopped(1));
                    continue;
                }
                const int times = key.contains('*') ? key.section('*', 1).toInt() : 1;
                for (int i = 0; i < times; ++i)
                    ASSERT_NO_FATAL_FAILURE(press(QKeySequence(key.section('*', 0, 0))[0]));
            }
            if (QLatin1String(step.focus) != QLatin1String("?")) {
                const QWidget *focus = QApplication::focusWidget();
                EXPECT_EQ(focus ? focus->objectName() : QString(), step.focus);
            }
            const QString shows = QString::fromUtf8(step.shows);
            if (!shows.isEmpty()) {
                EXPECT_EQ(shownBy(shows.section('=', 0, 0)), shows.section('=', 1));
            }
        }
    }

    QString shownBy(const QString &name) const
    {
        QWidget *widget = dialog->findChild<QWidget *>(name);
        if (auto *box = qobject_cast<QComboBox *>(widget))
            return box->currentText();
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            return edit->text();
        if (auto *dateEdit = qobject_cast<QDateEdit *>(widget))
            return dateEdit->date().toString("dd.MM.yyyy");
        if (auto *list = qobject_cast<QListWidget *>(widget)) {
            QStringList lines;
            for (int i = 0; i < list->count(); ++i)
                lines << list->item(i)->text() + '#' + list->item(i)->data(Qt::UserRole).toString();
            return lines.join(" | ");
        }
        ADD_FAILURE() << "no control " << name.toStdString();
        return QString();
    }

    const QPushButton *button(const char *name) const
    {
        return dialog->findChild<QPushButton *>(name);
    }
    QString rows(const char *table) const
    {
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table);
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

TEST_P(FilterDialogTest, BuildsSavesOverwritesLoadsAndDeletesAFilterByKeysAlone)
{
    using Consequence = UserMessages::Consequence;
    using Severity = UserMessages::Severity;
    // A number: arrow keys choose column and condition and leave the focus;
    // after adding, the focus is ready for the next value. Then a text, by
    // the keypad's Enter, and a date typed, which follows the condition.
    walk({{"", "value"},
          {"Alt+S Down*3", "column", "column=betrag"},
          {"Alt+B End", "condition", "condition=kleiner"},
          {"Tab '12,5' Return", "value", "value="},
          {"Alt+S Up*2", "column", "column=name"},
          {"Alt+B End", "condition", "condition=enthält"},
          {"Alt+W 'eie' Enter", "value"},
          {"Alt+S Down*3", "column", "column=seit"},
          {"Alt+B Down*3", "condition", "condition=größer"},
          {"Tab '17052020'", "date", "date=17.05.2020"}});

    // A day later in the calendar, which opens with F4 under the field's
    // right edge.
    walk({{"F4", "?"}});
    QWidget *calendar = QApplication::activePopupWidget();
    ASSERT_NE(calendar, nullptr) << "F4 opens the calendar";
    EXPECT_EQ(calendar->geometry().right(), date->mapToGlobal(QPoint(date->width() - 1, 0)).x());
    EXPECT_EQ(calendar->geometry().top(), date->mapToGlobal(QPoint(0, date->height())).y());
    walk({{"Right Return", "date", "date=18.05.2020"}});
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    walk({{"Return", "date"}});

    // Yes/no: F4 offers the two words, Enter takes the first.
    walk({{"Alt+S Down", "column", "column=aktiv"}, {"Alt+W", "value"}});
    QStringList offered;
    pickWhenModal(0, &offered);
    walk({{"F4", "value", "value=ja"},
          {"Return", "value",
           "criteria=betrag kleiner 12,5#0 | name enthält 'eie'#1 | seit größer 18.05.2020#2 | "
           "aktiv gleich ja#3"}});
    EXPECT_EQ(offered, QStringList({"ja", "nein"}));

    // Delete removes the line the focus rests on; the next one is ready.
    walk({{"Alt+K", "criteria"}});
    EXPECT_TRUE(button("remove")->isEnabled()) << "the line the focus rests on is selected";
    walk({{"Down Delete", "criteria",
           "criteria=betrag kleiner 12,5#0 | seit größer 18.05.2020#1 | aktiv gleich ja#2"}});
    EXPECT_EQ(criteria->currentRow(), 1);

    // The statement, by its button's letter.
    QString statement;
    whenModal<CSqlFilterDlg>([&statement](CSqlFilterDlg *view) {
        statement = view->findChild<QPlainTextEdit *>("sql")->toPlainText();
        QTest::keyClick(keyTarget(), Qt::Key_Escape);
    });
    walk({{"Alt+F", "?"}});
    EXPECT_EQ(statement, "SELECT * FROM kunden WHERE  betrag<12.5 AND seit>'2020-05-18' AND "
                         "aktiv=true");

    // Save, then overwrite: the question's default is Nein.
    walk({{"Alt+G", "savedFilters"}, {"'Tastatur' Alt+P", "?"}});
    EXPECT_EQ(messages.texts(), QStringList("Filter erfolgreich gespeichert!"));
    walk({{"Alt+K Delete", "criteria"}}); // the date criterion
    messages.clear();
    messages.answer(UserMessages::Answer::No);
    walk({{"Alt+P", "?"}});
    EXPECT_EQ(rows("QRTFILTERITEM"), "3") << "No keeps the saved filter";
    messages.answer(UserMessages::Answer::Yes);
    walk({{"Alt+P", "?"}});
    EXPECT_EQ(rows("QRTFILTERITEM"), "2");
    ASSERT_EQ(messages.messages().size(), 3);
    for (int i : {0, 1})
        EXPECT_EQ(messages.messages().at(i).consequence, Consequence::Destructive);
    EXPECT_EQ(messages.texts().last(), "Filter erfolgreich gespeichert!");
    EXPECT_EQ(messages.messages().last().severity, Severity::Information);

    // Empty the list by keys; the focus goes on to the next criterion. Enter
    // in the saved-filter box loads the named filter.
    walk(
        {{"Alt+K Delete Delete", "value", "criteria="},
         {"Alt+G Return", "savedFilters", "criteria=betrag kleiner 12,5#0 | aktiv gleich true#1"}});
    EXPECT_FALSE(button("remove")->isEnabled());
    EXPECT_TRUE(dialog->isVisible());

    // Delete it: the question's default is Nein.
    messages.clear();
    messages.answer(UserMessages::Answer::Yes);
    walk({{"Alt+C", "savedFilters", "criteria="}});
    EXPECT_EQ(messages.questions(), QStringList("Den Filter Tastatur wirklich löschen?"));
    EXPECT_EQ(messages.messages().value(0).consequence, Consequence::Destructive);
    EXPECT_EQ(rows("QRTFILTER"), "0");
    EXPECT_EQ(savedFilters->count(), 0);

    // Enter with nothing to load is OK's, which wants a criterion first.
    messages.clear();
    walk({{"Return", "value"}});
    EXPECT_EQ(messages.texts(), QStringList("Bitte mindestens ein Filterkriterium auswählen oder "
                                            "das Fenster über 'Abbrechen' verlassen."));
    EXPECT_EQ(messages.messages().value(0).severity, Severity::Warning);
    walk({{"'ja' Return", "value"}}); // adds
    EXPECT_TRUE(dialog->isVisible());
    walk({{"Return", "?"}}); // nothing new to add: OK
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << "a yes/no criterion the database takes";
    EXPECT_EQ(store.GetCondition(), " aktiv=true");
    for (const RecordingMessages::Message &message : messages.messages())
        EXPECT_EQ(message.owner, dialog.get()) << message.text.toStdString();
}

TEST_P(FilterDialogTest, EnterAddsWhatIsNewAndOtherwisePressesOk)
{
    // Nothing entered and no criteria: Enter can only mean "add", and the
    // check says what is missing.
    walk({{"Return", "value"}});
    EXPECT_EQ(messages.texts(), QStringList("Bitte ein Filterkriterium eingeben!"));
    EXPECT_EQ(messages.messages().value(0).severity, UserMessages::Severity::Warning);
    EXPECT_TRUE(store.criteria().isEmpty());

    // "ohne Wert" is complete in the condition box: Enter there adds it,
    // once, and the focus stays, with no value field to go to; the next
    // Enter is OK's.
    walk({{"Alt+B Down*2", "condition", "condition=ohne Wert"},
          {"Return", "condition", "criteria=id ohne Wert #0"},
          {"Return", "?"}});
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(store.criteria().size(), 1);

    // Shown again, with a criterion: Enter in the empty value field is OK.
    ASSERT_NO_FATAL_FAILURE(activate(dialog.get()));
    walk({{"Alt+W", "?"}});
    EXPECT_FALSE(value->isEnabled()) << "still \"ohne Wert\"";
    walk({{"Alt+B Home Alt+W", "value"}});
    dialog->setResult(QDialog::Rejected);
    walk({{"Return", "?"}});
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    ASSERT_NO_FATAL_FAILURE(activate(dialog.get()));

    // A date column: the date shown is new input once the column is chosen.
    walk({{"Alt+S End Up Alt+B Tab", "date"}, {"Return", "date"}});
    EXPECT_EQ(store.criteria().size(), 2);
    EXPECT_TRUE(dialog->isVisible());

    // A name typed into the saved-filter box: Enter loads, or says why not,
    // and never closes the dialog.
    messages.clear();
    walk({{"Alt+G 'Gibt es nicht' Return", "savedFilters"}});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(messages.texts(), QStringList("Bitte geben Sie den Namen eines existierenden Filters "
                                            "ein oder wählen einen aus der Liste aus!"));
}

// What the picker offers is the store's; here it opens at the value in the
// field, and a value that no longer fits, or is not wanted, goes.
TEST_P(FilterDialogTest, ThePickerOpensAtTheValueAndColumnAndConditionClearIt)
{
    QStringList offered;
    pickWhenModal(1, &offered);
    walk({{"Alt+S Down Alt+W F4", "value", "value=Meier"}});
    EXPECT_EQ(offered, QStringList({"Brien", "Meier", "Schulz"}));
    pickWhenModal(0, &offered);
    walk({{"F4", "value", "value=Meier"}});
    walk({{"Return", "value", "criteria=name gleich 'Meier'#0"}});

    // Switching the column takes the old value away; "ohne Wert" empties
    // and locks the value for typing and picking alike.
    walk({{"Alt+S Down*2 Alt+W '99' Alt+S Up", "column", "value="}, // no value of ort
          {"Alt+W 'Bonn' Alt+B Down*2", "condition", "value="}});
    EXPECT_FALSE(value->isEnabled());
    EXPECT_FALSE(button("picker")->isEnabled());
    dialog->OnValuePicker(); // as a stray click would: nothing opens
    EXPECT_EQ(value->text(), "");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_P(FilterDialogTest, TabFollowsTheLayoutAndArrowKeysKeepTheFocus)
{
    // "Entfernen" is skipped while it has nothing to remove.
    walk({{"Alt+S Down", "column", "column=name"}});
    for (const char *next : {"picker", "condition", "value", "add", "savedFilters", "load", "save",
                             "delete", "criteria", "statement", "ok", "cancel", "column", "picker"})
        walk({{"Tab", next}});
    walk({{"Alt+S Down*3", "column", "column=seit"},
          {"Alt+B", "condition"},
          {"Tab", "date"},
          {"Tab", "add"},
          {"Alt+B Down", "condition", "condition=ungleich"}});
}
// What the buttons refuse, and why, one step after the other; the user-level
// walk through building, saving and loading is the keyboard test's.
TEST_P(FilterDialogTest, ButtonsSayWhatIsMissingAndWhatTheDatabaseRefuses)
{
    const QString failedSave = ComError::systemText(ADO_E_ITEMNOTFOUND);
    const struct
    {
        std::function<void()> before;
        const char *button;
        QString message; // the start of the only message
    } steps[] = {
        {[] {}, "save", "Bitte tragen Sie erst einen Namen für den Filter ein!"},
        {[this] { savedFilters->setEditText("eins"); }, "save",
         "Bitte fügen Sie mindestens ein Filterkriterium hinzu.!"},
        {[this] { add("name", "gleich", "Meier"); }, "save", "Filter erfolgreich gespeichert!"},
        {[this] { savedFilters->setEditText("Alpha"); }, "save", "Filter erfolgreich gespeichert!"},
        {[this] { savedFilters->setEditText("fehlt"); }, "load",
         "Bitte geben Sie den Namen eines existierenden Filters ein oder wählen einen aus der "
         "Liste aus!"},
        {[] {}, "delete", "Dieser Filter existiert nicht!"},
        // A save the database refuses says why and leaves no half filter.
        {[this] { db.exec("ALTER TABLE QRTFILTERITEM RENAME COLUMN WERT TO WERT_ALT"); }, "save",
         failedSave},
        {[this] {
             db.exec("ALTER TABLE QRTFILTERITEM RENAME COLUMN WERT_ALT TO WERT");
             store.ResetCriteria();
         },
         "ok",
         "Bitte mindestens ein Filterkriterium auswählen oder das Fenster über 'Abbrechen' "
         "verlassen."},
        // Columns are read once: a dropped one fails only when the database runs it.
        {[this] {
             add("ort", "gleich", "Bonn");
             db.exec("ALTER TABLE kunden DROP COLUMN ort");
         },
         "ok", "Der Filter kann nicht angewendet werden.\r\n\r\nBitte prüfen Sie"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.message.toStdString());
        step.before();
        messages.clear();
        click(dialog.get(), step.button);
        ASSERT_EQ(messages.texts().size(), 1) << messages.texts().join('\n').toStdString();
        EXPECT_TRUE(messages.texts().first().startsWith(step.message))
            << messages.texts().first().toStdString();
        EXPECT_EQ(messages.messages().first().owner, dialog.get());
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(rows("QRTFILTER"), "2") << "the refused save left nothing";
    QStringList names;
    for (int i = 0; i < savedFilters->count(); ++i)
        names << savedFilters->itemText(i);
    EXPECT_EQ(names, QStringList({"Alpha", "eins"})) << "sorted";
}

// What the dialog opens belongs to it; the picker, cancelled, keeps what was typed.
TEST_P(FilterDialogTest, ItOwnsWhatItOpensAndThePickerCancelledKeepsTheText)
{
    column->setCurrentIndex(column->findText("aktiv"));
    EXPECT_EQ(condition->findText("größer"), -1) << "yes and no have no order";
    // The picker cancelled keeps what was typed; a date is picked by a double-click.
    const QWidget *owner = nullptr;
    const auto closeBy = [&owner](const char *button) {
        return [&owner, button](QDialog *shown) {
            owner = shown->parentWidget();
            click(shown, button);
        };
    };
    column->setCurrentIndex(column->findText("name"));
    QTest::keyClicks(value, "getippt");
    onNextModal<CInhaltDlg>(closeBy("cancel"));
    click(dialog.get(), "picker");
    EXPECT_EQ(value->text(), "getippt");
    EXPECT_EQ(owner, dialog.get());
    column->setCurrentIndex(column->findText("seit"));
    onNextModal<CInhaltDlg>([](CInhaltDlg *picker) {
        doubleClick(picker->findChild<QListWidget *>("values"), 1);
        if (picker->isVisible())
            picker->reject();
    });
    click(dialog.get(), "picker");
    EXPECT_EQ(date->date(), QDate(2021, 3, 7));
    EXPECT_EQ(date->geometry().topLeft(), value->geometry().topLeft()) << "in the value's place";

    add("seit", "größer");
    owner = nullptr;
    onNextModal<CSqlFilterDlg>(closeBy("ok"));
    doubleClick(criteria, 0);
    EXPECT_EQ(owner, dialog.get());

    // The store's dialog is modal to the window that asked for it.
    QWidget host;
    onNextModal<CFilterDlg>(closeBy("cancel"));
    QString condition;
    EXPECT_FALSE(store.ShowDialog(condition, &host));
    EXPECT_EQ(owner, &host);
    EXPECT_TRUE(messages.texts().isEmpty());
}

QRT_INSTANTIATE_FOR_ENGINES(FilterDialogTest);

} // namespace
