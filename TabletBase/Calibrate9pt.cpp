#include "Calibrate9pt.h"

#include "ZvLog.h"

#include <math.h>

namespace {

// Which measured point belongs to target i when the targets were shown on a turned tablet.
const int kOrder0[ZV_CLB_POINTS] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
const int kOrder90[ZV_CLB_POINTS] = {2, 5, 8, 1, 4, 7, 0, 3, 6};
const int kOrder180[ZV_CLB_POINTS] = {8, 7, 6, 5, 4, 3, 2, 1, 0};
const int kOrder270[ZV_CLB_POINTS] = {6, 3, 0, 7, 4, 1, 8, 5, 2};

const int* sample_order(th_u32 angle) {
    switch (angle) {
    case 0:
        return kOrder0;
    case 90:
        return kOrder90;
    case 180:
        return kOrder180;
    case 270:
        return kOrder270;
    default:
        return nullptr;
    }
}

// Points that all lie on one line (or on one spot) leave the fit without a determinant. In
// floating point the determinant of such points is rarely exactly zero, so measure how close
// the measured points are to a line: 1 - r^2 of their x and y, from centred sums.
bool points_span_plane(const double sx[], const double sy[]) {
    double mx = 0, my = 0;
    for (int i = 0; i < ZV_CLB_POINTS; ++i) {
        mx += sx[i];
        my += sy[i];
    }
    mx /= ZV_CLB_POINTS;
    my /= ZV_CLB_POINTS;
    double vxx = 0, vyy = 0, vxy = 0;
    for (int i = 0; i < ZV_CLB_POINTS; ++i) {
        vxx += (sx[i] - mx) * (sx[i] - mx);
        vyy += (sy[i] - my) * (sy[i] - my);
        vxy += (sx[i] - mx) * (sy[i] - my);
    }
    if (!(vxx > 0) || !(vyy > 0))
        return false;
    return 1.0 - (vxy / vxx) * (vxy / vyy) > 1e-9;
}

// One row of the fit: u = first x + second y + offset, by the normalised normal equations.
struct Fit {
    double first, second, offset;
};

struct Sums {
    double n, sx, sy, sxx, sxy, syy;
};

Fit solve(const Sums& s, const double sx[], const double sy[], const double u[]) {
    double su = 0, sux = 0, suy = 0;
    for (int i = 0; i < ZV_CLB_POINTS; ++i) {
        su += u[i];
        sux += u[i] * sx[i];
        suy += u[i] * sy[i];
    }
    const double a0 = s.sxx / s.sx, e0 = s.sxy / s.sy, f0 = s.sxy / s.sx, d0 = s.syy / s.sy;
    const double mx = s.sx / s.n, my = s.sy / s.n;
    const double h = sux / s.sx, m = suy / s.sy, l = su / s.n;
    const double g = (d0 - my) * (a0 - mx) - (f0 - my) * (e0 - mx);
    Fit r;
    r.first = ((d0 - my) * (h - l) - (f0 - my) * (m - l)) / g;
    r.second = ((a0 - mx) * (m - l) - (e0 - mx) * (h - l)) / g;
    r.offset = ((h * e0 - m * a0) * my + f0 * (m * mx - l * e0) + (l * a0 - h * mx) * d0) / g;
    return r;
}

// A factor in the fixed-point format, or false when it does not fit 32 bits.
bool to_fixed(double v, th_i32& out) {
    const double scaled = v * ZV_CLB_DIVISOR;
    if (!(scaled > -2147483649.0 && scaled < 2147483648.0))
        return false;
    out = th_i32(scaled);
    return true;
}

} // namespace

void calibrate_targets(const ZvTabletCfg& tc, ZvPoint targets[ZV_CLB_POINTS]) {
    const th_i32 xs[3] = {th_i32(tc.maxX / 12), th_i32(tc.maxX >> 1),
                          th_i32(th_u64(tc.maxX) * 11 / 12)};
    const th_i32 ys[3] = {th_i32(tc.maxY / ZV_CLB_ROW_DIV), th_i32(tc.maxY >> 1),
                          th_i32(tc.maxY * ZV_CLB_ROW_BOTTOM / ZV_CLB_ROW_DIV)};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            targets[row * 3 + col] = ZvPoint{xs[col], ys[row]};
    }
}

int calibrate_monitor_9point(const ZvTabletCfg& tc, ZvUserCfg& uc,
                             const ZvPoint calibrationPoints[ZV_CLB_POINTS]) {
    const int* order = sample_order(uc.app0.rotateAngle);
    if (order == nullptr) {
        zv_log_out(ZV_LL_ERR, "calibrate_monitor_9point() rotateAngle %u", uc.app0.rotateAngle);
        return -1;
    }
    if (tc.maxX == 0 || tc.maxY == 0) {
        zv_log_out(ZV_LL_ERR, "calibrate_monitor_9point() tablet without a range");
        return -1;
    }
    ZvPoint targets[ZV_CLB_POINTS];
    calibrate_targets(tc, targets);

    double sx[ZV_CLB_POINTS], sy[ZV_CLB_POINTS], dx[ZV_CLB_POINTS], dy[ZV_CLB_POINTS];
    Sums s = {ZV_CLB_POINTS, 0, 0, 0, 0, 0};
    for (int i = 0; i < ZV_CLB_POINTS; ++i) {
        sx[i] = calibrationPoints[order[i]].x;
        sy[i] = calibrationPoints[order[i]].y;
        dx[i] = targets[i].x;
        dy[i] = targets[i].y;
        s.sx += sx[i];
        s.sy += sy[i];
        s.sxx += sx[i] * sx[i];
        s.sxy += sx[i] * sy[i];
        s.syy += sy[i] * sy[i];
    }
    // The normalised equations divide by the coordinate sums as well as by the determinant.
    if (s.sx == 0 || s.sy == 0 || !points_span_plane(sx, sy)) {
        zv_log_out(ZV_LL_ERR, "calibrate_monitor_9point() points do not span the screen");
        return -1;
    }
    const Fit fx = solve(s, sx, sy, dx);
    const Fit fy = solve(s, sx, sy, dy);
    th_i32 f[6];
    if (!to_fixed(fx.first, f[0]) || !to_fixed(fx.second, f[1]) || !to_fixed(fx.offset, f[2]) ||
        !to_fixed(fy.first, f[3]) || !to_fixed(fy.second, f[4]) || !to_fixed(fy.offset, f[5])) {
        zv_log_out(ZV_LL_ERR, "calibrate_monitor_9point() correction out of range");
        return -1;
    }
    for (int i = 0; i < 6; ++i)
        uc.calibrateFactors[i] = f[i];
    uc.calibrateFactors[6] = ZV_CLB_DIVISOR;
    uc.bCalibrated = ZV_CLB_FITTED;
    return ZV_CLB_POINTS;
}

void calibrate_9point(const ZvUserCfg& uc, CGPoint& pt) {
    const th_i32* f = uc.calibrateFactors;
    if (f[6] == 0)
        return;
    const double x = pt.x, y = pt.y;
    const double half = f[6] / 2;
    pt.x = float((half + f[0] * x + f[1] * y + f[2]) / f[6]);
    pt.y = float((half + f[3] * x + f[4] * y + f[5]) / f[6]);
}
