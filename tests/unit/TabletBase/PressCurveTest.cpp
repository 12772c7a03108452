// Pressure curves: the documented vectors, then shape properties over every raw pressure.
#include "PressCurve.h"

#include <gtest/gtest.h>

#include <math.h>
#include <memory>
#include <string.h>

namespace {

std::unique_ptr<ZvAppUserCfg> app_cfg(th_i32 pressFactor, ZvPoint p0 = {0, 0},
                                      ZvPoint p1 = {898, 2113}, ZvPoint p2 = {1928, 6235}) {
    auto uc = std::make_unique<ZvAppUserCfg>();
    memset(uc.get(), 0, sizeof *uc);
    uc->pressFactor = pressFactor;
    uc->pressCtrlPt[0] = p0;
    uc->pressCtrlPt[1] = p1;
    uc->pressCtrlPt[2] = p2;
    return uc;
}

using Curve = th_u32 (*)(const ZvAppUserCfg&, th_u32, th_u16);

// The Bezier curve in Bernstein form, in long double: shares no code or coefficient rounding
// with the solver under test.
long double bernstein(long double p0, long double p1, long double p2, long double p3,
                      long double t) {
    const long double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
}

// Height of the curve where its x equals x, for x increasing along the curve.
long double bezier_height_at(const ZvPoint p[3], long double maxP, long double x) {
    long double lo = 0, hi = 1;
    for (int i = 0; i < 200; ++i) {
        const long double mid = (lo + hi) / 2;
        (bernstein(p[0].x, p[1].x, p[2].x, maxP, mid) < x ? lo : hi) = mid;
    }
    return bernstein(p[0].y, p[1].y, p[2].y, maxP, hi);
}

// A curve keeps 0 at 0, never decreases and stays within 0..maxP. With `direction` +1 it must
// also harden (never above its input), with -1 soften (never a unit below it).
void expect_monotonic(Curve curve, const ZvAppUserCfg& uc, th_u16 maxP, int direction = 0) {
    EXPECT_EQ(curve(uc, 0, maxP), 0u) << "factor " << uc.pressFactor << " maxP " << maxP;
    th_u32 prev = 0;
    for (th_u32 ps = 0; ps <= maxP; ++ps) {
        const th_u32 out = curve(uc, ps, maxP);
        if (out < prev || out > maxP || (direction > 0 && out > ps) ||
            (direction < 0 && out + 1 < ps)) {
            ADD_FAILURE() << "factor " << uc.pressFactor << " maxP " << maxP << ": " << ps - 1
                          << " -> " << prev << ", " << ps << " -> " << out;
            return;
        }
        prev = out;
    }
}

} // namespace

TEST(PressCurve, LowAndMidGradeVectors) {
    EXPECT_EQ(calibrate_press_low(*app_cfg(1), 4096, 8191), 2048u);
    EXPECT_NEAR(double(calibrate_press_low(*app_cfg(-1), 2048, 8191)), 4095.5, 1.0); // sqrt
    EXPECT_EQ(calibrate_press_low(*app_cfg(3), 1234, 8191), 1234u);
    // Hard quarter circle centred at (0, maxP): full stays full, light touches vanish.
    EXPECT_EQ(calibrate_press_mid(*app_cfg(2), 8191, 8191), 8191u);
    EXPECT_LE(calibrate_press_mid(*app_cfg(2), 100, 8191), 1u);
    // Soft quarter circle centred at (maxP, 0): light touches come out strong.
    EXPECT_GE(calibrate_press_mid(*app_cfg(-2), 100, 8191), 1200u);
    EXPECT_EQ(calibrate_press_mid(*app_cfg(3), 4096, 8191), equation_power(4096, 4.0f, 8191));
    EXPECT_EQ(calibrate_press_mid(*app_cfg(-4), 4096, 8191), equation_power(4096, 0.125f, 8191));
    EXPECT_EQ(equation_power(77, 2.0f, 0), 77u);
}

TEST(PressCurve, CircleOutputLiesOnItsCircle) {
    for (th_u16 maxP : {1023, 8191, 65535}) {
        const double m = maxP;
        for (double r : {m, 2 * m}) {
            for (bool above : {false, true}) {
                // The centre sits on x + y = m, at distance r from (0, 0) and (m, m).
                const double s = sqrt(2 * r * r - m * m);
                const double cx = above ? (m + s) / 2 : (m - s) / 2, cy = m - cx;
                for (th_u32 x = 0; x <= maxP; x += 7) {
                    const double y = equation_circle(x, above, r, maxP);
                    // Truncation moves the output at most one unit along the arc.
                    ASSERT_NEAR(hypot(x - cx, y - cy), r, 1.0 + 1e-9 * r) << x << "/" << maxP;
                    ASSERT_TRUE(above ? y + 1 >= x : y <= x) << x;
                }
            }
        }
    }
}

TEST(PressCurve, LowAndMidCurvesAreMonotonicForEveryFactor) {
    for (th_u16 maxP : {1023, 2047, 4095, 8191, 16383, 65535}) {
        // Positive factors are hard curves, negative ones soft.
        for (th_i32 f : {1, 2, -1, -2})
            expect_monotonic(&calibrate_press_low, *app_cfg(f), maxP, f > 0 ? 1 : -1);
        for (th_i32 f : {1, 2, 3, 4, -1, -2, -3, -4})
            expect_monotonic(&calibrate_press_mid, *app_cfg(f), maxP, f > 0 ? 1 : -1);
    }
}

