#include "runtime/FormGeometry.h"

#include <gtest/gtest.h>

using namespace FormGeometry;

// Aligning, a band drawn from right to left, a group kept on the form and
// the reading order are the editor's tests.

TEST(FormGeometry, HandlesLieOutsideAndAreFoundBeforeTheInside)
{
    const QRect control(100, 100, 80, 20);
    const QVector<QRect> outside = handleRects(control, true);
    ASSERT_EQ(outside.size(), 8);
    EXPECT_EQ(outside.at(0), QRect(94, 94, 6, 6));
    EXPECT_EQ(outside.at(2), QRect(180, 120, 6, 6)) << "bottom right, just beyond the edges";
    EXPECT_EQ(outside.at(5), QRect(180, 107, 6, 6)) << "middle of the right edge";
    EXPECT_EQ(handleRects(control, false).at(2), QRect(174, 114, 6, 6));

    EXPECT_EQ(hitHandle(control, true, QPoint(96, 96)), Handle::TopLeft);
    EXPECT_EQ(hitHandle(control, true, QPoint(183, 123)), Handle::BottomRight);
    EXPECT_EQ(hitHandle(control, true, QPoint(140, 97)), Handle::Top);
    EXPECT_EQ(hitHandle(control, true, QPoint(97, 110)), Handle::Left);
    EXPECT_EQ(hitHandle(control, true, QPoint(140, 110)), Handle::Inside);
    EXPECT_EQ(hitHandle(control, true, QPoint(190, 110)), Handle::None);
    EXPECT_EQ(hitHandle(control, false, QPoint(101, 101)), Handle::TopLeft)
        << "inside handles win over the inside";
    EXPECT_TRUE(resizes(Handle::Bottom));
    EXPECT_FALSE(resizes(Handle::Inside) || resizes(Handle::None));
}

TEST(FormGeometry, ResizingMovesTheGrabbedEdgesOnlyAndKeepsAMinimum)
{
    const QRect start(50, 40, 100, 20); // right 150, bottom 60
    EXPECT_EQ(resized(start, Handle::BottomRight, QPoint(30, 10)), QRect(50, 40, 130, 30));
    EXPECT_EQ(resized(start, Handle::TopLeft, QPoint(-10, -5)), QRect(40, 35, 110, 25));
    EXPECT_EQ(resized(start, Handle::Right, QPoint(20, 99)), QRect(50, 40, 120, 20))
        << "a side handle ignores the other direction";
    EXPECT_EQ(resized(start, Handle::Left, QPoint(200, 0)), QRect(140, 40, 10, 20))
        << "the left edge stops ten pixels before the right one";
    EXPECT_EQ(resized(start, Handle::Bottom, QPoint(0, -50)), QRect(50, 40, 100, 5));
    EXPECT_EQ(resized(start, Handle::TopLeft, QPoint(-80, -80)), QRect(0, 0, 150, 60))
        << "never beyond the form's origin";
    EXPECT_EQ(resized(QRect(5, 5, 8, 3), Handle::BottomRight, QPoint(-5, -5)), QRect(5, 5, 8, 3))
        << "a control below the minimum already does not shrink further";
    EXPECT_EQ(resized(start, Handle::Inside, QPoint(5, 5)), start);
}

TEST(FormGeometry, MovesStopAtTheOriginAndBandsTouchWhatTheyOverlap)
{
    const QVector<QRect> group = {QRect(20, 30, 40, 20), QRect(8, 60, 40, 20)};
    EXPECT_EQ(keptOnForm(group, QPoint(5, 7)), QPoint(5, 7));
    EXPECT_EQ(keptOnForm({QRect(-5, 10, 10, 10)}, QPoint(-3, -2)), QPoint(0, -2))
        << "already beyond the origin: no further";

    EXPECT_TRUE(band(QPoint(50, 60), QPoint(50, 60)).isEmpty());
    const QRect control(100, 100, 80, 20);
    EXPECT_TRUE(touches(QRect(170, 110, 50, 50), control));
    EXPECT_FALSE(touches(QRect(180, 110, 50, 50), control)) << "right edge is one past";
    EXPECT_FALSE(touches(band(QPoint(120, 90), QPoint(120, 200)), control))
        << "a band without width touches nothing";
}
