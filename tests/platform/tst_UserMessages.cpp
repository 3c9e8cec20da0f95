#include "platform/RecordingMessages.h"
#include "platform/UserMessages.h"
#include "support/ScriptedMessages.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

using Answer = UserMessages::Answer;
using Consequence = UserMessages::Consequence;
using Severity = UserMessages::Severity;

// The recording every test reads answers questions from the script while
// it lasts, then the safe way (No, Cancel where offered, never Yes), noted
// as unscripted.
TEST(RecordingMessages, AnswerUnscriptedQuestionsSafely)
{
    RecordingMessages messages;
    ScopedUserMessages installed(messages);
    messages.answer(Answer::Yes);
    EXPECT_EQ(qrt::askYesNo("Löschen?", nullptr, Consequence::Destructive), Answer::Yes);
    EXPECT_EQ(qrt::askYesNo("Überschreiben?"), Answer::No);
    EXPECT_EQ(qrt::askYesNoCancel("Speichern?"), Answer::Cancel);
    EXPECT_EQ(messages.unscriptedQuestions(), QStringList({"Überschreiben?", "Speichern?"}));
    messages.answer(Answer::Yes);
    messages.clear();
    EXPECT_EQ(messages.pendingAnswers(), 0);
}

// Our tests' own recording fails the test on a question nobody scripted,
// and installed ones nest.
TEST(ScriptedMessages, AnUnscriptedQuestionFailsTheTestAndInstallationsNest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessages messages;
            qrt::askYesNo("Wirklich löschen?");
        },
        "unscripted question");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessages messages;
            messages.answer(Answer::Cancel);
            qrt::askYesNo("Überschreiben?");
        },
        "not offered");

    UserMessages *outer = &UserMessages::current();
    {
        ScriptedMessages first;
        {
            RecordingMessages second;
            ScopedUserMessages installed(second);
            qrt::inform("innen");
            EXPECT_EQ(second.texts(), QStringList("innen"));
        }
        EXPECT_EQ(&UserMessages::current(), &first);
        qrt::inform("außen");
        EXPECT_EQ(first.texts(), QStringList("außen"));
    }
    EXPECT_EQ(&UserMessages::current(), outer);
}

// What a real message box showed, read while it was up, and how it closed.
struct Box
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons; // as the user reads them, sorted; each must have a mnemonic
    QString defaultButton;
    QString title;
    const QWidget *parent = nullptr;
    bool modal = false;
    Qt::TextFormat format = Qt::AutoText;
};

// A button's text as the user reads it: "&Ja" shows as Ja, J underlined.
QString shownText(const QAbstractButton *button)
{
    return button ? QString(button->text()).remove(QLatin1Char('&')) : QString();
}

// Runs ask while a box is up, presses Enter or clicks the button named in it
// and returns what the box showed.
Box seenWhile(const std::function<void()> &ask, const QString &click = QString())
{
    Box seen;
    QTimer::singleShot(0, [&seen, click] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = Box{box->icon(),
                   {},
                   shownText(box->defaultButton()),
                   box->windowTitle(),
                   box->parentWidget(),
                   box->isModal(),
                   box->textFormat()};
        for (QAbstractButton *button : box->buttons()) {
            seen.buttons << shownText(button);
            EXPECT_TRUE(button->text().contains(QLatin1Char('&'))) << "a mnemonic on each";
        }
        seen.buttons.sort();
        for (QAbstractButton *button : box->buttons()) {
            if (!click.isEmpty() && shownText(button) == click)
                button->click();
        }
        if (click.isEmpty())
            QTest::keyClick(box, Qt::Key_Return);
    });
    ask();
    return seen;
}

} // namespace

// German buttons; Enter answers with the default button: Ja where Yes only
// goes on, Nein where Yes deletes or overwrites.
TEST(DefaultMessages, AskWithGermanButtonsAndEnterNeverDestroys)
{
    const struct
    {
        bool withCancel;
        Consequence yes;
        const char *click; // "" for Enter
        Answer answer;
        const char *defaultButton;
    } cases[] = {
        {false, Consequence::Harmless, "", Answer::Yes, "Ja"},
        {false, Consequence::Destructive, "", Answer::No, "Nein"},
        {true, Consequence::Harmless, "", Answer::Yes, "Ja"},
        {true, Consequence::Destructive, "", Answer::No, "Nein"},
        {false, Consequence::Destructive, "Ja", Answer::Yes, "Nein"},
        {true, Consequence::Harmless, "Abbrechen", Answer::Cancel, "Ja"},
        {true, Consequence::Harmless, "Nein", Answer::No, "Ja"},
    };
    for (const auto &question : cases) {
        SCOPED_TRACE(testing::Message() << question.withCancel << " " << question.click);
        Answer answer = Answer::Ok;
        const Box seen = seenWhile(
            [&] {
                answer = question.withCancel
                             ? qrt::askYesNoCancel("Speichern?", nullptr, question.yes)
                             : qrt::askYesNo("Löschen?", nullptr, question.yes);
            },
            QString::fromUtf8(question.click));
        EXPECT_EQ(answer, question.answer);
        EXPECT_EQ(seen.defaultButton, question.defaultButton);
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        // A stored value or an engine's words in the text ("Name = '<b>'")
        // are shown as they are, never taken for markup.
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.buttons, question.withCancel ? QStringList({"Abbrechen", "Ja", "Nein"})
                                                    : QStringList({"Ja", "Nein"}));
    }
    const std::pair<Severity, QMessageBox::Icon> icons[] = {
        {Severity::Information, QMessageBox::Information},
        {Severity::Warning, QMessageBox::Warning},
        {Severity::Error, QMessageBox::Critical},
    };
    for (const auto &[severity, icon] : icons) {
        const Box seen =
            seenWhile([severity = severity] { qrt::inform("Name = '<b>'", nullptr, severity); });
        EXPECT_EQ(seen.icon, icon);
        EXPECT_EQ(seen.format, Qt::PlainText);
    }
}

TEST(DefaultMessages, BelongToTheOwnersWindowAndCarryItsTitle)
{
    QDialog form;
    form.setWindowTitle("Filter setzen");
    auto *field = new QWidget(&form);
    form.show();
    const auto inform = [](QWidget *owner) {
        return seenWhile([owner] { qrt::inform("Gespeichert.", owner); });
    };

    Box seen = inform(field); // a control of the form: the form's window
    EXPECT_EQ(seen.title, "Filter setzen");
    EXPECT_EQ(seen.parent, &form);
    EXPECT_TRUE(seen.modal);

    const QString programName = QApplication::applicationName();
    QApplication::setApplicationName("Kundenverwaltung");
    form.setWindowTitle(QString());
    seen = inform(&form); // an owner without a title: the application's name
    EXPECT_EQ(seen.title, "Kundenverwaltung");
    EXPECT_EQ(seen.parent, &form);

    form.setWindowTitle("Kunden");
    form.activateWindow();
    QApplication::setActiveWindow(&form);
    seen = inform(nullptr); // no owner: the active window, with its title
    EXPECT_EQ(seen.title, "Kunden");
    EXPECT_EQ(seen.parent, &form);
    QApplication::setApplicationName(programName);
}
