#include "platform/UserMessages.h"
#include "support/ScriptedMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

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

// The default shows real message boxes with German buttons; click the one
// named and return the answer.
static UserMessages::Answer clickInNextBox(const QString &buttonText, bool withCancel,
                                           QStringList *seenButtons)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton *button : box->buttons()) {
            seenButtons->append(button->text());
        }
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == buttonText)
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
