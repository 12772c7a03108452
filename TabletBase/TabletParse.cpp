// Input reports and the slot rules of keys and controls.
#include "TabletParse.h"

#include "ZvBytes.h"

#include <stdio.h>
#include <string.h>

bool is_invalid_report(const th_u8* buf, size_t len) {
    return buf == nullptr || len < ZV_REPORT_LEN || buf[0] != ZV_REPORT_ID;
}

th_u8 report_type(const th_u8* buf, size_t len) {
    return zv_byte_at(buf, len, 1);
}

th_i32 report_x(const th_u8* buf, size_t len) {
    return th_i32(th_u32(zv_byte_at(buf, len, 8)) << 16 | zv_le16_at(buf, len, 2));
}

th_i32 report_y(const th_u8* buf, size_t len) {
    return th_i32(th_u32(zv_byte_at(buf, len, 9)) << 16 | zv_le16_at(buf, len, 4));
}

th_u16 report_p(const th_u8* buf, size_t len) {
    return zv_le16_at(buf, len, 6);
}

th_i8 report_ax(const th_u8* buf, size_t len) {
    return th_i8(zv_byte_at(buf, len, 10));
}

th_i8 report_ay(const th_u8* buf, size_t len) {
    return th_i8(th_u8(0u - zv_byte_at(buf, len, 11)));
}

th_u32 report_hbtn_id(const th_u8* buf, size_t len) {
    return zv_le32_at(buf, len, 4);
}

th_u16 report_touch_id(const th_u8* buf, size_t len) {
    return zv_le16_at(buf, len, 4);
}

th_u8 report_slider_id(const th_u8* buf, size_t len) {
    return zv_byte_at(buf, len, 5);
}

th_u8 report_dail_id(const th_u8* buf, size_t len) {
    return zv_byte_at(buf, len, 5);
}

int parse_index_hek(th_u32 hekID, const ZvTabletCfg& tc) {
    return tc.hekCode[0] != 0 ? parse_index_hek_by_code(hekID, tc) : parse_index_hek_default(hekID);
}

int parse_index_hek_by_code(th_u32 hekID, const ZvTabletCfg& tc) {
    for (int j = 0; j < ZV_MAX_HEK; ++j) {
        if (tc.hekCode[j] == hekID)
            return j;
    }
    return -1;
}

int parse_index_hek_default(th_u32 hekID) {
    for (int j = 1; j <= ZV_MAX_HEK; ++j) {
        if ((hekID >> j) == 0)
            return j - 1;
    }
    return -1;
}

th_u8 parse_index_mek(const th_u8* buf, size_t len, const ZvTabletCfg& tc) {
    if (tc.mekCode[0] == 0)
        return 0;
    const th_u32 code = th_u32(zv_byte_at(buf, len, 1)) << 16 |
                        th_u32(zv_byte_at(buf, len, 3)) << 8 | zv_byte_at(buf, len, 2);
    if (code == tc.mekCode[0])
        return 0;
    if (code == tc.mekCode[1])
        return 1;
    return 0xFF;
}

th_u8 parse_index_mek_dail(const th_u8* buf, size_t len) {
    printf("##### b(0-4)0- %d 1-%d 2-%d 3-%d 4-%d \n", zv_byte_at(buf, len, 0),
           zv_byte_at(buf, len, 1), zv_byte_at(buf, len, 2), zv_byte_at(buf, len, 3),
           zv_byte_at(buf, len, 4));
    return th_u8(zv_byte_at(buf, len, 3) - 1u);
}

int parse_index_touch(th_u32 id) {
    // Touch ids of the keys in slot order; the device leaves gaps between key groups.
    static const th_u32 kIds[] = {1, 17, 18, 19, 20, 21, 22, 23, 24, 25, 36, 37, 49};
    for (size_t slot = 0; slot < sizeof kIds / sizeof kIds[0]; ++slot) {
        if (kIds[slot] == id)
            return int(slot);
    }
    return -1;
}

int parse_ring_orientate(th_u8 prevPos, th_u8 curPos, th_u8 space) {
    const int d = prevPos > curPos ? prevPos - curPos : curPos - prevPos;
    if (prevPos < curPos)
        return d <= space ? 1 : -1;
    if (prevPos > curPos)
        return d <= space ? -1 : 1;
    return 0;
}

bool cmp_dev_model(const char* sDevModel, const char* sModel) {
    if (sDevModel == nullptr || sModel == nullptr)
        return false;
    return strncmp(sDevModel, sModel, strlen(sModel)) == 0;
}

th_u8 battery_answer_byte(th_u8 protocolFlag, const th_u8* payload, size_t len, th_u8 levelNum) {
    const th_u8 b0 = len > 0 && payload != nullptr ? payload[0] : 0;
    const th_u8 b1 = len > 1 && payload != nullptr ? payload[1] : 0;
    if (protocolFlag == 2)
        return battery_level_switch(b0, b1);
    return levelNum != 0 ? battery_level_switch(levelNum, b0) : b0;
}
