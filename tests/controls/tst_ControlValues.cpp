#include "controls/ControlGeometry.h"
#include "controls/ControlInfo.h"
#include "controls/WindowStyle.h"

#include <gtest/gtest.h>

using namespace ControlFlags;

TEST(WindowStyle, MultiLineComesAndGoesOnTheLiveStyle)
{
    // An edit field wraps and scrolls vertically, a date field only wraps.
    EXPECT_EQ(controlStyle(ControlKind::Edit, false, Left | MultiLine), 0x50000044u);
    EXPECT_EQ(controlStyle(ControlKind::Edit, true, Right | MultiLine), 0x50000846u);
    EXPECT_EQ(controlStyle(ControlKind::DateTime, false, Left | MultiLine), 0x50000004u);

    // From a shown field's style (tab stop set) the tab stop stays, the old
    // alignment goes, and one line brings horizontal scrolling back.
    const StyleBits shown = 0x50010082; // right-aligned, tab stop
    const StyleBits wrapped = controlStyle(ControlKind::Edit, false, Center | MultiLine, shown);
    EXPECT_EQ(wrapped, 0x50010045u);
    EXPECT_EQ(controlStyle(ControlKind::Edit, false, Left, wrapped), 0x50010080u);
    EXPECT_EQ(controlStyle(ControlKind::Edit, true, Left, 0x50000844u), 0x50000800u);
}

TEST(ControlGeometry, AFrameIsGrabbedByItsBorderOnly)
{
    // Edges as stored: left 20, top 30, right 220, bottom 130.
    const QRect frame(20, 30, 200, 100);
    EXPECT_TRUE(ControlGeometry::frameHitTest(frame, {20, 30}));   // top-left corner
    EXPECT_TRUE(ControlGeometry::frameHitTest(frame, {220, 130})); // edges included
    EXPECT_FALSE(ControlGeometry::frameHitTest(frame, {120, 80})); // centre
    EXPECT_TRUE(ControlGeometry::frameHitTest(frame, {25, 80}));
    EXPECT_FALSE(ControlGeometry::frameHitTest(frame, {26, 80}));
    EXPECT_TRUE(ControlGeometry::frameHitTest(frame, {215, 80}));
    EXPECT_FALSE(ControlGeometry::frameHitTest(frame, {214, 80}));
    EXPECT_TRUE(ControlGeometry::frameHitTest(frame, {120, 40}));
    EXPECT_FALSE(ControlGeometry::frameHitTest(frame, {120, 41}));
    EXPECT_TRUE(ControlGeometry::frameHitTest(frame, {120, 120}));
    EXPECT_FALSE(ControlGeometry::frameHitTest(frame, {19, 30}));
    EXPECT_FALSE(ControlGeometry::frameHitTest(frame, {221, 80}));
    EXPECT_FALSE(ControlGeometry::frameHitTest(frame, {120, 131}));
}

TEST(ControlGeometry, RasterArithmetic)
{
    EXPECT_EQ(ControlGeometry::snapUp(95, 10), 100);
    EXPECT_EQ(ControlGeometry::snapUp(100, 10), 110); // on the raster: one full step
    EXPECT_EQ(ControlGeometry::snapDown(97, 10), 90);
    EXPECT_EQ(ControlGeometry::snapDown(90, 10), 90);
    EXPECT_EQ(ControlGeometry::snapDown(97, 0), 97);
}
