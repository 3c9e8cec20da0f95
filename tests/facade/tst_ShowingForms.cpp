// A host showing forms through the facade: modal with the key of the first
// saved record as result, modeless with re-filtering, enabling and closing,
// and as a widget of the host's own window, with what the host hears (the
// signals with their keys), what it asks before closing, and how errors
// reach it.

#include "data/CTabInfo.h"
#include "facade/CKeloForm.h"
#include "facade/CKeloFormWidget.h"
#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CFormDlg.h"
#include "runtime/Datasheet.h"
#include "runtime/DatasheetModel.h"
#include "support/CustomerForm.h"
#include "support/FormDriver.h"
#include "support/ScriptedMessages.h"

#include "filter/FilterTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>

#include <memory>

using Answer = UserMessages::Answer;

namespace {

const QString kSaveQuestion = "Den aktuellen Datensatz speichern?";

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

    static QString shown(QWidget *window, const char *name)
    {
        return FormDriver(window).shown(QString::fromUtf8(name));
    }
    static void retype(QWidget *window, const char *name, const char *text)
    {
        ASSERT_TRUE(FormDriver(window).retype(QString::fromUtf8(name), QString::fromUtf8(text)));
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
    QString stored(const char *column, qint64 id) const
    {
        return db.scalar(QStringLiteral("SELECT %1 FROM kunden WHERE id = %2")
                             .arg(QLatin1String(column))
                             .arg(id));
    }
    // A facade on a table that has no form.
    void initMissing(CKeloForm &missing) const
    {
        missing.Init(db.dbName(), db.serverName(), db.userId(), db.password(), "gibtsnicht",
                     db.kind() == DatabaseKind::PostgreSql ? ns_qrttypen::KELO_POSTGRESQL
                                                           : ns_qrttypen::KELO_SQLITE);
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
    EXPECT_EQ(facade.ShowForm(QString(), "name DESC"), 4);
    EXPECT_EQ(stored("ort", 2), "Dritter");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();

    // Closed without a save: -1.
    onNextModal<CFormDlg>([](CFormDlg *dialog) {
        waitUntilActive(dialog);
        EXPECT_EQ(shown(dialog, "name"), CustomerForm::nameOf(3)) << "filtered as asked";
        press(Qt::Key_PageDown);
        dialog->close();
    });
    EXPECT_EQ(facade.ShowForm("ort = 'Aachen'"), -1);

    // On a new record: the key the new record received.
    onNextModal<CFormDlg>([](CFormDlg *dialog) {
        waitUntilActive(dialog);
        EXPECT_EQ(shown(dialog, "name"), "");
        EXPECT_EQ(dialog->positionText(), "Neuer Datensatz (5 vorhanden)");
        QTest::keyClicks(QApplication::focusWidget(), "Ganz neu");
        press(Qt::Key_Q, Qt::ControlModifier);
    });
    EXPECT_EQ(facade.ShowForm(QString(), QString(), true), 6);
    EXPECT_EQ(stored("name", 6), "Ganz neu");
    EXPECT_EQ(CKeloForm::m_ulTickCount, 0u);
    EXPECT_FALSE(facade.IsOpen()) << "a modal form is never the modeless one";

    onNextModal<CFormDlg>([](CFormDlg *dialog) {
        EXPECT_TRUE(dialog->IsDesignMode());
        EXPECT_NE(dialog->GetFormHost(), nullptr);
        dialog->reject();
    });
    facade.DesignForm();
    EXPECT_TRUE(messages.questions().isEmpty())
        << "an unchanged layout is closed without a question";
}

TEST_P(ShowingFormsTest, OpenFormTwiceFiltersTheOpenFormAgain)
{
    QWidget host;
    host.show();
    facade.OpenForm("ort = 'Köln'", &host);
    ASSERT_TRUE(facade.IsOpen());
    CFormDlg *dialog = facade.modelessDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(shown(dialog, "name"), CustomerForm::nameOf(2));

    retype(dialog, "name", "Umbenannt");
    messages.answer(Answer::Yes);
    facade.OpenForm("ort = 'Aachen'");
    EXPECT_EQ(facade.modelessDialog(), dialog) << "no second window";
    EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion));
    EXPECT_EQ(stored("name", 2), "Umbenannt");
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
    EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion));
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
    EXPECT_EQ(stored("ort", 1), "Bonn");

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

