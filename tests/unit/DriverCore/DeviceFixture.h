// Runs the core's virtual devices over the uinput capture and reads back what reached them.
#pragma once

#include "DcGlobal.h"
#include "UinputCapLog.h"
#include "ZvType.h"
#include "ZvVirtualDevices.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <utility>
#include <vector>

// Self messages posted through notify_core_msg, in order (the recording stand-in of this test).
std::vector<th_u16> recorded_core_msgs();
void clear_core_msgs();

class DeviceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ZvCapLog::preloaded()) << "run with LD_PRELOAD of libuinputcap.so";
        g_g.reset();
        clear_core_msgs();
        _log.skipExisting();
    }
    void TearDown() override {
        unsetenv("ZV_UINPUTCAP_FAIL");
        zerva_keybroad_input_exit();
        zerva_mouse_input_exit();
        zerva_pen_event_exit();
        _log.read();
        EXPECT_EQ(_log.badLines(), 0u);
    }

    // All devices of the core, created.
    void createAll() {
        ASSERT_TRUE(zerva_keybroad_input_init());
        ASSERT_TRUE(zerva_mouse_input_init());
        ASSERT_TRUE(zerva_pen_event_init());
    }

    const ZvCapDevice* deviceOf(int fd) {
        _log.read();
        return _log.deviceByFd(fd);
    }

    // The (code, value) of every EV_KEY event that reached the device in slot, in order.
    std::vector<std::pair<int, int>> keys(const std::atomic<int>& slot) {
        std::vector<std::pair<int, int>> out;
        const ZvCapDevice* dev = deviceOf(slot.load());
        if (dev == nullptr)
            return out;
        for (const ZvCapGroup& g : _log.groupsOf(*dev)) {
            for (const ZvCapEvent& e : g.events) {
                if (e.type == 1)
                    out.emplace_back(e.code, e.value);
            }
        }
        return out;
    }

    std::vector<ZvCapGroup> groups(const std::atomic<int>& slot) {
        const ZvCapDevice* dev = deviceOf(slot.load());
        return dev != nullptr ? _log.groupsOf(*dev) : std::vector<ZvCapGroup>();
    }

    ZvCapLog _log = ZvCapLog::fromEnv();
};
