// The record cycle as a user runs it: paging, changing, saving, refusing,
// undoing, adding and deleting, through the keys and the tool bar, the same
// in both host windows (the form dialog and a host's window with the form
// widget), on every engine. Then what only the form dialog has: its filter
// dialog, its closing, its design mode with the layout drawn, arranged,
// saved and loaded.

#include "EditorTestSupport.h"
#include "FormDialogTestSupport.h"

#include "dialogs/CTabOrderDlg.h"
#include "facade/CKeloFormWidget.h"
#include "filter/CFilterDlg.h"
#include "platform/ConflictDialog.h"
#include "runtime/CFormFrame.h"
#include "runtime/Datasheet.h"
#include "runtime/DatasheetModel.h"
#include "runtime/FindBar.h"
#include "runtime/FormEditor.h"

#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QUndoStack>
#include <QVBoxLayout>

using namespace CommandTable;
using Answer = UserMessages::Answer;

namespace {

const char *const kSave = "Den aktuellen Datensatz speichern?";
const char *const kUndo = "Änderungen an diesem Satz wirklich rückgängig machen?";
const char *const kDelete = "Diesen Datensatz wirklich löschen?";
const char *const kNameRequired = "Das Feld Name muss einen Wert enthalten.";

enum class Host { Dialog, Widget };

// What the user does (types into a field, then presses a key or clicks a
// tool bar button, answering a question if one comes) and what follows:
// the question asked, the message shown, where the form stands, and the
// row with key id as stored ("name|ort", empty when there is none).
struct Step
{
    const char *does;
    const char *field;
    const char *typed;
    int button; // 0: the key
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    Answer answer;
    const char *question;
    const char *told;
    const char *position;
    const char *name; // what the name field shows
    int id;           // 0: no row looked at
    const char *stored;
    const char *sqlBefore = nullptr; // another user's change first
    bool keepsEntry = false;         // the record still has unsaved changes
};

const Qt::KeyboardModifiers None = Qt::NoModifier;
const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
const Answer Yes = Answer::Yes;
const Answer No = Answer::No;
const Answer Cancel = Answer::Cancel;

// clang-format off
const Step kCycle[] = {
    {"pages on", nullptr, nullptr, 0, Qt::Key_PageDown, None, Yes, nullptr, nullptr, "Datensatz 2 von 5", "Kunde 002", 0, nullptr},
    {"to the last", nullptr, nullptr, 0, Qt::Key_PageDown, Ctrl, Yes, nullptr, nullptr, "Datensatz 5 von 5", "Kunde 005", 0, nullptr},
    {"the last stays", nullptr, nullptr, 0, Qt::Key_PageDown, None, Yes, nullptr, nullptr, "Datensatz 5 von 5", "Kunde 005", 0, nullptr},
    {"to the first", nullptr, nullptr, IdRecordFirst, Qt::Key_unknown, None, Yes, nullptr, nullptr, "Datensatz 1 von 5", "Kunde 001", 0, nullptr},
    {"the first stays", nullptr, nullptr, 0, Qt::Key_PageUp, None, Yes, nullptr, nullptr, "Datensatz 1 von 5", "Kunde 001", 0, nullptr},
    {"undo with nothing changed asks nothing", nullptr, nullptr, 0, Qt::Key_Y, Ctrl, Yes, nullptr, nullptr, "Datensatz 1 von 5", "Kunde 001", 0, nullptr},
    {"Yes saves a changed record, then moves", "ort", "Bad Godesberg", 0, Qt::Key_PageDown, None, Yes, kSave, nullptr, "Datensatz 2 von 5", "Kunde 002", 1, "Kunde 001|Bad Godesberg"},
    {"No drops the changes and moves", "name", "Verworfen", IdRecordNext, Qt::Key_unknown, None, No, kSave, nullptr, "Datensatz 3 von 5", "Kunde 003", 2, "Kunde 002|Köln"},
    {"back, the stored record shows", nullptr, nullptr, 0, Qt::Key_PageUp, None, Yes, nullptr, nullptr, "Datensatz 2 von 5", "Kunde 002", 2, "Kunde 002|Köln"},
    {"Ctrl+S saves without asking", "ort", "Troisdorf", 0, Qt::Key_S, Ctrl, Yes, nullptr, nullptr, "Datensatz 2 von 5", "Kunde 002", 2, "Kunde 002|Troisdorf"},
    {"an unchanged record is not written", nullptr, nullptr, 0, Qt::Key_S, Ctrl, Yes, nullptr, nullptr, "Datensatz 2 von 5", "Kunde 002", 2, "Kunde 002|Anderswo", "UPDATE kunden SET ort = 'Anderswo' WHERE id = 2"},
    {"a refused save keeps the entry", "name", "", 0, Qt::Key_S, Ctrl, Yes, nullptr, kNameRequired, "Datensatz 2 von 5", "", 2, "Kunde 002|Anderswo", nullptr, true},
    {"refused on a move, nothing moves", nullptr, nullptr, 0, Qt::Key_PageDown, None, Yes, kSave, kNameRequired, "Datensatz 2 von 5", "", 2, "Kunde 002|Anderswo", nullptr, true},
    {"refused before a new record, nothing moves", nullptr, nullptr, 0, Qt::Key_N, Ctrl, Yes, kSave, kNameRequired, "Datensatz 2 von 5", "", 2, "Kunde 002|Anderswo", nullptr, true},
    {"No to undo keeps the entries", nullptr, nullptr, 0, Qt::Key_Y, Ctrl, No, kUndo, nullptr, "Datensatz 2 von 5", "", 2, "Kunde 002|Anderswo", nullptr, true},
    {"undo brings back what is stored", nullptr, nullptr, IdRecordUndo, Qt::Key_unknown, None, Yes, kUndo, nullptr, "Datensatz 2 von 5", "Kunde 002", 2, "Kunde 002|Anderswo"},
    {"a new record", nullptr, nullptr, 0, Qt::Key_N, Ctrl, Yes, nullptr, nullptr, "Neuer Datensatz (5 vorhanden)", "", 6, ""},
    {"stored under the next free key", "name", "Neukunde", 0, Qt::Key_S, Ctrl, Yes, nullptr, nullptr, "Datensatz 6 von 6", "Neukunde", 6, "Neukunde|"},
    {"a new record left unchanged is dropped", nullptr, nullptr, IdRecordNew, Qt::Key_unknown, None, Yes, nullptr, nullptr, "Neuer Datensatz (6 vorhanden)", "", 0, nullptr},
    {"moving away drops it", nullptr, nullptr, 0, Qt::Key_PageUp, None, Yes, nullptr, nullptr, "Datensatz 5 von 6", "Kunde 005", 7, ""},
    {"back to the new one", nullptr, nullptr, IdRecordLast, Qt::Key_unknown, None, Yes, nullptr, nullptr, "Datensatz 6 von 6", "Neukunde", 0, nullptr},
    {"No to deleting keeps the record", nullptr, nullptr, 0, Qt::Key_Delete, Ctrl, No, kDelete, nullptr, "Datensatz 6 von 6", "Neukunde", 6, "Neukunde|"},
    {"Yes deletes, the neighbour shows", nullptr, nullptr, IdRecordDelete, Qt::Key_unknown, None, Yes, kDelete, nullptr, "Datensatz 5 von 5", "Kunde 005", 6, ""},
};
// clang-format on

class RecordCycleTest : public ::testing::TestWithParam<std::tuple<DatabaseKind, Host>>
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        CTabInfo::ClearConString();
        CustomerForm::create(db, 5);
        openWindow();
    }
    // The form in the host window of the test's kind, on its first record.
    void openWindow()
    {
        window.reset();
        widget = nullptr;
        if (std::get<1>(GetParam()) == Host::Dialog) {
            window = std::make_unique<CFormDlg>(
                CustomerForm::document(db, false, QString(), QStringLiteral("id")), false);
        } else {
            window = std::make_unique<QWidget>();
            widget = new CKeloFormWidget(window.get());
            (new QVBoxLayout(window.get()))->addWidget(widget);
            window->resize(700, 500);
            CustomerForm::init(facade, db);
            ASSERT_TRUE(widget->open(facade, QString(), QStringLiteral("id")));
        }
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents(); // the count
        user = FormDriver(window.get());
        QTest::mouseClick(user.field(QStringLiteral("name")), Qt::LeftButton);
    }
    void TearDown() override
    {
        window.reset();
        EXPECT_TRUE(messages.unscriptedQuestions().isEmpty());
    }
    QString state() const { return window->findChild<QLabel *>("recordState")->text(); }
    QString position() const
    {
        return widget ? widget->positionText() : user.dialog()->positionText();
    }

    TestDatabase db{std::get<0>(GetParam())};
    ScriptedMessages messages;
    CKeloForm facade;
    std::unique_ptr<QWidget> window; // goes before the messages
    CKeloFormWidget *widget = nullptr;
    FormDriver user{nullptr};
};

