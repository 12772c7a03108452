// The worker's life: unplug, close, settings reloads while reports flow, device-state commands.
#include "WorkerFixture.h"

#include <atomic>
#include <linux/input.h>
#include <thread>
#include <unistd.h>

namespace zvtest {
namespace {

const char* const kModel = "ZVM1160TCH";

SimTablet plain() {
    SimTablet t;
    t.model = kModel;
    t.maxX = 55880;
    t.maxY = 34925;
    t.extra = "  feature 208 byte 1\n  feature 207 byte 9\n  feature 209 byte 7\n"
              "  feature 213 byte 1\n  feature 217 byte 3\n  feature 220 byte 2\n"
              "  feature 223 byte 1\n  feature 212 byte 0\n  feature 0 byte 0\n";
    return t;
}

bool wait_stopped(ZvTabletThread& w) {
    for (int i = 0; i < 500 && w.isRunning(); ++i)
        usleep(10000);
    return !w.isRunning();
}

TEST_F(WorkerTest, UnplugEndsTheWorkerWithoutGoodbye) {
    plug(plain());
    ASSERT_TRUE(sim.setPlugged("t", false));
    ASSERT_TRUE(wait_stopped(*worker)) << sim.trace();
    EXPECT_TRUE(worker->closedPassive());
    EXPECT_EQ(count_ui_msgs(ZVMC_CORE_TABLET_CLOSE), 1u);
    EXPECT_EQ(sim.count("feature-get " + path + " 205"), 0) << sim.trace();
    EXPECT_EQ(sim.count("close " + path), 1) << "the session must still be closed";
}

TEST_F(WorkerTest, CloseTwiceSaysGoodbyeOnce) {
    plug(plain());
    worker->waitQuit(); // the thread's end closes
    EXPECT_EQ(sim.count("feature-get " + path + " 205"), 1) << sim.trace();
    EXPECT_EQ(count_ui_msgs(ZVMC_CORE_TABLET_CLOSE), 1u);
    worker->close();
    EXPECT_EQ(sim.count("feature-get " + path + " 205"), 1);
    EXPECT_EQ(count_ui_msgs(ZVMC_CORE_TABLET_CLOSE), 2u) << "258 is sent on every close";
    EXPECT_EQ(sim.count("close " + path), 1);
}

TEST_F(WorkerTest, ReloadInTheMiddleOfAStrokeTakesEffectBetweenReports) {
    auto uc = userCfg(kModel);
    uc->base.curScreenIndex = 8;
    uc->base.app0.rotateAngle = 0;
    uc->base.app0.bAbsoluteMode = 1;
    storeUserCfg(kModel, *uc);
    const SimTablet t = plain();
    plug(t);
    // The same point, a quarter from the left, over and over while the settings change to a
    // turned tablet: every sample lands either unturned (1/4) or turned (3/4), never between,
    // and once turned it stays turned.
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        while (!stop) {
            sim.inject(path, pen(0x81, t.maxX / 4, t.maxY / 2, 2000));
            usleep(1000);
        }
    });
    (void)penGroups(20);
    uc->base.app0.rotateAngle = 180;
    storeUserCfg(kModel, *uc);
    worker->notifyConfigChanged();
    const size_t afterReload = penGroups(0).size() + 20;
    (void)penGroups(afterReload);
    stop = true;
    feeder.join();
    const auto groups = penGroups(0);
    bool turned = false;
    size_t unturnedCount = 0, turnedCount = 0;
    for (const ZvCapGroup& g : groups) {
        if (!g.has(EV_ABS, ABS_X)) { // the reload lifts the pen before other settings apply
            EXPECT_EQ(g.value(EV_KEY, BTN_TOOL_PEN), 0);
            continue;
        }
        const int x = g.value(EV_ABS, ABS_X);
        if (std::abs(x - ZV_PEN_MAX_X / 4) <= 4) {
            EXPECT_FALSE(turned) << "an unturned sample after the reload took effect";
            ++unturnedCount;
        } else {
            EXPECT_NEAR(x, ZV_PEN_MAX_X * 3 / 4, 4);
            turned = true;
            ++turnedCount;
        }
    }
    EXPECT_GT(unturnedCount, 0u);
    EXPECT_GT(turnedCount, 0u);
}

TEST_F(WorkerTest, DeviceStateCommandsOnASynchronousSession) {
    plug(plain());
    struct Case {
        const char* name;
        th_u8 (ZvTabletThread::*op)(th_i32);
        th_i32 state;
        int command;  // sent to the device
        th_u8 result; // returned
    };
    const Case cases[] = {
        {"LedQuery", &ZvTabletThread::optLedState, 2, 208, 1},
        {"LedOn", &ZvTabletThread::optLedState, 1, 207, 0}, // not the query: 0
        {"DialUnlisted", &ZvTabletThread::optDailState, 2, 0, 0},
        {"TouchKeys", &ZvTabletThread::optTHkeyState, 1, 213, 1},
        {"TouchScreenQuery", &ZvTabletThread::optTScreenState, 2, 223, 1},
        {"LedLightQuery", &ZvTabletThread::optLedLightState, 2, 217, 3},
        {"LedLightUnlisted", &ZvTabletThread::optLedLightState, 0, 0, 0},
        {"SleepQuery", &ZvTabletThread::optSleepState, 2, 220, 2},
    };
    for (const Case& c : cases) {
        const int before = sim.count("feature-get " + path + " " + std::to_string(c.command) + " ");
        EXPECT_EQ((worker.get()->*c.op)(c.state), c.result) << c.name;
        EXPECT_EQ(sim.count("feature-get " + path + " " + std::to_string(c.command) + " "),
                  before + 1)
            << c.name << "\n"
            << sim.trace();
    }
    EXPECT_EQ(worker->queryBattery(), 7);
}

} // namespace
} // namespace zvtest
