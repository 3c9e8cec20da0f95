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

#include <memory>

TEST(ScriptedMessages, RecordsTextsAndAnswersInOrder)
{
    ScriptedMessages messages;
    messages.answer(UserMessages::Answer::No);
    messages.answer(UserMessages::Answer::Cancel);

    qrt::inform(QStringLiteral("Filter erfolgreich gespeichert!"));
    EXPECT_EQ(qrt::askYesNo(QStringLiteral("Überschreiben?")), UserMessages::Answer::No);
    EXPECT_EQ(qrt::askYesNoCancel(QStringLiteral("Speichern?")), UserMessages::Answer::Cancel);

    EXPECT_EQ(messages.texts(),
              (QStringList{QStringLiteral("Filter erfolgreich gespeichert!"),
                           QStringLiteral("Überschreiben?"), QStringLiteral("Speichern?")}));
    EXPECT_EQ(messages.questions().size(), 2);
    EXPECT_EQ(messages.pendingAnswers(), 0);
}

TEST(ScriptedMessages, UnscriptedQuestionFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessages messages;
            qrt::askYesNo(QStringLiteral("Wirklich löschen?"));
        },
        "unscripted question");
}

TEST(ScriptedMessages, ScriptedCancelForAYesNoQuestionFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessages messages;
            messages.answer(UserMessages::Answer::Cancel);
            EXPECT_EQ(qrt::askYesNo(QStringLiteral("Überschreiben?")), UserMessages::Answer::No);
        },
        "not offered");
}

TEST(RecordingMessages, RecordsOwnersAndAnswersUnscriptedQuestionsSafely)
{
    RecordingMessages messages;
    ScopedUserMessages installed(messages);
    QWidget dialog;
    messages.answer(UserMessages::Answer::Yes);
    messages.answer(UserMessages::Answer::Cancel); // not offered by a Yes/No question

    qrt::inform(QStringLiteral("Gespeichert."), &dialog);
    EXPECT_EQ(qrt::askYesNo(QStringLiteral("Löschen?"), &dialog), UserMessages::Answer::Yes);
    EXPECT_EQ(qrt::askYesNo(QStringLiteral("Überschreiben?")), UserMessages::Answer::No);
    EXPECT_EQ(qrt::askYesNoCancel(QStringLiteral("Speichern?")), UserMessages::Answer::Cancel);
    EXPECT_EQ(qrt::askYesNo(QStringLiteral("Wirklich?")), UserMessages::Answer::No);

    using Kind = RecordingMessages::Kind;
    const QVector<RecordingMessages::Message> &all = messages.messages();
    ASSERT_EQ(all.size(), 5);
    EXPECT_EQ(all[0].kind, Kind::Information);
    EXPECT_EQ(all[0].owner, &dialog);
    EXPECT_EQ(all[1].kind, Kind::YesNo);
    EXPECT_EQ(all[1].owner, &dialog);
    EXPECT_TRUE(all[1].scripted);
    EXPECT_EQ(all[2].owner, nullptr);
    EXPECT_FALSE(all[2].scripted);
    EXPECT_EQ(all[3].kind, Kind::YesNoCancel);
    EXPECT_EQ(all[3].answer, UserMessages::Answer::Cancel);
    EXPECT_EQ(messages.texts(),
              (QStringList{QStringLiteral("Gespeichert."), QStringLiteral("Löschen?"),
                           QStringLiteral("Überschreiben?"), QStringLiteral("Speichern?"),
                           QStringLiteral("Wirklich?")}));
    EXPECT_EQ(messages.questions().size(), 4);
    EXPECT_EQ(messages.unscriptedQuestions(),
              (QStringList{QStringLiteral("Überschreiben?"), QStringLiteral("Speichern?"),
                           QStringLiteral("Wirklich?")}));

    messages.answer(UserMessages::Answer::Yes);
    messages.clear();
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(messages.pendingAnswers(), 0);
}