TEST_P(RecordCycleTest, EachStepAsksSavesAndMovesAsTheUserChose)
{
    for (const Step &step : kCycle) {
        SCOPED_TRACE(step.does);
        messages.clear();
        if (step.sqlBefore)
            db.exec(QString::fromUtf8(step.sqlBefore));
        if (step.field) {
            ASSERT_TRUE(user.retype(QString::fromUtf8(step.field), QString::fromUtf8(step.typed)));
            EXPECT_EQ(state(), "geändert") << "shown from the first key on";
        }
        messages.answer(step.answer);
        if (step.button) {
            ASSERT_TRUE(user.click(step.button));
        } else {
            user.press(step.key, step.modifiers);
        }
        EXPECT_EQ(messages.questions(), step.question ? QStringList(step.question) : QStringList());
        QStringList told = messages.texts();
        for (const QString &question : messages.questions())
            told.removeOne(question);
        EXPECT_EQ(told, step.told ? QStringList(step.told) : QStringList());
        EXPECT_EQ(position(), step.position);
        EXPECT_EQ(state(), step.keepsEntry ? "geändert" : "");
        // The dialog's title shows its "*"; a host's window without Qt's
        // "[*]" in its title is left alone.
        EXPECT_EQ(qrt::shownWindowTitle(*window).endsWith('*'), step.keepsEntry && !widget);
        EXPECT_EQ(user.shown(QStringLiteral("name")), step.name);
        if (step.id) {
            EXPECT_EQ(db.scalar(QStringLiteral("SELECT name || '|' || COALESCE(ort, '') FROM "
                                               "kunden WHERE id = %1")
                                    .arg(step.id)),
                      step.stored);
        }
    }
}

// The dialog's rows as the user reads them: "field: yours | stored | before".
QStringList conflictRows(const ConflictDialog &dialog)
{
    QStringList rows;
    for (int row = 0;
         auto *yours = dialog.findChild<QRadioButton *>(QStringLiteral("yours%1").arg(row));
         ++row) {
        const auto *stored = dialog.findChild<QRadioButton *>(QStringLiteral("stored%1").arg(row));
        const auto *before = dialog.findChild<QLabel *>(QStringLiteral("before%1").arg(row));
        rows << yours->accessibleName().section(':', 0, 0) + ": " + yours->text() + " | " +
                    stored->text() + " | " + before->text();
    }
    return rows;
}

// A key for the dialog's focused item. Arrows among radio buttons need the
// dialog to be the active window, which a window manager makes it; the
// offscreen platform has none.
void typeInto(QDialog *dialog, Qt::Key key)
{
    if (QApplication::activeWindow() != dialog) {
        // Not qWaitForWindowActive: a dialog counts as active for it while
        // the window it belongs to is.
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
    }
    QTest::keyClick(QApplication::focusWidget(), key);
}

// The key that should end the dialog; a dialog that stays fails the test
// instead of waiting for ever.
void closeWith(QDialog *dialog, Qt::Key key)
{
    typeInto(dialog, key);
    if (dialog->isVisible()) {
        ADD_FAILURE() << "the dialog stayed open";
        dialog->reject();
    }
}

