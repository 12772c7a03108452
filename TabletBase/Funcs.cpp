#include "Funcs.h"

#include "Calibrate9pt.h"
#include "PressCurve.h"

#include <assert.h>
#include <limits.h>
#include <string.h>

int char_unicode_to_utf8(th_u32 unic, char* pOutput, size_t outSize) {
    assert(pOutput != NULL);
    assert(outSize >= 3);
    if (pOutput == nullptr || outSize < 3)
        return 0;
    if (unic < 0x80) {
        pOutput[0] = char(unic);
        return 1;
    }
    if (unic < 0x800) {
        pOutput[0] = char(0xC0 | ((unic >> 6) & 0x1F));
        pOutput[1] = char(0x80 | (unic & 0x3F));
        return 2;
    }
    if (unic <= 0xFFFF) {
        pOutput[0] = char(0xE0 | ((unic >> 12) & 0x0F));
        pOutput[1] = char(0x80 | ((unic >> 6) & 0x3F));
        pOutput[2] = char(0x80 | (unic & 0x3F));
        return 3;
    }
    return 0;
}

int zvs_utf16_to_utf8(const th_u16* src, size_t srcSize, char* dst, size_t dstSize) {
    if (src == nullptr && srcSize != 0)
        return -1;
    // Count first, so that a text that does not fit leaves dst as it was rather than cut
    // inside a character.
    size_t total = 0;
    char tmp[3];
    for (size_t i = 0; i < srcSize; ++i) {
        const int n = char_unicode_to_utf8(src[i], tmp, sizeof tmp);
        if (n == 0)
            return -1;
        total += size_t(n);
    }
    if (total > size_t(INT_MAX))
        return -1;
    if (dst == nullptr || dstSize == 0)
        return int(total);
    if (total > dstSize)
        return -1;
    size_t at = 0;
    for (size_t i = 0; i < srcSize; ++i) {
        const int n = char_unicode_to_utf8(src[i], tmp, sizeof tmp);
        memcpy(dst + at, tmp, size_t(n));
        at += size_t(n);
    }
    return int(at);
}

th_u32 zv_calibrate_press(const ZvAppUserCfg& uc, const ZvTabletCfg& tc, th_u32 psVal) {
    // A tablet whose parameters came back without a pressure range has no curve to follow:
    // every model divides by maxP.
    if (psVal == 0 || uc.pressFactor == 0 || tc.maxP == 0)
        return psVal;
    switch (tc.grade) {
    case 0:
        return calibrate_press_low(uc, psVal, tc.maxP);
    case 1:
        return calibrate_press_mid(uc, psVal, tc.maxP);
    case 2:
        return calibrate_press_high(uc, psVal, tc.maxP);
    default:
        return psVal;
    }
}

int zv_calibrate_monitor(const ZvTabletCfg& tc, ZvUserCfg& uc, const ZvPoint* calibrationPoints) {
    if (calibrationPoints == nullptr)
        return 0;
    return calibrate_monitor_9point(tc, uc, calibrationPoints);
}

void zv_calibrate_point(const ZvTabletCfg& tc, const ZvUserCfg& uc, CGPoint& pt) {
    if (tc.bMonitor && uc.bCalibrated)
        calibrate_9point(uc, pt);
}
