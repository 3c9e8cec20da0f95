#include "FakeForm.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <limits>
#include <optional>

using namespace ControlFlags;

namespace {

// A data-mode field on the form, shown and empty, as the form manager leaves it.
template <typename Field>
std::unique_ptr<Field> field(FakeForm &form, const std::optional<FieldFormat> &format = {},
                             unsigned flags = Left)
{
    auto control = std::make_unique<Field>(false);
    control->Create(&form, describe("Wert", 20, 20, 200, flags & MultiLine ? 90 : 40, flags));
    if (format)
        control->SetFieldFormat(*format);
    control->Show();
    control->ClearValue();
    return control;
}

const FieldFormat kInteger = FieldFormat::wholeNumber(std::numeric_limits<qint32>::min(),
                                                      std::numeric_limits<qint32>::max());

} // namespace

// Typing and pasting pass the field's character filter and its limit; what
// is stored already is never cut.
TEST(CDynEdit, FieldsTakeTheirCharactersUpToWhatTheColumnHolds)
{
    FakeForm form;
    // A whole number takes the characters of "-1.234" and a comma, which is
    // refused on leaving rather than dropped (1,5 must not become 15).
    const auto whole = field<CDynEdit>(form, kInteger);
    QTest::keyClicks(whole->GetWindow(), "12a.,-3 x");
    EXPECT_EQ(whole->GetValueText(), "12.,-3");
    whole->SetValueText("");
    auto *line = qobject_cast<QLineEdit *>(whole->GetWindow());
    QApplication::clipboard()->setText("4a");
    line->paste();
    EXPECT_EQ(whole->GetValueText(), "");
    QApplication::clipboard()->setText("45");
    line->paste();
    EXPECT_EQ(whole->GetValueText(), "45");

    const auto limited = field<CDynEdit>(form, FieldFormat::text(5));
    QTest::keyClicks(limited->GetWindow(), "abcdefg");
    EXPECT_EQ(limited->GetValueText(), "abcde");
    auto *five = qobject_cast<QLineEdit *>(limited->GetWindow());
    five->setCursorPosition(2);
    QApplication::clipboard()->setText("XYZ");
    five->paste();
    EXPECT_EQ(limited->GetValueText(), "abcde") << "a full field takes nothing more";
    QTest::keyClick(five, Qt::Key_Backspace);
    five->paste();
    EXPECT_EQ(limited->GetValueText(), "aXcde") << "what fits of a paste";
    // A letter beyond the basic plane is one character to the database (and
    // two UTF-16 units to Qt): it fits where one more character fits, and
    // is never halved.
    const QString smile = QStringLiteral("😀");
    limited->SetValueText(QStringLiteral("abcd"));
    five->end(false);
    QInputMethodEvent commit;
    commit.setCommitString(smile);
    QCoreApplication::sendEvent(five, &commit);
    EXPECT_EQ(limited->GetValueText(), QStringLiteral("abcd") + smile);
    QCoreApplication::sendEvent(five, &commit);
    EXPECT_EQ(limited->GetValueText(), QStringLiteral("abcd") + smile) << "no room for another";
    QString record;
    QString problem;
    EXPECT_TRUE(limited->GetRecordText(&record, &problem)) << problem.toStdString();

    // A stored text longer than the limit (SQLite keeps what it is given)
    // is shown in full and only ever gets shorter.
    const QString stored(300, QLatin1Char('s'));
    limited->SetValueText(stored);
    EXPECT_EQ(limited->GetValueText(), stored);
    five->end(false);
    QTest::keyClicks(five, "x");
    EXPECT_EQ(limited->GetValueText(), stored);
    QTest::keyClick(five, Qt::Key_Backspace);
    EXPECT_EQ(limited->GetValueText().size(), 299);
}

// A line break counts as many characters as it is stored with, and goes
// back as the text had it.
TEST(CDynEdit, ALineBreakCountsAndIsStoredAsTheTextHadIt)
{
    FakeForm form;
    const auto notes =
        field<CDynEdit>(form, FieldFormat::text(6, QStringLiteral("\n")), Left | MultiLine);
    auto *text = qobject_cast<QPlainTextEdit *>(notes->GetWindow());
    ASSERT_NE(text, nullptr);
    const struct
    {
        const char *stored, *shown, *record;
    } cases[] = {{"a\r\nb", "a\r\nbcd", "a\r\nbcd"}, {"a\nb", "a\r\nbcde", "a\nbcde"}};
    for (const auto &c : cases) {
        notes->SetValueText(QString::fromLatin1(c.stored));
        text->moveCursor(QTextCursor::End);
        QTest::keyClicks(text, "cdef");
        EXPECT_EQ(notes->GetValueText(), c.shown) << c.stored;
        QString record;
        QString problem;
        EXPECT_TRUE(notes->GetRecordText(&record, &problem));
        EXPECT_EQ(record, c.record) << c.stored;
    }
}