// Sorting by the field the cursor is in: the record stays current, equal
// values keep the host's order, empty ones come last either way, and the
// host's order comes back.
TEST_P(RecordCycleTest, TheRecordsAreSortedByTheFieldTheCursorIsIn)
{
    db.exec(QStringLiteral("UPDATE kunden SET ort = NULL WHERE id = 2"));
    const auto walk = [this] {
        QStringList names;
        user.press(Qt::Key_PageUp, Qt::ControlModifier);
        for (int i = 0; i < 5; ++i) {
            names << user.shown(QStringLiteral("name")).right(1);
            user.press(Qt::Key_PageDown);
        }
        return names.join(QString());
    };
    const struct
    {
        const char *field;
        Qt::Key arrow;       // with Strg+Umschalt: up sorts ascending, down descending
        const char *order;   // the records' ids from first to last
        const char *current; // the record shown before and after
        const char *position;
        const char *state;
    } steps[] = {
        {"ort", Qt::Key_Up, "31452", "1", "Datensatz 2 von 5", "sortiert"},
        {"ort", Qt::Key_Down, "51432", "3", "Datensatz 4 von 5", "sortiert"},
        {"betrag", Qt::Key_Down, "54321", "5", "Datensatz 1 von 5", "sortiert"},
        {"termin", Qt::Key_Up, "12345", "4", "Datensatz 4 von 5", "sortiert"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.field + std::string(step.arrow == Qt::Key_Up ? " auf" : " ab"));
        user.press(Qt::Key_PageUp, Qt::ControlModifier);
        while (user.shown(QStringLiteral("name")).right(1) != QLatin1String(step.current))
            user.press(Qt::Key_PageDown);
        QTest::mouseClick(user.field(QString::fromLatin1(step.field)), Qt::LeftButton);
        messages.clear();
        user.press(step.arrow, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
        EXPECT_EQ(user.shown(QStringLiteral("name")).right(1), step.current);
        // Shown at once, its number counted right after.
        EXPECT_TRUE(QTest::qWaitFor([&] { return position() == step.position; }))
            << position().toStdString();
        EXPECT_EQ(QApplication::focusWidget(), user.field(QString::fromLatin1(step.field)));
        EXPECT_EQ(state(), step.state);
        EXPECT_EQ(walk(), step.order);
    }
    // Back to the host's order, from the third record of the date order.
    user.press(Qt::Key_PageUp, Qt::ControlModifier);
    user.press(Qt::Key_PageDown);
    user.press(Qt::Key_PageDown);
    user.press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(user.shown(QStringLiteral("name")).right(1), "3");
    EXPECT_EQ(state(), "");
    EXPECT_EQ(walk(), "12345");
}

// Filtering by the value of the field the cursor is in, and excluding it:
// an empty field differs from every value, a value is taken as stored (a
// double's every digit, quotes and line breaks in a text), the criteria
// are the filter dialog's, and the host's filter stays beneath them.
TEST_P(RecordCycleTest, TheRecordsAreFilteredByTheValueOfTheFieldTheCursorIsIn)
{
    db.exec(QStringLiteral("UPDATE kunden SET ort = NULL WHERE id = 2"));
    db.exec(QStringLiteral("UPDATE kunden SET notiz = 'Sagt: ''Ja''; --' || CHAR(10) || 'Zeile' "
                           "WHERE id IN (1, 4)")
                .replace("CHAR(", db.kind() == DatabaseKind::PostgreSql ? "CHR(" : "CHAR("));
    const auto idShown = [this] {
        return user.shown(QStringLiteral("name")).right(1);
    };
    const auto walk = [&] {
        QString ids;
        user.field(QStringLiteral("name"))->setFocus(); // the note keeps the page keys
        user.press(Qt::Key_PageUp, Qt::ControlModifier);
        for (QString last; idShown() != last; user.press(Qt::Key_PageDown))
            ids += last = idShown();
        return ids;
    };
    const char *const kTime = "Nach dem Wert im Feld termin kann nicht nach Auswahl gefiltert "
                              "werden. Bitte verwenden Sie dafür „Datensätze filtern“.";
    const struct
    {
        const char *on; // the record and field the cursor is in
        const char *field;
        Qt::Key key; // with Strg+Umschalt: A filters by it, X excludes it, F removes the filter
        const char *ids;
        const char *told;
    } steps[] = {
        {"1", "ort", Qt::Key_X, "235", nullptr}, // Bonn excluded, the empty place stays
        {"3", "aktiv", Qt::Key_A, "35", nullptr},
        {"3", "ort", Qt::Key_F, "12345", nullptr},
        {"2", "ort", Qt::Key_A, "2", nullptr}, // empty: the records without a place
        {"2", "ort", Qt::Key_F, "12345", nullptr},
        {"2", "ort", Qt::Key_X, "1345", nullptr}, // empty excluded: those with one
        {"1", "betrag", Qt::Key_A, "1", nullptr}, // 1/3, every digit of it
        {"1", "termin", Qt::Key_A, "1", kTime},   // a time of day: no whole day to compare
        {"1", "ort", Qt::Key_F, "12345", nullptr},
        {"1", "notiz", Qt::Key_A, "14", nullptr},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(std::string(step.on) + " " + step.field + " " + char(step.key));
        user.press(Qt::Key_PageUp, Qt::ControlModifier);
        while (idShown() != QLatin1String(step.on))
            user.press(Qt::Key_PageDown);
        user.field(QString::fromLatin1(step.field))->setFocus(Qt::TabFocusReason);
        messages.clear();
        user.press(step.key, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(messages.texts(), step.told ? QStringList(step.told) : QStringList());
        EXPECT_EQ(QApplication::focusWidget(), user.field(QString::fromLatin1(step.field)));
        EXPECT_EQ(state(), step.key == Qt::Key_F ? "" : "gefiltert");
        EXPECT_EQ(walk(), step.ids);
    }

    // Outside every field there is no value to filter by.
    window->findChild<QLineEdit *>("positionNumber")->setFocus();
    messages.clear();
    user.press(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(messages.texts(), QStringList("Bitte setzen Sie den Cursor zuerst in das Feld, nach "
                                            "dessen Wert gefiltert werden soll."));

    // The dialog lists the criteria; they go on from there.
    onNextModal<CFilterDlg>([](CFilterDlg *filter) {
        const auto *list = filter->findChild<QListWidget *>("criteria");
        QStringList lines;
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        EXPECT_EQ(lines, QStringList("notiz gleich 'Sagt: 'Ja'; --\nZeile'"));
        filter->reject();
    });
    user.press(Qt::Key_F, Qt::ControlModifier);

    // A filter of the host's stays beneath the user's criteria.
    window->findChild<CFormFrame *>()->ChangeFilter(QStringLiteral("id <> 4"));
    EXPECT_EQ(walk(), "1235");
    user.press(Qt::Key_PageUp, Qt::ControlModifier);
    user.field(QStringLiteral("ort"))->setFocus(Qt::TabFocusReason);
    user.press(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(walk(), "1");
}

// Finding by the find bar: in the field the cursor was in or in every
// field, the whole field, its start or any part, without regard to letter
// case, a date as the form shows it; F3 goes on, Umschalt+F3 back, past an
// end with a note, and a text that nothing shows stays where it was.
TEST_P(RecordCycleTest, TheFindBarFindsWhatTheFieldsShow)
{
    const char *const kOnFromFirst = "Nach dem letzten Datensatz wurde beim ersten weitergesucht.";
    const char *const kOnFromLast = "Vor dem ersten Datensatz wurde beim letzten weitergesucht.";
    const auto bar = [this] {
        return window->findChild<FindBar *>("findBar");
    };
    user.field(QStringLiteral("ort"))->setFocus();
    user.press(Qt::Key_H, Qt::ControlModifier);
    ASSERT_TRUE(bar()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), bar()->findChild<QLineEdit *>("findText"));
    EXPECT_EQ(bar()->findChild<QComboBox *>("findIn")->currentText(), "Aktuelles Feld (Ort)");
    const struct
    {
        const char *text; // nullptr: as before
        int in;           // 0: the current field, 1: every field
        int match;        // 0: whole field, 1: its start, 2: any part
        Qt::Key key;      // Enter, F3 or Umschalt+F3 (Qt::Key_Back)
        const char *shown;
        const char *note;
    } steps[] = {
        {"KÖLN", 0, 0, Qt::Key_Return, "2", ""}, // letter case aside, umlauts too
        {nullptr, 0, 0, Qt::Key_F3, "5", ""},
        {nullptr, 0, 0, Qt::Key_F3, "2", kOnFromFirst},
        {nullptr, 0, 0, Qt::Key_Back, "5", kOnFromLast},
        {"Aach", 0, 1, Qt::Key_Return, "3", kOnFromFirst},
        {nullptr, 0, 0, Qt::Key_F3, "3", "„Aach“ wurde nicht gefunden."}, // the start only
        {"11.3.21", 1, 2, Qt::Key_Return, "4", ""}, // the date as the user types it
        {"kunde 001", 1, 0, Qt::Key_F3, "1", kOnFromFirst},
        {"1,3333", 1, 2, Qt::Key_Return, "4", ""}, // a number as written in German: 4/3
        {"O'Brien'; --", 1, 2, Qt::Key_Return, "4", "„O'Brien'; --“ wurde nicht gefunden."},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(std::string(step.text ? step.text : "") + " " + step.shown);
        auto *text = bar()->findChild<QLineEdit *>("findText");
        if (step.text) {
            text->clear();
            FormDriver::type(text, QString::fromUtf8(step.text));
        }
        bar()->findChild<QComboBox *>("findIn")->setCurrentIndex(step.in);
        bar()->findChild<QComboBox *>("findMatch")->setCurrentIndex(step.match);
        messages.clear();
        if (step.key == Qt::Key_Back)
            user.press(Qt::Key_F3, Qt::ShiftModifier);
        else
            user.press(step.key);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
        EXPECT_EQ(user.shown(QStringLiteral("name")).right(1), step.shown);
        EXPECT_EQ(bar()->note(), QString::fromUtf8(step.note));
    }
    user.press(Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_TRUE(window->isVisible()) << "Escape closes the bar, not the window";
}

TEST_P(RecordCycleTest, AConflictIsDecidedFieldByFieldAndNothingIsSavedWithoutAChoice)
{
    messages.showConflicts = true;
    ASSERT_TRUE(user.retype(QStringLiteral("name"), QStringLiteral("Anna <b>&")));
    ASSERT_TRUE(user.retype(QStringLiteral("ort"), QStringLiteral("Siegburg")));
    ASSERT_TRUE(user.retype(QStringLiteral("notiz"), QStringLiteral("Gleich")));
    // Bert stored the same note: no question about it.
    db.exec("UPDATE kunden SET name = 'Bert', ort = 'Köln-Mitte', notiz = 'Gleich' WHERE id = 1");

    // Anna keeps her name, takes Bert's place; while she chooses, Carla
    // stores another name.
    onNextModal<ConflictDialog>([this](ConflictDialog *dialog) {
        EXPECT_TRUE(dialog->findChild<QLabel *>("conflictText")
                        ->text()
                        .startsWith("Ein anderer Benutzer hat diesen Datensatz gespeichert"));
        EXPECT_EQ(conflictRows(*dialog), QStringList({"Name: Anna <b>&& | Bert | Kunde 001",
                                                      "Ort: Siegburg | Köln-Mitte | Bonn"}));
        // A value is shown as typed, in the choice and in its tool tip.
        QTextDocument tip;
        tip.setHtml(dialog->findChild<QRadioButton *>("yours0")->toolTip());
        EXPECT_EQ(tip.toPlainText(), "Anna <b>&");
        auto *save = dialog->findChild<QPushButton *>("save");
        typeInto(dialog, Qt::Key_Space); // Ihre Eingabe for the name
        typeInto(dialog, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible()) << "Enter saves only once every field has its choice";
        EXPECT_FALSE(save->isEnabled());
        typeInto(dialog, Qt::Key_Tab);
        typeInto(dialog, Qt::Key_Right);
        typeInto(dialog, Qt::Key_Space); // Jetzt gespeichert for the place
        EXPECT_TRUE(save->isEnabled());
        db.exec("UPDATE kunden SET name = 'Carla' WHERE id = 1");
        onNextModal<ConflictDialog>([](ConflictDialog *again) {
            EXPECT_TRUE(again->findChild<QLabel *>("conflictText")
                            ->text()
                            .startsWith("Während Sie gewählt haben, hat ein anderer Benutzer"));
            EXPECT_EQ(conflictRows(*again).size(), 1);
            EXPECT_TRUE(conflictRows(*again).value(0).startsWith("Name: Anna <b>&& | Carla"));
            closeWith(again, Qt::Key_Escape);
        });
        closeWith(dialog, Qt::Key_Return);
    });
    user.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(db.scalar("SELECT name || '|' || ort FROM kunden WHERE id = 1"), "Carla|Köln-Mitte")
        << "nothing is saved without a choice";
    EXPECT_EQ(user.shown(QStringLiteral("name")), "Anna <b>&") << "the entry stays";
    EXPECT_EQ(user.shown(QStringLiteral("ort")), "Köln-Mitte") << "the place taken";
    EXPECT_EQ(state(), "geändert");

    // Saved again, Anna keeps her name over Carla's, knowingly.
    onNextModal<ConflictDialog>([](ConflictDialog *dialog) {
        EXPECT_TRUE(conflictRows(*dialog).value(0).startsWith("Name: Anna <b>&& | Carla"));
        typeInto(dialog, Qt::Key_Space);
        closeWith(dialog, Qt::Key_Return);
    });
    user.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(db.scalar("SELECT name || '|' || ort FROM kunden WHERE id = 1"),
              "Anna <b>&|Köln-Mitte");
    EXPECT_EQ(state(), "");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

// The datasheet: the same records as a table, switched with the form by
// keys, edited in cells with the form's reading, checks, questions and
// conflicts, sorted by a click on a header.
TEST_P(RecordCycleTest, TheDatasheetShowsAndEditsTheRecordsAsTheFormDoes)
{
    const QStringList columns = {"name", "ort", "termin", "betrag", "aktiv", "notiz"};
    const auto formTexts = [&] {
        QStringList texts;
        for (const QString &column : columns)
            texts << (column == "aktiv" ? QString() : user.shown(column));
        return texts;
    };
    user.press(Qt::Key_PageDown);
    user.press(Qt::Key_PageDown);
    const QStringList third = formTexts();
    user.press(Qt::Key_PageUp, Qt::ControlModifier);
    const QStringList first = formTexts();

    user.press(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    Datasheet *sheet = user.frame()->datasheet();
    ASSERT_TRUE(sheet && sheet->isVisible() && sheet->hasFocus());
    DatasheetModel *model = sheet->records();
    const auto cells = [&](int row) {
        QStringList texts;
        for (const QString &column : columns)
            texts << (column == "aktiv"
                          ? QString()
                          : model->shownText(model->index(row, model->columnOf(column))));
        return texts;
    };
    const auto checked = [&](int row) {
        return model->index(row, model->columnOf("aktiv")).data(Qt::CheckStateRole).toInt();
    };
    const auto header = [&](int row) {
        return model->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    };
    const auto stored = [&](int id) {
        return db.scalar(QStringLiteral("SELECT name || '|' || COALESCE(ort, '') || '|' || "
                                        "CAST(ROUND(betrag * 10) AS INT) FROM kunden "
                                        "WHERE id = %1")
                             .arg(id));
    };
    const auto type = [](const QString &text) {
        FormDriver::type(QApplication::focusWidget(), text.left(1)); // opens the cell's editor
        FormDriver::type(QApplication::focusWidget(), text.mid(1));
    };
    // Enter in a cell's editor: the editor hands its text over once the
    // key has been handled.
    const auto enter = [this] {
        user.press(Qt::Key_Return);
        QCoreApplication::processEvents();
    };
    QStringList captions;
    for (int column = 0; column < model->columnCount(); ++column)
        captions << model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(captions, QStringList({"Name", "Ort", "Aktiver Kunde", "Termin", "Betrag", "Notiz"}));
    EXPECT_EQ(model->rowCount(), 6) << "five records and the new one";
    EXPECT_EQ(cells(0), first) << "the current record, from the form's fields";
    EXPECT_EQ(cells(2), third) << "another record, read as the form shows it";
    EXPECT_EQ(checked(0), Qt::Checked);
    EXPECT_EQ(checked(1), Qt::Unchecked);
    EXPECT_EQ(header(0), "▶");
    EXPECT_EQ(header(5), "*");
    EXPECT_EQ(sheet->currentColumn(), "name") << "the field the cursor was in";

    // Down is the form's move; a cell takes what the field would take.
    user.press(Qt::Key_Down);
    EXPECT_EQ(position(), "Datensatz 2 von 5");
    user.press(Qt::Key_Right);
    type("Siegburg");
    enter();
    EXPECT_EQ(header(1), "✎");
    EXPECT_EQ(state(), "geändert");
    EXPECT_EQ(sheet->currentColumn(), "ort") << "Enter commits the cell";
    user.press(Qt::Key_Return);
    EXPECT_EQ(sheet->currentColumn(), "aktiv") << "and goes on to the next one";
    user.press(Qt::Key_Tab);
    messages.clear();
    type("32.13.2021");
    enter();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().value(0).startsWith("Das Feld Termin erwartet"))
        << messages.texts().value(0).toStdString();
    QCoreApplication::processEvents(); // the editor opens again with the text
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), "32.13.2021");
    user.press(Qt::Key_Escape); // the cell as it was
    EXPECT_EQ(QApplication::focusWidget(), sheet) << "the editor closed";
    user.press(Qt::Key_Tab);
    type("1.234,5");
    enter();
    EXPECT_EQ(stored(2), "Kunde 002|Köln|7") << "nothing saved yet";
    messages.clear();
    messages.answer(Yes);
    user.press(Qt::Key_Down);
    EXPECT_EQ(messages.questions(), QStringList(kSave));
    EXPECT_EQ(stored(2), "Kunde 002|Siegburg|12345");
    EXPECT_EQ(cells(1).mid(1, 1), QStringList("Siegburg")) << "the row as stored now";
    EXPECT_EQ(position(), "Datensatz 3 von 5");

    // Escape undoes the record; a conflict with another user and a refused
    // save keep the user on the record with the entry.
    user.press(Qt::Key_Home);
    type("Verworfen");
    enter();
    messages.clear();
    messages.answer(Yes);
    user.press(Qt::Key_Escape);
    EXPECT_EQ(messages.questions(), QStringList(kUndo));
    EXPECT_EQ(cells(2), third);
    EXPECT_EQ(header(2), "▶");
    user.press(Qt::Key_Home);
    type("Meiner");
    enter();
    db.exec("UPDATE kunden SET name = 'Anderer' WHERE id = 3");
    messages.answer(Yes);
    messages.answer(Cancel); // no choice between the two names
    user.press(Qt::Key_Down);
    EXPECT_EQ(stored(3), "Anderer|Aachen|10") << "nothing saved without a choice";
    EXPECT_EQ(position(), "Datensatz 3 von 5");
    EXPECT_EQ(header(2), "✎");
    messages.answer(Yes);
    user.press(Qt::Key_Escape);
    EXPECT_EQ(model->shownText(model->index(2, 0)), "Anderer");
    user.press(Qt::Key_Home);
    user.press(Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    enter();
    messages.clear();
    messages.answer(Yes);
    user.press(Qt::Key_Up);
    EXPECT_EQ(messages.texts().filter(kNameRequired).size(), 1)
        << messages.texts().join('\n').toStdString();
    EXPECT_EQ(position(), "Datensatz 3 von 5");
    messages.answer(Yes);
    user.press(Qt::Key_Escape);

    // The last row is a new record; a yes/no cell takes the space bar.
    user.press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(position(), "Neuer Datensatz (5 vorhanden)");
    user.press(Qt::Key_Home);
    type("Neukunde");
    enter();
    sheet->setCurrentColumn("aktiv");
    user.press(Qt::Key_Space);
    messages.answer(Yes);
    user.press(Qt::Key_Up);
    EXPECT_EQ(db.scalar("SELECT name || '|' || CAST(aktiv AS INT) FROM kunden WHERE id = 6"),
              "Neukunde|1");
    EXPECT_EQ(model->rowCount(), 7);
    EXPECT_EQ(position(), "Datensatz 5 von 6");

    // A click on a header sorts by its column, again or with Umschalt the
    // other way; the record stays current.
    QHeaderView *columnsHeader = sheet->horizontalHeader();
    const auto clickHeader = [&](const char *column, Qt::KeyboardModifiers modifiers) {
        const int section = model->columnOf(column);
        QTest::mouseClick(columnsHeader->viewport(), Qt::LeftButton, modifiers,
                          QPoint(columnsHeader->sectionViewportPosition(section) + 4, 4));
    };
    clickHeader("ort", Qt::NoModifier);
    EXPECT_EQ(user.records()->UserSort().column, "ort");
    EXPECT_FALSE(user.records()->UserSort().descending);
    EXPECT_EQ(model->shownText(model->index(0, 1)), "Aachen");
    EXPECT_EQ(model->shownText(model->index(model->currentRow(), 0)), "Kunde 005");
    clickHeader("ort", Qt::NoModifier);
    EXPECT_TRUE(user.records()->UserSort().descending);
    clickHeader("name", Qt::ShiftModifier);
    EXPECT_EQ(user.records()->UserSort().column, "name");
    EXPECT_TRUE(user.records()->UserSort().descending);
    EXPECT_EQ(model->shownText(model->index(0, 0)), "Neukunde");

    // A note keeps its lines: Enter starts one, Umschalt+Tab takes the text.
    sheet->setCurrentColumn("notiz");
    type("Erste");
    user.press(Qt::Key_Return);
    FormDriver::type(QApplication::focusWidget(), "Zweite");
    user.press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(sheet->currentColumn(), "betrag");
    user.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(
        db.scalar(QStringLiteral("SELECT REPLACE(notiz, CHAR(13), '') FROM kunden WHERE "
                                 "id = 5")
                      .replace("CHAR(", db.kind() == DatabaseKind::PostgreSql ? "CHR(" : "CHAR(")),
        "Erste\nZweite");

    // Back in the form: the same record, the cursor in the same field.
    sheet->setCurrentColumn("ort");
    user.press(Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(user.shown("name"), "Kunde 005");
    EXPECT_EQ(QApplication::focusWidget(), user.field("ort"));
    EXPECT_TRUE(messages.unscriptedQuestions().isEmpty());
}

// Copy gives a spreadsheet the cells as shown; paste takes them through the
// fields, a line all or nothing; selected records go in one transaction.
TEST_P(RecordCycleTest, TheDatasheetCopiesPastesAndDeletesWholeRecords)
{
    db.exec(QStringLiteral("UPDATE kunden SET notiz = 'Tab\tund \"Zitat\"' WHERE id = 2"));
    db.exec("CREATE TABLE bestellungen (id INT PRIMARY KEY, kunde INT REFERENCES kunden (id))");
    db.exec("INSERT INTO bestellungen VALUES (1, 5)");
    user.press(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    Datasheet *sheet = user.frame()->datasheet();
    ASSERT_TRUE(sheet);
    DatasheetModel *model = sheet->records();
    const auto cell = [&](int row, const char *column) {
        return model->index(row, model->columnOf(column));
    };
    const auto rows = [this] {
        return db.scalar("SELECT COUNT(*) FROM kunden").toInt();
    };
    const auto stored = [this](int id) {
        return db.scalar(QStringLiteral("SELECT name || '|' || COALESCE(ort, '') || '|' || "
                                        "CAST(aktiv AS INT) FROM kunden WHERE id = %1")
                             .arg(id));
    };
    QItemSelection block(cell(0, "name"), cell(1, "aktiv"));
    block.select(cell(0, "notiz"), cell(1, "notiz"));
    sheet->selectionModel()->select(block, QItemSelectionModel::ClearAndSelect);
    user.press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "Kunde 001\tBonn\tJa\t\t\t\r\n"
              "Kunde 002\tKöln\tNein\t\t\t\"Tab\tund \"\"Zitat\"\"\"\r\n");

    // Two lines from record 4 on: the first is saved as the second is
    // reached, which keeps its entry as if typed.
    sheet->setCurrentIndex(cell(3, "name"));
    QApplication::clipboard()->setText("Neu 1\tTroisdorf\nNeu 2\tSiegburg\tja\n");
    user.press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(stored(4), "Neu 1|Troisdorf|0");
    EXPECT_EQ(stored(5), "Kunde 005|Köln|1");
    EXPECT_EQ(model->shownText(cell(4, "name")), "Neu 2");
    EXPECT_EQ(model->index(4, model->columnOf("aktiv")).data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(state(), "geändert");
    // A line with a value its field refuses takes none of its cells.
    messages.clear();
    QApplication::clipboard()->setText("Anders\tOrt\tvielleicht");
    user.press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(messages.texts(),
              QStringList("Die Zeile 1 der Zwischenablage wurde nicht eingefügt: Das Feld Aktiver "
                          "Kunde erwartet „Ja“ oder „Nein“."));
    EXPECT_EQ(model->shownText(cell(4, "name")), "Neu 2");
    EXPECT_EQ(model->shownText(cell(4, "ort")), "Siegburg");
    messages.answer(Yes);
    sheet->setCurrentIndex(cell(0, "ort"));
    EXPECT_EQ(stored(5), "Neu 2|Siegburg|1");

    // Whole records, chosen by their row headers: "Nein" keeps them; a
    // record the database keeps (an order names it) keeps the others too.
    QHeaderView *rowHeader = sheet->verticalHeader();
    const auto chooseRows = [&](int from, int to) {
        QTest::mouseClick(rowHeader->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(4, rowHeader->sectionViewportPosition(from) + 4));
        QTest::mouseClick(rowHeader->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(4, rowHeader->sectionViewportPosition(to) + 4));
    };
    chooseRows(3, 4);
    messages.clear();
    messages.answer(No);
    user.press(Qt::Key_Delete);
    EXPECT_EQ(messages.questions(), QStringList("Diese 2 Datensätze wirklich löschen?"));
    EXPECT_EQ(rows(), 5);
    messages.answer(Yes);
    user.press(Qt::Key_Delete);
    EXPECT_EQ(rows(), 5) << "all or none";
    EXPECT_TRUE(messages.texts().constLast().startsWith(
        "Die Datensätze können nicht gelöscht werden: in der Tabelle bestellungen verweisen "
        "noch Datensätze auf einen von ihnen. Keiner wurde gelöscht."));
    chooseRows(1, 2);
    messages.answer(Yes);
    user.press(Qt::Key_Delete);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) || ':' || MIN(id) || MAX(id) FROM kunden WHERE id IN "
                        "(1, 4, 5)"),
              "3:15");
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->shownText(cell(model->currentRow(), "name")), "Neu 1")
        << "the record after those deleted";
    EXPECT_EQ(position(), "Datensatz 2 von 3");
}

// The columns as the user arranged them come back with the form, stored
// beside its definition, which stays as it was.
TEST_P(RecordCycleTest, TheDatasheetKeepsItsColumnsAsArranged)
{
    const auto definition = [this] {
        return db.scalar("SELECT COUNT(*) FROM QRTFORMITEM") + "|" +
               db.scalar("SELECT MAX(CONTROLINFO) FROM QRTFORMITEM");
    };
    const QString before = definition();
    user.press(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    Datasheet *sheet = user.frame()->datasheet();
    ASSERT_TRUE(sheet);
    QHeaderView *header = sheet->horizontalHeader();
    const int notiz = sheet->records()->columnOf("notiz");
    const int ort = sheet->records()->columnOf("ort");
    header->moveSection(header->visualIndex(notiz), 0);
    header->resizeSection(ort, 171);
    openWindow(); // closing stores what the user arranged just now
    user.press(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    sheet = user.frame()->datasheet();
    ASSERT_TRUE(sheet);
    header = sheet->horizontalHeader();
    QStringList shown;
    for (int place = 0; place < header->count(); ++place)
        shown << sheet->records()->columnName(header->logicalIndex(place));
    EXPECT_EQ(shown, QStringList({"notiz", "name", "ort", "aktiv", "termin", "betrag"}));
    EXPECT_EQ(header->sectionSize(sheet->records()->columnOf("ort")), 171);
    EXPECT_EQ(definition(), before);
}

INSTANTIATE_TEST_SUITE_P(EnginesAndHosts, RecordCycleTest,
                         ::testing::Combine(::testing::Values(DatabaseKind::Sqlite,
                                                              DatabaseKind::PostgreSql),
                                            ::testing::Values(Host::Dialog, Host::Widget)),
                         [](const auto &info) {
                             return engineName(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == Host::Dialog ? "Dialog" : "Widget");
                         });

using FormDialogCycleTest = FormDialogTest;

TEST_P(FormDialogCycleTest, FilterAndRemoveFilter)
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
    EXPECT_EQ(messages.questions(), QStringList(kSave)) << "the record is offered first";
    EXPECT_EQ(stored("name", 2), "Gefiltert");
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 2");
    const QLabel *state = dialog->findChild<QLabel *>("recordState");
    EXPECT_EQ(state->text(), "gefiltert");
    EXPECT_EQ(state->accessibleName(), "Status: gefiltert");
    QTextDocument tip; // the tool tip is the filter as plain text, whatever it holds
    tip.setHtml(state->toolTip());
    EXPECT_EQ(tip.toPlainText(), "Gefiltert: ort='Bonn'");
    press(Qt::Key_PageDown);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(4));

    // Cancelling the dialog keeps the filter.
    onNextModal<CFilterDlg>([](CFilterDlg *filter) { filter->reject(); });
    click(IdRecordFilter);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(4));
    EXPECT_EQ(dialog->positionText(), "Datensatz 2 von 2");

    press(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1)) << "all records again, from the first";
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 5");
    EXPECT_EQ(state->text(), "");
    press(Qt::Key_PageDown);
    EXPECT_EQ(shown("name"), "Gefiltert");
    EXPECT_EQ(messages.questions().size(), 1);
}

