// The record travels as 396 raw bytes: check the bytes a peer would see.
#include "ZvMsg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> bytes_of(const ZvMsg& m) {
    std::vector<uint8_t> b(sizeof m);
    std::memcpy(b.data(), &m, sizeof m);
    return b;
}

} // namespace

TEST(MsgRecord, TabletInfoRequestBytes) {
    ZvMsg m{};
    m.head.cmd = ZVMC_UI_TABLET_INFO;
    m.head.pid = 0x0102030405060708ull;
    std::strcpy(m.body.sModel, "ABC");
    const auto b = bytes_of(m);
    ASSERT_EQ(b.size(), 396u);
    const std::vector<uint8_t> head = {3, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), b.begin()));
    EXPECT_EQ(b[20], 0x41);
    EXPECT_EQ(b[21], 0x42);
    EXPECT_EQ(b[22], 0x43);
    for (size_t i = 23; i < b.size(); ++i)
        ASSERT_EQ(b[i], 0) << i;
}

TEST(MsgRecord, ReplyBodies) {
    ZvMsg m{};
    m.head.cmd = ZVMC_UI_TABLET_NUM | ZVMC_REPLY;
    m.body.tablets.num = 2;
    std::strcpy(m.body.tablets.model[0], "ZVM0640EKB");
    std::strcpy(m.body.tablets.model[1], "ZVD1560RNG");
    auto b = bytes_of(m);
    EXPECT_EQ(b[0], 0x02);
    EXPECT_EQ(b[1], 0x80);
    EXPECT_EQ(b[20], 2);
    EXPECT_EQ(std::memcmp(&b[21], "ZVM0640EKB", 11), 0);
    EXPECT_EQ(std::memcmp(&b[45], "ZVD1560RNG", 11), 0);

    ZvMsg info{};
    info.body.tc.tc.maxX = 0xA1B2C3D4;
    std::strcpy(info.body.tc.tc.sModel, "ZVM0640EKB");
    b = bytes_of(info);
    EXPECT_EQ(b[20], 0xD4);
    EXPECT_EQ(b[23], 0xA1);
    EXPECT_EQ(std::memcmp(&b[20 + 184], "ZVM0640EKB", 11), 0);
    EXPECT_EQ(b[392], 0) << "isCurr";

    ZvMsg mux{};
    std::strcpy(mux.body.curMuxVal.sModel, "X");
    mux.body.curMuxVal.appIdx = 3;
    mux.body.curMuxVal.mekIdx = 1;
    mux.body.curMuxVal.muxIdx = 2;
    b = bytes_of(mux);
    EXPECT_EQ(b[44], 3);
    EXPECT_EQ(b[45], 1);
    EXPECT_EQ(b[46], 2);

    ZvMsg off{};
    off.body.sleepOffset.offset = -1;
    EXPECT_EQ(bytes_of(off)[44], 0xFF);
}
