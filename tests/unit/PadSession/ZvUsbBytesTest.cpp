// The byte handling of the USB transport, without a device.
#include "ZvRateLimit.h"
#include "ZvUsb.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

struct KeyCase {
    const char* path;
    size_t keySize;
    const char* key;
};

TEST(ZvUsb, DeviceKeyDropsTheInterfaceSuffix) {
    const KeyCase cases[] = {
        {"1-1:1.0", 520, "1-1:1"},
        {"1-1:1.1", 520, "1-1:1"},
        // Deep hub chains stay apart: the key is not cut at 15 characters.
        {"3-1.2.3.4.5.6:1.0", 520, "3-1.2.3.4.5.6:1"},
        {"3-1.2.3.4.5.7:1.0", 520, "3-1.2.3.4.5.7:1"},
        {"ab", 520, "ab"}, // too short for a suffix: the whole path
        {"", 520, ""},
        {"1-1:1.0", 4, "1-1"}, // always terminated inside the buffer
    };
    for (const KeyCase& c : cases) {
        char key[520];
        memset(key, 'x', sizeof key);
        ZvUsb::deviceKey(c.path, key, c.keySize);
        EXPECT_STREQ(key, c.key) << c.path << " in " << c.keySize;
    }
}

TEST(ZvUsb, OnlyTheExactManufacturerZervaIsAnnounced) {
    const struct {
        const wchar_t* manufacturer;
        bool announced;
    } cases[] = {
        {L"ZERVA", true}, {L"Zerva", false}, {L"ZERVA ", false},
        {L"", false},     {L"ZERV", false},  {nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ZvUsb::isZervaProduct(c.manufacturer), c.announced)
            << (c.manufacturer ? "set" : "null");
}

struct AnswerCase {
    const char* name;
    std::vector<th_u8> received; // as the device sent it
    th_u32 bufLen;
    std::vector<th_u8> payload; // expected from buf[0]; everything after it zero
};

TEST(ZvUsb, FeatureAnswerShiftsThePayloadToByteZero) {
    std::vector<th_u8> full(256);
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = th_u8(i + 1);
    const std::vector<th_u8> fullPayload(full.begin() + 2, full.end());
    const AnswerCase cases[] = {
        {"full buffer", full, 256, fullPayload},
        {"short answer", {201, 0, 'Z', 0, 'T', 0}, 256, {'Z', 0, 'T', 0}},
        {"minimum buffer", {209, 0, 7}, 128, {7}},
        {"report id only", {209}, 128, {}},
        {"nothing", {}, 128, {}},
    };
    for (const AnswerCase& c : cases) {
        std::vector<th_u8> buf(c.bufLen, 0xEE); // stale bytes of the caller
        std::copy(c.received.begin(), c.received.end(), buf.begin());
        ZvUsb::shiftAnswer(buf.data(), c.bufLen, int(c.received.size()));
        std::vector<th_u8> want(c.bufLen, 0);
        std::copy(c.payload.begin(), c.payload.end(), want.begin());
        EXPECT_EQ(buf, want) << c.name;
    }
}

TEST(ZvUsb, FailedAnswerLeavesTheBufferAlone) {
    std::vector<th_u8> buf(128, 0xEE);
    buf[0] = 201;
    ZvUsb::shiftAnswer(buf.data(), 128, -1);
    EXPECT_EQ(buf[0], 201);
    EXPECT_EQ(buf[127], 0xEE);
}

TEST(ZvUsb, ReportIsCutOrPaddedToFourteenBytes) {
    const int lengths[] = {0, 1, 12, 13, 14, 15, 64};
    th_u8 data[64];
    for (int i = 0; i < 64; ++i)
        data[i] = th_u8(0x40 + i);
    for (int len : lengths) {
        th_u8 out[ZV_REPORT_DELIVER_LEN];
        memset(out, 0xEE, sizeof out);
        ZvUsb::copyReport(data, len, out);
        for (int i = 0; i < ZV_REPORT_DELIVER_LEN; ++i)
            EXPECT_EQ(out[i], i < len ? data[i] : 0) << "length " << len << " byte " << i;
    }
}

TEST(ZvRateLimit, BurstThenSilenceAndTheCountOfWhatWasDropped) {
    ZvRateLimit limit(/* burst= */ 3, /* perSecond= */ 1);
    unsigned suppressed = 99;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(limit.allow(&suppressed));
        EXPECT_EQ(suppressed, 0u);
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(limit.allow(&suppressed));
}

} // namespace
