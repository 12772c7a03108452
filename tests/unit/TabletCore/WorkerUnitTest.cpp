// The worker over a scripted session table: the asynchronous road (which the shipped library
// never takes), its one-second command watchdog, the session wrapper's flags, dispatch rules and
// the staging of settings reloads.
#include "FakeSession.h"
#include "NotifyRecorder.h"
#include "ZvTabletThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const char* const kModel = "ZVM1160TCH";

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string res_file(const std::string& model) {
    return std::string(ZvTabletThread::_cfg.appPath()) + "/res/" + model + ".cfg";
}

class Worker : public ::testing::Test {
protected:
    void SetUp() override {
        clear_ui_msgs();
        (void)unlink(res_file(kModel).c_str());
    }
    void TearDown() override {
        if (worker) {
            worker->waitQuit();
            g_pt[0] = nullptr;
            worker.reset();
        }
        (void)unlink(res_file(kModel).c_str());
    }

    // Starts a worker over an asynchronous session (reports and answers through callbacks).
    void startAsync(th_u8 proto = ZV_TSPF_USB) {
        fake::State s;
        s.flags = 0x4 | 0x8;
        s.proto = proto;
        fake::install(s);
        worker.reset(new ZvTabletThread());
        g_pt[0] = worker.get();
        ASSERT_TRUE(worker->start("unit"));
    }

    void openAsync(th_u8 proto = ZV_TSPF_USB) {
        startAsync(proto);
        fake::answer(201, fake::text(std::string(kModel) + "_230101"));
        fake::answer(200, fake::params(55880, 34925, 8191, 0, 0));
        ASSERT_TRUE(worker->initDone());
    }

    void report(std::vector<th_u8> bytes) {
        bytes.resize(14, 0);
        ZvTabletThread::on_read(fake::snapshot().param.context, bytes.data());
    }

    std::unique_ptr<ZvTabletThread> worker;
};

TEST(SessionTablet, AsyncBitsAreReadAsTheLibraryWroteThem) {
    struct Case {
        th_u32 bits;
        bool any, read, cmd;
    };
    const Case cases[] = {{0x0, false, false, false}, {0x1, true, false, false},
                          {0x2, true, false, false},  {0x4, true, true, false},
                          {0x8, true, false, true},   {0x10, false, false, false}};
    for (const Case& c : cases) {
        fake::State s;
        s.flags = c.bits;
        s.proto = ZV_TSPF_BLE;
        s.openResult = -2; // still opening: the flags count all the same
        fake::install(s);
        ZvSessionTablet t;
        t.init(g_handle);
        auto ignore = [](void*) {};
        auto ignoreBuf = [](void*, th_u8*) {};
        EXPECT_EQ(t.open(ignore, ignore, ignoreBuf, ignoreBuf), -2);
        EXPECT_EQ(fake::snapshot().param.context, static_cast<void*>(&t));
        EXPECT_EQ(t.haveAsync(), c.any) << c.bits;
        EXPECT_EQ(t.isAsyncRead(), c.read) << c.bits;
        EXPECT_EQ(t.isAsyncCmd(), c.cmd) << c.bits;
        EXPECT_EQ(t.getProtocolFlag(), ZV_TSPF_BLE);
        t.close();
        t.close();
        EXPECT_EQ(fake::snapshot().closes, 1) << "a session is closed once";
    }
}

TEST_F(Worker, AsyncStartAsksModelThenParametersThenOpens) {
    startAsync();
    EXPECT_EQ(fake::snapshot().commands, std::vector<int>{201});
    EXPECT_FALSE(worker->initDone());
    fake::answer(201, fake::text(std::string(kModel) + "_230101"));
    EXPECT_EQ(fake::snapshot().commands, (std::vector<int>{201, 200}));
    EXPECT_EQ(count_ui_msgs(ZVMC_CORE_TABLET_OPEN), 0u);
    fake::answer(200, fake::params(55880, 34925, 8191, 0, 0));
    ASSERT_TRUE(worker->initDone());
    const auto msgs = recorded_ui_msgs();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].cmd, ZVMC_CORE_TABLET_OPEN);
    EXPECT_STREQ(msgs[0].body.tabletOpen.sModel, kModel);
    EXPECT_EQ(msgs[0].body.tabletOpen.bUnknowTablet, 0);
    EXPECT_EQ(worker->getTabletCfg()->maxX, 55880u);
}