TEST(ScopedUserMessages, NestsAndRestoresTheDefault)
{
    UserMessages *outer = &UserMessages::current();
    RecordingMessages first;
    RecordingMessages second;
    {
        ScopedUserMessages installFirst(first);
        EXPECT_EQ(&UserMessages::current(), &first);
        {
            ScopedUserMessages installSecond(second);
            qrt::inform(QStringLiteral("innen"));
        }
        EXPECT_EQ(&UserMessages::current(), &first);
        qrt::inform(QStringLiteral("außen"));
    }
    EXPECT_EQ(&UserMessages::current(), outer);
    EXPECT_EQ(first.texts(), QStringList(QStringLiteral("außen")));
    EXPECT_EQ(second.texts(), QStringList(QStringLiteral("innen")));
}

TEST(ScriptedMessages, RestoresThePreviousImplementation)
{
    UserMessages *outer = &UserMessages::current();
    {
        ScriptedMessages first;
        {
            ScriptedMessages second;
            EXPECT_EQ(&UserMessages::current(), &second);
        }
        EXPECT_EQ(&UserMessages::current(), &first);
    }
    EXPECT_EQ(&UserMessages::current(), outer);
}

// A button's text as the user reads it: "&Ja" shows as Ja, J underlined.
static QString shownText(const QAbstractButton *button)
{
    return QString(button->text()).remove(QLatin1Char('&'));
}

// The default shows real message boxes with German buttons; click the one
// named and return the answer.
static UserMessages::Answer clickInNextBox(const QString &buttonText, bool withCancel,
                                           QStringList *seenButtons)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton *button : box->buttons()) {
            seenButtons->append(shownText(button));
            EXPECT_TRUE(button->text().contains(QLatin1Char('&'))) << "a mnemonic on each";
        }
        for (QAbstractButton *button : box->buttons()) {
            if (shownText(button) == buttonText)
                button->click();
        }
    });
    return withCancel ? qrt::askYesNoCancel(QStringLiteral("Änderungen speichern?"))
                      : qrt::askYesNo(QStringLiteral("Wirklich löschen?"));
}

TEST(DefaultMessages, AskWithGermanButtons)
{
    QStringList buttons;
    EXPECT_EQ(clickInNextBox(QStringLiteral("Ja"), false, &buttons), UserMessages::Answer::Yes);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Ja"), QStringLiteral("Nein")}));

    buttons.clear();
    EXPECT_EQ(clickInNextBox(QStringLiteral("Abbrechen"), true, &buttons),
              UserMessages::Answer::Cancel);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Abbrechen"), QStringLiteral("Ja"),
                                    QStringLiteral("Nein")}));

    buttons.clear();
    EXPECT_EQ(clickInNextBox(QStringLiteral("Nein"), true, &buttons), UserMessages::Answer::No);
}

TEST(DefaultMessages, BelongToTheOwnersWindowAndCarryItsTitle)
{
    QDialog form;
    form.setWindowTitle(QStringLiteral("Filter setzen"));
    auto *field = new QWidget(&form);
    form.show();

    // What the box looked like, read while it is up, then closed with OK.
    struct Seen
    {
        QString title;
        const QWidget *parent = nullptr;
        bool modal = false;
    };
    const auto informAndRead = [](QWidget *owner) {
        Seen seen;
        QTimer::singleShot(0, [&seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = Seen{box->windowTitle(), box->parentWidget(), box->isModal()};
            box->buttons().value(0)->click();
        });
        qrt::inform(QStringLiteral("Gespeichert."), owner);
        return seen;
    };

    Seen seen = informAndRead(field); // a control of the form: the form's window
    EXPECT_EQ(seen.title, QStringLiteral("Filter setzen"));
    EXPECT_EQ(seen.parent, &form);
    EXPECT_TRUE(seen.modal);

    const QString programName = QApplication::applicationName();
    QApplication::setApplicationName(QStringLiteral("Kundenverwaltung"));
    form.setWindowTitle(QString());
    seen = informAndRead(&form); // an owner without a title: the application's name
    EXPECT_EQ(seen.title, QStringLiteral("Kundenverwaltung"));
    EXPECT_EQ(seen.parent, &form);

    form.setWindowTitle(QStringLiteral("Kunden"));
    form.activateWindow();
    QApplication::setActiveWindow(&form);
    seen = informAndRead(nullptr); // no owner: the active window, with its title
    EXPECT_EQ(seen.title, QStringLiteral("Kunden"));
    EXPECT_EQ(seen.parent, &form);
    QApplication::setApplicationName(programName);
}

