// libuibridge.so as the core meets it: exactly the exported names, bound by path through the
// core's binding, and the wrappers' codes when a library or a function is missing.
#include "ZvExports.h"
#include "ZvUiBridgeDll.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

const std::string kLib = std::string(ZV_DIST_DIR) + "/libs/libuibridge.so.1.0.0";

std::mutex g_mu;
std::vector<std::string> g_lines;
void keep(int, const char* format, va_list args) {
    char buf[1024];
    vsnprintf(buf, sizeof buf, format, args);
    std::lock_guard<std::mutex> lock(g_mu);
    g_lines.push_back(buf);
}

bool logged(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_mu);
    for (const std::string& l : g_lines)
        if (l.find(text) != std::string::npos)
            return true;
    return false;
}

void recvMsg(const tagZVMsg*) {}
void onEvent(int, const char*, int) {}
void peerMsg(const tagZVMsg*, long long) {}

class UiBridgeBinding : public ::testing::Test {
protected:
    void SetUp() override {
        zv_set_log_handler(keep); // the binding's own lines
        std::lock_guard<std::mutex> lock(g_mu);
        g_lines.clear();
    }
    void TearDown() override {
        zvuc_dll_unload();
        zv_set_log_handler(nullptr);
    }
};

} // namespace

TEST(UiBridgeLib, ExportsExactlyTheInterface) {
    const std::set<std::string> want = {
        "zv_set_log_handler",
        "zvuc_get_screen_info",
        "zvuc_has_calibrating_window",
        "zvuc_init",
        "zvuc_init_call",
        "zvuc_init_peer",
        "zvuc_is_ui_running",
        "zvuc_send_calibrating_point",
        "zvuc_send_msg",
        "zvuc_send_self_msg",
        "zvuc_start_qt_app",
        "zvuc_start_timer",
        "zvuc_start_ui",
        "zvuc_stop_qt_app",
        "zvuc_stop_timer",
        "zvuc_uninit",
    };
    std::string error;
    EXPECT_EQ(zvtest_defined_dynamic_symbols(kLib, &error), want);
    EXPECT_EQ(error, "");
}

TEST_F(UiBridgeBinding, UnboundWrappersReturnTheirCodes) {
    zvuc_dll_unload();
    const tagZVMsg m{};
    EXPECT_EQ(zvuc_send_msg(&m), -3);
    EXPECT_EQ(zvuc_send_self_msg(&m), -3);
    EXPECT_EQ(zvuc_init(recvMsg, nullptr), -1);
    EXPECT_EQ(zvuc_init_call(onEvent, nullptr, nullptr), -1);
    EXPECT_EQ(zvuc_init_peer(peerMsg), -1);
    EXPECT_EQ(zvuc_uninit(), -1);
    EXPECT_EQ(zvuc_start_ui(), -1);
    EXPECT_EQ(zvuc_is_ui_running(), -1);
    EXPECT_EQ(zvuc_start_timer(1, 100), -1);
    EXPECT_EQ(zvuc_stop_timer(1), -1);
    EXPECT_EQ(zvuc_start_qt_app(0, nullptr), -1);
    EXPECT_EQ(zvuc_stop_qt_app(), -1);
    EXPECT_EQ(zvuc_dll_set_log_handler(keep), -1);
}

TEST_F(UiBridgeBinding, MissingFileIsMinusOne) {
    EXPECT_EQ(zvuc_dll_load_path("/nonexistent/libs/libuibridge.so.1.0.0"), -1);
    EXPECT_TRUE(logged("load dll error! /nonexistent/libs/libuibridge.so.1.0.0"));
    EXPECT_EQ(g_uc_handle.uidll, nullptr);
    // Beside this test program there is no libs folder.
    EXPECT_EQ(zvuc_dll_load(), -1);
    EXPECT_TRUE(logged("/libs/libuibridge.so.1.0.0"));
}

TEST_F(UiBridgeBinding, LibraryMissingOneFunctionIsMinusTwo) {
    ASSERT_EQ(zvuc_dll_load_path(ZV_PARTIAL_LIB), -2);
    EXPECT_TRUE(logged("load dll functions error!"));
    // What was found stays bound; the missing one answers -1.
    EXPECT_EQ(zvuc_is_ui_running(), 42);
    EXPECT_EQ(zvuc_init(recvMsg, nullptr), 40);
    EXPECT_EQ(zvuc_stop_timer(3), -1);
    EXPECT_EQ(zvuc_start_ui(), -1);         // optional, and absent here
    EXPECT_EQ(zvuc_init_peer(peerMsg), -1); // optional as well, and absent here
}

TEST_F(UiBridgeBinding, RealLibraryBindsAndAnswers) {
    ASSERT_EQ(zvuc_dll_load_path(kLib.c_str()), 1);
    ASSERT_EQ(zvuc_dll_set_log_handler(keep), 0);
    EXPECT_EQ(zvuc_start_ui(), 0);
    EXPECT_EQ(zvuc_is_ui_running(), 1);
    // Logged by the library through the handler it was given.
    EXPECT_TRUE(logged("UI isRunning"));
    EXPECT_EQ(zvuc_has_calibrating_window(), 1);
    const ZvPoint pt{12, -7};
    EXPECT_EQ(zvuc_send_calibrating_point(&pt), 1);
    EXPECT_TRUE(logged("CalibratingPoint x=12, y=-7"));
    ZvRect rects[2] = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
    EXPECT_EQ(zvuc_get_screen_info(rects, 2), 1);
    EXPECT_TRUE(logged("Rect1 left=1920, top=0, right=3840, bottom=1080"));

    EXPECT_EQ(zvuc_init_call(nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(zvuc_init(nullptr, nullptr), -1);
    EXPECT_EQ(zvuc_init_peer(peerMsg), -1); // not initialised
    EXPECT_EQ(zvuc_init_call(onEvent, nullptr, nullptr), 0);
    EXPECT_FALSE(logged("does not name the senders")); // the binding registered its relay
    EXPECT_EQ(zvuc_init_peer(peerMsg), 0);
    EXPECT_EQ(zvuc_init(recvMsg, nullptr), 1);
    EXPECT_EQ(zvuc_uninit(), 0);
    EXPECT_TRUE(logged("Uninit Success"));
    EXPECT_EQ(zvuc_init(recvMsg, nullptr), 0);
    EXPECT_EQ(zvuc_uninit(), 0);

    // Without an event loop: nothing to stop, self messages cannot be delivered.
    const tagZVMsg m{};
    EXPECT_EQ(zvuc_send_msg(&m), 0);
    EXPECT_EQ(zvuc_send_self_msg(&m), 1);
    EXPECT_EQ(zvuc_stop_qt_app(), -1);
    EXPECT_EQ(zvuc_stop_timer(5), 0);
    EXPECT_TRUE(logged("StopTimer notfound ID 5"));
    zvuc_dll_set_log_handler(nullptr);
}
