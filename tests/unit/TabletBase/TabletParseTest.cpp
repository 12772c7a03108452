// Input reports and the slot rules of keys and controls.
#include "TabletParse.h"

#include <gtest/gtest.h>

#include <array>
#include <string.h>
#include <vector>

namespace {

using Report = std::array<th_u8, ZV_REPORT_LEN>;

// Lays a pen sample out the way the tablet sends it: X and Y as a low 16-bit word at bytes 2-3
// and 4-5 with their high byte at 8 and 9.
Report pen_report(th_u32 x, th_u32 y, th_u16 p, th_u8 tilt) {
    return {ZV_REPORT_ID, 0x81,          th_u8(x),       th_u8(x >> 8),  th_u8(y), th_u8(y >> 8),
            th_u8(p),     th_u8(p >> 8), th_u8(x >> 16), th_u8(y >> 16), tilt,     tilt};
}

ZvTabletCfg empty_cfg() {
    ZvTabletCfg tc;
    memset(&tc, 0, sizeof tc);
    return tc;
}

} // namespace

TEST(TabletParse, ReportIdAndLengthDecideValidity) {
    const struct {
        th_u8 id;
        size_t len;
        bool invalid;
    } cases[] = {{8, 12, false}, {7, 12, true}, {9, 12, true}, {0xFF, 12, true},
                 {8, 11, true},  {8, 0, true},  {8, 64, false}};
    for (const auto& c : cases) {
        std::vector<th_u8> buf(c.len + 1, 0);
        buf[0] = c.id;
        EXPECT_EQ(is_invalid_report(buf.data(), c.len), c.invalid) << int(c.id) << "/" << c.len;
    }
    EXPECT_TRUE(is_invalid_report(nullptr, 12));
}

TEST(TabletParse, PenFields) {
    const struct {
        th_u32 x, y;
        th_u16 p;
        th_u8 tilt;
        th_i8 ax, ay;
    } cases[] = {
        {0x123456, 0x0ABCDE, 0x1FFF, 0x05, 5, -5},
        {0, 0, 0, 0xFB, -5, 5},
        {0xFFFFFF, 0xFFFFFF, 0xFFFF, 0x80, -128, -128},
        {50800, 28575, 8191, 0x7F, 127, -127},
    };
    for (const auto& c : cases) {
        const Report r = pen_report(c.x, c.y, c.p, c.tilt);
        EXPECT_EQ(report_type(r.data(), r.size()), 0x81);
        EXPECT_EQ(report_x(r.data(), r.size()), th_i32(c.x));
        EXPECT_EQ(report_y(r.data(), r.size()), th_i32(c.y));
        EXPECT_EQ(report_p(r.data(), r.size()), c.p);
        EXPECT_EQ(report_ax(r.data(), r.size()), c.ax) << int(c.tilt);
        EXPECT_EQ(report_ay(r.data(), r.size()), c.ay) << int(c.tilt);
    }
    const Report r = pen_report(0x123456, 0, 0, 0);
    EXPECT_EQ(r[2], 0x56);
    EXPECT_EQ(r[3], 0x34);
    EXPECT_EQ(r[8], 0x12);
    const Report k = {8, 0xE0, 0x33, 0x02, 0x11, 0x22, 0x44, 0x80, 0, 0, 0, 0};
    EXPECT_EQ(report_hbtn_id(k.data(), k.size()), 0x80442211u);
    EXPECT_EQ(report_touch_id(k.data(), k.size()), 0x2211u);
    EXPECT_EQ(report_slider_id(k.data(), k.size()), 0x22);
    EXPECT_EQ(report_dail_id(k.data(), k.size()), 0x22);
}

TEST(TabletParse, ShortAndAllOnesReportsReadMissingBytesAsZero) {
    for (size_t len = 0; len <= ZV_REPORT_LEN; ++len) {
        // Exactly len bytes on the heap: ASan catches any read past them.
        std::vector<th_u8> b(len, 0xFF);
        const th_u8* p = len ? b.data() : nullptr;
        const auto has = [&](size_t off) { return off < len; };
        EXPECT_EQ(report_x(p, len),
                  th_i32((has(8) ? 0xFF0000 : 0) | (has(3) ? 0xFF00 : 0) | (has(2) ? 0xFF : 0)));
        EXPECT_EQ(report_p(p, len), th_u16((has(7) ? 0xFF00 : 0) | (has(6) ? 0xFF : 0)));
        EXPECT_EQ(report_ay(p, len), has(11) ? 1 : 0);
        EXPECT_EQ(report_hbtn_id(p, len), len <= 4   ? 0u
                                          : len >= 8 ? 0xFFFFFFFFu
                                                     : (1u << 8 * (len - 4)) - 1);
        EXPECT_TRUE(is_invalid_report(p, len));
    }
}

TEST(TabletParse, HekDefaultIsHighestBitOverWholeRange) {
    EXPECT_EQ(parse_index_hek_default(0x10), 4);
    EXPECT_EQ(parse_index_hek_default(0x1), 0);
    EXPECT_EQ(parse_index_hek_default(0), 0);
    EXPECT_EQ(parse_index_hek_default(0x1000000), -1);
    for (th_u32 id = 1; id < (1u << 24); ++id) {
        if (parse_index_hek_default(id) != 31 - __builtin_clz(id)) {
            ADD_FAILURE() << "id " << id;
            break;
        }
    }
    for (int bit = 24; bit < 32; ++bit) {
        for (th_u32 low : {0u, 1u, 0xFFFFFFu})
            EXPECT_EQ(parse_index_hek_default((1u << bit) | low), -1) << bit;
    }
}

