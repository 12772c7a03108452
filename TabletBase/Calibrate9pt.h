// Nine-point correction of a pen display: a least-squares affine fit from the raw points the
// pen reported on nine screen targets, stored as fixed-point factors in the user settings, and
// its application to every raw pen position.
#pragma once

#include "ZvStruct.h"
#include "ZvType.h"

enum {
    ZV_CLB_POINTS = 9,
    ZV_CLB_DIVISOR = 65536, // the factors are fixed point over this divisor (calibrateFactors[6])
    ZV_CLB_FITTED = 7,      // bCalibrated after a fit
};

// The target rows sit at maxY / 7.2 and maxY * 6.2 / 7.2, computed with the doubles just below
// 7.2 and 6.2 (bit patterns 0x401CCCCCCCCCCCCC and 0x4018CCCCCCCCCCCC). Stored calibrations
// were fitted against these exact targets, so the constants must not be "corrected".
constexpr double ZV_CLB_ROW_DIV = 0x1.CCCCCCCCCCCCCp+2;
constexpr double ZV_CLB_ROW_BOTTOM = 0x1.8CCCCCCCCCCCCp+2;

// The nine targets in raw tablet units, row by row from the top, left to right.
void calibrate_targets(const ZvTabletCfg& tc, ZvPoint targets[ZV_CLB_POINTS]);

// The fit. calibrationPoints are the nine raw positions measured in the order the targets were
// shown; with the tablet turned (app0.rotateAngle 90, 180, 270) that order is a turned grid.
// Returns 9 and writes calibrateFactors (A, B, C, D, E, F times 65536, then 65536) and
// bCalibrated = 7. Returns -1 and leaves uc as it was for any other angle, a tablet without a
// coordinate range, points that cannot determine the fit (all equal, all on one line), or a
// fit whose factors do not fit the fixed-point format.
int calibrate_monitor_9point(const ZvTabletCfg& tc, ZvUserCfg& uc,
                             const ZvPoint calibrationPoints[ZV_CLB_POINTS]);

// Applies the stored factors to a raw point in place. A divisor of 0 (a damaged settings file)
// leaves the point as it is.
void calibrate_9point(const ZvUserCfg& uc, CGPoint& pt);