// Without a database, on a table without a form, with a filter the engine
// refuses: the reason, and no window that waits to be closed.
TEST_P(ShowingFormsTest, AFormThatCannotBeShownSaysWhy)
{
    const QString invalid = "Ungültige Datenbankparameter gesetzt!";
    const QString notBuilt = "Der Formulargenerator konnte nicht initialisiert werden!";
    CKeloForm uninitialised;
    CKeloForm missing;
    initMissing(missing);
    const struct
    {
        std::function<bool()> show; // false when no form came up
        int count;                  // of messages; 0: any
        QString first;              // a part of it
        QString last;
    } cases[] = {
        {[&] { return uninitialised.ShowForm() != -1; }, 1, invalid, invalid},
        {[&] {
             uninitialised.OpenForm(QString());
             return uninitialised.IsOpen();
         },
         1, invalid, invalid},
        {[&] {
             uninitialised.DesignForm();
             return false;
         },
         1, invalid, invalid},
        {[&] { return missing.ShowForm() != -1 || missing.lastFormBuilt(); }, 0, QString(),
         notBuilt},
        {[&] { return facade.ShowForm("nichtda = 1") != -1 || facade.lastFormBuilt(); }, 2,
         "nichtda", notBuilt},
    };
    for (const auto &attempt : cases) {
        SCOPED_TRACE(attempt.first.toStdString());
        messages.clear();
        EXPECT_FALSE(attempt.show());
        ASSERT_FALSE(messages.texts().isEmpty());
        if (attempt.count > 0) {
            EXPECT_EQ(messages.texts().size(), attempt.count);
        }
        EXPECT_TRUE(messages.texts().first().contains(attempt.first))
            << messages.texts().join('\n').toStdString();
        EXPECT_EQ(messages.texts().last(), attempt.last);
    }
}

// The keys a signal carried, in order.
QList<qint64> keys(const QSignalSpy &spy)
{
    QList<qint64> result;
    for (const QList<QVariant> &arguments : spy)
        result.append(arguments.value(0).toLongLong());
    return result;
}

class FormWidgetTest : public ShowingFormsTest
{
protected:
    void SetUp() override
    {
        ShowingFormsTest::SetUp();
        if (IsSkipped())
            return;
        host = std::make_unique<QWidget>();
        host->setWindowTitle("Kundenverwaltung");
        auto *layout = new QVBoxLayout(host.get());
        layout->addWidget(new QLabel("Kunden", host.get()));
        widget = new CKeloFormWidget(host.get());
        layout->addWidget(widget);
        host->resize(700, 500);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    }

    void TearDown() override
    {
        host.reset();
        ShowingFormsTest::TearDown();
    }

    bool openSorted() { return widget->open(facade, QString(), "id"); }

    // Replaces the field's text by typing into it, as a user does.
    void retype(const char *name, const char *text)
    {
        if (QApplication::activeWindow() != host.get()) {
            host->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        }
        ShowingFormsTest::retype(host.get(), name, text);
    }

