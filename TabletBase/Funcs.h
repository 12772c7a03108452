// Entry points the tablet pipeline calls for every sample (pressure curve, nine-point
// correction), the calibration fit, and the text converters of the model-name answer.
#pragma once

#include "ZvStruct.h"
#include "ZvType.h"

#include <stddef.h>

// Writes the UTF-8 form of one code point up to 0xFFFF (1 to 3 bytes, no terminator) and returns
// its length; a code point above 0xFFFF writes nothing and returns 0. pOutput must not be null
// and outSize must be at least 3 (asserted; a release build returns 0 instead of writing).
int char_unicode_to_utf8(th_u32 unic, char* pOutput, size_t outSize);

// Converts exactly srcSize UTF-16 units, each taken as one code point (surrogates are not
// combined; a zero unit gives a zero byte and does not stop the conversion), and appends the
// bytes to dst without a terminator. Returns the number of bytes the text takes. With a null
// dst or a dstSize of 0 it only counts. Returns -1, having written nothing, when the text does
// not fit in dstSize bytes (or a unit yields no bytes): dst is never written past dstSize.
int zvs_utf16_to_utf8(const th_u16* src, size_t srcSize, char* dst, size_t dstSize);

// The pressure to send for raw pressure psVal: psVal itself when it is 0, when pressFactor is
// 0, for an unknown grade or a tablet that reports no pressure range (maxP 0); otherwise the
// curve of the tablet's grade (PressCurve.h).
th_u32 zv_calibrate_press(const ZvAppUserCfg& uc, const ZvTabletCfg& tc, th_u32 psVal);

// Fits the nine-point correction of a pen display from the nine raw points measured for the
// targets, in the order the targets were shown (see Calibrate9pt.h). Returns 9 and stores the
// factors in uc (calibrateFactors, bCalibrated = 7); 0 when calibrationPoints is null; -1 when
// app0.rotateAngle is not 0, 90, 180 or 270 or the points cannot carry a fit. On 0 and -1 uc is
// left as it was. Storing uc in the user file is the caller's task.
int zv_calibrate_monitor(const ZvTabletCfg& tc, ZvUserCfg& uc, const ZvPoint* calibrationPoints);

// Corrects a raw pen position in place on a calibrated pen display (bMonitor and bCalibrated);
// on any other tablet the point is left as it is.
void zv_calibrate_point(const ZvTabletCfg& tc, const ZvUserCfg& uc, CGPoint& pt);