// What a box showed, read while it was up; then the user pressed Enter, as
// someone does who reads no further.
struct BoxSeen
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString defaultButton;
};

TEST(DefaultMessages, ShowTheIconOfTheirKindAndEnterNeverDestroys)
{
    using Severity = UserMessages::Severity;
    using Consequence = UserMessages::Consequence;
    const std::pair<Severity, QMessageBox::Icon> icons[] = {
        {Severity::Information, QMessageBox::Information},
        {Severity::Warning, QMessageBox::Warning},
        {Severity::Error, QMessageBox::Critical},
    };
    for (const auto &[severity, icon] : icons) {
        auto seen = std::make_shared<BoxSeen>();
        QTimer::singleShot(0, [seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen->icon = box->icon();
            QTest::keyClick(box, Qt::Key_Return);
        });
        qrt::inform(QStringLiteral("Text"), nullptr, severity);
        EXPECT_EQ(seen->icon, icon);
    }

    // Enter answers with the default button: Ja where Yes only goes on,
    // Nein where Yes deletes or overwrites.
    const auto enterAnswers = [](Consequence yes, bool withCancel, QString *defaultButton) {
        auto seen = std::make_shared<BoxSeen>();
        QTimer::singleShot(0, [seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen->icon = box->icon();
            seen->defaultButton = box->defaultButton() ? shownText(box->defaultButton()) : "";
            QTest::keyClick(box, Qt::Key_Return);
        });
        const UserMessages::Answer answer =
            withCancel ? qrt::askYesNoCancel(QStringLiteral("Speichern?"), nullptr, yes)
                       : qrt::askYesNo(QStringLiteral("Löschen?"), nullptr, yes);
        EXPECT_EQ(seen->icon, QMessageBox::Question);
        *defaultButton = seen->defaultButton;
        return answer;
    };
    QString defaultButton;
    EXPECT_EQ(enterAnswers(Consequence::Harmless, false, &defaultButton),
              UserMessages::Answer::Yes);
    EXPECT_EQ(defaultButton, QStringLiteral("Ja"));
    EXPECT_EQ(enterAnswers(Consequence::Destructive, false, &defaultButton),
              UserMessages::Answer::No);
    EXPECT_EQ(defaultButton, QStringLiteral("Nein"));
    EXPECT_EQ(enterAnswers(Consequence::Destructive, true, &defaultButton),
              UserMessages::Answer::No);
    EXPECT_EQ(enterAnswers(Consequence::Harmless, true, &defaultButton), UserMessages::Answer::Yes);
}

TEST(RecordingMessages, KeepsSeverityAndConsequence)
{
    RecordingMessages messages;
    ScopedUserMessages installed(messages);
    messages.answer(UserMessages::Answer::Yes);
    qrt::warn(QStringLiteral("Bitte eine Zahl eingeben!"));
    qrt::inform(QStringLiteral("Verbindung verloren"), nullptr, UserMessages::Severity::Error);
    qrt::askYesNo(QStringLiteral("Überschreiben?"), nullptr,
                  UserMessages::Consequence::Destructive);
    qrt::askYesNoCancel(QStringLiteral("Speichern?"));
    const QVector<RecordingMessages::Message> &all = messages.messages();
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all[0].severity, UserMessages::Severity::Warning);
    EXPECT_EQ(all[1].severity, UserMessages::Severity::Error);
    EXPECT_EQ(all[2].consequence, UserMessages::Consequence::Destructive);
    EXPECT_EQ(all[3].consequence, UserMessages::Consequence::Harmless);
}
