// Express keys, soft keys, barrel buttons and multi-function controls: the key and mouse events
// of their bindings, in order.
#include "WorkerFixture.h"

#include "ZvCoreNotify.h"
#include "ZvDesktopUser.h"
#include "ZvMouseKeyboard.h"

#include <linux/input.h>
#include <pwd.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zvtest {
namespace {

ZvEkey key_binding(unsigned code, bool ctrl = false, bool shift = false, th_u32 extra = 0) {
    return binding(ZVEF_KBTN | extra, code, ctrl, shift);
}

std::vector<KeyEvent> press(std::vector<unsigned> codes) {
    std::vector<KeyEvent> v;
    for (unsigned c : codes)
        v.emplace_back(c, 1);
    return v;
}

std::vector<KeyEvent> release(std::vector<unsigned> codes) {
    std::vector<KeyEvent> v;
    for (unsigned c : codes)
        v.emplace_back(c, 0);
    return v;
}

std::vector<KeyEvent> cat(std::initializer_list<std::vector<KeyEvent>> parts) {
    std::vector<KeyEvent> v;
    for (const auto& p : parts)
        v.insert(v.end(), p.begin(), p.end());
    return v;
}

// A control clicks its binding, then releases a key combination once more.
std::vector<KeyEvent> control_click(unsigned code) {
    return cat({press({code}), release({code}), release({code})});
}

SimTablet tablet(const char* model) {
    SimTablet t;
    t.model = model;
    ZvTabletCfg stored;
    if (stored_tablet(model, stored)) {
        t.maxX = stored.maxX;
        t.maxY = stored.maxY;
        t.maxP = stored.maxP;
    }
    return t;
}

TEST_F(WorkerTest, ActiveExpressKeysUseTheCodeTableAndReleaseBeforePressing) {
    const char* model = "ZVM1060SLD"; // hekCode 17, 18, 19, 20, 33, ...
    auto uc = userCfg(model);
    uc->base.app0.bHek = 1;
    uc->base.app0.heks[2] = key_binding(KEY_S, /* ctrl= */ true, /* shift= */ true);
    storeUserCfg(model, *uc);
    plug(tablet(model));
    inject({keys(19), keys(0), keys(19), keys(19), keys(0)});
    const auto combo = press({KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_S});
    const auto uncombo = release({KEY_S, KEY_LEFTSHIFT, KEY_LEFTCTRL});
    // A repeated state on an active tablet releases and presses again.
    const auto expected = cat({combo, uncombo, combo, uncombo, combo, uncombo});
    EXPECT_EQ(keyEvents(expected.size()), expected);
}

TEST_F(WorkerTest, PassiveExpressKeysPressOnEveryReportAndReleaseOnEmpty) {
    // Unknown to the store, so the device's passive flag and the generic bindings apply.
    SimTablet t;
    t.model = "ZVQ5555PAS";
    t.keys = 8;
    t.flags = 0x04;
    plug(t);
    const ZvEkey& ek = worker->obj()->uc.base.app0.heks[2]; // highest bit of 0x4
    ASSERT_EQ(ek.funcBit, static_cast<th_u32>(ZVEF_KBTN));
    ASSERT_EQ(ek.kbtn.bCtrl | ek.kbtn.bShift | ek.kbtn.bAlt | ek.kbtn.bWin, 0);
    const unsigned code = ek.kbtn.kbKeys[0].code;
    inject({keys(0x4), keys(0x4), keys(0)});
    const auto expected = cat({press({code}), press({code}), release({code})});
    EXPECT_EQ(keyEvents(expected.size()), expected);
}

TEST_F(WorkerTest, DigitModeTypesTheSlotDigit) {
    const char* model = "ZVM1060SLD";
    auto uc = userCfg(model);
    uc->base.app0.bHek = 1;
    uc->base.app0.heks[0] = key_binding(KEY_Z, true);
    uc->base.app0.heks[4] = key_binding(KEY_X, true);
    storeUserCfg(model, *uc);
    plug(tablet(model));
    // Byte 3 = 2 selects digit mode: slot 0 types 1, slot 4 (code 33) types 5, no modifiers.
    inject({keys(17, false, 2), keys(0, false, 2), keys(33, false, 2), keys(0, false, 2)});
    const auto expected = cat({press({KEY_1}), release({KEY_1}), press({KEY_5}), release({KEY_5})});
    EXPECT_EQ(keyEvents(expected.size()), expected);
}

TEST_F(WorkerTest, SliderClicksByDirectionAndComboWrapsTheOtherActions) {
    const char* model = "ZVM1060SLD";
    auto uc = userCfg(model);
    uc->base.app0.bMek[0] = MKEY_SLIDER_ENABLED;
    ZvMEkey& mek = uc->base.app0.meks[0];
    mek.muxIndex = 0;
    mek.mekEkeys[0].eks[0] = key_binding(KEY_A);
    // A key combination and a mouse button on one binding.
    mek.mekEkeys[0].eks[1] = key_binding(KEY_B, true, false, ZVEF_MOUSE_RIGHT);
    storeUserCfg(model, *uc);
    plug(tablet(model));
    inject({slider(10), slider(12), slider(0), slider(12), slider(10)});
    // 10 -> 12 clicks slot 1; the 0 starts a new stroke; 12 -> 10 clicks slot 0.
    const auto expected = cat({press({KEY_LEFTCTRL, KEY_B}), release({KEY_B, KEY_LEFTCTRL}),
                               release({KEY_B, KEY_LEFTCTRL}), control_click(KEY_A)});
    EXPECT_EQ(keyEvents(expected.size()), expected);
    // The mouse click (the pen is away: on the virtual mouse) lies between press and release;
    // the control's extra release is the key combination's alone.
    const auto mouse = mouseGroups(2);
    ASSERT_EQ(mouse.size(), 2u);
    EXPECT_EQ(mouseGroups(0).size(), 2u) << "one click per step";
    EXPECT_EQ(mouse[0].value(EV_KEY, BTN_RIGHT), 1);
    EXPECT_EQ(mouse[1].value(EV_KEY, BTN_RIGHT), 0);
    const auto kbd = kbdGroups(0);
    long long comboDown = 0, comboUp = 0;
    for (const ZvCapGroup& g : kbd) {
        if (g.value(EV_KEY, KEY_B) == 1)
            comboDown = g.atNs;
        if (g.value(EV_KEY, KEY_B) == 0 && comboUp == 0)
            comboUp = g.atNs;
    }
    EXPECT_LT(comboDown, mouse[0].atNs);
    EXPECT_GT(comboUp, mouse[1].atNs);
}

TEST_F(WorkerTest, WheelBindingsScrollTwoStepsThroughTheDispatcher) {
    const char* model = "ZVM1060SLD";
    auto uc = userCfg(model);
    uc->base.app0.bMek[0] = MKEY_SLIDER_ENABLED;
    ZvMEkey& mek = uc->base.app0.meks[0];
    mek.muxIndex = 0;
    memset(&mek.mekEkeys[0].eks[0], 0, 2 * sizeof(ZvEkey));
    mek.mekEkeys[0].eks[0].funcBit = ZVEF_MOUSE_WHEEL_BACKWARD;
    mek.mekEkeys[0].eks[1].funcBit = ZVEF_MOUSE_WHEEL_FORWARD;
    storeUserCfg(model, *uc);
    clear_core_msgs();
    plug(tablet(model));
    inject({slider(10), slider(12), slider(0), slider(12), slider(10)});
    // Wheel steps are posted to the dispatcher, which scrolls on the main thread.
    const std::vector<th_u16> expected{0x6005, 0x6005, 0x6006, 0x6006};
    for (int i = 0; i < 300 && recorded_core_msgs().size() < expected.size(); ++i)
        usleep(10000);
    EXPECT_EQ(recorded_core_msgs(), expected);
}

TEST_F(WorkerTest, RingCountsWrapAroundAsTheShortWay) {
    const char* model = "ZVD1560RNG";
    auto uc = userCfg(model);
    uc->base.app0.bMek[0] = MKEY_RING_ENABLED;
    ZvMEkey& mek = uc->base.app0.meks[0];
    mek.muxIndex = 0;
    mek.mekEkeys[0].eks[0] = key_binding(KEY_A);
    mek.mekEkeys[0].eks[1] = key_binding(KEY_B);
    storeUserCfg(model, *uc);
    plug(tablet(model));
    // +2, -2, a jump of +240 (wraps: -1), -248 (wraps: +1), then +248 (wraps: -1).
    inject({slider(10), slider(12), slider(10), slider(250), slider(2), slider(250)});
    const auto expected = cat({control_click(KEY_A), control_click(KEY_B), control_click(KEY_B),
                               control_click(KEY_A), control_click(KEY_B)});
    EXPECT_EQ(keyEvents(expected.size()), expected);
}

TEST_F(WorkerTest, DialStepsClickTheirSlotsOnlyInDialOperation) {
    const char* model = "ZVM1209SKD";
    auto uc = userCfg(model);
    uc->base.app0.bMek[0] = MKEY_DIAL_ENABLED_DIAL;
    ZvMEkey& mek = uc->base.app0.meks[0];
    mek.muxIndex = 0;
    mek.mekEkeys[0].eks[0] = key_binding(KEY_A);
    mek.mekEkeys[0].eks[1] = key_binding(KEY_B);
    storeUserCfg(model, *uc);
    plug(tablet(model));
    // Dial operation switches the device's own dial function off at start-up (command 212).
    EXPECT_GE(sim.count("feature-get " + path + " 212"), 1) << sim.trace();
    inject({dial(1), dial(0), dial(2)});
    const auto expected = cat({control_click(KEY_A), control_click(KEY_B)});
    EXPECT_EQ(keyEvents(expected.size()), expected);
}

TEST_F(WorkerTest, TouchKeyFiresWhenLeftAndExcludedSlotsDoNothing) {
    const char* model = "ZVM1160TCH"; // slots 6 to 9 do not exist on it
    auto uc = userCfg(model);
    uc->base.app0.bMek[0] = MKEY_TOUCH_ENABLED;
    ZvMEkey& mek = uc->base.app0.meks[0];
    mek.muxIndex = 0;
    mek.mekEkeys[0].eks[1] = key_binding(KEY_A);
    mek.mekEkeys[0].eks[8] = key_binding(KEY_B);
    storeUserCfg(model, *uc);
    ZvDoerTouch::resetLastSlot();
    plug(tablet(model));
    // Slot 8 (id 24) is excluded; slot 1 (id 17) fires when the finger leaves it.
    inject({touch(24), touch(0), touch(17), touch(0)});
    const auto expected = control_click(KEY_A);
    EXPECT_EQ(keyEvents(expected.size()), expected);
    EXPECT_EQ(keyEvents(0, 100), expected) << "slot 8 must not fire on this model";
}

TEST_F(WorkerTest, BarrelButtonsGoToThePenDeviceOneAtATime) {
    const char* model = "ZVM1160TCH";
    auto uc = userCfg(model);
    uc->base.app0.peks[1].funcBit = ZVEF_MOUSE_RIGHT;
    uc->base.app0.peks[2].funcBit = ZVEF_MOUSE_MID;
    storeUserCfg(model, *uc);
    plug(tablet(model));
    // Lower pressed, upper pressed while the lower is held (ignored), both released.
    inject({pen(0x80, 1000, 1000), pen(0x82, 1000, 1000), pen(0x86, 1000, 1000),
            pen(0x80, 1000, 1000)});
    const auto groups = penGroups(5);
    std::vector<std::pair<int, int>> buttons; // code, value
    for (const ZvCapGroup& g : groups) {
        for (const ZvCapEvent& e : g.events) {
            if (e.type == EV_KEY && (e.code == BTN_RIGHT || e.code == BTN_MIDDLE))
                buttons.emplace_back(e.code, e.value);
        }
    }
    const std::vector<std::pair<int, int>> expected{{BTN_RIGHT, 1}, {BTN_RIGHT, 0}};
    EXPECT_EQ(buttons, expected);
    EXPECT_TRUE(mouseGroups(0, 0).empty()) << "the pen is in range: not the virtual mouse";
}

TEST_F(WorkerTest, SoftKeyStrokeClicksItsKeyAndSendsNoPenSample) {
    const char* model = "ZVM1209SKD"; // eight soft keys above the pen area
    auto uc = userCfg(model);
    uc->base.app0.bSek = 1;
    uc->base.app0.seks[0] = key_binding(KEY_A);
    uc->base.app0.seks[1] = key_binding(KEY_B);
    storeUserCfg(model, *uc);
    const SimTablet t = tablet(model);
    plug(t);
    // Picture frame: pen area (20,110)-(980,710); soft key 0 centred at (80,140), key 1 at
    // (200,140); in raw units of the tablet:
    auto raw = [&](int px, int py) {
        return std::make_pair(unsigned((px - 20) * double(t.maxX) / 960),
                              unsigned((py - 110) * double(t.maxY) / 600));
    };
    const auto k0 = raw(80, 140), k1 = raw(200, 140), area = raw(500, 400);
    // This model never reports leaving: the first three samples after start-up are spent.
    inject({pen(0x80, area.first, area.second), pen(0x80, area.first, area.second),
            pen(0x80, area.first, area.second), pen(0x80, area.first, area.second)});
    const size_t before = penGroups(1).size();
    inject({pen(0x80, k0.first, k0.second), pen(0x81, k0.first, k0.second, 500),
            pen(0x80, k0.first, k0.second)});
    // A stroke from key 0 to key 1 clicks nothing.
    inject({pen(0x81, k0.first, k0.second, 500), pen(0x81, k1.first, k1.second, 500),
            pen(0x80, k1.first, k1.second)});
    const auto expected = cat({press({KEY_A}), release({KEY_A})});
    EXPECT_EQ(keyEvents(expected.size()), expected);
    EXPECT_EQ(keyEvents(0, 100), expected);
    EXPECT_EQ(penGroups(0).size(), before) << "soft-key strokes must not move the pen";
}

// A list of one report: the single-report overload of inject calls itself.
using Reports = std::vector<std::vector<unsigned char>>;

// Active, with express keys numbered by bit: key field 0x4 is slot 2 of either key table.
const char* const kActiveModel = "ZVD1560RNG";

bool wait_stopped(ZvTabletThread& w) {
    for (int i = 0; i < 500 && w.isRunning(); ++i)
        usleep(10000);
    return !w.isRunning();
}

// What ends the press of a held express key, after the reports in between.
enum class HeldEnd { Release, Unplug, Reload };

struct HeldCase {
    const char* name;
    Reports between;
    HeldEnd end;
};

void PrintTo(const HeldCase& c, std::ostream* os) {
    *os << c.name;
}

class HeldKey : public WorkerTest, public ::testing::WithParamInterface<HeldCase> {};

// The release goes through the binding that was pressed, whatever report is in hand when it
// comes and whatever the settings say by then: the touch-key table has another binding at the
// same slot, and the reload brings yet another. A release the user did not make (unplug,
// reload) lets the key go without what a release sets off (here a display switch).
TEST_P(HeldKey, IsReleasedThroughTheBindingThatPressedIt) {
    const HeldCase& c = GetParam();
    auto uc = userCfg(kActiveModel);
    uc->base.app0.bHek = 1;
    uc->base.app0.heks[2] = key_binding(KEY_SPACE);
    uc->base.app0.heks[2].funcBit |= ZVEF_SWITCH_DISPLAY;
    uc->base.app0.theks[2] = key_binding(KEY_T, /* ctrl= */ true);
    storeUserCfg(kActiveModel, *uc);
    plug(tablet(kActiveModel));
    inject(Reports{keys(0x4)});
    ASSERT_EQ(keyEvents(1), press({KEY_SPACE}));
    inject(c.between);
    switch (c.end) {
    case HeldEnd::Release:
        inject(Reports{keys(0)});
        break;
    case HeldEnd::Unplug:
        ASSERT_TRUE(sim.setPlugged("t", false));
        ASSERT_TRUE(wait_stopped(*worker)) << sim.trace();
        break;
    case HeldEnd::Reload:
        uc->base.app0.heks[2] = key_binding(KEY_X);
        storeUserCfg(kActiveModel, *uc);
        worker->notifyConfigChanged();
        inject(Reports{pen(0x80, 1000, 1000)}); // the reload takes effect before this report
        break;
    }
    const auto expected = cat({press({KEY_SPACE}), release({KEY_SPACE})});
    EXPECT_EQ(keyEvents(expected.size()), expected);
    EXPECT_EQ(keyEvents(0), expected) << "nothing else pressed or released";
    EXPECT_EQ(count_ui_msgs(ZVMC_CORE_SWITCH_DISPLAY), c.end == HeldEnd::Release ? 1u : 0u);
}

const HeldCase kHeldCases[] = {
    {"PenAndTouchKeyReportsThenRelease",
     {pen(0x80, 1000, 1000), keys(0, /* touch= */ true)},
     HeldEnd::Release},
    {"PenReportThenUnplug", {pen(0x80, 1000, 1000)}, HeldEnd::Unplug},
    {"SettingsReloadThenPenReport", {}, HeldEnd::Reload},
};

INSTANTIATE_TEST_SUITE_P(Ends, HeldKey, ::testing::ValuesIn(kHeldCases),
                         [](const ::testing::TestParamInfo<HeldCase>& i) { return i.param.name; });

// The values of code's button events in these groups that reach the desktop.
std::vector<int> button_values(const std::vector<ZvCapGroup>& groups, unsigned code) {
    std::vector<int> v;
    for (const auto& b : delivered_buttons(groups))
        if (b.first == static_cast<int>(code))
            v.push_back(b.second);
    return v;
}

TEST_F(WorkerTest, BoundMouseButtonIsReleasedOnTheDeviceThatGotThePress) {
    auto uc = userCfg(kActiveModel);
    uc->base.app0.bHek = 1;
    uc->base.app0.heks[2] = binding(ZVEF_MOUSE_RIGHT);
    storeUserCfg(kActiveModel, *uc);
    plug(tablet(kActiveModel));
    // Pressed in range, released after the pen left (kind 0); then pressed while away and
    // released back in range (the first sample after a return is swallowed, but counts).
    inject({pen(0x80, 1000, 1000), pen(0x80, 1100, 1000), keys(0x4), pen(0x00, 1100, 1000), keys(0),
            keys(0x4), pen(0x80, 1000, 1000), keys(0)});
    const std::vector<int> click{1, 0};
    EXPECT_EQ(button_values(mouseGroups(2), BTN_RIGHT), click);
    EXPECT_EQ(button_values(penGroups(0), BTN_RIGHT), click);
    EXPECT_EQ(button_values(mouseGroups(0), BTN_RIGHT), click);
}

// The lines of a file, 0 when it does not exist.
size_t line_count(const std::string& file) {
    FILE* f = fopen(file.c_str(), "re");
    if (f == nullptr)
        return 0;
    size_t n = 0;
    for (int ch; (ch = fgetc(f)) != EOF;)
        n += ch == '\n';
    fclose(f);
    return n;
}

TEST_F(WorkerTest, ControlStepRunsEveryActionOfACombinedBindingOnce) {
    if (geteuid() != 0)
        GTEST_SKIP() << "bound programs start as the desktop user: needs root";
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    char dir[] = "/tmp/zv-keysXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chmod(dir, 0777), 0); // the program runs as nobody
    const std::string ran = std::string(dir) + "/ran";
    const char* model = "ZVD1560RNG";
    auto uc = userCfg(model);
    uc->base.app0.bMek[0] = MKEY_RING_ENABLED;
    ZvMEkey& mek = uc->base.app0.meks[0];
    mek.muxIndex = 0;
    // Key combination and command share the binding's parameter bytes: this command reads as
    // Ctrl, Alt, Shift and Super (any byte), a length of 1, then the key A (30).
    ZvEkey ek;
    memset(&ek, 0, sizeof ek);
    ek.funcBit = ZVEF_KBTN | ZVEF_EXEC | ZVEF_FINE_MODE;
    const std::string cmd = "x=ab\x01\x1e;echo step >>" + ran;
    ASSERT_LT(cmd.size(), sizeof ek.cmdPath);
    memcpy(ek.cmdPath, cmd.data(), cmd.size());
    ASSERT_TRUE(ZvMouseKeyboard::isSingleKey(ek.kbtn));
    mek.mekEkeys[0].eks[0] = ek;
    mek.mekEkeys[0].eks[1] = ek;
    storeUserCfg(model, *uc);
    zv_forget_desktop_user();
    plug(tablet(model));
    // The owner of the model's settings file is the desktop user.
    const std::string userFile =
        std::string(ZvTabletThread::_cfg.appPath()) + "/res/" + model + ".cfg";
    ASSERT_EQ(chown(userFile.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << userFile;
    inject({slider(10), slider(12), slider(14)}); // two steps
    const auto combo = press({KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_LEFTALT, KEY_LEFTMETA, KEY_A});
    const auto uncombo = release({KEY_A, KEY_LEFTALT, KEY_LEFTSHIFT, KEY_LEFTCTRL, KEY_LEFTMETA});
    // Pressed once per step; the click releases it and the control releases it once more.
    const auto step = cat({combo, uncombo, uncombo});
    const auto expected = cat({step, step});
    EXPECT_EQ(keyEvents(expected.size()), expected);
    for (int i = 0; i < 500 && line_count(ran) < 2; ++i)
        usleep(10000);
    usleep(300000); // a program started twice has had time to write
    EXPECT_EQ(line_count(ran), 2u) << "the program starts once per step";
    EXPECT_EQ(count_ui_msgs(ZVMC_CORE_FINE_MODE), 2u) << "fine mode once per step";
    EXPECT_EQ(keyEvents(0), expected);
    (void)unlink(ran.c_str());
    (void)rmdir(dir);
}

} // namespace
} // namespace zvtest
