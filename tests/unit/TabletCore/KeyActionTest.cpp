// The key actions that reach the settings application or the worker's own state rather than a
// virtual device: function-set switching, game and absolute-mode toggles, fine mode, radial
// menu, the key page, fixed pressure, screen switching; and which of them store the settings.
#include "FakeSession.h"
#include "NotifyRecorder.h"
#include "ZvKeyAction.h"
#include "ZvTabletThread.h"

#include <gtest/gtest.h>

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kModel = "ZVM1160TCH";

std::string user_file() {
    return std::string(ZvTabletThread::_cfg.appPath()) + "/res/" + kModel + ".cfg";
}

bool user_file_exists() {
    struct stat st;
    return stat(user_file().c_str(), &st) == 0;
}

class KeyAction : public ::testing::Test {
protected:
    void SetUp() override {
        (void)unlink(user_file().c_str());
        fake::State s;
        s.flags = 0x4 | 0x8;
        fake::install(s);
        worker.reset(new ZvTabletThread());
        g_pt[0] = worker.get();
        ASSERT_TRUE(worker->start("unit"));
        fake::answer(201, fake::text(kModel));
        fake::answer(200, fake::params(55880, 34925, 8191, 0, 0));
        ASSERT_TRUE(worker->initDone());
        clear_ui_msgs();
    }
    void TearDown() override {
        worker->waitQuit();
        g_pt[0] = nullptr;
        worker.reset();
        (void)unlink(user_file().c_str());
    }

    ZvAppUserCfg& app() { return *zvdec_get_cur_app_cfg(*worker); }

    void send(th_u32 funcBit, th_u32 ev, th_u8 mekIndex = 0) {
        ZvEkey ek;
        memset(&ek, 0, sizeof ek);
        ek.funcBit = funcBit;
        ek.mekIndex = mekIndex;
        zvdc_mark_and_send(*worker, ek, ev);
    }

    std::vector<th_u16> codes() {
        std::vector<th_u16> v;
        for (const ZvRecordedUiMsg& m : recorded_ui_msgs())
            v.push_back(m.cmd);
        return v;
    }

    std::unique_ptr<ZvTabletThread> worker;
};

TEST_F(KeyAction, MessageActionsFollowTheirPhases) {
    struct Case {
        const char* name;
        th_u32 funcBit;
        th_u32 ev;
        std::vector<th_u16> msgs;
    };
    const Case cases[] = {
        {"FineModeOnRelease", ZVEF_FINE_MODE, ZVEK_UP, {ZVMC_CORE_FINE_MODE}},
        {"FineModeNotOnPress", ZVEF_FINE_MODE, ZVEK_DOWN, {}},
        {"FineModeOnClick", ZVEF_FINE_MODE, ZVEK_CLICK, {ZVMC_CORE_FINE_MODE}},
        {"RadialMenuOnPress", ZVEF_RADIAL_MENU, ZVEK_DOWN, {ZVMC_CORE_RADIAL_MENU}},
        {"RadialMenuNotOnRelease", ZVEF_RADIAL_MENU, ZVEK_UP, {}},
        {"KeyPageOnClick", ZVEF_SHOW_EKEY_VALUE_PAGE, ZVEK_CLICK, {ZVMC_CORE_SHOW_EKEY_VALUE}},
        {"GameOnRelease", ZVEF_SWITCH_GAME, ZVEK_UP, {ZVMC_CORE_SWITCH_GAME}},
        {"GameNotOnPress", ZVEF_SWITCH_GAME, ZVEK_DOWN, {}},
        // Several actions in one binding run in the fixed order, not in bit order.
        {"Order",
         ZVEF_SWITCH_ABSOLUTEMODE | ZVEF_FINE_MODE | ZVEF_SWITCH_GAME,
         ZVEK_UP,
         {ZVMC_CORE_FINE_MODE, ZVMC_CORE_SWITCH_GAME, ZVMC_CORE_SWITCH_ABSOLUTEMODE}},
        {"Nothing", ZVEF_NONE, ZVEK_CLICK, {}},
    };
    for (const Case& c : cases) {
        clear_ui_msgs();
        send(c.funcBit, c.ev);
        EXPECT_EQ(codes(), c.msgs) << c.name;
        for (const ZvRecordedUiMsg& m : recorded_ui_msgs())
            EXPECT_STREQ(m.body.sModel, kModel) << c.name;
    }
}

