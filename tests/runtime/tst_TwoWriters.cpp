#include "FormDialogTestSupport.h"

#include "facade/CKeloForm.h"
#include "support/ChildProcess.h"
#include "support/FormDriver.h"
#include "support/PrintedMessages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <iostream>

// Two users on the same record, each in a form dialog of their own (two
// connections), taking turns at the keyboard: an edit either lands or is
// refused with the German conflict message while the user's entry stays in
// the field; none is lost silently, and a field the other user did not
// touch never conflicts. New records of both get distinct keys. The same
// once more with the two users in two programs at the same moment.

using namespace CommandTable;
using Answer = UserMessages::Answer;

namespace {

const QString kSaveQuestion = QStringLiteral("Den aktuellen Datensatz speichern?");

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

    // The conflict message of a field, as the user sees it.
    static bool isConflictOn(const QString &text, const char *column)
    {
        return text.contains(QStringLiteral("von einem anderen Benutzer geändert (Feld %1)")
                                 .arg(QLatin1String(column)));
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
        press(Qt::Key_S, Qt::ControlModifier);
        if (onTheName) {
            ASSERT_EQ(messages.texts().size(), 1) << messages.texts().join('\n').toStdString();
            EXPECT_TRUE(isConflictOn(messages.texts().first(), column))
                << messages.texts().first().toStdString();
            EXPECT_EQ(shown(column), entry) << "the refused entry stays in the field";
            EXPECT_EQ(stored("name", 1), annasName) << "nothing of the refused save is stored";
            ++refused;
            // Bert reads the record again: away (not saving) and back.
            messages.clear();
            messages.answer(Answer::No);
            press(Qt::Key_PageDown);
            EXPECT_EQ(messages.questions(), QStringList(kSaveQuestion));
            press(Qt::Key_PageUp);
            EXPECT_EQ(shown("name"), annasName) << "read again, Bert sees Anna's name";
        } else {
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
            EXPECT_EQ(stored("ort", 1), entry);
            EXPECT_EQ(stored("name", 1), annasName) << "Bert's save keeps Anna's name";
            bertsPlace = entry;
            ++landed;
        }
        messages.clear();
        switchUser(); // Anna again
    }
    EXPECT_EQ(landed + refused, 2 * rounds) << "every edit landed or was refused";
    EXPECT_EQ(refused, rounds / 4);
}

