// Answers to numbered commands: device parameters, model name, battery level.
#include "TabletParse.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

// A command-200 payload as the device lays it out.
std::vector<th_u8> params(th_u32 maxX, th_u32 maxY, th_u16 maxP, th_u16 lpi, th_u8 flags) {
    return {th_u8(maxX),
            th_u8(maxX >> 8),
            th_u8(maxX >> 16),
            th_u8(maxY),
            th_u8(maxY >> 8),
            th_u8(maxY >> 16),
            th_u8(maxP),
            th_u8(maxP >> 8),
            th_u8(lpi),
            th_u8(lpi >> 8),
            2,
            8,
            4,
            0xEE,
            flags};
}

std::vector<th_u8> utf16le(const std::u16string& s) {
    std::vector<th_u8> out;
    for (char16_t c : s) {
        out.push_back(th_u8(c));
        out.push_back(th_u8(c >> 8));
    }
    return out;
}

ZvTabletCfg sentinel_cfg() {
    ZvTabletCfg tc;
    memset(&tc, 0xA5, sizeof tc);
    return tc;
}

} // namespace

TEST(TabletParseCmd, ParametersFillTheirFieldsOnly) {
    const auto p = params(50800, 0x3C6F9F, 8191, 5080, 0x02);
    ZvTabletCfg tc = sentinel_cfg();
    const ZvTabletCfg before = tc;
    ASSERT_EQ(parse_cmd_resp_200(p.data(), p.size(), tc), 0);
    EXPECT_EQ(tc.maxX, 50800u);
    EXPECT_EQ(tc.maxY, 0x3C6F9Fu);
    EXPECT_EQ(tc.maxP, 8191);
    EXPECT_EQ(tc.lpi, 5080);
    EXPECT_EQ(tc.pekNum, 2);
    EXPECT_EQ(tc.hekNum, 8);
    EXPECT_EQ(tc.sekNum, 4);
    // The rate is byte 5, the top byte of maxY, times four.
    EXPECT_EQ(tc.rate, 0x3C * 4);
    const size_t bOSD = offsetof(ZvTabletCfg, bOSD), hek = offsetof(ZvTabletCfg, hekNum);
    const size_t mek = offsetof(ZvTabletCfg, mekNum);
    EXPECT_EQ(memcmp(&tc.bOSD, &before.bOSD, hek - bOSD), 0);
    EXPECT_EQ(memcmp(&tc.mekNum, &before.mekNum, sizeof tc - mek), 0);
    // A valid maxY with a top byte of 0 means a rate of 0.
    const auto q = params(1, 28575, 1, 1, 0);
    ASSERT_EQ(parse_cmd_resp_200(q.data(), q.size(), tc), 0);
    EXPECT_EQ(tc.rate, 0);
}

TEST(TabletParseCmd, DisplayAndPassiveFlags) {
    const struct {
        th_u8 byte14, monitor, passive;
    } cases[] = {{0x08, 0x08, 0x08}, {0x02, 0x02, 0x00}, {0x04, 0x00, 0x04},
                 {0x00, 0x00, 0x00}, {0xFF, 0x0A, 0x0C}, {0xF1, 0x00, 0x00}};
    for (const auto& c : cases) {
        const auto p = params(1, 1, 1, 1, c.byte14);
        ZvTabletCfg tc = sentinel_cfg();
        ASSERT_EQ(parse_cmd_resp_200(p.data(), p.size(), tc), 0);
        EXPECT_EQ(tc.bMonitor, c.monitor) << int(c.byte14);
        EXPECT_EQ(tc.bPassive, c.passive) << int(c.byte14);
    }
}

TEST(TabletParseCmd, ShortParametersLeaveConfigUntouched) {
    const auto full = params(50800, 28575, 8191, 5080, 0x0A);
    for (size_t len = 0; len < ZV_CMD200_LEN; ++len) {
        std::vector<th_u8> p(full.begin(), full.begin() + len);
        ZvTabletCfg tc = sentinel_cfg();
        const ZvTabletCfg before = tc;
        EXPECT_EQ(parse_cmd_resp_200(len ? p.data() : nullptr, len, tc), -22) << len;
        EXPECT_EQ(memcmp(&tc, &before, sizeof tc), 0) << len;
        EXPECT_EQ(parse_maxy(len ? p.data() : nullptr, len), len >= 6   ? 28575u
                                                             : len == 5 ? 28575u & 0xFFFF
                                                             : len == 4 ? 28575u & 0xFF
                                                                        : 0u);
    }
    std::vector<th_u8> longer = full;
    longer.resize(256, 0xFF);
    ZvTabletCfg a = sentinel_cfg(), b = sentinel_cfg();
    ASSERT_EQ(parse_cmd_resp_200(full.data(), full.size(), a), 0);
    ASSERT_EQ(parse_cmd_resp_200(longer.data(), longer.size(), b), 0);
    EXPECT_EQ(memcmp(&a, &b, sizeof a), 0) << "bytes past 14 carry nothing";
}

