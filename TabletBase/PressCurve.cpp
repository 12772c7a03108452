#include "PressCurve.h"

#include "ZvNum.h"

#include <math.h>

namespace {

// Coefficients of the Bezier polynomial g t^3 + f t^2 + e t + a.
struct Cubic {
    double a, e, f, g;

    Cubic(th_i32 a0, th_i32 b, th_i32 c, th_i32 d) {
        a = a0;
        e = 3.0 * (double(b) - a0);
        f = 3.0 * (double(c) - b) - e;
        g = double(d) - a0 - e - f;
    }
    double at(double t) const { return ((g * t + f) * t + e) * t + a; }
};

// A root is accepted when the curve passes within this many pressure units of the input.
constexpr double kRootTolerance = 0.5;

// The discriminant method of the cubic. Roots it does not produce stay 0;
// returns the first one in (0, 1], or 0.
double cubic_root_by_discriminant(const Cubic& k, double x) {
    const double eps = 1e-6;
    const double sqrt3 = 1.7320508075688772;
    const double e = k.e, f = k.f, g = k.g, a = k.a - x;
    const double A = f * f - 3 * g * e;
    const double B = f * e - 9 * g * a;
    const double C = e * e - 3 * f * a;
    const double D = B * B - 4 * A * C;
    double t[3] = {0, 0, 0};
    if (fabs(A) < eps && fabs(B) < eps) {
        t[0] = -f / (3 * g);
    } else if (fabs(D) < eps) {
        const double K = B / A;
        t[0] = -f / g + K;
        t[1] = -K / 2;
    } else if (D > eps) {
        const double y1 = A * f + 3 * g * (-B + sqrt(D)) / 2;
        const double y2 = A * f + 3 * g * (-B - sqrt(D)) / 2;
        const auto cbrt_ = [](double y) {
            const double c = pow(fabs(y), 0.3333333333333333);
            return y < 0 ? -c : c;
        };
        t[0] = (-f - cbrt_(y1) - cbrt_(y2)) / (3 * g);
    } else if (D < -eps) {
        const double T = (2 * A * f - 3 * g * B) / (2 * A * sqrt(A));
        const double theta = acos(T);
        const double c3 = cos(theta / 3), s3 = sin(theta / 3);
        t[0] = (-f - 2 * sqrt(A) * c3) / (3 * g);
        t[1] = (-f + sqrt(A) * (c3 + sqrt3 * s3)) / (3 * g);
        t[2] = (-f + sqrt(A) * (c3 - sqrt3 * s3)) / (3 * g);
    }
    for (double r : t) {
        if (r > 0 && r <= 1)
            return r;
    }
    return 0;
}

// The first t in (0, 1] with k.at(t) == x, found on the pieces of [0, 1] where the curve is
// monotonic. The closed formulas break down where the cubic degenerates: evenly spaced control
// points make g = 0 (the curve is linear in x), where they divide by zero, and near-degenerate
// ones lose every digit to cancellation.
double cubic_root_by_bisection(const Cubic& k, double x) {
    double cuts[4] = {0, 1, 1, 1};
    int n = 1;
    // Turning points: roots of 3g t^2 + 2f t + e inside (0, 1).
    const double qa = 3 * k.g, qb = 2 * k.f, qc = k.e;
    double turn[2];
    int nt = 0;
    if (qa == 0) {
        if (qb != 0)
            turn[nt++] = -qc / qb;
    } else {
        const double disc = qb * qb - 4 * qa * qc;
        if (disc >= 0) {
            const double s = sqrt(disc);
            turn[nt++] = (-qb - s) / (2 * qa);
            turn[nt++] = (-qb + s) / (2 * qa);
            if (turn[0] > turn[1]) {
                const double tmp = turn[0];
                turn[0] = turn[1];
                turn[1] = tmp;
            }
        }
    }
    for (int i = 0; i < nt; ++i) {
        if (turn[i] > cuts[n - 1] && turn[i] < 1)
            cuts[n++] = turn[i];
    }
    cuts[n++] = 1;
    for (int i = 0; i + 1 < n; ++i) {
        double lo = cuts[i], hi = cuts[i + 1];
        double vlo = k.at(lo) - x;
        const double vhi = k.at(hi) - x;
        if (vlo == 0 && lo > 0)
            return lo;
        if ((vlo < 0) == (vhi < 0) && vhi != 0)
            continue;
        for (int it = 0; it < 60 && hi - lo > 1e-15; ++it) {
            const double mid = 0.5 * (lo + hi);
            const double vmid = k.at(mid) - x;
            if ((vmid < 0) == (vlo < 0) && vmid != 0) {
                lo = mid;
                vlo = vmid;
            } else {
                hi = mid;
            }
        }
        return hi;
    }
    return 0;
}

} // namespace

