#include "FakeForm.h"

#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ControlFlags;

namespace {

// A data-mode field on the form, shown and empty, as the form manager leaves it.
template <typename Field>
std::unique_ptr<Field> field(FakeForm &form, InputKind kind = InputKind::FreeText,
                             qint16 maxLength = 0, unsigned flags = Left)
{
    auto control = std::make_unique<Field>(false);
    control->SetInputKind(kind);
    ControlDescription description =
        describe("Wert", 20, 20, 200, flags & MultiLine ? 90 : 40, flags);
    description.maxLength = maxLength;
    control->Create(&form, description);
    control->Show();
    control->ClearValue();
    return control;
}

void leave(QWidget *widget)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
}

QString thisYear()
{
    return QString::number(QDate::currentDate().year());
}

} // namespace

TEST(CDynEdit, NumberFieldsTakeOnlyTheirCharacters)
{
    FakeForm form;
    const auto whole = field<CDynEdit>(form, InputKind::WholeNumber);
    QTest::keyClicks(whole->GetWindow(), "12a.,-3 x");
    EXPECT_EQ(whole->GetValueText(), "12-3");
    QTest::keyClick(whole->GetWindow(), Qt::Key_Backspace);
    EXPECT_EQ(whole->GetValueText(), "12-");

    const auto decimal = field<CDynEdit>(form, InputKind::DecimalNumber);
    QTest::keyClicks(decimal->GetWindow(), "-12,5e");
    EXPECT_EQ(decimal->GetValueText(), "-12,5");

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
    whole->SetValueText("7.5");
    line->end(false);
    QTest::keyClick(line, Qt::Key_Backspace);
    QTest::keyClicks(line, "9");
    EXPECT_EQ(whole->GetValueText(), "7.9");
}

TEST(CDynEdit, DecimalFieldsShowRoundedValuesWithADecimalComma)
{
    FakeForm form;
    const auto decimal = field<CDynEdit>(form, InputKind::DecimalNumber);
    decimal->SetDecimalPlaces(8);
    const auto shown = [&decimal](const QString &value) {
        decimal->SetValueText(value);
        return decimal->GetValueText();
    };
    EXPECT_EQ(shown("3.14159265358979"), "3,14159265");
    EXPECT_EQ(shown("12.5"), "12,5");
    EXPECT_EQ(shown("12"), "12,0");
    EXPECT_EQ(shown("abc"), "0,0");
    EXPECT_EQ(shown("  7.25xyz"), "7,25");
    EXPECT_EQ(shown("1e3"), "1000,0");
    EXPECT_EQ(shown("-0.000000004"), "0,0") << "no negative zero";
    EXPECT_EQ(shown(""), "") << "a Null value does not become 0";

    decimal->SetDecimalPlaces(0);
    EXPECT_EQ(shown("120"), "120");
    EXPECT_EQ(shown("2.5"), "3") << "half away from zero";
    EXPECT_EQ(shown("-2.5"), "-3");
    decimal->SetDecimalPlaces(2);
    EXPECT_EQ(shown("-12.345"), "-12,35");
    EXPECT_EQ(shown("0.1"), "0,1");

    // Whole numbers and texts are shown as they come.
    const auto whole = field<CDynEdit>(form, InputKind::WholeNumber);
    whole->SetValueText("12.50");
    EXPECT_EQ(whole->GetValueText(), "12.50");
}

TEST(CDynEdit, LineFeedsBecomeLineBreaksAndLimitsHold)
{
    FakeForm form;
    const auto single = field<CDynEdit>(form);
    single->SetValueText("a\nb\r\nc");
    EXPECT_EQ(single->GetValueText(), "a\r\nb\r\nc");

    const auto notes = field<CDynEdit>(form, InputKind::FreeText, 5, Left | MultiLine);
    auto *text = qobject_cast<QPlainTextEdit *>(notes->GetWindow());
    ASSERT_NE(text, nullptr);
    notes->SetValueText("a\nb");
    EXPECT_EQ(text->document()->blockCount(), 2) << "shown on two lines";
    EXPECT_EQ(notes->GetValueText(), "a\r\nb");

    // A line break counts two characters, as it is stored.
    notes->ClearValue();
    QTest::keyClicks(text, "ab");
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, "cd");
    EXPECT_EQ(notes->GetValueText(), "ab\r\nc");
    QApplication::clipboard()->setText("xyz");
    text->selectAll();
    text->paste();
    EXPECT_EQ(notes->GetValueText(), "xyz");

    // Several lines of numbers keep the number filter, for typing and pasting.
    const auto counts = field<CDynEdit>(form, InputKind::WholeNumber, 0, Left | MultiLine);
    QTest::keyClicks(counts->GetWindow(), "1x2");
    QApplication::clipboard()->setText("3y");
    qobject_cast<QPlainTextEdit *>(counts->GetWindow())->paste();
    EXPECT_EQ(counts->GetValueText(), "12");

    const auto limited = field<CDynEdit>(form, InputKind::FreeText, 5);
    QTest::keyClicks(limited->GetWindow(), "abcdefg");
    EXPECT_EQ(limited->GetValueText(), "abcde");
    auto *line = qobject_cast<QLineEdit *>(limited->GetWindow());
    line->setCursorPosition(2);
    QApplication::clipboard()->setText("XYZ");
    line->paste();
    EXPECT_EQ(limited->GetValueText(), "abcde") << "a full field takes nothing more";
    QTest::keyClick(line, Qt::Key_Backspace);
    line->paste();
    EXPECT_EQ(limited->GetValueText(), "aXcde") << "what fits of a paste";

    // A stored text longer than the limit (SQLite keeps what it is given)
    // is shown in full and only ever gets shorter; so is a multi-line one.
    const QString stored(300, QLatin1Char('s'));
    const auto name = field<CDynEdit>(form, InputKind::FreeText, 255);
    name->SetValueText(stored);
    EXPECT_EQ(name->GetValueText(), stored);
    EXPECT_FALSE(name->IsModified());
    auto *nameLine = qobject_cast<QLineEdit *>(name->GetWindow());
    nameLine->end(false);
    QTest::keyClicks(nameLine, "x");
    EXPECT_EQ(name->GetValueText(), stored);
    QTest::keyClick(nameLine, Qt::Key_Backspace);
    EXPECT_EQ(name->GetValueText().size(), 299);
    const auto longNotes = field<CDynEdit>(form, InputKind::FreeText, 255, Left | MultiLine);
    longNotes->SetValueText(stored);
    EXPECT_EQ(longNotes->GetValueText(), stored);
    const auto unlimited = field<CDynEdit>(form, InputKind::FreeText, -1);
    QTest::keyClicks(unlimited->GetWindow(), "abcdefg");
    EXPECT_EQ(unlimited->GetValueText(), "abcdefg");
}