TEST_P(FormDialogCycleTest, ClosingOffersAChangedRecordForSaving)
{
    enum How { Escape, Close, Exit, SaveAndClose };
    struct Case
    {
        const char *does;
        const char *field;
        const char *typed;
        How how;
        bool disabled;
        Answer answer;
        bool asks;
        bool closes;
        const char *told;
        const char *stored; // "name|ort" of the record
    };
    // clang-format off
    const Case cases[] = {
        {"Escape, Abbrechen: open with the entry", "ort", "Siegburg", Escape, false, Cancel, true, false, nullptr, "Kunde 001|Bonn"},
        {"the close box, Abbrechen: open with the entry", "ort", "Siegburg", Close, false, Cancel, true, false, nullptr, "Kunde 001|Bonn"},
        {"Escape, No: closed unsaved", "ort", "Siegburg", Escape, false, No, true, true, nullptr, "Kunde 001|Bonn"},
        {"closed, Yes: saved", "ort", "Siegburg", Close, false, Yes, true, true, nullptr, "Kunde 001|Siegburg"},
        {"a refused save stays open", "name", "", Close, false, Yes, true, false, kNameRequired, "Kunde 001|Siegburg"},
        {"Beenden asks as well", "ort", "Bonn", Exit, false, No, true, true, nullptr, "Kunde 001|Siegburg"},
        {"Ctrl+Q saves without asking", "ort", "Troisdorf", SaveAndClose, false, Yes, false, true, nullptr, "Kunde 001|Troisdorf"},
        {"a disabled form neither asks nor saves", "ort", "Gesperrt", Close, true, Yes, false, true, nullptr, "Kunde 001|Troisdorf"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.does);
        openData();
        retype(c.field, QString::fromUtf8(c.typed));
        if (c.disabled) {
            dialog->GetFormHost()->EnableForm(false);
            EXPECT_FALSE(dialog->commandAction(IdRecordNext)->isEnabled());
        }
        messages.clear();
        messages.answer(c.answer);
        if (c.how == Escape)
            press(Qt::Key_Escape);
        else if (c.how == Close)
            dialog->close();
        else if (c.how == Exit)
            choose(IdAppExit);
        else
            press(Qt::Key_Q, Qt::ControlModifier);
        EXPECT_EQ(messages.questions(), c.asks ? QStringList(kSave) : QStringList());
        EXPECT_EQ(messages.texts().size(), int(c.asks) + int(c.told != nullptr));
        EXPECT_EQ(dialog->isVisible(), !c.closes);
        EXPECT_EQ(db.scalar("SELECT name || '|' || ort FROM kunden WHERE id = 1"), c.stored);
        if (!c.closes) {
            EXPECT_EQ(shown(c.field), c.typed);
            messages.answer(No);
            dialog->close();
        }
        messages.clear();
    }
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

    // Unchanged since it was loaded: closing asks nothing.
    press(Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(messages.texts().isEmpty());
    open(CustomerForm::document(db, true));

    // A caption drawn where there is room: named after a new field, ready
    // to be worked on, one step to undo.
    FormMouse mouse(form());
    QTimer::singleShot(0, [&mouse] { mouse.drag(QPoint(420, 260), QPoint(300, 285)); });
    click(IdDateiAddStatic);
    const CDynControl *caption = form()->controls().last();
    EXPECT_TRUE(caption->GetName().startsWith("FELD_") && caption->GetName().endsWith("_TITEL"));
    EXPECT_EQ(caption->GetRect(), QRect(300, 260, 120, 25));
    EXPECT_EQ(selectedOn(form()), QStringList(caption->GetName()));
    QUndoStack *history = form()->undoStack();
    EXPECT_EQ(history->undoText(), "Überschrift einfügen");
    const QString question = QStringLiteral("Möchten Sie das Formular jetzt speichern?");
    messages.answer(Answer::Cancel);
    press(Qt::Key_Escape); // drops the selection
    press(Qt::Key_Escape);
    EXPECT_EQ(messages.questions(), QStringList(question));
    EXPECT_EQ(messages.messages().first().kind, RecordingMessages::Kind::YesNoCancel);
    EXPECT_TRUE(dialog->isVisible()) << "Cancel stays";

    // The field layout, "betrag" off the form and "aktiv" first, undoes as
    // one step: the field and its label come back, the order is what it was.
    const QStringList drawn = namesOn(form());
    onNextModal<CTabOrderDlg>([](CTabOrderDlg *arrange) {
        auto *shown = arrange->findChild<QListWidget *>("shown");
        shown->setCurrentRow(4);
        QTest::keyClick(shown, Qt::Key_Delete);
        shown->setCurrentRow(2);
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(shown, Qt::Key_Up, Qt::ControlModifier);
        arrange->findChild<QPushButton *>("ok")->click();
    });
    choose(IdDateiTabOrder);
    const QStringList arranged = {
        "aktiv",           "name",       "ort",       "termin",       "notiz",
        "Kunde_RAHMEN",    "name_TITEL", "ort_TITEL", "termin_TITEL", "Notiz_RAHMEN",
        caption->GetName()};
    EXPECT_EQ(namesOn(form()), arranged);
    EXPECT_EQ(history->undoText(), "Felder anordnen");
    history->undo();
    EXPECT_EQ(namesOn(form()), drawn);
    history->redo();
    EXPECT_EQ(namesOn(form()), arranged);

    // Yes stores the layout: it comes back as it was, with a new history.
    control("ort")->MoveTo(105, 51, 250, 73);
    const QStringList saved = layoutOf(form());
    messages.answer(Answer::Yes);
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    messages.clear();
    open(CustomerForm::document(db, true));
    EXPECT_EQ(layoutOf(form()), saved);
    EXPECT_EQ(form()->undoStack()->count(), 0);

    // Saved and then changed: asked again; No leaves what is stored.
    form()->editor()->selectAll();
    press(Qt::Key_Right);
    messages.answer(Answer::No);
    choose(IdAppExit);
    EXPECT_EQ(messages.questions(), QStringList(question));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM WHERE CONTROLINFO LIKE "
                        "'%<NAME>ort</NAME><LEFT>105</LEFT><RIGHT>250</RIGHT>%'"),
              "1");
}

QRT_INSTANTIATE_FOR_ENGINES(FormDialogCycleTest);
QRT_INSTANTIATE_FOR_ENGINES(DesignDialogTest);

} // namespace