TEST(PressCurve, HighGradeFollowsTheBezierCurve) {
    const ZvPoint p[3] = {{0, 0}, {898, 2113}, {1928, 6235}};
    const auto uc = app_cfg(1, p[0], p[1], p[2]);
    for (th_u32 ps = 1; ps <= 8191; ++ps) {
        const long double y = bezier_height_at(p, 8191, ps);
        const th_u32 out = calibrate_press_high(*uc, ps, 8191);
        if (fabsl(out - y) > 1.5L) {
            ADD_FAILURE() << ps << " -> " << out << ", curve height " << double(y);
            break;
        }
    }
    EXPECT_EQ(calibrate_press_high(*uc, 8191, 8191), 8191u);
    EXPECT_EQ(calibrate_press_high(*app_cfg(0), 1234, 8191), 1234u);
    // P0.x is the activation threshold.
    const auto late = app_cfg(1, {500, 0}, {1500, 3000}, {5000, 7000});
    for (th_u32 ps = 0; ps <= 500; ++ps)
        ASSERT_EQ(calibrate_press_high(*late, ps, 8191), 0u) << ps;
    EXPECT_GT(calibrate_press_high(*late, 600, 8191), 0u);
}

// A hard curve that starts flat used to pass the raw pressure through until its height reached
// one unit, then drop: strokes began with a blot. The output now never rises above the curve.
TEST(PressCurve, HighGradeFlatStartGivesNoSpike) {
    const ZvPoint p[3] = {{0, 0}, {4000, 0}, {7000, 1000}};
    const auto uc = app_cfg(1, p[0], p[1], p[2]);
    for (th_u32 ps = 1; ps <= 600; ++ps)
        ASSERT_LE(calibrate_press_high(*uc, ps, 8191), bezier_height_at(p, 8191, ps) + 1) << ps;
}

TEST(PressCurve, HighGradeIsMonotonicOverAGridOfControlPoints) {
    const th_u16 maxP = 2047;
    const double fx[] = {0.0, 0.1, 1.0 / 3, 0.6, 2.0 / 3, 1.0};
    const double fy[] = {0.0, 0.05, 1.0 / 3, 0.9, 1.0};
    int curves = 0;
    for (ZvPoint p0 : {ZvPoint{0, 0}, ZvPoint{300, 0}, ZvPoint{0, 200}, ZvPoint{300, 200}}) {
        for (double x1 : fx) {
            for (double x2 : fx) {
                for (double y1 : fy) {
                    for (double y2 : fy) {
                        const ZvPoint p1{th_i32(x1 * maxP), th_i32(y1 * maxP)};
                        const ZvPoint p2{th_i32(x2 * maxP), th_i32(y2 * maxP)};
                        if (p1.x < p0.x || p2.x < p1.x || p1.y < p0.y || p2.y < p1.y)
                            continue;
                        const auto uc = app_cfg(1, p0, p1, p2);
                        expect_monotonic(&calibrate_press_high, *uc, maxP);
                        EXPECT_EQ(calibrate_press_high(*uc, maxP, maxP), maxP);
                        ++curves;
                    }
                }
            }
        }
    }
    EXPECT_GT(curves, 100);
}

TEST(PressCurve, BezierSolverReproducesItsInput) {
    const double grid[] = {-0.2, 0.0, 0.1, 1.0 / 3, 0.5, 2.0 / 3, 0.9, 1.0, 1.2};
    // With d = 8190 and a = 0 the thirds are exact and the cubic degenerates to a line (or,
    // with b = 0, to a parabola), where the closed formulas divide by zero.
    const th_i32 ends[][2] = {{0, 8191}, {819, 8191}, {0, 8190}, {819, 8190}};
    for (const auto& end : ends) {
        const th_i32 a = end[0], d = end[1];
        for (double fb : grid) {
            for (double fc : grid) {
                const th_i32 b = th_i32(lround(fb * d)), c = th_i32(lround(fc * d));
                // x runs from a at t = 0 to d at t = 1, so every x in (a, d] has a parameter.
                for (th_i32 x = a + 1; x <= d; x += 37) {
                    const double t = equation_bessel_3_calculate_step(a, b, c, d, x);
                    const long double back = bernstein(a, b, c, d, t);
                    if (!(t > 0 && t <= 1) || fabsl(back - x) > 1) {
                        ADD_FAILURE() << "a " << a << " b " << b << " c " << c << " d " << d
                                      << " x " << x << ": t " << t << " gives " << double(back);
                        return;
                    }
                }
            }
        }
    }
    EXPECT_NEAR(equation_bessel_3_calculate_step(0, 1000, 2000, 3000, 1500), 0.5, 1e-12);
    EXPECT_NEAR(equation_bessel_3(0, 2113, 6235, 8191, 0.5), bernstein(0, 2113, 6235, 8191, 0.5),
                1.0);
}
