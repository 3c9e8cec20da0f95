#include "FormDialogTestSupport.h"

// Two users on the same record, each in a form dialog of their own (two
// connections), taking turns at the keyboard: an edit either lands or is
// put to the user as a conflict, and cancelled, while the user's entry stays
// in the field; none is lost silently, and a field the other user did not
// touch never conflicts. New records of both get distinct keys.

using namespace CommandTable;
using Answer = UserMessages::Answer;

namespace {

// How many edits each user makes: a few in the suite; a long run by hand
// sets QRT_TWO_WRITERS_EDITS (e.g. 1000).
int editCount(int suite)
{
    const int asked = qEnvironmentVariableIntValue("QRT_TWO_WRITERS_EDITS");
    return asked > 0 ? asked : suite;
}

class TwoWritersTest : public FormDialogTest
{
protected:
    void TearDown() override
    {
        other.reset();
        FormDialogTest::TearDown();
    }

    // Hands the keyboard to the other user: their dialog becomes the one
    // the helpers drive, and the active window.
    void switchUser()
    {
        std::swap(dialog, other);
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    std::unique_ptr<CFormDlg> other; // the user who is not at the keyboard
};

TEST_P(TwoWritersTest, EveryEditLandsOrIsRefusedWithItsMessageAndTheEntryKept)
{
    // Anna edits the name in every round; Bert the place, and every fourth
    // round the name too, which Anna has changed since Bert last read it.
    openData();
    other = std::move(dialog);
    openData(); // Anna's dialog is "dialog", Bert's "other"
    const int rounds = editCount(12);
    int landed = 0;
    int refused = 0;
    QString bertsPlace = stored("ort", 1);
    for (int round = 1; round <= rounds; ++round) {
        SCOPED_TRACE(round);
        const QString annasName = QStringLiteral("Anna %1").arg(round);
        retype("name", annasName);
        press(Qt::Key_S, Qt::ControlModifier);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
        EXPECT_EQ(stored("name", 1), annasName);
        EXPECT_EQ(stored("ort", 1), bertsPlace) << "Anna's save keeps Bert's place";
        ++landed;

        switchUser(); // Bert
        const bool onTheName = round % 4 == 0;
        const char *column = onTheName ? "name" : "ort";
        const QString entry = QStringLiteral("Bert %1").arg(round);
        retype(column, entry);
        if (onTheName)
            messages.answer(Answer::Cancel); // Bert decides on no value yet
        press(Qt::Key_S, Qt::ControlModifier);
        if (onTheName) {
            ASSERT_EQ(messages.texts().size(), 1) << messages.texts().join('\n').toStdString();
            EXPECT_TRUE(messages.texts().first().startsWith(
                "Ein anderer Benutzer hat diesen Datensatz gespeichert"))
                << messages.texts().first().toStdString();
            EXPECT_EQ(shown(column), entry) << "the refused entry stays in the field";
            EXPECT_EQ(stored("name", 1), annasName) << "nothing of the refused save is stored";
            ++refused;
            // Bert reads the record again: away (not saving) and back.
            messages.clear();
            messages.answer(Answer::No);
            press(Qt::Key_PageDown);
            EXPECT_EQ(messages.questions(), QStringList("Den aktuellen Datensatz speichern?"));
            press(Qt::Key_PageUp);
            EXPECT_EQ(shown("name"), annasName) << "read again, Bert sees Anna's name";
        } else {
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
            EXPECT_EQ(stored("ort", 1), entry);
            EXPECT_EQ(stored("name", 1), annasName) << "Bert's save keeps Anna's name";
            // His save read the record again: a name still showing the old
            // text would be saved over Anna's later without anyone being told.
            EXPECT_EQ(shown("name"), annasName) << "Bert's form shows Anna's name";
            bertsPlace = entry;
            ++landed;
        }
        messages.clear();
        switchUser(); // Anna again
    }
    EXPECT_EQ(landed + refused, 2 * rounds) << "every edit landed or was refused";
    EXPECT_EQ(refused, rounds / 4);
}

TEST_P(TwoWritersTest, NewRecordsOfBothGetDistinctKeysAndAllAreStored)
{
    // Both start a new record before either saves; the key is computed when
    // a record is saved, so the second save must not take the key the first
    // one has just stored.
    openData();
    other = std::move(dialog);
    openData();
    const QString before = db.scalar("SELECT COUNT(*) FROM kunden");
    const int rounds = editCount(6);
    for (int round = 1; round <= rounds; ++round) {
        SCOPED_TRACE(round);
        press(Qt::Key_N, Qt::ControlModifier);
        switchUser();
        press(Qt::Key_N, Qt::ControlModifier);
        retype("name", QStringLiteral("Bert neu %1").arg(round));
        press(Qt::Key_S, Qt::ControlModifier);
        switchUser();
        retype("name", QStringLiteral("Anna neu %1").arg(round));
        press(Qt::Key_S, Qt::ControlModifier);
        ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden").toInt(), before.toInt() + 2 * rounds);
    EXPECT_EQ(db.scalar("SELECT COUNT(DISTINCT id) FROM kunden"),
              db.scalar("SELECT COUNT(*) FROM kunden"));
    for (int round = 1; round <= rounds; ++round) {
        for (const char *user : {"Anna", "Bert"})
            EXPECT_EQ(
                db.scalar(QStringLiteral("SELECT COUNT(*) FROM kunden WHERE name = '%1 neu %2'")
                              .arg(QLatin1String(user))
                              .arg(round)),
                "1")
                << user << " " << round;
    }
}

QRT_INSTANTIATE_FOR_ENGINES(TwoWritersTest);

} // namespace
