// Nine-point calibration: targets, the least-squares fit, the rejected fits, and the correction.
#include "Calibrate9pt.h"
#include "Funcs.h"

#include <gtest/gtest.h>

#include <math.h>
#include <memory>
#include <random>
#include <string.h>

namespace {

ZvTabletCfg pen_display(th_u32 maxX, th_u32 maxY) {
    ZvTabletCfg tc;
    memset(&tc, 0, sizeof tc);
    tc.maxX = maxX;
    tc.maxY = maxY;
    tc.bMonitor = 0x02;
    return tc;
}

// User settings with recognisable factors, to see whether a failed fit touched them.
std::unique_ptr<ZvUserCfg> user_cfg(th_u32 rotateAngle) {
    auto uc = std::make_unique<ZvUserCfg>();
    memset(uc.get(), 0, sizeof *uc);
    for (int i = 0; i < 7; ++i)
        uc->calibrateFactors[i] = 1000 + i;
    uc->bCalibrated = 0;
    uc->app0.rotateAngle = rotateAngle;
    return uc;
}

void expect_untouched(const ZvUserCfg& uc) {
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(uc.calibrateFactors[i], 1000 + i) << i;
    EXPECT_EQ(uc.bCalibrated, 0);
}

// An affine map (x, y) -> (a x + b y + c, d x + e y + f).
struct Affine {
    double a, b, c, d, e, f;
    void apply(double x, double y, double& ox, double& oy) const {
        ox = a * x + b * y + c;
        oy = d * x + e * y + f;
    }
    Affine inverse() const {
        const double det = a * e - b * d;
        Affine r{e / det, -b / det, 0, -d / det, a / det, 0};
        r.c = -(r.a * c + r.b * f);
        r.f = -(r.d * c + r.e * f);
        return r;
    }
};

// Which measured point belongs to target i when the targets were shown on a tablet turned by
// 0, 90, 180, 270 degrees (the order the calibration window shows them in).
const int kShownOrder[4][9] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8},
    {2, 5, 8, 1, 4, 7, 0, 3, 6},
    {8, 7, 6, 5, 4, 3, 2, 1, 0},
    {6, 3, 0, 7, 4, 1, 8, 5, 2},
};

// The points a user would measure when the pen lands at inverse(M)(target), plus noise.
void measure(const ZvTabletCfg& tc, const Affine& m, int angleIndex, int noise, unsigned seed,
             ZvPoint measured[9]) {
    ZvPoint targets[9];
    calibrate_targets(tc, targets);
    const Affine inv = m.inverse();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> jitter(-noise, noise);
    for (int i = 0; i < 9; ++i) {
        double x, y;
        inv.apply(targets[i].x, targets[i].y, x, y);
        measured[kShownOrder[angleIndex][i]] =
            ZvPoint{th_i32(lround(x)) + jitter(rng), th_i32(lround(y)) + jitter(rng)};
    }
}

// The correction adds half a unit (f6 / 2) so that a later truncation rounds.
void expect_corrects_like(const ZvTabletCfg& tc, const ZvUserCfg& uc, const Affine& m,
                          double tolerance) {
    for (double fx = 0; fx <= 1.0; fx += 0.125) {
        for (double fy = 0; fy <= 1.0; fy += 0.125) {
            const double x = fx * tc.maxX, y = fy * tc.maxY;
            CGPoint pt{float(x), float(y)};
            calibrate_9point(uc, pt);
            double ex, ey;
            m.apply(x, y, ex, ey);
            EXPECT_NEAR(pt.x - 0.5, ex, tolerance) << "at " << x << ", " << y;
            EXPECT_NEAR(pt.y - 0.5, ey, tolerance) << "at " << x << ", " << y;
        }
    }
}

} // namespace

