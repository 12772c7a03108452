#include "CoordMath.h"

#include "ZvNum.h"

namespace {

// Integer rectangle arithmetic on values from files and the desktop: computed in 64 bits so
// that a garbage edge wraps instead of overflowing.
th_i32 sub(th_i32 a, th_i32 b) {
    return th_i32(th_i64(a) - b);
}

// Negation that keeps the direction of -128 (8-bit two's complement would leave it at -128).
th_i8 neg(th_i8 v) {
    return v == -128 ? th_i8(127) : th_i8(-v);
}

// An offset as a fraction of an extent; 0 on an empty extent.
float fraction(float offset, float extent) {
    return extent != 0.0f ? offset / extent : 0.0f;
}

} // namespace

void zv_pt_ratio_rotate90(const ZvPtRatio& pr0, ZvPtRatio& pr) {
    const ZvPtRatio p = pr0;
    pr.x = 1.0f - p.y;
    pr.y = p.x;
}

void zv_pt_ratio_rotate180(const ZvPtRatio& pr0, ZvPtRatio& pr) {
    const ZvPtRatio p = pr0;
    pr.x = 1.0f - p.x;
    pr.y = 1.0f - p.y;
}

void zv_pt_ratio_rotate270(const ZvPtRatio& pr0, ZvPtRatio& pr) {
    const ZvPtRatio p = pr0;
    pr.x = p.y;
    pr.y = 1.0f - p.x;
}

void zv_rect_ratio_rotate90(const ZvRectRatio& rr0, ZvRectRatio& rr) {
    const ZvRectRatio a = rr0;
    rr.l = 1.0f - a.b;
    rr.r = 1.0f - a.t;
    rr.t = a.l;
    rr.b = a.r;
}

void zv_rect_ratio_rotate180(const ZvRectRatio& rr0, ZvRectRatio& rr) {
    const ZvRectRatio a = rr0;
    rr.l = 1.0f - a.r;
    rr.r = 1.0f - a.l;
    rr.t = 1.0f - a.b;
    rr.b = 1.0f - a.t;
}

void zv_rect_ratio_rotate270(const ZvRectRatio& rr0, ZvRectRatio& rr) {
    const ZvRectRatio a = rr0;
    rr.l = a.t;
    rr.r = a.b;
    rr.t = 1.0f - a.r;
    rr.b = 1.0f - a.l;
}

void zv_rect_rotate90(const ZvRect& a, ZvRect& r, th_i32 w, th_i32 h) {
    (void)w;
    const ZvRect s = a;
    r.left = sub(h, s.bottom);
    r.right = sub(h, s.top);
    r.top = s.left;
    r.bottom = s.right;
}

void zv_rect_rotate180(const ZvRect& a, ZvRect& r, th_i32 w, th_i32 h) {
    const ZvRect s = a;
    r.left = sub(w, s.right);
    r.right = sub(w, s.left);
    r.top = sub(h, s.bottom);
    r.bottom = sub(h, s.top);
}

void zv_rect_rotate270(const ZvRect& a, ZvRect& r, th_i32 w, th_i32 h) {
    (void)h;
    const ZvRect s = a;
    r.left = s.top;
    r.right = s.bottom;
    r.top = sub(w, s.right);
    r.bottom = sub(w, s.left);
}

void zv_pt_rotate90(const ZvSize& tabletSize, CGPoint& pt) {
    const CGPoint p = pt;
    pt.x = float(tabletSize.cy) - p.y;
    pt.y = p.x;
}

void zv_pt_rotate180(const ZvSize& tabletSize, CGPoint& pt) {
    pt.x = float(tabletSize.cx) - pt.x;
    pt.y = float(tabletSize.cy) - pt.y;
}

void zv_pt_rotate270(const ZvSize& tabletSize, CGPoint& pt) {
    const CGPoint p = pt;
    pt.x = p.y;
    pt.y = float(tabletSize.cx) - p.x;
}

void zv_angle_rotate90(th_i8& ax, th_i8& ay) {
    const th_i8 x = ax;
    ax = ay;
    ay = neg(x);
}

void zv_angle_rotate180(th_i8& ax, th_i8& ay) {
    ax = neg(ax);
    ay = neg(ay);
}

void zv_angle_rotate270(th_i8& ax, th_i8& ay) {
    const th_i8 x = ax;
    ax = neg(ay);
    ay = x;
}

void zv_ratio_pt_in_rect(const CGPoint& pt, const ZvRect& r, ZvPtRatio& pr) {
    const float w = float(th_i64(r.right) - r.left);
    const float h = float(th_i64(r.bottom) - r.top);
    const float x = fraction(pt.x - float(r.left), w);
    const float y = fraction(pt.y - float(r.top), h);
    pr.x = x;
    pr.y = y;
}

void zv_bound_to_rect(const ZvRect& rect, CGPoint& pt) {
    if (pt.x < float(rect.left))
        pt.x = float(rect.left);
    if (pt.x > float(rect.right))
        pt.x = float(rect.right);
    if (pt.y < float(rect.top))
        pt.y = float(rect.top);
    if (pt.y > float(rect.bottom))
        pt.y = float(rect.bottom);
}

bool zv_is_in_rect(const CGPoint& pt, const ZvRect& r) {
    return float(r.top) < pt.y && pt.y < float(r.bottom) && float(r.left) < pt.x &&
           pt.x < float(r.right);
}

void zv_project_rect(const ZvRect& srcParent, const ZvRect& src, const ZvRect& dstParent,
                     ZvRect& dst) {
    const float sw = float(th_i64(srcParent.right) - srcParent.left);
    const float sh = float(th_i64(srcParent.bottom) - srcParent.top);
    const float dw = float(th_i64(dstParent.right) - dstParent.left);
    const float dh = float(th_i64(dstParent.bottom) - dstParent.top);
    const float dl = float(dstParent.left), dt = float(dstParent.top);
    const ZvRect s = src;
    dst.left = zv_trunc_i32(dw * fraction(float(th_i64(s.left) - srcParent.left), sw) + dl);
    dst.top = zv_trunc_i32(dh * fraction(float(th_i64(s.top) - srcParent.top), sh) + dt);
    dst.right = zv_trunc_i32(dw * fraction(float(th_i64(s.right) - srcParent.left), sw) + dl);
    dst.bottom = zv_trunc_i32(dh * fraction(float(th_i64(s.bottom) - srcParent.top), sh) + dt);
}