TEST(CDynEdit, OnlyTheUsersChangesCountAsModified)
{
    FakeForm form;
    const auto edit = field<CDynEdit>(form, InputKind::WholeNumber);
    EXPECT_FALSE(edit->IsModified());
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
    edit->SetModified(false);
    EXPECT_FALSE(edit->IsModified());

    const auto notes = field<CDynEdit>(form, InputKind::FreeText, 0, Left | MultiLine);
    notes->SetValueText("a\nb");
    EXPECT_FALSE(notes->IsModified());
    QTest::keyClicks(notes->GetWindow(), "c");
    EXPECT_TRUE(notes->IsModified());

    const auto date = field<CDynDateTime>(form);
    date->SetDate(QDate(2021, 3, 5));
    EXPECT_FALSE(date->IsModified());
    QTest::keyClicks(date->GetWindow(), "1");
    EXPECT_FALSE(date->IsModified()) << "the field is full";
    qobject_cast<QLineEdit *>(date->GetWindow())->selectAll();
    QTest::keyClicks(date->GetWindow(), "1.4.2021");
    EXPECT_TRUE(date->IsModified());
    leave(date->GetWindow());
    EXPECT_EQ(date->GetValueText(), "01.04.2021");
    EXPECT_TRUE(date->IsModified()) << "showing the typed date anew keeps the change";
}

TEST(CDynDateTime, TypedDatesAreReadWhenTheFieldIsLeft)
{
    FakeForm form;
    const auto date = field<CDynDateTime>(form);
    QWidget *window = date->GetWindow();
    const auto typed = [&](const char *keys) {
        date->ClearValue();
        QTest::keyClicks(window, keys);
        leave(window);
        return date->GetValueText();
    };
    EXPECT_EQ(typed("1.2.3"), "01.02." + thisYear()) << "a short year is replaced";
    EXPECT_EQ(typed("5.3.21"), "05.03." + thisYear());
    EXPECT_EQ(typed("31.02.2021"), "");
    EXPECT_FALSE(date->GetDate().isValid());
    EXPECT_EQ(typed("29,02,2024"), "29.02.2024");
    EXPECT_EQ(date->GetDate(), QDate(2024, 2, 29));
    EXPECT_EQ(typed("12.12.20245"), "12.12.2024") << "at most 10 characters";
    EXPECT_EQ(typed("1a-2/.3x.1999"), "12.03.1999") << "only digits, points and commas";
    EXPECT_EQ(typed("123.4.2020"), "") << "two digits for the day";
    EXPECT_EQ(typed("15"), "");

    // GetDate reads the text as it stands.
    date->ClearValue();
    QTest::keyClicks(window, "7.3.2021");
    EXPECT_EQ(date->GetDate(), QDate(2021, 3, 7));
    EXPECT_EQ(date->GetValueText(), "7.3.2021");

    date->SetDate(QDate(2021, 3, 5));
    EXPECT_EQ(date->GetValueText(), "05.03.2021");
    date->SetDate(QDate(50, 1, 1));
    EXPECT_EQ(date->GetValueText(), "") << "before the year 100 no date is stored";
    EXPECT_EQ(CDynDateTime::ParseDateText(" 9. 8.1999", 2030), QDate(1999, 8, 9));
    EXPECT_EQ(CDynDateTime::ParseDateText("1.13.2000", 2030), QDate());
}

TEST(CDynDateTime, F4OpensACalendarThatFillsTheField)
{
    FakeForm form;
    const auto date = field<CDynDateTime>(form);
    date->SetDate(QDate(2024, 2, 10));
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
    EXPECT_EQ(date->GetValueText(), "29.02.2024");
    EXPECT_TRUE(date->IsModified());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(date->Calendar(), nullptr);

    QTest::keyClick(date->GetWindow(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_NE(date->Calendar(), nullptr);
    QTest::keyClick(date->Calendar(), Qt::Key_Escape);
    EXPECT_EQ(date->GetValueText(), "29.02.2024");
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
    date->SetWindowText("1.2.3");
    leave(line);
    EXPECT_EQ(date->GetValueText(), "1.2.3");
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
