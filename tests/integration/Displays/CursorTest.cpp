// The pointer queries of the pen handler against a real X server (a 3840x2160 X screen).
#include "XServerTest.h"

#include "ZvCursor.h"

namespace {

using Cursor = XServerTest;

struct PointerCase {
    int x, y;             // where the pointer is put, desktop pixels
    float logicX, logicY; // its place in the 40000 x 25000 logical range
};

const PointerCase kPointer[] = {
    {0, 0, 0.0f, 0.0f},
    {1920, 1080, 20000.0f, 12500.0f},
    {960, 1620, 10000.0f, 18750.0f},
    {3839, 2159, 39989.583f, 24988.426f},
    {1, 3, 10.416667f, 34.722222f},
};

} // namespace

TEST_F(Cursor, ReadsWherePointerWasWarped) {
    for (const PointerCase& c : kPointer) {
        SCOPED_TRACE(testing::Message() << "pointer at " << c.x << "," << c.y);
        ASSERT_TRUE(xvfb->warpPointer(c.x, c.y));
        CGPoint pt{-1.0f, -1.0f};
        ASSERT_TRUE(GetCursorPos(pt));
        EXPECT_EQ(pt.x, float(c.x));
        EXPECT_EQ(pt.y, float(c.y));
    }
}

TEST_F(Cursor, ScalesToLogicRangeOfFirstXScreen) {
    ASSERT_EQ(xvfb->width(), 3840);
    ASSERT_EQ(xvfb->height(), 2160);
    // The monitors do not matter: the scale is the X screen's.
    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::sideBySide()));
    for (const PointerCase& c : kPointer) {
        SCOPED_TRACE(testing::Message() << "pointer at " << c.x << "," << c.y);
        ASSERT_TRUE(xvfb->warpPointer(c.x, c.y));
        CGPoint pt{-1.0f, -1.0f};
        ASSERT_TRUE(GetCursorPositionInLogicCoordinate(pt));
        EXPECT_NEAR(pt.x, c.logicX, 0.01f);
        EXPECT_NEAR(pt.y, c.logicY, 0.01f);
    }
}

TEST_F(Cursor, WithoutDisplayLeavesPointUntouched) {
    NoDisplay hidden;
    CGPoint pt{123.0f, 456.0f};
    EXPECT_FALSE(GetCursorPos(pt));
    EXPECT_FALSE(GetCursorPositionInLogicCoordinate(pt));
    EXPECT_EQ(pt.x, 123.0f);
    EXPECT_EQ(pt.y, 456.0f);
}