TEST(TabletParse, HekByCodeTable) {
    ZvTabletCfg tc = empty_cfg();
    const th_u32 codes[] = {0x04, 0x01, 0x10, 0x08, 0x01};
    memcpy(tc.hekCode, codes, sizeof codes);
    const struct {
        th_u32 id;
        int slot;
    } cases[] = {{0x04, 0}, {0x01, 1}, {0x10, 2}, {0x08, 3}, {0x02, -1}, {0x20, -1}, {0, 5}};
    for (const auto& c : cases) {
        EXPECT_EQ(parse_index_hek_by_code(c.id, tc), c.slot) << c.id;
        EXPECT_EQ(parse_index_hek(c.id, tc), c.slot) << c.id;
    }
    tc.hekCode[0] = 0; // without a table the bit position rules
    EXPECT_EQ(parse_index_hek(0x20, tc), 5);
}

TEST(TabletParse, MekIndexOverEveryControlCode) {
    ZvTabletCfg tc = empty_cfg();
    Report r{8, 0xF0};
    EXPECT_EQ(parse_index_mek(r.data(), r.size(), tc), 0) << "a single control takes all";
    tc.mekCode[0] = 0xF00102; // byte 1 = F0, byte 3 = 01, byte 2 = 02
    tc.mekCode[1] = 0xF10201;
    for (th_u32 code = 0; code < (1u << 24); ++code) {
        r[1] = th_u8(code >> 16);
        r[3] = th_u8(code >> 8);
        r[2] = th_u8(code);
        const th_u8 expect = code == tc.mekCode[0] ? 0 : code == tc.mekCode[1] ? 1 : 0xFF;
        if (parse_index_mek(r.data(), r.size(), tc) != expect) {
            ADD_FAILURE() << std::hex << code;
            break;
        }
    }
    const th_u8 cut[] = {8, 0xF0, 0x02};
    EXPECT_EQ(parse_index_mek(cut, sizeof cut, tc), 0xFF);
}

TEST(TabletParse, DialIndexIsByteThreeLessOne) {
    Report r = {8, 0xF1, 7, 0, 9};
    for (int b3 = 0; b3 < 256; ++b3) {
        r[3] = th_u8(b3);
        testing::internal::CaptureStdout();
        EXPECT_EQ(parse_index_mek_dail(r.data(), r.size()), th_u8(b3 - 1));
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "##### b(0-4)0- 8 1-241 2-7 3-" + std::to_string(b3) + " 4-9 \n");
    }
}

TEST(TabletParse, TouchSlotsOverEveryId) {
    const th_u32 ids[] = {1, 17, 18, 19, 20, 21, 22, 23, 24, 25, 36, 37, 49};
    int found = 0;
    for (th_u32 id = 0; id <= 0x1FFFF; ++id) {
        const int slot = parse_index_touch(id);
        if (slot < 0)
            continue;
        ++found;
        ASSERT_LT(slot, 13);
        EXPECT_EQ(ids[slot], id);
    }
    EXPECT_EQ(found, 13);
    EXPECT_EQ(parse_index_touch(26), -1);
}

TEST(TabletParse, RingDirectionOverWholeRange) {
    const struct {
        th_u8 prev, cur, space;
        int dir;
    } cases[] = {{250, 3, 20, 1}, {3, 250, 20, -1}, {10, 12, 20, 1}, {12, 10, 20, -1},
                 {12, 12, 20, 0}, {10, 15, 5, 1},   {10, 16, 5, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(parse_ring_orientate(c.prev, c.cur, c.space), c.dir) << int(c.prev);
    for (int space = 0; space < 256; ++space) {
        for (int prev = 0; prev < 256; ++prev) {
            for (int cur = 0; cur < 256; ++cur) {
                // Reversing a step reverses its direction; only a non-step has none.
                const int d = parse_ring_orientate(th_u8(prev), th_u8(cur), th_u8(space));
                if (d != -parse_ring_orientate(th_u8(cur), th_u8(prev), th_u8(space)) ||
                    (d == 0) != (prev == cur)) {
                    ADD_FAILURE() << prev << " " << cur << " " << space;
                    return;
                }
            }
            // Steps of up to `space` on a 256-position ring keep their sign across the wrap.
            for (int k = 1; k <= space && space < 128; ++k) {
                if (parse_ring_orientate(th_u8(prev), th_u8(prev + k), th_u8(space)) != 1 ||
                    parse_ring_orientate(th_u8(prev), th_u8(prev - k), th_u8(space)) != -1) {
                    ADD_FAILURE() << prev << " step " << k << " space " << space;
                    return;
                }
            }
        }
    }
}

TEST(TabletParse, DeviceModelPrefix) {
    const struct {
        const char *dev, *model;
        bool match;
    } cases[] = {{"ZV1060PRO_V1.02", "ZV1060PRO", true},
                 {"ZV1060", "ZV1060PRO", false},
                 {"XZV1060PRO", "ZV1060PRO", false},
                 {"zv1060pro", "ZV1060PRO", false},
                 {nullptr, "ZV", false},
                 {"ZV", nullptr, false}};
    for (const auto& c : cases)
        EXPECT_EQ(cmp_dev_model(c.dev, c.model), c.match) << (c.dev ? c.dev : "null");
}