TEST_F(Worker, AsyncWatchdogGivesAnAnswerOneSecond) {
    const auto begin = std::chrono::steady_clock::now();
    startAsync(); // command 201 is never answered
    sleep_ms(200);
    EXPECT_TRUE(worker->isRunning()) << "a device round trip takes milliseconds, not none";
    while (worker->isRunning() &&
           std::chrono::steady_clock::now() - begin < std::chrono::seconds(5))
        sleep_ms(10);
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_FALSE(worker->isRunning());
    EXPECT_GE(took, std::chrono::milliseconds(950));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    EXPECT_TRUE(worker->closedPassive());
    EXPECT_EQ(fake::count(205), 0) << "no goodbye to a device that does not answer";
}

TEST_F(Worker, AsyncDeviceStatesAnswerThroughMessages) {
    struct Case {
        const char* name;
        th_u8 (ZvTabletThread::*op)(th_i32);
        th_i32 state;
        th_u8 command;
        std::vector<th_u8> payload;
        th_u16 msg; // 0: no message
        th_u8 byte;
    };
    const Case cases[] = {
        {"Led", &ZvTabletThread::optLedState, 2, 208, {1}, ZVMC_REPLY | ZVMC_UI_LED_QUERY, 1},
        {"LedOff", &ZvTabletThread::optLedState, 0, 206, {0}, ZVMC_REPLY | ZVMC_UI_LED_QUERY, 0},
        {"TouchKeys",
         &ZvTabletThread::optTHkeyState,
         0,
         213,
         {1},
         ZVMC_REPLY | ZVMC_UI_THKEY_QUERY,
         1},
        {"LedLight",
         &ZvTabletThread::optLedLightState,
         2,
         217,
         {4},
         ZVMC_REPLY | ZVMC_UI_LED_LIGHT_QUERY,
         4},
        {"Sleep", &ZvTabletThread::optSleepState, 2, 220, {3}, ZVMC_REPLY | ZVMC_UI_SLEEP_QUERY, 3},
        {"SleepUp", &ZvTabletThread::optSleepState, 1, 218, {3}, 0, 0},
        {"TouchScreenOn", &ZvTabletThread::optTScreenState, 1, 224, {1}, 0, 0},
    };
    openAsync();
    for (const Case& c : cases) {
        clear_ui_msgs();
        EXPECT_EQ((worker.get()->*c.op)(c.state), 0) << c.name;
        EXPECT_EQ(fake::snapshot().commands.back(), c.command) << c.name;
        fake::answer(c.command, c.payload);
        const auto msgs = recorded_ui_msgs();
        if (c.msg == 0) {
            EXPECT_TRUE(msgs.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(msgs.size(), 1u) << c.name;
        EXPECT_EQ(msgs[0].cmd, c.msg) << c.name;
        EXPECT_STREQ(msgs[0].body.ledState.sModel, kModel);
        EXPECT_EQ(msgs[0].body.raw[ZV_MODEL_LEN], c.byte) << c.name;
    }
}

TEST_F(Worker, BatteryLevelIsOneHotOnlyOverBluetooth) {
    for (th_u8 proto : {th_u8(ZV_TSPF_USB), th_u8(ZV_TSPF_BLE)}) {
        openAsync(proto);
        clear_ui_msgs();
        EXPECT_EQ(worker->queryBattery(), 0);
        fake::answer(209, {10, 5});
        const auto msgs = recorded_ui_msgs();
        ASSERT_EQ(msgs.size(), 1u);
        EXPECT_EQ(msgs[0].cmd, ZVMC_REPLY | ZVMC_UI_BATTERY_QUERY);
        EXPECT_EQ(msgs[0].body.battery.battery, proto == ZV_TSPF_BLE ? 0x08 : 10);
        TearDown();
    }
}

// The description handed to the settings application is copied whole or not at all while the
// worker closes (and clears it) on its own thread.
TEST_F(Worker, DescriptionCopyAndCloseExcludeEachOther) {
    openAsync();
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, copies{0};
    std::thread reader([&] {
        ZvTabletCfg tc;
        while (!done.load()) {
            if (!worker->copyTabletCfg(&tc))
                continue;
            ++copies;
            if (strcmp(tc.sModel, kModel) != 0 || tc.maxX != 55880)
                ++torn;
        }
    });
    sleep_ms(20);
    worker->waitQuit();
    done = true;
    reader.join();
    EXPECT_GT(copies.load(), 0);
    EXPECT_EQ(torn.load(), 0);
    ZvTabletCfg after;
    EXPECT_FALSE(worker->copyTabletCfg(&after)) << "a closed worker has no description";
}

TEST_F(Worker, ReportsAreDispatchedByKindAndControlState) {
    openAsync();
    ZvAppUserCfg& app = worker->obj()->uc.base.app0;
    app.bMek[0] = 0; // control off: its touch-strip motion is not the pen's
    const std::vector<th_u8> keyReport{8, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    report(keyReport);
    EXPECT_EQ(0, memcmp(worker->obj()->lastBuf, keyReport.data(), 12));
    report({8, 0x90, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(0, memcmp(worker->obj()->lastBuf, keyReport.data(), 12))
        << "a 0x90 report of a switched-off control is not handled";
    report({8, 0xA5, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(0, memcmp(worker->obj()->lastBuf, keyReport.data(), 12))
        << "unknown kinds are not handled";
    report({7, 0xE0, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(0, memcmp(worker->obj()->lastBuf, keyReport.data(), 12)) << "not a report id 8";
    app.bMek[0] = 1;
    const std::vector<th_u8> strip{8, 0x90, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0};
    report(strip);
    EXPECT_EQ(0, memcmp(worker->obj()->lastBuf, strip.data(), 12));
}

TEST_F(Worker, SettingsReloadWaitsForTheNextReport) {
    openAsync();
    std::unique_ptr<ZvUserConfig> uc(new ZvUserConfig(worker->obj()->uc));
    const th_u32 before = uc->base.app0.rotateAngle;
    uc->base.app0.rotateAngle = before == 90 ? 180 : 90;
    strncpy(uc->base.sModel, kModel, sizeof uc->base.sModel - 1);
    ASSERT_EQ(ZvTabletThread::_cfg.writeUserCfg(uc.get()), 0);
    worker->obj()->curAppIdx = 0;
    worker->notifyConfigChanged();
    EXPECT_EQ(worker->obj()->uc.base.app0.rotateAngle, before)
        << "the reload is applied by the report path, not the dispatcher's thread";
    report({8, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(worker->obj()->uc.base.app0.rotateAngle, uc->base.app0.rotateAngle);
}

TEST(DriverCfg, GenericDefaultsAreNeverStored) {
    std::unique_ptr<ZvUserConfig> uc(new ZvUserConfig());
    ASSERT_EQ(ZvTabletThread::_cfg.readUserCfg(ZV_GENERIC_MODEL, uc.get()), 0);
    strncpy(uc->base.sModel, ZV_GENERIC_MODEL, sizeof uc->base.sModel - 1);
    EXPECT_EQ(ZvTabletThread::_cfg.writeUserCfg(uc.get()), -1);
    struct stat st;
    EXPECT_NE(stat(res_file(ZV_GENERIC_MODEL).c_str(), &st), 0);
    strncpy(uc->base.sModel, kModel, sizeof uc->base.sModel - 1);
    EXPECT_EQ(ZvTabletThread::_cfg.writeUserCfg(uc.get()), 0);
    EXPECT_EQ(stat(res_file(kModel).c_str(), &st), 0) << "lands beside this program";
    (void)unlink(res_file(kModel).c_str());
}

} // namespace