TEST(TabletParseCmd, ModelNameIsCutTo17And10) {
    const struct {
        std::vector<th_u8> payload;
        const char *full, *model;
    } cases[] = {
        {utf16le(u"ZV1060PRO_V1.02"), "ZV1060PRO_V1.02", "ZV1060PRO_"},
        {utf16le(u"ZV2200_ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ZV2200_ABCDEFGHIJ", "ZV2200_ABC"},
        {utf16le(std::u16string(u"AB\0CD", 5)), "AB", "AB"}, // stops at the zero unit
        {{}, "", ""},
        {{'Z', 0, 'V', 0, '1'}, "ZV", "ZV"}, // an odd trailing byte is half a unit
        // Multi-byte characters count in bytes.
        {utf16le(u"Z\u00e9\u4e2d12345678901234"),
         "Z\xc3\xa9\xe4\xb8\xad"
         "12345678901",
         "Z\xc3\xa9\xe4\xb8\xad"
         "1234"},
        // A 256-byte answer of 0xFFFF units: only 35 units are converted, 17 bytes kept.
        {std::vector<th_u8>(256, 0xFF),
         "\xef\xbf\xbf\xef\xbf\xbf\xef\xbf\xbf\xef\xbf\xbf\xef\xbf"
         "\xbf\xef\xbf",
         "\xef\xbf\xbf\xef\xbf\xbf\xef\xbf\xbf\xef"},
    };
    for (const auto& c : cases) {
        ZvTabletCfg tc = sentinel_cfg();
        testing::internal::CaptureStdout();
        ASSERT_EQ(parse_cmd_resp_201(c.payload.empty() ? nullptr : c.payload.data(),
                                     c.payload.size(), tc),
                  0);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_STREQ(tc.sFullModel, c.full);
        EXPECT_STREQ(tc.sModel, c.model);
        // Zero-filled behind the text, never left with stale bytes.
        EXPECT_EQ(std::string(tc.sFullModel, sizeof tc.sFullModel),
                  std::string(c.full) + std::string(sizeof tc.sFullModel - strlen(c.full), '\0'));
        EXPECT_EQ(std::string(tc.sModel, sizeof tc.sModel),
                  std::string(c.model) + std::string(sizeof tc.sModel - strlen(c.model), '\0'));
        EXPECT_EQ(printed, std::string("parse_cmd_resp_201() p->sFullModel ---->> ") + c.full +
                               " \nparse_cmd_resp_201() p->sModel ---->> " + c.model + " \n");
    }
    ZvTabletCfg tc = sentinel_cfg();
    EXPECT_EQ(parse_cmd_resp_201(nullptr, 4, tc), -22);
}

TEST(TabletParseCmd, Utf8ModelName) {
    const struct {
        std::string payload;
        const char *full, *model;
    } cases[] = {{"ZV1060PRO_V1.02", "ZV1060PRO_V1.02", "ZV1060PRO_"},
                 {"ZV2200_ABCDEFGHIJKLMNOP", "ZV2200_ABCDEFGHIJ", "ZV2200_ABC"},
                 {std::string("ZV\0XYZ", 6), "ZV", "ZV"},
                 {"", "", ""}};
    for (const auto& c : cases) {
        // Exactly the payload's bytes, no terminator behind them.
        std::vector<th_u8> p(c.payload.begin(), c.payload.end());
        ZvTabletCfg tc = sentinel_cfg();
        ASSERT_EQ(parse_cmd_resp_201_utf8(p.empty() ? nullptr : p.data(), p.size(), tc), 0);
        EXPECT_STREQ(tc.sFullModel, c.full);
        EXPECT_STREQ(tc.sModel, c.model);
    }
}

TEST(TabletParseCmd, BatteryLevel) {
    const struct {
        th_u8 maxLevel, battery, level;
    } cases[] = {{4, 2, 0x08},    {10, 10, 0x80}, {10, 0, 0},     {0, 5, 0},  {10, 1, 0x01},
                 {100, 50, 0x08}, {100, 6, 0},    {100, 7, 0x01}, {10, 11, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(battery_level_switch(c.maxLevel, c.battery), c.level)
            << int(c.maxLevel) << "/" << int(c.battery);
    // One bit, growing with the charge, full at the maximum.
    for (int maxLevel = 1; maxLevel < 256; ++maxLevel) {
        th_u8 prev = 0;
        for (int battery = 0; battery <= maxLevel; ++battery) {
            const th_u8 level = battery_level_switch(th_u8(maxLevel), th_u8(battery));
            ASSERT_EQ(level & (level - 1), 0) << maxLevel << "/" << battery;
            ASSERT_GE(level, prev) << maxLevel << "/" << battery;
            prev = level;
        }
        EXPECT_EQ(prev, 0x80) << maxLevel;
    }
}

// What the settings application receives for a battery answer: the device's own level count over
// Bluetooth LE, the description's over USB, the raw byte only when no count is known.
TEST(BatteryAnswer, IsTheLevelBitOnEveryTransport) {
    const struct {
        th_u8 proto;
        th_u8 payload[2];
        size_t len;
        th_u8 levelNum;
        th_u8 expect;
    } cases[] = {
        {2, {10, 5}, 2, 0, 0x08}, {2, {10, 5}, 2, 8, 0x08}, {2, {10, 5}, 1, 8, 0},
        {0, {4, 0}, 2, 8, 0x08},  {0, {8, 0}, 1, 8, 0x80},  {0, {10, 5}, 2, 0, 10},
        {0, {4, 0}, 0, 8, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(battery_answer_byte(c.proto, c.payload, c.len, c.levelNum), c.expect)
            << int(c.proto) << " " << int(c.payload[0]) << "/" << int(c.levelNum);
}
