// Plain geometry of the pen mapping: ratios of points in rectangles, clamping, projection of a
// rectangle from one frame into another, and quarter turns of ratios, rectangles, points and
// tilt for a tablet used turned by 90, 180 or 270 degrees. Float arithmetic unless the
// function works on integer rectangles; every float stored in a _ZvRect is truncated toward
// zero. Outputs may alias inputs.
#pragma once

#include "ZvStruct.h"
#include "ZvType.h"

// Ratios (fractions of a reference rectangle) turned clockwise by 90, 180, 270 degrees.
void zv_pt_ratio_rotate90(const ZvPtRatio& pr0, ZvPtRatio& pr);
void zv_pt_ratio_rotate180(const ZvPtRatio& pr0, ZvPtRatio& pr);
void zv_pt_ratio_rotate270(const ZvPtRatio& pr0, ZvPtRatio& pr);
void zv_rect_ratio_rotate90(const ZvRectRatio& rr0, ZvRectRatio& rr);
void zv_rect_ratio_rotate180(const ZvRectRatio& rr0, ZvRectRatio& rr);
void zv_rect_ratio_rotate270(const ZvRectRatio& rr0, ZvRectRatio& rr);

// Rectangle a of a w x h frame turned into the turned frame (h x w for 90 and 270).
void zv_rect_rotate90(const ZvRect& a, ZvRect& r, th_i32 w, th_i32 h);
void zv_rect_rotate180(const ZvRect& a, ZvRect& r, th_i32 w, th_i32 h);
void zv_rect_rotate270(const ZvRect& a, ZvRect& r, th_i32 w, th_i32 h);

// A point of a tabletSize frame turned in place: 90 gives (cy - y, x), 180 (cx - x, cy - y),
// 270 (y, cx - x).
void zv_pt_rotate90(const ZvSize& tabletSize, CGPoint& pt);
void zv_pt_rotate180(const ZvSize& tabletSize, CGPoint& pt);
void zv_pt_rotate270(const ZvSize& tabletSize, CGPoint& pt);

// Pen tilt turned in place: 90 gives (ay, -ax), 180 (-ax, -ay), 270 (-ay, ax). A tilt of -128
// has no positive counterpart in 8 bits; it turns into 127, keeping its direction.
void zv_angle_rotate90(th_i8& ax, th_i8& ay);
void zv_angle_rotate180(th_i8& ax, th_i8& ay);
void zv_angle_rotate270(th_i8& ax, th_i8& ay);

// The position of pt as fractions of r: (pt.x - left) / (right - left), the same for y. An axis
// of zero extent (an empty work area or screen) gives 0 on that axis, not inf or NaN, so the
// pen stays on the rectangle's edge instead of leaving the desktop.
void zv_ratio_pt_in_rect(const CGPoint& pt, const ZvRect& r, ZvPtRatio& pr);

// Clamps pt into rect, edges included.
void zv_bound_to_rect(const ZvRect& rect, CGPoint& pt);

// True only when pt lies strictly inside r; a point on an edge is outside.
bool zv_is_in_rect(const CGPoint& pt, const ZvRect& r);

// Maps src, given in the frame srcParent, into the frame dstParent: each edge keeps its fraction
// of the parent (computed in float) and is truncated toward zero. An empty srcParent axis maps
// every edge on it to dstParent's left or top edge.
void zv_project_rect(const ZvRect& srcParent, const ZvRect& src, const ZvRect& dstParent,
                     ZvRect& dst);