TEST_P(TwoWritersTest, ASaveShowsWhatTheOtherUserChangedMeanwhile)
{
    // Bert changes the name while Anna has the record open; Anna saves the
    // place. Her save reads the record again, so her form must show Bert's
    // name from then on: a name still showing the old text would be saved
    // over Bert's without either of them being told.
    openData();
    other = std::move(dialog);
    openData();   // Anna's dialog is "dialog", Bert's "other"
    switchUser(); // Bert
    retype("name", "Bert");
    press(Qt::Key_S, Qt::ControlModifier);
    switchUser(); // Anna
    retype("ort", "Annas Ort");
    press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(shown("name"), "Bert") << "Anna's form shows the name as stored now";
    EXPECT_EQ(shown("ort"), "Annas Ort");

    // Her next edit of the name replaces what she sees; a save of the form
    // as it stood before would have been refused.
    retype("name", "Anna");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(stored("name", 1), "Anna");
    EXPECT_EQ(stored("ort", 1), "Annas Ort");
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

// Both programs at the keyboard at the same moment: each says it is ready
// (a file named after its user in folder) and waits for the other, at
// most half a minute. Without it one program may be done before the other
// has its form open.
bool meetTheOther(const QString &folder, const QString &tag)
{
    QFile ready(folder + QLatin1Char('/') + tag);
    if (!ready.open(QIODevice::WriteOnly))
        return false;
    ready.close();
    QElapsedTimer clock;
    clock.start();
    while (QDir(folder).entryList(QDir::Files).size() < 2) {
        if (clock.hasExpired(30000))
            return false;
        QThread::msleep(5);
    }
    return true;
}

// A second user's program: opens the customer form in a dialog of its own
// and, through the keyboard, either retypes a field of the first record and
// saves, count times, or makes count new records. After a refused save it
// reads the record again (away without saving, and back), as a user must
// before trying again. Prints a line "landed<TAB>SEEN<TAB>ENTRY" for each
// edit that landed (SEEN: what the field showed before the user typed) and
// at the end what became of the edits: "landed=N refused=N conflicts=N
// last=TEXT", where a conflict is a refusal with the conflict message of
// that field.
//   args: database, server, user, kind, "edit" FIELD or "new", count, tag,
//         and optionally a folder where the two programs meet before they start
QRT_CHILD_ACTION(formUser, [](const QStringList &args) {
    PrintedMessages printed;
    ScopedUserMessages scope(printed);
    CKeloForm facade;
    facade.Init(args.at(0), args.at(1), args.at(2), QString(), CustomerForm::Table,
                ns_qrttypen::KELODBTyp(args.at(3).toInt()));
    facade.RemoveColumn(QStringLiteral("id"), true);
    CFormDlg dialog(
        facade.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(), QStringLiteral("id")),
        false);
    dialog.show();
    if (!QTest::qWaitForWindowActive(&dialog))
        return 2;
    const FormDriver user(&dialog);
    const bool adding = args.at(4) == QLatin1String("new");
    const QString fieldName = adding ? QStringLiteral("name") : args.at(5);
    const int count = args.at(adding ? 5 : 6).toInt();
    const QString tag = args.at(adding ? 6 : 7);
    const QString meetingPlace = args.value(adding ? 7 : 8);
    if (!meetingPlace.isEmpty() && !meetTheOther(meetingPlace, tag))
        return 6;
    const QString conflict =
        QStringLiteral("von einem anderen Benutzer geändert (Feld %1)").arg(fieldName);
    QTextStream out(stdout);
    int landed = 0;
    int refused = 0;
    int conflicts = 0;
    QString last;
    for (int i = 1; i <= count; ++i) {
        if (adding)
            user.press(Qt::Key_N, Qt::ControlModifier);
        if (!user.control(fieldName))
            return 3;
        const QString seen = user.shown(fieldName);
        const QString entry = QStringLiteral("%1 %2").arg(tag).arg(i);
        if (!user.retype(fieldName, entry))
            return 3;
        // The user looks at the entry before saving: long enough for the
        // other program's save to fall in between now and then.
        QTest::qWait(10);
        const qsizetype before = printed.texts().size();
        user.press(Qt::Key_S, Qt::ControlModifier);
        if (printed.texts().size() == before) {
            ++landed;
            last = entry;
            out << "landed\t" << seen << '\t' << entry << Qt::endl;
            continue;
        }
        ++refused;
        conflicts += printed.texts().last().contains(conflict) ? 1 : 0;
        // The entry must still be there for the user to save again.
        if (user.shown(fieldName) != entry)
            return 4;
        printed.answer(UserMessages::Answer::No); // "Den aktuellen Datensatz speichern?"
        user.press(Qt::Key_PageDown);
        user.press(Qt::Key_PageUp);
        if (user.form()->isAnyControlModified() || !printed.unscriptedQuestions().isEmpty())
            return 5;
    }
    out << "landed=" << landed << " refused=" << refused << " conflicts=" << conflicts
        << " last=" << last << Qt::endl;
    return 0;
});

struct Outcome
{
    int landed = -1;
    int refused = -1;
    int conflicts = -1;
    QString last;
};

Outcome outcomeOf(const ChildProcess::Result &result)
{
    static const QRegularExpression line(
        QStringLiteral("landed=(\\d+) refused=(\\d+) conflicts=(\\d+) last=([^\\n]*)"));
    const QRegularExpressionMatch match = line.match(result.output);
    Outcome outcome;
    if (match.hasMatch())
        outcome = {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                   match.captured(4).trimmed()};
    return outcome;
}

QStringList databaseArguments(const TestDatabase &db)
{
    return {db.dbName(), db.serverName(), db.userId(), QString::number(int(db.kind()))};
}

TEST_P(TwoWritersTest, TwoProgramsEditingTheSameRecordAtOnceLoseNothing)
{
    const int count = editCount(15);
    const QStringList database = databaseArguments(db);
    QTemporaryDir meetingPlace;
    const QVector<ChildProcess::Result> results = ChildProcess::runEach(
        "formUser", {database + QStringList{"edit", "name", QString::number(count), "Anna",
                                            meetingPlace.path()},
                     database + QStringList{"edit", "ort", QString::number(count), "Bert",
                                            meetingPlace.path()}});
    ASSERT_EQ(results.size(), 2);
    const char *columns[] = {"name", "ort"};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(results.at(i).exitCode, 0) << results.at(i).output.toStdString();
        const Outcome outcome = outcomeOf(results.at(i));
        // The figures of a long run (QRT_TWO_WRITERS_EDITS).
        std::cout << engineName(GetParam()) << " " << columns[i] << ": landed " << outcome.landed
                  << ", refused " << outcome.refused << ", conflicts " << outcome.conflicts
                  << std::endl;
        EXPECT_EQ(outcome.landed + outcome.refused, count) << results.at(i).output.toStdString();
        EXPECT_EQ(outcome.conflicts, 0)
            << "the other program never changed this field: " << results.at(i).output.toStdString();
        EXPECT_GT(outcome.landed, 0) << results.at(i).output.toStdString();
        // The last edit that landed is what the record holds: none after it
        // was lost, and the other program's saves did not overwrite it.
        EXPECT_EQ(stored(columns[i], 1), outcome.last) << results.at(i).output.toStdString();
    }
}