    std::unique_ptr<QWidget> host;
    CKeloFormWidget *widget = nullptr; // the host's child
};
// What the user sees and the store gets is the record cycle's test, shared
// with the form dialog; here what only a host of the widget has: the
// signals, the tool bar it may hide, its keys outside the form.
TEST_P(FormWidgetTest, SignalsCarryTheKeysAndTheHostKeepsItsOwnKeys)
{
    QSignalSpy current(widget, &CKeloFormWidget::currentRecordChanged);
    QSignalSpy saved(widget, &CKeloFormWidget::recordSaved);
    QSignalSpy deleted(widget, &CKeloFormWidget::recordDeleted);
    ASSERT_TRUE(openSorted()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(widget->title(), "Kunden");
    EXPECT_TRUE(widget->save());
    EXPECT_TRUE(saved.isEmpty()) << "nothing changed, nothing written";
    widget->next();
    widget->last();
    widget->previous();
    widget->first();
    EXPECT_EQ(keys(current), (QList<qint64>{1, 2, 5, 4, 1}));

    // Saving a stored record keeps it current: no second announcement; a
    // new record has no key until it is stored.
    retype("ort", "Rheinbach");
    current.clear();
    EXPECT_TRUE(widget->save());
    EXPECT_TRUE(current.isEmpty());
    EXPECT_TRUE(widget->newRecord());
    retype("name", "Neukunde");
    EXPECT_TRUE(widget->save());
    EXPECT_EQ(keys(saved), (QList<qint64>{1, 6}));
    EXPECT_EQ(keys(current), (QList<qint64>{-1, 6}));
    messages.answer(Answer::Yes);
    EXPECT_TRUE(widget->deleteRecord());
    EXPECT_EQ(keys(deleted), QList<qint64>{6});
    EXPECT_EQ(widget->findChild<CDlgToolBar *>()->buttonAction(CommandTable::IdRecordSaveAndClose),
              nullptr)
        << "the host closes, not the form";

    // Outside the form the keys are the host's own.
    auto *hostField = new QLineEdit(host.get());
    host->layout()->addWidget(hostField);
    hostField->show();
    hostField->setFocus();
    QTest::keyClick(hostField, Qt::Key_PageUp);
    QTest::keyClick(hostField, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(widget->currentKey(), 5);

    widget->setToolBarVisible(false);
    EXPECT_FALSE(widget->findChild<CDlgToolBar *>()->isVisible());
    widget->first();
    EXPECT_EQ(widget->currentKey(), 1) << "the slots work without the tool bar";
    widget->setFormEnabled(false);
    widget->next();
    EXPECT_EQ(widget->currentKey(), 1) << "a disabled form runs no command";
    widget->setFormEnabled(true);
    widget->next();
    EXPECT_EQ(widget->currentKey(), 2);
}

TEST_P(FormWidgetTest, TheHostSortsGoesToARecordAndHearsOfTheOrder)
{
    QSignalSpy order(widget, &CKeloFormWidget::orderChanged);
    QSignalSpy filter(widget, &CKeloFormWidget::filterChanged);
    ASSERT_TRUE(openSorted());
    widget->goToRecord(2);
    EXPECT_EQ(widget->currentKey(), 2);
    widget->sortBy("ORT", true); // in any letter case: Köln 2 and 5, Bonn 1 and 4, Aachen 3
    EXPECT_EQ(widget->currentKey(), 2) << "the record stays";
    // Shown at once, its number counted right after.
    EXPECT_TRUE(QTest::qWaitFor([this] { return widget->positionText() == "Datensatz 1 von 5"; }));
    widget->goToRecord(4);
    EXPECT_EQ(widget->currentKey(), 4);
    widget->sortBy("keine Spalte");
    widget->removeSort();
    EXPECT_EQ(widget->currentKey(), 4);
    EXPECT_TRUE(QTest::qWaitFor([this] { return widget->positionText() == "Datensatz 4 von 5"; }));
    ASSERT_EQ(order.size(), 2) << "nothing for a column the table lacks";
    EXPECT_EQ(order.at(0), (QVariantList{"ort", true}));
    EXPECT_EQ(order.at(1), (QVariantList{"", false}));
    widget->setFilter("id > 1");
    EXPECT_TRUE(filter.isEmpty()) << "the host's own filter is the host's news";

    // Finding and filtering by the field the user is in.
    EXPECT_TRUE(widget->findRecord("köln"));
    EXPECT_EQ(widget->currentKey(), 5);
    EXPECT_TRUE(widget->findRecord("KUNDE 003", false));
    EXPECT_EQ(widget->currentKey(), 3);
    EXPECT_FALSE(widget->findRecord("Bielefeld"));
    EXPECT_EQ(widget->currentKey(), 3);
    FormDriver(host.get()).field("ort")->setFocus();
    widget->filterBySelection(true); // all but Aachen
    EXPECT_EQ(widget->positionText(), "Datensatz 1 von 3");
    ASSERT_EQ(filter.size(), 1);
    EXPECT_TRUE(filter.at(0).at(0).toString().contains("ort"));

    // The same records as a table, the record staying current both ways.
    widget->next();
    widget->setDatasheetView(true);
    EXPECT_TRUE(widget->isDatasheetView());
    const auto *sheet = host->findChild<Datasheet *>();
    ASSERT_TRUE(sheet && sheet->isVisible());
    EXPECT_EQ(sheet->records()->rowCount(), 4) << "three filtered records and the new one";
    EXPECT_EQ(sheet->currentIndex().row(), 1);
    widget->next();
    EXPECT_EQ(sheet->currentIndex().row(), 2);
    widget->setDatasheetView(false);
    EXPECT_FALSE(widget->isDatasheetView());
    EXPECT_EQ(widget->positionText(), "Datensatz 3 von 3");
}

TEST_P(FormWidgetTest, UnsavedChangesAreReportedAndOfferedForSavingBeforeClosing)
{
    ASSERT_TRUE(openSorted());
    QSignalSpy saved(widget, &CKeloFormWidget::recordSaved);
    EXPECT_FALSE(widget->hasUnsavedChanges());
    EXPECT_TRUE(widget->maybeSave()) << "nothing changed: nothing asked";
    EXPECT_TRUE(messages.questions().isEmpty());

    retype("ort", "Swisttal");
    EXPECT_TRUE(widget->hasUnsavedChanges());
    messages.answer(Answer::Cancel);
    EXPECT_FALSE(widget->maybeSave()) << "Abbrechen keeps the host open";
    EXPECT_TRUE(widget->hasUnsavedChanges());
    messages.answer(Answer::No);
    EXPECT_TRUE(widget->maybeSave());
    EXPECT_EQ(stored("ort", 1), "Bonn") << "No saves nothing";
    messages.answer(Answer::Yes);
    EXPECT_TRUE(widget->maybeSave());
    EXPECT_EQ(stored("ort", 1), "Swisttal");
    EXPECT_EQ(keys(saved), QList<qint64>{1});
    EXPECT_EQ(messages.questions(), QStringList(3, kSaveQuestion));

    widget->next();

    // A host may close the form from a slot on its signals.
    QObject::connect(widget, &CKeloFormWidget::recordSaved, widget, &CKeloFormWidget::close);
    retype("ort", "Wachtberg");
    EXPECT_TRUE(widget->save());
    EXPECT_FALSE(widget->isOpen());
    EXPECT_EQ(stored("ort", 2), "Wachtberg");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<QLineEdit *> fields = widget->findChildren<QLineEdit *>();
    EXPECT_TRUE(std::all_of(fields.cbegin(), fields.cend(), [](const QLineEdit *field) {
        return field->objectName() == "positionNumber" || field->objectName() == "findText";
    })) << "the form went afterwards (the record number and the find bar stay)";
    QObject::disconnect(widget, &CKeloFormWidget::recordSaved, widget, &CKeloFormWidget::close);
    ASSERT_TRUE(openSorted());
    widget->next();

    // Closing the form drops what was typed, without a question.
    retype("ort", "Verworfen");
    messages.clear();
    widget->close();
    EXPECT_FALSE(widget->isOpen());
    EXPECT_FALSE(widget->hasUnsavedChanges());
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(stored("ort", 2), "Wachtberg");
}

TEST_P(FormWidgetTest, ErrorsReachTheSignalAndTheHostsMessages)
{
    // The host shows messages its own way: through its own interface, not
    // the one installed.
    RecordingMessages hostMessages;
    widget->setMessages(&hostMessages);
    QSignalSpy errors(widget, &CKeloFormWidget::errorReported);
    QSignalSpy saved(widget, &CKeloFormWidget::recordSaved);
    ASSERT_TRUE(openSorted()) << hostMessages.texts().join('\n').toStdString();

    // A required field emptied: refused, reported once, the entry stays.
    retype("name", "");
    EXPECT_FALSE(widget->save());
    ASSERT_EQ(errors.size(), 1);
    const QString message = errors.first().value(0).toString();
    EXPECT_EQ(message, "Das Feld Name muss einen Wert enthalten.") << "named by its label";
    EXPECT_EQ(hostMessages.texts(), QStringList(message));
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_TRUE(widget->hasUnsavedChanges());
    EXPECT_EQ(stored("name", 1), CustomerForm::nameOf(1));

    // A refusal of the engine's (a duplicate name) is input to put right,
    // told in the form's words with the engine's after them.
    retype("name", "Doppelt");
    EXPECT_TRUE(widget->save());
    errors.clear();
    hostMessages.clear();
    db.exec("CREATE UNIQUE INDEX kunden_name_eindeutig ON kunden (name)");
    widget->next();
    retype("name", "Doppelt");
    EXPECT_FALSE(widget->save());
    ASSERT_EQ(errors.size(), 1) << hostMessages.texts().join('\n').toStdString();
    EXPECT_EQ(hostMessages.messages().value(0).severity, UserMessages::Severity::Warning);
    EXPECT_EQ(hostMessages.texts(), QStringList(errors.first().value(0).toString()));
    EXPECT_TRUE(hostMessages.texts().value(0).contains("muss eindeutig sein"))
        << hostMessages.texts().join('\n').toStdString();
    EXPECT_TRUE(messages.texts().isEmpty()) << "the installed interface heard nothing";

    // A facade without a database changes nothing: the form stays. A form
    // that cannot be built says so, and the widget stays empty.
    CKeloForm uninitialised;
    EXPECT_FALSE(widget->open(uninitialised));
    EXPECT_TRUE(widget->isOpen());
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(hostMessages.texts().last(), "Ungültige Datenbankparameter gesetzt!");
    CKeloForm missing;
    initMissing(missing);
    EXPECT_FALSE(widget->open(missing));
    EXPECT_FALSE(widget->isOpen());
    EXPECT_EQ(widget->currentKey(), -1);
    EXPECT_GT(errors.size(), 2);
    EXPECT_EQ(hostMessages.texts().last(),
              "Der Formulargenerator konnte nicht initialisiert werden!");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

QRT_INSTANTIATE_FOR_ENGINES(ShowingFormsTest);
QRT_INSTANTIATE_FOR_ENGINES(FormWidgetTest);

} // namespace
