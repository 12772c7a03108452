// The work-area page's arithmetic against worked examples.
#include "ZvWorkArea.h"

#include <gtest/gtest.h>

TEST(WorkArea, UsableAreaIsTheSoftKeysInnerAreaOnlyWhenTheyAreOn) {
    const QRect inner(10, 10, 80, 60), pen(0, 0, 100, 80);
    EXPECT_EQ(zvui::usableArea(true, true, inner, pen), inner);
    EXPECT_EQ(zvui::usableArea(true, false, inner, pen), pen);
    EXPECT_EQ(zvui::usableArea(false, true, inner, pen), pen);
}

TEST(WorkArea, ProportionalModeCutsToTheScreensShape) {
    const QRectF usable(0, 0, 1600, 1000); // 1.6
    const struct {
        double aspect;
        int rotation;
        QRectF expected;
    } cases[] = {
        {16.0 / 9, 0, QRectF(0, 50, 1600, 900)},              // wider: top and bottom cut
        {4.0 / 3, 0, QRectF(400.0 / 3, 0, 4000.0 / 3, 1000)}, // narrower: sides cut
        {1.6, 0, usable},
        {16.0 / 9, 90, QRectF(518.75, 0, 562.5, 1000)}, // turned: the screen is tall to the pen
        {16.0 / 9, 180, QRectF(0, 50, 1600, 900)},
        {0, 0, usable}, // no screen shape known
    };
    for (const auto& c : cases) {
        const QRectF got = zvui::proportionalArea(usable, c.aspect, c.rotation);
        EXPECT_NEAR(got.x(), c.expected.x(), 1e-6) << c.aspect << " " << c.rotation;
        EXPECT_NEAR(got.y(), c.expected.y(), 1e-6) << c.aspect << " " << c.rotation;
        EXPECT_NEAR(got.width(), c.expected.width(), 1e-6) << c.aspect << " " << c.rotation;
        EXPECT_NEAR(got.height(), c.expected.height(), 1e-6) << c.aspect << " " << c.rotation;
    }
}

TEST(WorkArea, CustomAreaInTabletUnitsBecomesAStoredRatio) {
    const struct {
        int x, y, w, h;
        bool ok;
        float l, t, r, b;
    } cases[] = {
        {1000, 2000, 10000, 5000, true, 0.025f, 0.08f, 0.275f, 0.28f},
        {1, 0, 1073, 1063, true, 0.000025f, 0, 0.02685f, 0.04252f},
        {0, 0, 40000, 25000, true, 0, 0, 1, 1},
        {0, 0, 1072, 5000, false, 0, 0, 0, 0},     // narrower than the minimum
        {0, 0, 5000, 1062, false, 0, 0, 0, 0},     // lower than the minimum
        {39000, 0, 2000, 5000, false, 0, 0, 0, 0}, // past the right edge
        {-1, 0, 2000, 5000, false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ZvRectRatio r{};
        ASSERT_EQ(zvui::customAreaRatio(c.x, c.y, c.w, c.h, 40000, 25000, &r), c.ok) << c.x;
        if (!c.ok)
            continue;
        EXPECT_FLOAT_EQ(r.l, c.l);
        EXPECT_FLOAT_EQ(r.t, c.t);
        EXPECT_FLOAT_EQ(r.r, c.r);
        EXPECT_FLOAT_EQ(r.b, c.b);
        EXPECT_TRUE(zvui::validAreaRatio(r));
    }
}
