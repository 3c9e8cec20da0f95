#include "platform/CalendarDateEdit.h"
#include "platform/PopupPlacement.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDialog>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(PopupPlacement, OpensBelowOnTheChosenEdgeAndStaysOnTheScreen)
{
    const QRect screen(0, 0, 1000, 800);
    const QRect field(400, 100, 120, 20); // right edge at x 519
    const QSize popup(250, 160);

    EXPECT_EQ(placePopup(field, popup, screen, Qt::AlignLeft), QRect(400, 120, 250, 160));
    EXPECT_EQ(placePopup(field, popup, screen, Qt::AlignRight), QRect(270, 120, 250, 160));

    // No room below: above the field.
    const QRect low(400, 700, 120, 20);
    EXPECT_EQ(placePopup(low, popup, screen, Qt::AlignRight), QRect(270, 540, 250, 160));
    // Right-aligned at the screen's left edge, left-aligned at its right:
    // moved sideways, never cut off.
    EXPECT_EQ(placePopup(QRect(10, 100, 120, 20), popup, screen, Qt::AlignRight).left(), 0);
    EXPECT_EQ(placePopup(QRect(900, 100, 90, 20), popup, screen, Qt::AlignLeft).right(), 999);
    // A screen too short for either side: the popup stays whole on it.
    const QRect shortScreen(0, 0, 1000, 200);
    const QRect placed = placePopup(QRect(400, 90, 120, 20), popup, shortScreen, Qt::AlignLeft);
    EXPECT_TRUE(shortScreen.contains(placed)) << placed.top() << " " << placed.bottom();
}

namespace {

class CalendarDateEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        field = new CalendarDateEdit(QDate(2020, 5, 17), &dialog);
        field->setCalendarAlignment(Qt::AlignRight);
        auto *layout = new QVBoxLayout(&dialog);
        layout->setContentsMargins(300, 20, 20, 20); // room on the left for the calendar
        layout->addWidget(field);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &dialog; }));
        field->setFocus();
    }
    void TearDown() override
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }

    // The field's bottom-right corner on the screen.
    QPoint fieldCorner() const
    {
        return field->mapToGlobal(QPoint(field->width() - 1, field->height()));
    }

    QDialog dialog;
    CalendarDateEdit *field = nullptr;
};

} // namespace

TEST_F(CalendarDateEditTest, F4AndAltDownOpenTheCalendarRightAligned)
{
    QTest::keyClick(field, Qt::Key_F4);
    QWidget *popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup, field->calendarPopup());
    EXPECT_EQ(popup->geometry().right(), fieldCorner().x());
    EXPECT_EQ(popup->geometry().top(), fieldCorner().y());
    EXPECT_EQ(field->calendarWidget()->selectedDate(), QDate(2020, 5, 17));

    // Chosen in the calendar by keys: a week later.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(field->date(), QDate(2020, 5, 24));

    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(field->date(), QDate(2020, 5, 24)) << "Escape keeps the date";

    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "Down alone steps the date";
    field->setEnabled(false);
    field->showCalendar();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(CalendarDateEditTest, TheArrowButtonOpensItRightAlignedToo)
{
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->width() - 4, field->height() / 2));
    QWidget *popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->geometry().right(), fieldCorner().x());
}