TEST(Calibrate9pt, TargetGrid) {
    // The row constants are the doubles just below 7.2 and 6.2.
    th_u64 bits72, bits62;
    memcpy(&bits72, &ZV_CLB_ROW_DIV, sizeof bits72);
    memcpy(&bits62, &ZV_CLB_ROW_BOTTOM, sizeof bits62);
    EXPECT_EQ(bits72, 0x401CCCCCCCCCCCCCull);
    EXPECT_EQ(bits62, 0x4018CCCCCCCCCCCCull);
    EXPECT_EQ(ZV_CLB_ROW_DIV, nextafter(7.2, 0.0));
    ZvPoint t[9];
    calibrate_targets(pen_display(50800, 28575), t);
    const th_i32 xs[3] = {4233, 25400, 46566}, ys[3] = {3968, 14287, 24606};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(t[i].x, xs[i % 3]) << i;
        EXPECT_EQ(t[i].y, ys[i / 3]) << i;
    }
    // Where the real 6.2 / 7.2 would land on a whole number, the stored constants land just
    // below it, and the target with them: stored calibrations were fitted to these targets.
    const th_u32 maxY = 25920;
    ASSERT_EQ(th_i32(maxY * 6.2 / 7.2), 22320);
    calibrate_targets(pen_display(50800, maxY), t);
    EXPECT_EQ(t[6].y, th_i32(maxY * nextafter(6.2, 0.0) / nextafter(7.2, 0.0)));
    EXPECT_EQ(t[6].y, 22319);
}

TEST(Calibrate9pt, TargetsHitOrShiftedGiveIdentityOrOffset) {
    const ZvTabletCfg tc = pen_display(50800, 28575);
    const struct { th_i32 dx, dy; } shifts[] = {{0, 0}, {100, -50}, {-7, 3}};
    for (const auto& sh : shifts) {
        auto uc = user_cfg(0);
        ZvPoint pts[9];
        calibrate_targets(tc, pts);
        for (ZvPoint& p : pts)
            p = ZvPoint{p.x + sh.dx, p.y + sh.dy};
        ASSERT_EQ(zv_calibrate_monitor(tc, *uc, pts), 9);
        const th_i32* f = uc->calibrateFactors;
        const th_i32 expect[7] = {65536, 0, -sh.dx * 65536, 0, 65536, -sh.dy * 65536, 65536};
        for (int i = 0; i < 7; ++i)
            EXPECT_NEAR(f[i], expect[i], i == 2 || i == 5 ? 64 : 1) << i;
        EXPECT_EQ(uc->bCalibrated, 7);
        // Truncated, as the pen path does, a measured point comes back as its target.
        for (const ZvPoint& p : pts) {
            CGPoint pt{float(p.x), float(p.y)};
            zv_calibrate_point(tc, *uc, pt);
            EXPECT_EQ(th_i32(pt.x), p.x - sh.dx);
            EXPECT_EQ(th_i32(pt.y), p.y - sh.dy);
        }
    }
}

// A skewed, scaled, shifted map read on a tablet used at each turn, and quarter turns of the
// whole surface of a square pen display, from nine points with a few units of noise.
TEST(Calibrate9pt, FitRecoversKnownMaps) {
    const Affine skew{1.02, 0.015, -350, -0.01, 0.985, 420};
    const double c = 15000; // centre of the square display
    const struct {
        th_u32 maxX, maxY, angle;
        Affine m;
    } cases[] = {
        {50800, 28575, 0, skew},
        {50800, 28575, 90, skew},
        {50800, 28575, 180, skew},
        {50800, 28575, 270, skew},
        {30000, 30000, 0, {0, -1, 2 * c, 1, 0, 0}},      // turned 90: (2c - y, x)
        {30000, 30000, 0, {-1, 0, 2 * c, 0, -1, 2 * c}}, // turned 180
        {30000, 30000, 0, {0, 1, 0, -1, 0, 2 * c}},      // turned 270: (y, 2c - x)
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << "angle " << k.angle << " a " << k.m.a);
        const ZvTabletCfg tc = pen_display(k.maxX, k.maxY);
        for (unsigned seed = 1; seed <= 3; ++seed) {
            auto uc = user_cfg(k.angle);
            ZvPoint pts[9];
            measure(tc, k.m, int(k.angle / 90), /* noise= */ 3, seed, pts);
            ASSERT_EQ(zv_calibrate_monitor(tc, *uc, pts), 9);
            expect_corrects_like(tc, *uc, k.m, 8.0);
        }
    }
}

