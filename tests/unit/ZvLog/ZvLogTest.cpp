#include "ZvLog.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

namespace {

struct Line {
    int level;
    std::string text;
};
std::vector<Line> g_lines;

void record(int level, const char* format, va_list args) {
    char buf[1024];
    vsnprintf(buf, sizeof buf, format, args);
    g_lines.push_back({level, buf});
}

class ZvLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_lines.clear();
        zv_set_log_threshold(ZV_LL_DEBUG);
        zv_set_log_handler(&record);
    }
    void TearDown() override {
        zv_set_log_handler(nullptr);
        zv_set_log_threshold(ZV_LL_DEBUG);
    }
};

} // namespace

TEST_F(ZvLogTest, HandlerGetsLevelAndArguments) {
    zv_log_out(ZV_LL_NOTICE, "model=%s idx=%d hex=%02x", "ZV1234ABCD", -3, 0xAB);
    ASSERT_EQ(g_lines.size(), 1u);
    EXPECT_EQ(g_lines[0].level, ZV_LL_NOTICE);
    EXPECT_EQ(g_lines[0].text, "model=ZV1234ABCD idx=-3 hex=ab");
}

TEST_F(ZvLogTest, DumpOfSeventeenBytes) {
    uint8_t buf[17];
    for (int i = 0; i < 17; ++i)
        buf[i] = uint8_t(i * 15);
    zv_logb(ZV_LL_ERR, buf, 17);
    ASSERT_EQ(g_lines.size(), 1u);
    EXPECT_EQ(g_lines[0].level, ZV_LL_ERR);
    EXPECT_EQ(g_lines[0].text, "bufLen 17:\n|"
                               "0x00 0x0f 0x1e 0x2d 0x3c 0x4b 0x5a 0x69 "
                               "0x78 0x87 0x96 0xa5 0xb4 0xc3 0xd2 0xe1 \n"
                               "0xf0 |");
}

TEST_F(ZvLogTest, DumpLevels) {
    const uint8_t b[2] = {1, 2};
    const struct {
        unsigned given;
        int logged;
    } cases[] = {{ZV_LL_CRIT, ZV_LL_CRIT},
                 {ZV_LL_WARN, ZV_LL_WARN},
                 {ZV_LL_NOTICE, ZV_LL_NOTICE},
                 {0, ZV_LL_INFO},
                 {1, ZV_LL_INFO},
                 {ZV_LL_DEBUG, ZV_LL_INFO},
                 {ZVLL_D_DC_MSG, ZV_LL_INFO}};
    for (const auto& c : cases) {
        g_lines.clear();
        zv_logb(c.given, b, 2);
        ASSERT_EQ(g_lines.size(), 1u) << c.given;
        EXPECT_EQ(g_lines[0].level, c.logged) << c.given;
        EXPECT_EQ(g_lines[0].text, "bufLen 2:\n|0x01 0x02 |");
    }
}

TEST_F(ZvLogTest, DumpSizesOutsideOneToHundredAreRefused) {
    uint8_t big[376] = {};
    for (unsigned size : {0u, 101u, 376u}) {
        g_lines.clear();
        zv_logb(ZVLL_D_DC_MSG, big, size);
        ASSERT_EQ(g_lines.size(), 1u);
        EXPECT_EQ(g_lines[0].level, ZV_LL_ERR);
        EXPECT_EQ(g_lines[0].text, "error log buf size " + std::to_string(size) + "!");
    }
    g_lines.clear();
    zv_logb(ZV_LL_ERR, big, 100);
    ASSERT_EQ(g_lines.size(), 1u);
    EXPECT_EQ(g_lines[0].text.size(), std::string("bufLen 100:\n|").size() + 500 + 6 + 1);
    g_lines.clear();
    zv_logb(ZV_LL_ERR, nullptr, 10);
    EXPECT_TRUE(g_lines.empty());
}

TEST_F(ZvLogTest, ThresholdDropsLinesAndDumps) {
    zv_set_log_threshold(ZV_LL_NOTICE);
    const uint8_t b[1] = {0};
    zv_log_out(ZV_LL_DEBUG, "dropped %d", 1);
    zv_log_out(ZV_LL_INFO, "dropped");
    zv_logb(ZVLL_D_TC_PEN, b, 1);
    EXPECT_TRUE(g_lines.empty());
    EXPECT_FALSE(zv_log_enabled(ZVLL_D_TC_PEN));
    zv_log_out(ZV_LL_NOTICE, "kept");
    zv_logb(ZV_LL_ERR, b, 1);
    EXPECT_EQ(g_lines.size(), 2u);
}

TEST(ZvLogStdout, WithoutHandlerPrintsALine) {
    zv_set_log_handler(nullptr);
    testing::internal::CaptureStdout();
    zv_log_out(ZV_LL_INFO, "hello %d", 42);
    zv_log_out(ZV_LL_ERR, "second");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "hello 42\nsecond\n");
}