TEST_F(KeyAction, GameToggleIsNotStoredAbsoluteModeIs) {
    const th_u8 game = app().bGame;
    send(ZVEF_SWITCH_GAME, ZVEK_CLICK);
    EXPECT_EQ(app().bGame, game ? 0 : 1);
    EXPECT_FALSE(user_file_exists()) << "a game-mode toggle lasts until the next reload";
    const th_u8 absolute = app().bAbsoluteMode;
    send(ZVEF_SWITCH_ABSOLUTEMODE, ZVEK_CLICK);
    EXPECT_EQ(app().bAbsoluteMode, absolute ? 0 : 1);
    ASSERT_TRUE(user_file_exists());
    std::unique_ptr<ZvUserConfig> stored(new ZvUserConfig());
    ASSERT_EQ(ZvTabletThread::_cfg.readUserCfg(kModel, stored.get()), 0);
    EXPECT_EQ(stored->base.app0.bAbsoluteMode, absolute ? 0 : 1);
}

TEST_F(KeyAction, FunctionSetSwitchSkipsEmptySetsAndIsStored) {
    struct Case {
        const char* name;
        th_u8 sets;             // mekMuxNum of the control
        std::vector<bool> full; // which sets have a first binding
        th_u8 from, to;
    };
    const Case cases[] = {
        {"Next", 2, {true, true}, 0, 1},
        {"Wraps", 2, {true, true}, 1, 0},
        {"SkipsTwoEmpty", 4, {true, false, false, true}, 0, 3},
        {"ThreeEmptyGiveZero", 4, {false, false, false, false}, 0, 0},
        {"NoSets", 0, {}, 0, 0},
    };
    for (const Case& c : cases) {
        clear_ui_msgs();
        worker->getTabletCfg()->mekMuxNum[0] = c.sets;
        ZvMEkey& mek = app().meks[0];
        for (size_t s = 0; s < ZV_MAX_MUX; ++s)
            mek.mekEkeys[s].eks[0].funcBit = s < c.full.size() && c.full[s] ? ZVEF_KBTN : 0;
        mek.muxIndex = c.from;
        send(ZVEF_SWITCH_MEK_FUNC, ZVEK_CLICK, /* mekIndex= */ 0);
        EXPECT_EQ(mek.muxIndex, c.to) << c.name;
        const auto msgs = recorded_ui_msgs();
        ASSERT_EQ(msgs.size(), 1u) << c.name;
        EXPECT_EQ(msgs[0].cmd, ZVMC_CORE_SWITCH_MEK_FUNC);
        EXPECT_EQ(msgs[0].body.curMuxVal.mekIdx, 0);
        EXPECT_EQ(msgs[0].body.curMuxVal.muxIdx, c.to) << c.name;
        std::unique_ptr<ZvUserConfig> stored(new ZvUserConfig());
        ASSERT_EQ(ZvTabletThread::_cfg.readUserCfg(kModel, stored.get()), 0);
        EXPECT_EQ(stored->base.app0.meks[0].muxIndex, c.to) << c.name;
    }
}

TEST_F(KeyAction, FixedPressureHoldsWhileTheKeyIsDown) {
    send(ZVEF_FIXED_PRESSURE, ZVEK_DOWN);
    EXPECT_TRUE(worker->doerPen()._bFixedPressure);
    send(ZVEF_FIXED_PRESSURE, ZVEK_UP);
    EXPECT_FALSE(worker->doerPen()._bFixedPressure);
}

TEST_F(KeyAction, SwitchDisplayMovesToTheNextScreenAndTellsTheUi) {
    const ZvRect monitors[2] = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
    worker->coordMap().setMonitors(monitors, 2);
    worker->obj()->uc.base.curScreenIndex = 0;
    send(ZVEF_SWITCH_DISPLAY, ZVEK_UP);
    EXPECT_EQ(worker->obj()->uc.base.curScreenIndex, 1u);
    const auto msgs = recorded_ui_msgs();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].cmd, ZVMC_CORE_SWITCH_DISPLAY);
    EXPECT_EQ(msgs[0].body.curScreenIndex.curScreenIndex, 1);
    EXPECT_TRUE(user_file_exists());
}

} // namespace