TEST(Calibrate9pt, DegeneratePointsAreRejected) {
    const ZvTabletCfg tc = pen_display(50800, 28575);
    ZvPoint targets[9];
    calibrate_targets(tc, targets);
    ZvPoint identical[9], horizontal[9], vertical[9], diagonal[9], twoSpots[9], zeros[9];
    for (int i = 0; i < 9; ++i) {
        identical[i] = ZvPoint{25400, 14287};
        horizontal[i] = ZvPoint{targets[i].x + 10 * i, 14287};
        vertical[i] = ZvPoint{25400, targets[i].y};
        diagonal[i] = ZvPoint{1000 + 3000 * i, 500 + 1700 * i};
        twoSpots[i] = i == 4 ? ZvPoint{30000, 20000} : ZvPoint{100, 100};
        zeros[i] = ZvPoint{0, 0};
    }
    const ZvPoint* sets[] = {identical, horizontal, vertical, diagonal, twoSpots, zeros};
    for (const ZvPoint* pts : sets) {
        for (th_u32 angle : {0u, 90u, 180u, 270u}) {
            auto uc = user_cfg(angle);
            EXPECT_EQ(zv_calibrate_monitor(tc, *uc, pts), -1);
            expect_untouched(*uc);
        }
    }
}

TEST(Calibrate9pt, CorrectionBeyondTheFixedPointRangeIsRejected) {
    // Nine distinct points one unit apart: a valid fit, but it scales by some 20000 and shifts
    // by far more than 32767 units, which 16.16 fixed point cannot hold.
    const ZvTabletCfg tc = pen_display(50800, 28575);
    ZvPoint pts[9];
    for (int i = 0; i < 9; ++i)
        pts[i] = ZvPoint{1000 + i % 3, 1000 + i / 3};
    auto uc = user_cfg(0);
    EXPECT_EQ(zv_calibrate_monitor(tc, *uc, pts), -1);
    expect_untouched(*uc);
}

TEST(Calibrate9pt, RefusedInputsLeaveTheFactors) {
    const ZvTabletCfg tc = pen_display(50800, 28575);
    ZvPoint pts[9];
    calibrate_targets(tc, pts);
    const struct {
        th_u32 angle;
        bool nullPoints;
        int rc;
    } cases[] = {{45, false, -1}, {1, false, -1}, {360, false, -1}, {0, true, 0}};
    for (const auto& c : cases) {
        auto uc = user_cfg(c.angle);
        EXPECT_EQ(zv_calibrate_monitor(tc, *uc, c.nullPoints ? nullptr : pts), c.rc) << c.angle;
        expect_untouched(*uc);
    }
    auto uc = user_cfg(0);
    EXPECT_EQ(zv_calibrate_monitor(pen_display(0, 0), *uc, pts), -1);
    expect_untouched(*uc);
}

TEST(Calibrate9pt, CorrectionAppliesOnlyToCalibratedPenDisplays) {
    auto uc = user_cfg(0);
    // x' = 2x + 10, y' = x + y - 5: both use the incoming x. Plus half a unit to round.
    const th_i32 f[7] = {2 * 65536, 0, 10 * 65536, 65536, 65536, -5 * 65536, 65536};
    memcpy(uc->calibrateFactors, f, sizeof f);
    const struct {
        th_u8 bMonitor, bCalibrated;
        th_i32 divisor;
        bool applied;
    } cases[] = {{0x02, 7, 65536, true},
                 {0x08, 1, 65536, true},
                 {0, 7, 65536, false},
                 {0x02, 0, 65536, false},
                 // A damaged file with a zero divisor must not send the pen to infinity.
                 {0x02, 7, 0, false}};
    for (const auto& c : cases) {
        ZvTabletCfg tc = pen_display(50800, 28575);
        tc.bMonitor = c.bMonitor;
        uc->bCalibrated = c.bCalibrated;
        uc->calibrateFactors[6] = c.divisor;
        CGPoint pt{100, 200};
        zv_calibrate_point(tc, *uc, pt);
        EXPECT_EQ(pt.x, c.applied ? 210.5f : 100.0f);
        EXPECT_EQ(pt.y, c.applied ? 295.5f : 200.0f);
    }
}