th_u32 equation_power(th_u32 pv, float x, th_u16 maxP) {
    if (maxP == 0)
        return pv;
    return zv_trunc_u32(powf(float(pv) / float(maxP), x) * float(maxP));
}

th_u32 equation_circle(th_u32 x, bool bArcAboveB, double r, th_u16 maxP) {
    const double m = maxP;
    // Both radicands are non-negative on 0..maxP for the radii in use (maxP, 2 maxP); a
    // pressure above maxP or another radius must not turn them into NaN.
    const double s = sqrt(fmax(0.0, 2 * r * r - m * m));
    const double a = bArcAboveB ? (s + m) / 2 : (m - s) / 2;
    const double dx = double(x) - a;
    const double root = sqrt(fmax(0.0, (m - a) * (m - a) + a * a - dx * dx));
    return zv_trunc_u32(bArcAboveB ? m - a + root : m - a - root);
}

th_i32 equation_bessel_3(th_i32 a, th_i32 b, th_i32 c, th_i32 d, double t) {
    // Single-precision coefficients, as the stored curves were tuned with.
    const float e = float(3.0 * (double(b) - a));
    const float f = float(3.0 * (double(c) - b) - e);
    const float g = float(double(d) - a - e - f);
    return zv_trunc_i32(a + g * t * t * t + f * t * t + e * t);
}

double equation_bessel_3_calculate_step(th_i32 a, th_i32 b, th_i32 c, th_i32 d, double x) {
    const Cubic k(a, b, c, d);
    const double t = cubic_root_by_discriminant(k, x);
    if (t > 0 && fabs(k.at(t) - x) <= kRootTolerance)
        return t;
    return cubic_root_by_bisection(k, x);
}

th_u32 calibrate_press_low(const ZvAppUserCfg& uc, th_u32 psVal, th_u16 maxP) {
    switch (uc.pressFactor) {
    case 1:
        return equation_power(psVal, 2.0f, maxP);
    case 2:
        return equation_power(psVal, 8.0f, maxP);
    case -1:
        return equation_power(psVal, 0.5f, maxP);
    case -2:
        return equation_power(psVal, 0.125f, maxP);
    default:
        return psVal;
    }
}

th_u32 calibrate_press_mid(const ZvAppUserCfg& uc, th_u32 psVal, th_u16 maxP) {
    const double m = maxP;
    switch (uc.pressFactor) {
    case 1:
        return equation_circle(psVal, /* bArcAboveB= */ false, 2 * m, maxP);
    case 2:
        return equation_circle(psVal, /* bArcAboveB= */ false, m, maxP);
    case 3:
        return equation_power(psVal, 4.0f, maxP);
    case 4:
        return equation_power(psVal, 8.0f, maxP);
    case -1:
        return equation_circle(psVal, /* bArcAboveB= */ true, 2 * m, maxP);
    case -2:
        return equation_circle(psVal, /* bArcAboveB= */ true, m, maxP);
    case -3:
        return equation_power(psVal, 0.25f, maxP);
    case -4:
        return equation_power(psVal, 0.125f, maxP);
    default:
        return psVal;
    }
}

th_u32 calibrate_press_high(const ZvAppUserCfg& uc, th_u32 psVal, th_u16 maxP) {
    const ZvPoint* p = uc.pressCtrlPt;
    if (uc.pressFactor == 0)
        return psVal;
    // P0.x is the activation threshold, compared unsigned as the settings always have.
    if (psVal <= th_u32(p[0].x))
        return 0;
    // Full pressure is the curve's end point. Solved, its parameter comes out a hair below 1,
    // and the truncated height one unit short of full.
    if (psVal == maxP)
        return maxP;
    const double t = equation_bessel_3_calculate_step(p[0].x, p[1].x, p[2].x, maxP, psVal);
    if (t <= 0)
        return psVal;
    // Hold the height within 0..maxP. Falling back to psVal outside it, as we once did, made a
    // flat-starting (hard) curve pass the raw pressure through until its height reached 1 and
    // then drop, and an overshooting curve drop near the top.
    const th_i32 y = equation_bessel_3(p[0].y, p[1].y, p[2].y, maxP, t);
    if (y <= 0)
        return 0;
    return th_u32(y) < maxP ? th_u32(y) : th_u32(maxP);
}
