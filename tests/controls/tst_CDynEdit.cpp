#include "FakeForm.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"
#include "support/ScriptedMessages.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
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
                             qint16 maxLength = 0, unsigned flags = Left)
{
    auto control = std::make_unique<Field>(false);
    ControlDescription description =
        describe("Wert", 20, 20, 200, flags & MultiLine ? 90 : 40, flags);
    description.maxLength = maxLength;
    control->Create(&form, description);
    if (format)
        control->SetFieldFormat(*format);
    control->Show();
    control->ClearValue();
    return control;
}

const FieldFormat kInteger = FieldFormat::wholeNumber(std::numeric_limits<qint32>::min(),
                                                      std::numeric_limits<qint32>::max());
const FieldFormat kAmount = FieldFormat::decimal(10, 2);

// Types into the field where the user left it and leaves it with Tab for
// another, as a user does; the field reads what was typed once the focus
// has arrived.
struct Hands
{
    FakeForm &form;
    QLineEdit elsewhere{&form.widget};

    explicit Hands(FakeForm &f) : form(f)
    {
        elsewhere.setGeometry(20, 200, 100, 20);
        elsewhere.show();
        form.widget.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form.widget));
    }

    QString typeAndLeave(CDynControl &control, const char *keys)
    {
        control.GetWindow()->setFocus(Qt::MouseFocusReason);
        if (auto *line = qobject_cast<QLineEdit *>(control.GetWindow()))
            line->selectAll();
        QTest::keyClicks(control.GetWindow(), QString::fromUtf8(keys));
        elsewhere.setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        return control.WindowText();
    }
};

} // namespace

TEST(CDynEdit, FieldsTakeTheirCharactersUpToWhatTheColumnHolds)
{
    FakeForm form;
    // A whole number takes the characters of "-1.234" and a comma, which is
    // refused on leaving rather than dropped (1,5 must not become 15).
    const auto whole = field<CDynEdit>(form, kInteger);
    QTest::keyClicks(whole->GetWindow(), "12a.,-3 x");
    EXPECT_EQ(whole->GetValueText(), "12.,-3");
    // Room for every value of the column, with thousands points.
    EXPECT_EQ(whole->GetMaxLength(), 14);
    whole->SetValueText("");
    QTest::keyClicks(whole->GetWindow(), "-2.147.483.648999");
    EXPECT_EQ(whole->GetValueText(), "-2.147.483.648");
    // Alt with a letter is a menu's mnemonic, never typed into the field.
    whole->SetValueText("");
    QTest::keyClick(whole->GetWindow(), Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(whole->GetValueText(), "");
    EXPECT_FALSE(whole->IsModified());

    const auto text = field<CDynEdit>(form);
    QTest::keyClicks(text->GetWindow(), "Koln 5.");
    QTest::sendKeyEvent(QTest::Click, text->GetWindow(), Qt::Key_unknown, QStringLiteral("\u00e4"),
                        Qt::NoModifier);
    EXPECT_EQ(text->GetValueText(), "Koln 5.\u00e4");

    // Pasting passes the same filter; a stored value that does not fit it
    // can still be edited.
    auto *line = qobject_cast<QLineEdit *>(whole->GetWindow());
    whole->SetValueText("");
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

    // A stored text longer than the limit (SQLite keeps what it is given)
    // is shown in full and only ever gets shorter.
    const QString stored(300, QLatin1Char('s'));
    const auto name = field<CDynEdit>(form, FieldFormat::text(255));
    name->SetValueText(stored);
    EXPECT_EQ(name->GetValueText(), stored);
    auto *nameLine = qobject_cast<QLineEdit *>(name->GetWindow());
    nameLine->end(false);
    QTest::keyClicks(nameLine, "x");
    EXPECT_EQ(name->GetValueText(), stored);
    QTest::keyClick(nameLine, Qt::Key_Backspace);
    EXPECT_EQ(name->GetValueText().size(), 299);
}

// Leaving a changed field shows the value meant in its normal form, or says
// what the field expects and keeps the user there with the text.
TEST(CDynEdit, LeavingAChangedFieldShowsTheValueMeantOrKeepsTheUserThere)
{
    ScriptedMessages messages;
    FakeForm form;
    Hands hands(form);
    const auto amount = field<CDynEdit>(form, kAmount);
    EXPECT_EQ(hands.typeAndLeave(*amount, "1.234,5"), "1234,50");
    EXPECT_TRUE(amount->IsModified()) << "showing it anew keeps the change";
    QString value;
    QString problem;
    ASSERT_TRUE(amount->GetRecordText(&value, &problem));
    EXPECT_EQ(value, "1234.5");
    EXPECT_TRUE(messages.texts().isEmpty());

    EXPECT_EQ(hands.typeAndLeave(*amount, "1234,567"), "1234,567");
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(messages.texts().first(), "Das Feld Wert erwartet eine Zahl mit höchstens 10 Stellen "
                                        "vor und 2 nach dem Komma, zum Beispiel 1234,56.");
    EXPECT_TRUE(amount->GetWindow()->hasFocus()) << "the user is back in the field";
    EXPECT_EQ(qobject_cast<QLineEdit *>(amount->GetWindow())->selectedText(), "1234,567");
    EXPECT_FALSE(amount->GetRecordText(&value, &problem));

    const auto day = field<CDynDateTime>(form);
    EXPECT_EQ(hands.typeAndLeave(*day, "1.2.24"), "01.02.2024");
    EXPECT_EQ(day->GetDate(), QDate(2024, 2, 1));
    EXPECT_EQ(hands.typeAndLeave(*day, "31.02.2024"), "31.02.2024");
    EXPECT_TRUE(messages.texts().last().endsWith(": den 31.02.2024 gibt es nicht."));
    EXPECT_FALSE(day->GetDate().isValid());
    day->ClearValue(); // leaving it as it is would refuse it again

    // A field nobody changed is not read anew: its stored value stays, even
    // one that no format of ours reads.
    messages.clear();
    amount->SetValueText("NaN");
    hands.elsewhere.setFocus(Qt::TabFocusReason);
    amount->GetWindow()->setFocus(Qt::TabFocusReason);
    hands.elsewhere.setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(amount->WindowText(), "NaN");
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(CDynEdit, LineBreaksComeBackAsTheTextWasStored)
{
    FakeForm form;
    const auto notes =
        field<CDynEdit>(form, FieldFormat::text(6, QStringLiteral("\n")), 0, Left | MultiLine);
    auto *text = qobject_cast<QPlainTextEdit *>(notes->GetWindow());
    ASSERT_NE(text, nullptr);
    const auto retyped = [&](const QString &stored) {
        notes->SetValueText(stored);
        text->moveCursor(QTextCursor::End);
        QTest::keyClicks(text, "x");
        QString value;
        QString problem;
        EXPECT_TRUE(notes->GetRecordText(&value, &problem)) << problem.toStdString();
        return value;
    };
    EXPECT_EQ(retyped("a\nb"), "a\nbx");
    EXPECT_EQ(retyped("a\r\nb"), "a\r\nbx");
    EXPECT_EQ(retyped(""), "x");
    EXPECT_EQ(text->document()->blockCount(), 1);
    notes->SetValueText("a\nb");
    EXPECT_EQ(text->document()->blockCount(), 2) << "shown on two lines";

    // A line break counts as many characters as it is stored with.
    notes->SetValueText("a\r\nb");
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "cdef");
    EXPECT_EQ(notes->GetValueText(), "a\r\nbcd");
    notes->SetValueText("a\nb");
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "cdef");
    EXPECT_EQ(notes->GetValueText(), "a\r\nbcde");
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