TEST_P(TwoWritersTest, TwoProgramsEditingTheSameFieldConflictButLoseNothing)
{
    // Both retype the name of the first record: whoever saves second on a
    // name read before the other's save is refused with the conflict
    // message, keeps the entry, reads again and goes on.
    const int count = editCount(15);
    const QStringList database = databaseArguments(db);
    const QString initial = stored("name", 1);
    QTemporaryDir meetingPlace;
    const QVector<ChildProcess::Result> results = ChildProcess::runEach(
        "formUser", {database + QStringList{"edit", "name", QString::number(count), "Anna",
                                            meetingPlace.path()},
                     database + QStringList{"edit", "name", QString::number(count), "Bert",
                                            meetingPlace.path()}});
    ASSERT_EQ(results.size(), 2);
    static const QRegularExpression landedLine(QStringLiteral("^landed\t([^\t\n]*)\t([^\n]*)$"),
                                               QRegularExpression::MultilineOption);
    // Each landed edit replaced the value its user saw: seen -> entry.
    QHash<QString, QString> replaced;
    int landed = 0;
    int refused = 0;
    for (const ChildProcess::Result &result : results) {
        ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
        const Outcome outcome = outcomeOf(result);
        EXPECT_EQ(outcome.landed + outcome.refused, count) << result.output.toStdString();
        EXPECT_EQ(outcome.conflicts, outcome.refused)
            << "every refusal says the name was changed: " << result.output.toStdString();
        landed += outcome.landed;
        refused += outcome.refused;
        for (auto match = landedLine.globalMatch(result.output); match.hasNext();) {
            const QRegularExpressionMatch edit = match.next();
            EXPECT_FALSE(replaced.contains(edit.captured(1)))
                << "two saves replaced '" << edit.captured(1).toStdString()
                << "': the second overwrote the first unseen";
            replaced.insert(edit.captured(1), edit.captured(2));
        }
    }
    std::cout << engineName(GetParam()) << " same field: landed " << landed << ", refused "
              << refused << std::endl;
    EXPECT_EQ(replaced.size(), landed);
    EXPECT_GT(refused, 0) << "two programs saving one field at once meet a conflict";
    // The landed edits follow each other from the name before to the one
    // stored, every one of them on the way: none was lost.
    QString value = initial;
    int steps = 0;
    while (replaced.contains(value) && steps <= landed) {
        value = replaced.value(value);
        ++steps;
    }
    EXPECT_EQ(steps, landed);
    EXPECT_EQ(stored("name", 1), value);
}

TEST_P(TwoWritersTest, TwoProgramsMakingNewRecordsAtOnceStoreAllUnderDistinctKeys)
{
    const int count = editCount(15);
    const QStringList database = databaseArguments(db);
    const QString before = db.scalar("SELECT COUNT(*) FROM kunden");
    const QVector<ChildProcess::Result> results = ChildProcess::runEach(
        "formUser", {database + QStringList{"new", QString::number(count), "Anna neu"},
                     database + QStringList{"new", QString::number(count), "Bert neu"}});
    ASSERT_EQ(results.size(), 2);
    for (const ChildProcess::Result &result : results) {
        ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
        EXPECT_EQ(outcomeOf(result).landed, count) << result.output.toStdString();
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden").toInt(), before.toInt() + 2 * count);
    EXPECT_EQ(db.scalar("SELECT COUNT(DISTINCT id) FROM kunden"),
              db.scalar("SELECT COUNT(*) FROM kunden"));
    EXPECT_EQ(db.scalar("SELECT COUNT(DISTINCT name) FROM kunden WHERE name LIKE '% neu %'"),
              QString::number(2 * count));
}

QRT_INSTANTIATE_FOR_ENGINES(TwoWritersTest);

} // namespace
