// Pressure response curves. Which family applies is the tablet's pressure grade, which curve
// the application settings' pressFactor (and, for the high grade, its three control points).
// Every function here is pure and runs once per pen sample.
#pragma once

#include "ZvStruct.h"
#include "ZvType.h"

// Grade 0: power curves, pressFactor 1, 2, -1, -2 = exponent 2, 8, 0.5, 0.125; any other factor
// returns psVal.
th_u32 calibrate_press_low(const ZvAppUserCfg& uc, th_u32 psVal, th_u16 maxP);
// Grade 1: circle arcs and power curves, pressFactor -4..4 (see the table in the .cpp); any
// other factor returns psVal.
th_u32 calibrate_press_mid(const ZvAppUserCfg& uc, th_u32 psVal, th_u16 maxP);
// Grade 2: the cubic Bezier curve from pressCtrlPt[0] over pressCtrlPt[1] and [2] to
// (maxP, maxP). Pressure up to pressCtrlPt[0].x gives 0 (the activation threshold); above it
// the curve's height where its x equals psVal, held within 0..maxP. psVal is returned unchanged
// when pressFactor is 0 or the curve does not reach psVal.
th_u32 calibrate_press_high(const ZvAppUserCfg& uc, th_u32 psVal, th_u16 maxP);

// int(powf(pv / maxP, x) * maxP), in single precision; pv itself when maxP is 0.
th_u32 equation_power(th_u32 pv, float x, th_u16 maxP);

// The arc of radius r through (0, 0) and (maxP, maxP) whose centre lies on x + y = maxP, above
// the diagonal (a soft curve) or below it (a hard one), at x; double precision, truncated.
th_u32 equation_circle(th_u32 x, bool bArcAboveB, double r, th_u16 maxP);

// The cubic Bezier polynomial with end values a, d and control values b, c at parameter t:
// coefficients in single precision, the sum in double precision, truncated toward zero.
th_i32 equation_bessel_3(th_i32 a, th_i32 b, th_i32 c, th_i32 d, double t);

// The parameter t in (0, 1] at which the Bezier polynomial (a, b, c, d) equals x, or 0 when it
// never does.
double equation_bessel_3_calculate_step(th_i32 a, th_i32 b, th_i32 c, th_i32 d, double x);
