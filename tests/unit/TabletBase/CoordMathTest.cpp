// Geometry of the pen mapping: ratios, clamping, projection and quarter turns.
#include "CoordMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <math.h>
#include <random>
#include <string.h>

namespace {

const float kEps = 1e-5f;

bool same(const ZvRect& a, const ZvRect& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(CoordMath, TurnVectors) {
    ZvPtRatio pr;
    zv_pt_ratio_rotate90({0.25f, 0.1f}, pr);
    EXPECT_FLOAT_EQ(pr.x, 0.9f);
    EXPECT_FLOAT_EQ(pr.y, 0.25f);
    zv_pt_ratio_rotate270({0.25f, 0.1f}, pr);
    EXPECT_FLOAT_EQ(pr.x, 0.1f);
    EXPECT_FLOAT_EQ(pr.y, 0.75f);
    th_i8 ax = 10, ay = -20;
    zv_angle_rotate90(ax, ay);
    EXPECT_EQ(ax, -20);
    EXPECT_EQ(ay, -10);
    // A rectangle of a 1000 x 600 frame, turned.
    const ZvRect a{100, 50, 400, 250};
    ZvRect r;
    zv_rect_rotate90(a, r, 1000, 600);
    EXPECT_TRUE(same(r, ZvRect{350, 100, 550, 400}));
    zv_rect_rotate180(a, r, 1000, 600);
    EXPECT_TRUE(same(r, ZvRect{600, 350, 900, 550}));
    zv_rect_rotate270(a, r, 1000, 600);
    EXPECT_TRUE(same(r, ZvRect{50, 600, 250, 900}));
    CGPoint p{1234.5f, 567.25f};
    zv_pt_rotate90(ZvSize{50800, 28575}, p);
    EXPECT_FLOAT_EQ(p.x, 28575 - 567.25f);
    EXPECT_FLOAT_EQ(p.y, 1234.5f);
}

// Four quarter turns are the identity, two are a half turn, and 270 undoes 90: for ratios,
// rectangle ratios, rectangles and points (turning in place, so outputs may alias inputs).
TEST(CoordMath, QuarterTurnsCompose) {
    std::mt19937 rng(4);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const th_i32 w = 40000, h = 25000;
    const ZvSize size{w, h}, turned{h, w};
    for (int i = 0; i < 1000; ++i) {
        const ZvPtRatio p0{u(rng), u(rng)};
        ZvPtRatio p = p0, half;
        for (int k = 0; k < 2; ++k)
            zv_pt_ratio_rotate90(p, p);
        zv_pt_ratio_rotate180(p0, half);
        EXPECT_NEAR(p.x, half.x, kEps);
        EXPECT_NEAR(p.y, half.y, kEps);
        for (int k = 0; k < 2; ++k)
            zv_pt_ratio_rotate90(p, p);
        EXPECT_NEAR(p.x, p0.x, kEps);
        EXPECT_NEAR(p.y, p0.y, kEps);
        zv_pt_ratio_rotate270(p0, p);
        zv_pt_ratio_rotate90(p, p);
        EXPECT_NEAR(p.x, p0.x, kEps);

        const float a = u(rng), b = u(rng), c = u(rng), d = u(rng);
        const ZvRectRatio rr0{fminf(a, c), fminf(b, d), fmaxf(a, c), fmaxf(b, d)};
        ZvRectRatio rr = rr0, rrHalf;
        zv_rect_ratio_rotate90(rr, rr);
        EXPECT_TRUE(rr.l <= rr.r && rr.t <= rr.b) << "a turned rectangle stays well formed";
        zv_rect_ratio_rotate90(rr, rr);
        zv_rect_ratio_rotate180(rr0, rrHalf);
        EXPECT_NEAR(rr.l, rrHalf.l, kEps);
        EXPECT_NEAR(rr.b, rrHalf.b, kEps);
        zv_rect_ratio_rotate90(rr, rr);
        zv_rect_ratio_rotate90(rr, rr);
        EXPECT_NEAR(rr.l, rr0.l, kEps);
        EXPECT_NEAR(rr.t, rr0.t, kEps);
        EXPECT_NEAR(rr.r, rr0.r, kEps);
        EXPECT_NEAR(rr.b, rr0.b, kEps);
        zv_rect_ratio_rotate270(rr0, rr);
        zv_rect_ratio_rotate90(rr, rr);
        EXPECT_NEAR(rr.t, rr0.t, kEps);

        // Each quarter turn swaps the frame's width and height.
        const th_i32 x0 = th_i32(a * w), x1 = th_i32(c * w), y0 = th_i32(b * h), y1 = th_i32(d * h);
        const ZvRect r0{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
        ZvRect r = r0, rHalf;
        zv_rect_rotate90(r, r, w, h);
        zv_rect_rotate90(r, r, h, w);
        zv_rect_rotate180(r0, rHalf, w, h);
        EXPECT_TRUE(same(r, rHalf));
        zv_rect_rotate90(r, r, w, h);
        zv_rect_rotate90(r, r, h, w);
        EXPECT_TRUE(same(r, r0));
        zv_rect_rotate270(r0, r, w, h);
        zv_rect_rotate90(r, r, h, w);
        EXPECT_TRUE(same(r, r0));

        const CGPoint q0{a * w, b * h};
        CGPoint q = q0, qHalf = q0;
        zv_pt_rotate90(size, q);
        zv_pt_rotate90(turned, q);
        zv_pt_rotate180(size, qHalf);
        EXPECT_NEAR(q.x, qHalf.x, 0.01f);
        EXPECT_NEAR(q.y, qHalf.y, 0.01f);
        zv_pt_rotate90(size, q);
        zv_pt_rotate90(turned, q);
        EXPECT_NEAR(q.x, q0.x, 0.01f);
        EXPECT_NEAR(q.y, q0.y, 0.01f);
        q = q0;
        zv_pt_rotate270(size, q);
        zv_pt_rotate90(turned, q);
        EXPECT_NEAR(q.x, q0.x, 0.01f);
    }
}

TEST(CoordMath, QuarterTurnsComposeForEveryTilt) {
    for (int x = -127; x <= 127; ++x) {
        for (int y = -127; y <= 127; ++y) {
            th_i8 ax = th_i8(x), ay = th_i8(y), hx = ax, hy = ay, bx = ax, by = ay;
            zv_angle_rotate90(ax, ay);
            zv_angle_rotate90(ax, ay);
            zv_angle_rotate180(hx, hy);
            const bool halfOk = ax == hx && ay == hy;
            zv_angle_rotate90(ax, ay);
            zv_angle_rotate90(ax, ay);
            zv_angle_rotate270(bx, by);
            zv_angle_rotate90(bx, by);
            if (!halfOk || ax != x || ay != y || bx != x || by != y) {
                ADD_FAILURE() << x << ", " << y;
                return;
            }
        }
    }
    // Full tilt to one side cannot be negated in 8 bits; it must not flip to the other side.
    th_i8 ax = -128, ay = 0;
    zv_angle_rotate180(ax, ay);
    EXPECT_EQ(ax, 127);
    ax = 0, ay = -128;
    zv_angle_rotate270(ax, ay);
    EXPECT_EQ(ax, 127);
}

TEST(CoordMath, BoundThenRatio) {
    const ZvRect r{1000, 500, 41000, 25500};
    const struct {
        float x, y, rx, ry;
    } cases[] = {
        {1000, 500, 0, 0},           {41000, 25500, 1, 1}, {21000, 13000, 0.5f, 0.5f},
        {11000, 6750, 0.25f, 0.25f}, {41001, 30000, 1, 1}, // beyond the right edge: clamped
        {-1e9f, 1e9f, 0, 1},
    };
    for (const auto& c : cases) {
        CGPoint pt{c.x, c.y};
        ZvPtRatio pr;
        zv_bound_to_rect(r, pt);
        zv_ratio_pt_in_rect(pt, r, pr);
        EXPECT_NEAR(pr.x, c.rx, kEps) << c.x;
        EXPECT_NEAR(pr.y, c.ry, kEps) << c.y;
    }
    // Unclamped, a point outside keeps its ratio outside 0..1.
    ZvPtRatio pr;
    zv_ratio_pt_in_rect({81000, 0}, r, pr);
    EXPECT_NEAR(pr.x, 2.0f, kEps);
    EXPECT_NEAR(pr.y, -0.02f, kEps);
}

TEST(CoordMath, RatioInEmptyRectIsDefined) {
    const ZvRect cases[] = {{100, 100, 100, 200}, {100, 100, 200, 100}, {0, 0, 0, 0}};
    for (const ZvRect& r : cases) {
        for (CGPoint pt : {CGPoint{100, 100}, CGPoint{150, 150}, CGPoint{-3, 1e6f}}) {
            ZvPtRatio pr;
            zv_bound_to_rect(r, pt);
            zv_ratio_pt_in_rect(pt, r, pr);
            // An empty axis gives 0; the other axis keeps its ratio.
            EXPECT_EQ(pr.x, r.right == r.left ? 0.0f : (pt.x - r.left) / (r.right - r.left));
            EXPECT_EQ(pr.y, r.bottom == r.top ? 0.0f : (pt.y - r.top) / (r.bottom - r.top));
        }
    }
}

TEST(CoordMath, InsideIsStrict) {
    const ZvRect r{10, 20, 110, 220};
    const struct {
        float x, y;
        bool in;
    } cases[] = {{60, 120, true},  {10.5f, 20.5f, true}, {109.9f, 219.9f, true},
                 {10, 120, false}, {110, 120, false},    {60, 20, false},
                 {60, 220, false}, {10, 20, false},      {9, 120, false}};
    for (const auto& c : cases)
        EXPECT_EQ(zv_is_in_rect({c.x, c.y}, r), c.in) << c.x << ", " << c.y;
}

TEST(CoordMath, ProjectRectKeepsFractionsOfTheParent) {
    // Soft-key rectangles of a device picture projected onto the raw surface.
    const ZvRect picture{100, 50, 500, 350}, raw{0, 0, 40000, 24000};
    const struct {
        ZvRect srcParent, src, dstParent, dst;
    } cases[] = {
        {picture, {200, 125, 400, 275}, raw, {10000, 6000, 30000, 18000}},
        {picture, picture, raw, raw},
        {picture, {150, 50, 150, 350}, raw, {5000, 0, 5000, 24000}},
        {picture, {0, -25, 100, 50}, raw, {-10000, -6000, 0, 0}},
        // Thirds truncated toward zero, in a frame left of the origin: -66.7 gives -66.
        {{0, 0, 3, 3}, {1, 1, 2, 2}, {-100, 10, 0, 20}, {-66, 13, -33, 16}},
        // An empty parent maps every edge to the destination's origin.
        {{100, 50, 100, 50}, {120, 60, 300, 200}, raw, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ZvRect dst;
        zv_project_rect(c.srcParent, c.src, c.dstParent, dst);
        EXPECT_TRUE(same(dst, c.dst))
            << dst.left << " " << dst.top << " " << dst.right << " " << dst.bottom;
    }
}
