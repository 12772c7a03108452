// Answers to numbered commands: device parameters (200), model name (201), one-byte states.
#include "Funcs.h"
#include "TabletParse.h"

#include "ZvBytes.h"
#include "ZvLog.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

namespace {

// sFullModel gets the first 17 bytes of the text and sModel the first 10 of those. Copying
// stops at the first zero byte, so both stay terminated strings with zeroed tails.
void store_model(const char* text, size_t textLen, ZvTabletCfg& tc) {
    memset(tc.sFullModel, 0, sizeof tc.sFullModel);
    memset(tc.sModel, 0, sizeof tc.sModel);
    if (text == nullptr || textLen == 0)
        return;
    memcpy(tc.sFullModel, text,
           strnlen(text, textLen < ZV_FULL_MODEL_LEN ? textLen : ZV_FULL_MODEL_LEN));
    memcpy(tc.sModel, tc.sFullModel, strnlen(tc.sFullModel, ZV_SHORT_MODEL_LEN));
}

} // namespace

th_u32 parse_maxx(const th_u8* p, size_t len) {
    return zv_le24_at(p, len, 0);
}

th_u32 parse_maxy(const th_u8* p, size_t len) {
    return zv_le24_at(p, len, 3);
}

th_u16 parse_maxp(const th_u8* p, size_t len) {
    return zv_le16_at(p, len, 6);
}

th_u16 parse_lpi(const th_u8* p, size_t len) {
    return zv_le16_at(p, len, 8);
}

th_u8 parse_pbtn_num(const th_u8* p, size_t len) {
    return zv_byte_at(p, len, 10);
}

th_u8 parse_hbtn_num(const th_u8* p, size_t len) {
    return zv_byte_at(p, len, 11);
}

th_u8 parse_sbtn_num(const th_u8* p, size_t len) {
    return zv_byte_at(p, len, 12);
}

th_u8 parse_is_monitor(const th_u8* p, size_t len) {
    return zv_byte_at(p, len, 14) & 0x0A;
}

th_u8 parse_is_passive(const th_u8* p, size_t len) {
    return zv_byte_at(p, len, 14) & 0x0C;
}

th_u8 parse_rate(const th_u8* p, size_t len) {
    return zv_byte_at(p, len, 5);
}

int parse_cmd_resp_200(const th_u8* p, size_t len, ZvTabletCfg& tc) {
    if (p == nullptr || len < ZV_CMD200_LEN) {
        zv_log_out(ZV_LL_ERR, "parse_cmd_resp_200() short answer, %zu bytes", p ? len : 0);
        return -22;
    }
    tc.maxX = parse_maxx(p, len);
    tc.maxY = parse_maxy(p, len);
    tc.maxP = parse_maxp(p, len);
    tc.pekNum = parse_pbtn_num(p, len);
    tc.hekNum = parse_hbtn_num(p, len);
    tc.sekNum = parse_sbtn_num(p, len);
    tc.lpi = parse_lpi(p, len);
    tc.rate = th_u16(parse_rate(p, len) * 4);
    tc.bMonitor = parse_is_monitor(p, len);
    tc.bPassive = parse_is_passive(p, len);
    return 0;
}

int parse_cmd_resp_201(const th_u8* p, size_t len, ZvTabletCfg& tc) {
    if (p == nullptr && len != 0)
        return -22;
    // The payload need not be aligned for 16-bit reads: take the units byte by byte.
    th_u16 units[ZV_CMD201_UNITS] = {};
    const size_t n = len / 2 < ZV_CMD201_UNITS ? len / 2 : ZV_CMD201_UNITS;
    for (size_t i = 0; i < n; ++i)
        units[i] = zv_le16_at(p, len, 2 * i);
    char text[ZV_CMD201_UNITS * 3 + 1] = {};
    const int produced = zvs_utf16_to_utf8(units, n, text, sizeof text - 1);
    store_model(text, produced > 0 ? size_t(produced) : 0, tc);
    printf("parse_cmd_resp_201() p->sFullModel ---->> %s \n", tc.sFullModel);
    printf("parse_cmd_resp_201() p->sModel ---->> %s \n", tc.sModel);
    return 0;
}

int parse_cmd_resp_201_utf8(const th_u8* p, size_t len, ZvTabletCfg& tc) {
    if (p == nullptr && len != 0)
        return -22;
    store_model(reinterpret_cast<const char*>(p), p ? len : 0, tc);
    return 0;
}

th_u8 parse_cmd_resp_byte(const th_u8* p, size_t len) {
    return zv_byte_at(p, len, 0);
}

th_u8 battery_level_switch(th_u8 maxLevel, th_u8 battery) {
    // A maximum of 0 would divide by zero; the device has told us nothing usable.
    if (maxLevel == 0)
        return 0;
    const int x = int(roundf(float(battery) / float(maxLevel) * 8.0f));
    return (x >= 1 && x <= 8) ? th_u8(1u << (x - 1)) : th_u8(0);
}
