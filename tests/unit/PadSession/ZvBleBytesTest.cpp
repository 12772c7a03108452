// The Bluetooth road's pure functions on byte vectors: request and report framing, answers, the
// model-name widening, the candidate and foreign-device lists, and the client's text forms.
#include "ZvBleFraming.h"
#include "ZvBleLists.h"
#include "blz.h"
#include "blz_conv.h"

#include <gtest/gtest.h>

#include <string.h>
#include <vector>

namespace {

TEST(ZvBleFraming, RequestIsMarkCommandAndZeros) {
    th_u8 buf[16];
    memset(buf, 0xEE, sizeof buf);
    zv_ble_make_request(201, buf);
    const th_u8 want[] = {0xCD, 201, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(buf, want, sizeof want), 0);
    EXPECT_EQ(buf[8], 0xEE) << "only the 8 request bytes are written";
}

TEST(ZvBleFraming, OnlyFourteenByteNotificationsBecomeReports) {
    std::vector<th_u8> n(32);
    for (size_t i = 0; i < n.size(); ++i)
        n[i] = th_u8(0x11 * (i + 1));
    th_u8 out[ZV_BLE_DELIVER_LEN + 1];
    ASSERT_TRUE(zv_ble_frame_report(n.data(), 14, out));
    EXPECT_EQ(out[0], 0x08);
    EXPECT_EQ(memcmp(out + 1, n.data() + 2, 12), 0);
    EXPECT_EQ(out[13], 0);

    for (size_t len : {size_t(0), size_t(1), size_t(13), size_t(15), size_t(32)}) {
        memset(out, 0xEE, sizeof out);
        EXPECT_FALSE(zv_ble_frame_report(n.data(), len, out)) << len;
        EXPECT_EQ(out[0], 0xEE) << "untouched for " << len;
    }
    EXPECT_FALSE(zv_ble_frame_report(nullptr, 14, out));
}

TEST(ZvBleFraming, AnswerPayloadMovesToTheFrontAndTheRestIsCleared) {
    th_u8 buf[12];
    memset(buf, 0xEE, sizeof buf);
    const th_u8 ans[] = {0xCD, 209, 10, 5};
    ASSERT_TRUE(zv_ble_take_answer(209, ans, sizeof ans, buf, sizeof buf));
    EXPECT_EQ(buf[0], 10);
    EXPECT_EQ(buf[1], 5);
    for (size_t i = 2; i < sizeof buf; ++i)
        EXPECT_EQ(buf[i], 0) << i;

    // Longer than the buffer: cut, never written past it.
    std::vector<th_u8> longAns(40, 0x77);
    longAns[1] = 200;
    th_u8 small[9];
    small[8] = 0xEE;
    ASSERT_TRUE(zv_ble_take_answer(200, longAns.data(), longAns.size(), small, 8));
    EXPECT_EQ(small[7], 0x77);
    EXPECT_EQ(small[8], 0xEE);

    // No buffer at all (the sanitizers' build sees any memcpy or strnlen on it).
    EXPECT_TRUE(zv_ble_take_answer(200, longAns.data(), longAns.size(), nullptr, 0));
    zv_ble_widen_model(nullptr, 0);
}

TEST(ZvBleFraming, AnswersToOtherCommandsAndRuntsAreRefused) {
    th_u8 buf[8];
    memset(buf, 0xEE, sizeof buf);
    const th_u8 other[] = {0xCD, 210, 1, 2};
    const th_u8 runt[] = {0xCD};
    EXPECT_FALSE(zv_ble_take_answer(201, other, sizeof other, buf, sizeof buf));
    EXPECT_FALSE(zv_ble_take_answer(201, runt, sizeof runt, buf, sizeof buf));
    EXPECT_FALSE(zv_ble_take_answer(201, nullptr, 4, buf, sizeof buf));
    EXPECT_EQ(buf[0], 0xEE);
}

struct WidenCase {
    size_t textLen;
    size_t bufLen;
    size_t widened; // characters widened; 0 with unchanged = left alone
    bool unchanged;
};

class Widen : public ::testing::TestWithParam<WidenCase> {};

TEST_P(Widen, ModelNameBecomesUtf16WithinTheBuffer) {
    const WidenCase c = GetParam();
    std::vector<th_u8> buf(c.bufLen + 8, 0xEE);
    memset(buf.data(), 0, c.bufLen);
    for (size_t i = 0; i < c.textLen && i < c.bufLen; ++i)
        buf[i] = th_u8('A' + i % 26);
    const std::vector<th_u8> before = buf;
    zv_ble_widen_model(buf.data(), c.bufLen);
    for (size_t i = c.bufLen; i < buf.size(); ++i)
        ASSERT_EQ(buf[i], 0xEE) << "written past the buffer at " << i;
    if (c.unchanged) {
        EXPECT_EQ(buf, before);
        return;
    }
    for (size_t i = 0; i < c.widened; ++i) {
        ASSERT_EQ(buf[2 * i], th_u8('A' + i % 26)) << i;
        ASSERT_EQ(buf[2 * i + 1], 0) << i;
    }
    EXPECT_EQ(buf[2 * c.widened], 0);
    EXPECT_EQ(buf[2 * c.widened + 1], 0);
}

INSTANTIATE_TEST_SUITE_P(ZvBleFraming, Widen,
                         ::testing::Values(WidenCase{10, 256, 10, false},
                                           WidenCase{0, 256, 0, false},
                                           WidenCase{126, 256, 126, false},
                                           WidenCase{127, 256, 126, false},
                                           WidenCase{128, 256, 0, true},
                                           // The smallest buffer the interface allows.
                                           WidenCase{100, 128, 63, false}));

TEST(ZvBleLists, CandidatesAreOrderedByRssiAndListedOnce) {
    SCAN_MAC list[ZV_BLE_SCAN_MAX] = {};
    int count = 0;
    const uint8_t a[6] = {1}, b[6] = {2}, c[6] = {3};
    zv_ble_add_candidate(list, &count, a, -70);
    zv_ble_add_candidate(list, &count, b, -40);
    zv_ble_add_candidate(list, &count, c, -55);
    zv_ble_add_candidate(list, &count, b, -10);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(list[0].mac[0], 2);
    EXPECT_EQ(list[1].mac[0], 3);
    EXPECT_EQ(list[2].mac[0], 1);
    EXPECT_EQ(list[0].rssi, -40) << "a listed address keeps its first RSSI";
    EXPECT_TRUE(zv_ble_mac_empty(list[3].mac)) << "the list ends with an empty address";
}

TEST(ZvBleLists, CandidateListStopsAtItsSize) {
    SCAN_MAC list[ZV_BLE_SCAN_MAX] = {};
    int count = 0;
    for (int i = 0; i < ZV_BLE_SCAN_MAX + 10; ++i) {
        const uint8_t mac[6] = {uint8_t(i), uint8_t(i >> 8), 1};
        zv_ble_add_candidate(list, &count, mac, int8_t(-(i % 100)));
    }
    EXPECT_EQ(count, ZV_BLE_SCAN_MAX);
    for (int i = 1; i < count; ++i)
        ASSERT_LE(list[i].rssi, list[i - 1].rssi) << i;
}

TEST(ZvBleLists, ForeignDevicesAreRememberedUntilTheListIsFull) {
    SaveMACIDArry list = {};
    EXPECT_FALSE(zv_ble_foreign_has(list, "aa:00:00:00:00:01"));
    EXPECT_TRUE(zv_ble_foreign_add(&list, "aa:00:00:00:00:01"));
    EXPECT_TRUE(zv_ble_foreign_add(&list, "aa:00:00:00:00:01"));
    EXPECT_EQ(list.count, 1) << "a known address is not added twice";
    EXPECT_TRUE(zv_ble_foreign_has(list, "aa:00:00:00:00:01"));
    for (int i = 1; i < ZV_BLE_FOREIGN_MAX; ++i) {
        char mac[20];
        snprintf(mac, sizeof mac, "bb:00:00:00:00:%02x", i);
        ASSERT_TRUE(zv_ble_foreign_add(&list, mac));
    }
    EXPECT_FALSE(zv_ble_foreign_add(&list, "cc:00:00:00:00:00")) << "full";
    EXPECT_FALSE(zv_ble_foreign_has(list, "cc:00:00:00:00:00"));
}

TEST(BlzConv, MacTextRoundTripsLeastSignificantByteFirst) {
    uint8_t mac[6];
    ASSERT_TRUE(blz_mac_parse("AA:bb:CC:01:02:03", mac));
    EXPECT_EQ(mac[0], 0x03);
    EXPECT_EQ(mac[5], 0xAA);
    char text[18];
    blz_mac_print(mac, text, sizeof text);
    EXPECT_STREQ(text, "aa:bb:cc:01:02:03");

    uint8_t sentinel[6] = {9, 9, 9, 9, 9, 9};
    for (const char* bad : {"", "aa:bb:cc:01:02", "aa:bb:cc:01:02:03:04", "zz:bb:cc:01:02:03"}) {
        EXPECT_FALSE(blz_mac_parse(bad, sentinel)) << bad;
        EXPECT_EQ(sentinel[0], 9) << "written on failure: " << bad;
    }
    EXPECT_FALSE(blz_mac_parse(nullptr, sentinel));
}

TEST(BlzConv, DevicePathIsUpperCaseAndBounded) {
    char path[BLZ_PATH_MAX];
    ASSERT_TRUE(blz_device_path("/org/bluez/hci0", "aa:bb:cc:01:02:03", path, sizeof path));
    EXPECT_STREQ(path, "/org/bluez/hci0/dev_AA_BB_CC_01_02_03");
    char tiny[20];
    EXPECT_FALSE(blz_device_path("/org/bluez/hci0", "aa:bb:cc:01:02:03", tiny, sizeof tiny));
    EXPECT_FALSE(blz_device_path("/org/bluez/hci0", "nonsense", path, sizeof path));
}

TEST(BlzConv, UuidsCompareIgnoringCaseAndRoundTripReversed) {
    EXPECT_TRUE(blz_uuid_equal("0000FFE0-0000-1000-8000-00805F9B34FB",
                               "0000ffe0-0000-1000-8000-00805f9b34fb"));
    EXPECT_FALSE(blz_uuid_equal("0000ffe1-0000-1000-8000-00805f9b34fb",
                                "0000ffe0-0000-1000-8000-00805f9b34fb"));
    EXPECT_FALSE(blz_uuid_equal(nullptr, "x"));

    uint8_t u[16];
    ASSERT_TRUE(blz_uuid_parse("0000FFE2-0000-1000-8000-00805f9b34fb", u));
    EXPECT_EQ(u[15], 0x00);
    EXPECT_EQ(u[13], 0xFF);
    EXPECT_EQ(u[0], 0xFB);
    char text[BLZ_UUID_LEN];
    blz_uuid_print(u, text, sizeof text);
    EXPECT_STREQ(text, "0000ffe2-0000-1000-8000-00805f9b34fb");
    blz_uuid16_print(0x2a29, text, sizeof text);
    EXPECT_STREQ(text, "00002a29-0000-1000-8000-00805f9b34fb");
    EXPECT_FALSE(blz_uuid_parse("0000ffe2-0000-1000-8000-00805f9b34f", u));
    EXPECT_FALSE(blz_uuid_parse("0000ffe2+0000-1000-8000-00805f9b34fb", u));
    EXPECT_FALSE(blz_uuid_parse("0000ffe2-0000-1000-8000-00805f9b34fg", u));
}

TEST(BlzConv, FlagStringsAndAddressTypeNames) {
    EXPECT_EQ(blz_char_flag("read"), uint32_t(BLZ_CHAR_READ));
    EXPECT_EQ(blz_char_flag("write-without-response"), uint32_t(BLZ_CHAR_WRITE_WITHOUT_RESPONSE));
    EXPECT_EQ(blz_char_flag("indicate"), uint32_t(BLZ_CHAR_INDICATE));
    EXPECT_EQ(blz_char_flag("reliable-write"), 0u);
    EXPECT_EQ(blz_char_flag(nullptr), 0u);
    EXPECT_STREQ(blz_addr_type_name(BLZ_ADDR_PUBLIC), "public");
    EXPECT_STREQ(blz_addr_type_name(7), "-invalid-");
}

} // namespace
