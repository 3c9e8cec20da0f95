// The form as a widget of a host's window: what the host hears (the signals
// with their keys), what it asks before closing, and how errors reach it.

#include "facade/CKeloForm.h"
#include "facade/CKeloFormWidget.h"

#include "data/CTabInfo.h"
#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "support/CustomerForm.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Answer = UserMessages::Answer;

const QString kSaveQuestion = QStringLiteral("Den aktuellen Datensatz speichern?");

// The keys a signal carried, in order.
QList<qint64> keys(const QSignalSpy &spy)
{
    QList<qint64> result;
    for (const QList<QVariant> &arguments : spy)
        result.append(arguments.value(0).toLongLong());
    return result;
}

class FormWidgetTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        CTabInfo::ClearConString();
        CustomerForm::create(db, 5);
        CustomerForm::init(facade, db);
        host = std::make_unique<QWidget>();
        host->setWindowTitle(QStringLiteral("Kundenverwaltung"));
        auto *layout = new QVBoxLayout(host.get());
        layout->addWidget(new QLabel(QStringLiteral("Kunden"), host.get()));
        widget = new CKeloFormWidget(host.get());
        layout->addWidget(widget);
        host->resize(700, 500);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    }

    void TearDown() override
    {
        host.reset();
        EXPECT_TRUE(messages.unscriptedQuestions().isEmpty())
            << messages.unscriptedQuestions().join('\n').toStdString();
    }

    bool openSorted() { return widget->open(facade, QString(), QStringLiteral("id")); }

    QLineEdit *edit(const char *name) const
    {
        auto *found = widget->findChild<QLineEdit *>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Replaces the field's text by typing into it, as a user does.
    void retype(const char *name, const QString &text)
    {
        QLineEdit *field = edit(name);
        ASSERT_NE(field, nullptr);
        if (QApplication::activeWindow() != host.get()) {
            host->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        }
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, text);
    }
    QString stored(const char *column, qint64 id) const
    {
        return db.scalar(QStringLiteral("SELECT %1 FROM kunden WHERE id = %2")
                             .arg(QLatin1String(column))
                             .arg(id));
    }
    QAction *button(int id) const
    {
        auto *bar = widget->findChild<CDlgToolBar *>();
        return bar ? bar->buttonAction(id) : nullptr;
    }

    ScriptedMessages messages;
    CKeloForm facade;
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
    EXPECT_EQ(button(CommandTable::IdRecordSaveAndClose), nullptr)
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
    EXPECT_TRUE(widget->findChildren<QLineEdit *>().isEmpty()) << "the form went afterwards";
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
    retype("name", QString());
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

    // A facade without a database changes nothing: the form stays.
    CKeloForm uninitialised;
    EXPECT_FALSE(widget->open(uninitialised));
    EXPECT_TRUE(widget->isOpen());
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(hostMessages.texts().last(), "Ungültige Datenbankparameter gesetzt!");

    // A form that cannot be built says so, and the widget stays empty.
    CKeloForm missing;
    missing.Init(db.dbName(), db.serverName(), db.userId(), db.password(), "gibt_es_nicht",
                 db.kind() == DatabaseKind::PostgreSql ? ns_qrttypen::KELO_POSTGRESQL
                                                       : ns_qrttypen::KELO_SQLITE);
    EXPECT_FALSE(widget->open(missing));
    EXPECT_FALSE(widget->isOpen());
    EXPECT_EQ(widget->currentKey(), -1);
    EXPECT_GT(errors.size(), 2);
    EXPECT_EQ(hostMessages.texts().last(),
              "Der Formulargenerator konnte nicht initialisiert werden!");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

QRT_INSTANTIATE_FOR_ENGINES(FormWidgetTest);

} // namespace
