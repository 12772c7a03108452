// Everything that takes bytes from the tablet: input reports, synchronous and asynchronous
// command answers, the UTF-16 model text; and, since their inputs come from settings files, the
// pressure curves and the calibration fit. Byte 0 picks the entry point, the rest is its input,
// handed over in a buffer of exactly its length so that ASan sees any read past it.
#include "Calibrate9pt.h"
#include "CoordMath.h"
#include "Funcs.h"
#include "PressCurve.h"
#include "TabletParse.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>

namespace {

// Checks an invariant; a violation is a finding like a crash.
void require(bool ok) {
    if (!ok)
        __builtin_trap();
}

th_i32 le32(const uint8_t* p) {
    return th_i32(th_u32(p[0]) | th_u32(p[1]) << 8 | th_u32(p[2]) << 16 | th_u32(p[3]) << 24);
}

void fuzz_report(const uint8_t* d, size_t n, const ZvTabletCfg& tc) {
    (void)is_invalid_report(d, n);
    (void)report_type(d, n);
    (void)report_p(d, n);
    require(report_x(d, n) >= 0 && report_x(d, n) <= 0xFFFFFF);
    require(report_y(d, n) >= 0 && report_y(d, n) <= 0xFFFFFF);
    th_i8 ax = report_ax(d, n), ay = report_ay(d, n);
    zv_angle_rotate90(ax, ay);
    const th_u32 hek = report_hbtn_id(d, n);
    const int slot = parse_index_hek(hek, tc);
    require(slot >= -1 && slot < ZV_MAX_HEK);
    const th_u8 mek = parse_index_mek(d, n, tc);
    require(mek == 0 || mek == 1 || mek == 0xFF);
    (void)parse_index_mek_dail(d, n);
    const int touch = parse_index_touch(report_touch_id(d, n));
    require(touch >= -1 && touch <= 12);
    const int dir = parse_ring_orientate(report_slider_id(d, n), report_dail_id(d, n), 5);
    require(dir >= -1 && dir <= 1);
}

void check_models(const ZvTabletCfg& tc) {
    require(strnlen(tc.sFullModel, sizeof tc.sFullModel) <= ZV_FULL_MODEL_LEN);
    require(strnlen(tc.sModel, sizeof tc.sModel) <= ZV_SHORT_MODEL_LEN);
    require(strncmp(tc.sFullModel, tc.sModel, strlen(tc.sModel)) == 0);
}

// A synchronous answer: the payload starts at byte 0.
void fuzz_sync_answer(const uint8_t* d, size_t n) {
    ZvTabletCfg tc;
    memset(&tc, 0, sizeof tc);
    const int rc = parse_cmd_resp_200(d, n, tc);
    require(rc == 0 || (rc == -22 && n < ZV_CMD200_LEN && tc.maxX == 0));
    require(tc.bMonitor == (tc.bMonitor & 0x0A) && tc.bPassive == (tc.bPassive & 0x0C));
    require(parse_cmd_resp_201(d, n, tc) == 0);
    check_models(tc);
    (void)parse_cmd_resp_byte(d, n);
    const th_u8 level = battery_level_switch(parse_cmd_resp_byte(d, n), n > 1 ? d[1] : 0);
    require((level & (level - 1)) == 0);
}

// An asynchronous record: byte 0 unread, byte 1 the command, the payload from byte 2.
void fuzz_async_answer(const uint8_t* d, size_t n) {
    if (n < 2)
        return;
    const th_u8* payload = d + 2;
    const size_t len = n - 2;
    ZvTabletCfg tc;
    memset(&tc, 0, sizeof tc);
    switch (d[1]) {
    case 200:
        (void)parse_cmd_resp_200(payload, len, tc);
        break;
    case 201:
        require(parse_cmd_resp_201_utf8(len ? payload : nullptr, len, tc) == 0);
        check_models(tc);
        break;
    default:
        (void)parse_cmd_resp_byte(payload, len);
        break;
    }
}

void fuzz_utf16(const uint8_t* d, size_t n) {
    if (n < 1)
        return;
    const size_t dstSize = d[0];
    std::vector<th_u16> src((n - 1) / 2);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = th_u16(d[1 + 2 * i] | d[2 + 2 * i] << 8);
    std::vector<char> dst(dstSize ? dstSize : 1);
    const int counted = zvs_utf16_to_utf8(src.data(), src.size(), nullptr, 0);
    const int rc =
        zvs_utf16_to_utf8(src.data(), src.size(), dstSize ? dst.data() : nullptr, dstSize);
    require(counted >= int(src.size()) && counted <= 3 * int(src.size()));
    require(dstSize == 0 ? rc == counted : (rc == -1 ? counted > int(dstSize) : rc == counted));
}

// Pressure curves with settings as a damaged file could hold them.
void fuzz_pressure(const uint8_t* d, size_t n) {
    if (n < 2 + 1 + 4 + 24 + 2)
        return;
    static ZvAppUserCfg uc;
    ZvTabletCfg tc;
    memset(&tc, 0, sizeof tc);
    tc.maxP = th_u16(d[0] | d[1] << 8);
    tc.grade = d[2] % 4;
    uc.pressFactor = le32(d + 3) % 6;
    for (int i = 0; i < 3; ++i)
        uc.pressCtrlPt[i] = ZvPoint{le32(d + 7 + 8 * i), le32(d + 11 + 8 * i)};
    const th_u32 ps = th_u32(d[31] | d[32] << 8);
    const th_u32 out = zv_calibrate_press(uc, tc, ps);
    if (ps == 0 || tc.maxP == 0)
        require(out == ps);
    (void)equation_bessel_3_calculate_step(uc.pressCtrlPt[0].x, uc.pressCtrlPt[1].x,
                                           uc.pressCtrlPt[2].x, tc.maxP, ps);
}

// The calibration fit and correction on arbitrary points and factors.
void fuzz_calibration(const uint8_t* d, size_t n) {
    if (n < 8 + 72 + 1)
        return;
    static ZvUserCfg uc;
    ZvTabletCfg tc;
    memset(&tc, 0, sizeof tc);
    tc.maxX = th_u32(le32(d)) & 0xFFFFFF;
    tc.maxY = th_u32(le32(d + 4)) & 0xFFFFFF;
    tc.bMonitor = 2;
    ZvPoint pts[9];
    for (int i = 0; i < 9; ++i)
        pts[i] = ZvPoint{le32(d + 8 + 8 * i), le32(d + 12 + 8 * i)};
    static const th_u32 angles[] = {0, 90, 180, 270, 45};
    uc.app0.rotateAngle = angles[d[80] % 5];
    uc.bCalibrated = 0;
    const int rc = zv_calibrate_monitor(tc, uc, pts);
    require(rc == 9 || rc == -1);
    require(rc == 9 ? uc.bCalibrated == 7 : uc.bCalibrated == 0);
    uc.bCalibrated = 1;
    for (int i = 0; i < 9; ++i) {
        CGPoint pt{float(pts[i].x), float(pts[i].y)};
        zv_calibrate_point(tc, uc, pt);
        ZvRect work{0, 0, th_i32(tc.maxX), th_i32(tc.maxY)};
        ZvPtRatio pr;
        zv_bound_to_rect(work, pt);
        zv_ratio_pt_in_rect(pt, work, pr);
    }
    // Stored factors straight from the bytes, as a damaged user file would give them.
    memcpy(uc.calibrateFactors, d + 8, sizeof uc.calibrateFactors);
    CGPoint pt{float(pts[0].x), float(pts[0].y)};
    calibrate_9point(uc, pt);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The model-name and dial decoders print on standard output, as the daemon's log expects;
    // here that would only slow the fuzzer down.
    if (freopen("/dev/null", "w", stdout) == nullptr)
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The input after the selector, in a heap block of exactly its size.
    const std::vector<uint8_t> rest(data + 1, data + size);
    const uint8_t* d = rest.empty() ? nullptr : rest.data();
    const size_t n = rest.size();
    ZvTabletCfg tc;
    memset(&tc, 0, sizeof tc);
    switch (data[0] % 7) {
    case 0:
        fuzz_report(d, n, tc);
        break;
    case 1:
        // Express keys and controls decoded by code tables taken from the input's tail.
        if (n >= ZV_REPORT_LEN + 12) {
            tc.hekCode[0] = th_u32(le32(d + ZV_REPORT_LEN));
            tc.hekCode[1] = th_u32(le32(d + ZV_REPORT_LEN + 4));
            tc.mekCode[0] = th_u32(le32(d + ZV_REPORT_LEN + 8)) & 0xFFFFFF;
        }
        fuzz_report(d, n < ZV_REPORT_LEN ? n : ZV_REPORT_LEN, tc);
        break;
    case 2:
        fuzz_sync_answer(d, n);
        break;
    case 3:
        fuzz_async_answer(d, n);
        break;
    case 4:
        fuzz_utf16(d, n);
        break;
    case 5:
        fuzz_pressure(d, n);
        break;
    case 6:
        fuzz_calibration(d, n);
        break;
    }
    return 0;
}