TEST(CDynEdit, OnlyTheUsersChangesCountAsModified)
{
    FakeForm form;
    const auto edit = field<CDynEdit>(form, kInteger);
    edit->SetValueText("42");
    EXPECT_FALSE(edit->IsModified());
    QTest::keyClicks(edit->GetWindow(), "x");
    EXPECT_FALSE(edit->IsModified()) << "a refused character changes nothing";
    QTest::keyClicks(edit->GetWindow(), "7");
    EXPECT_TRUE(edit->IsModified());
    edit->SetValueText("1");
    EXPECT_FALSE(edit->IsModified());
    QTest::keyClick(edit->GetWindow(), Qt::Key_Backspace);
    EXPECT_TRUE(edit->IsModified());

    const auto date = field<CDynDateTime>(form);
    date->SetDate(QDate(2021, 3, 5));
    EXPECT_FALSE(date->IsModified());
    QTest::keyClicks(date->GetWindow(), "1");
    EXPECT_FALSE(date->IsModified()) << "the field is full";
}

TEST(CDynCheckbox, AColumnThatTakesNullHasAThirdStateUnknown)
{
    FakeForm form;
    auto box = std::make_unique<CDynCheckbox>(false);
    box->Create(&form, describe("Aktiv", 10, 40, 90, 60));
    const auto recordText = [&box] {
        QString text;
        QString problem;
        EXPECT_TRUE(box->GetRecordText(&text, &problem));
        return text;
    };
    box->SetRecordText("");
    EXPECT_EQ(recordText(), "False") << "without a third state Null shows unchecked";
    box->SetTriState(true);
    box->SetRecordText("");
    EXPECT_EQ(recordText(), "");
    EXPECT_EQ(qobject_cast<QCheckBox *>(box->GetWindow())->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(box->IsChecked());
    box->SetRecordText("true");
    EXPECT_EQ(recordText(), "True");
    box->SetFlags(ControlFlags::Right, true);
    box->SetRecordText("");
    EXPECT_EQ(recordText(), "") << "a new window keeps the third state";
}

TEST(CDynDateTime, F4OpensACalendarWhoseDayKeepsTheTimeOfDay)
{
    FakeForm form;
    const auto date = field<CDynDateTime>(form, FieldFormat::dateTime());
    date->SetValueText("10.02.2024 12:30:00");
    EXPECT_EQ(date->GetValueText(), "10.02.2024 12:30");
    QTest::keyClick(date->GetWindow(), Qt::Key_F4);
    QCalendarWidget *calendar = date->Calendar();
    ASSERT_NE(calendar, nullptr);
    EXPECT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->selectedDate(), QDate(2024, 2, 10));
    // In German, whatever the machine's locale.
    const auto *month = calendar->findChild<QToolButton *>("qt_calendar_monthbutton");
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->text(), "Februar");
    calendar->setSelectedDate(QDate(2024, 2, 29));
    QTest::keyClick(calendar->findChild<QTableView *>(), Qt::Key_Return);
    EXPECT_EQ(date->GetValueText(), "29.02.2024 12:30");
    EXPECT_TRUE(date->IsModified());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(date->Calendar(), nullptr);

    QTest::keyClick(date->GetWindow(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_NE(date->Calendar(), nullptr);
    QTest::keyClick(date->Calendar(), Qt::Key_Escape);
    EXPECT_EQ(date->GetValueText(), "29.02.2024 12:30");
}

TEST(CDynDateTime, DesignModeShowsTheColumnAndLeavesTheTextAlone)
{
    FakeForm form;
    auto date = std::make_unique<CDynDateTime>(true);
    date->Create(&form, describe("Geburtstag", 20, 20, 120, 40));
    auto *line = qobject_cast<QLineEdit *>(date->GetWindow());
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isReadOnly());
    EXPECT_EQ(date->GetValueText(), "Geburtstag");
    QTest::keyClick(line, Qt::Key_F4);
    EXPECT_EQ(date->Calendar(), nullptr);

    // In data mode the field starts with its name until a value comes.
    auto data = std::make_unique<CDynDateTime>(false);
    ControlDescription named = describe("Geburtstag", 20, 50, 120, 70);
    data->Create(&form, named);
    EXPECT_EQ(data->GetValueText(), "");
    named.name = QStringLiteral("GEBURTSTAG");
    data->Create(&form, named);
    EXPECT_EQ(data->GetValueText(), "GEBURTSTAG");
}
