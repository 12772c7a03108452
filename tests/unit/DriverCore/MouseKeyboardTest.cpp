// Key combinations and mouse actions of bound keys, as the desktop receives them.
#include "DeviceFixture.h"
#include "ZvMouseKeyboard.h"

#include <linux/input.h>

namespace {

class MouseKeyboard : public DeviceFixture {
protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        createAll();
    }
};

using Keys = std::vector<std::pair<int, int>>;

ZvKbtn combo(bool ctrl, bool shift, bool alt, bool win, th_u8 len, std::vector<th_u8> codes) {
    ZvKbtn kb{};
    kb.bCtrl = ctrl;
    kb.bShift = shift;
    kb.bAlt = alt;
    kb.bWin = win;
    kb.len = len;
    for (size_t i = 0; i < codes.size() && i < 16; ++i)
        kb.kbKeys[i].code = codes[i];
    return kb;
}

} // namespace

TEST_F(MouseKeyboard, HeldCombinationPressesModifiersFirstAndReleasesThemLast) {
    const ZvKbtn kb = combo(true, true, false, false, 1, {KEY_S});
    ZvMouseKeyboard::keyboardDown(&kb);
    EXPECT_EQ(keys(g_g.gFdKbd), (Keys{{KEY_LEFTCTRL, 1}, {KEY_LEFTSHIFT, 1}, {KEY_S, 1}}));
    ZvMouseKeyboard::keyboardUp(&kb);
    EXPECT_EQ(keys(g_g.gFdKbd), (Keys{{KEY_LEFTCTRL, 1},
                                      {KEY_LEFTSHIFT, 1},
                                      {KEY_S, 1},
                                      {KEY_S, 0},
                                      {KEY_LEFTSHIFT, 0},
                                      {KEY_LEFTCTRL, 0}}));
}

TEST_F(MouseKeyboard, EveryModifierInItsOrder) {
    const ZvKbtn kb = combo(true, true, true, true, 1, {KEY_Z});
    ZvMouseKeyboard::keyboardDown(&kb);
    ZvMouseKeyboard::keyboardUp(&kb);
    EXPECT_EQ(keys(g_g.gFdKbd), (Keys{{KEY_LEFTCTRL, 1},
                                      {KEY_LEFTSHIFT, 1},
                                      {KEY_LEFTALT, 1},
                                      {KEY_LEFTMETA, 1},
                                      {KEY_Z, 1},
                                      {KEY_Z, 0},
                                      {KEY_LEFTALT, 0},
                                      {KEY_LEFTSHIFT, 0},
                                      {KEY_LEFTCTRL, 0},
                                      {KEY_LEFTMETA, 0}}));
}

TEST_F(MouseKeyboard, SeveralKeysAreTypedOnPressAndNothingIsHeld) {
    const ZvKbtn kb = combo(false, false, false, false, 3, {KEY_A, KEY_B, KEY_C});
    ZvMouseKeyboard::keyboardDown(&kb);
    ZvMouseKeyboard::keyboardUp(&kb);
    EXPECT_EQ(keys(g_g.gFdKbd),
              (Keys{{KEY_A, 1}, {KEY_A, 0}, {KEY_B, 1}, {KEY_B, 0}, {KEY_C, 1}, {KEY_C, 0}}));
}

TEST_F(MouseKeyboard, WhatCountsAsOneKey) {
    struct Case {
        const char* what;
        ZvKbtn kb;
        Keys down;
    };
    const ZvKbtn many = combo(false, false, false, false, 40,
                              {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 17, 18, 19, 20, 21});
    Keys typed;
    for (int i = 0; i < 16; ++i) {
        typed.push_back({many.kbKeys[i].code, 1});
        typed.push_back({many.kbKeys[i].code, 0});
    }
    const Case cases[] = {
        {"a longer list ending after the first key",
         combo(false, false, false, false, 4, {KEY_A, 0, KEY_C}),
         {{KEY_A, 1}}},
        {"a sequence stops at its first empty code",
         combo(false, false, false, false, 4, {KEY_A, KEY_B, 0, KEY_D}),
         {{KEY_A, 1}, {KEY_A, 0}, {KEY_B, 1}, {KEY_B, 0}}},
        {"a length of 0 types nothing", combo(false, false, false, false, 0, {KEY_A}), {}},
        {"an empty first code types nothing", combo(false, false, false, false, 1, {0}), {}},
        {"a length past 16 types 16 keys", many, typed},
        {"Win with key 76 alone presses only the other modifiers",
         combo(true, false, false, true, 1, {KEY_KP5}),
         {{KEY_LEFTCTRL, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        _log.read();
        const size_t before = keys(g_g.gFdKbd).size();
        ZvMouseKeyboard::keyboardDown(&c.kb);
        const Keys all = keys(g_g.gFdKbd);
        EXPECT_EQ(Keys(all.begin() + static_cast<long>(before), all.end()), c.down);
    }
}

TEST_F(MouseKeyboard, NullCombinationDoesNothing) {
    ZvMouseKeyboard::keyboardDown(nullptr);
    ZvMouseKeyboard::keyboardUp(nullptr);
    EXPECT_TRUE(keys(g_g.gFdKbd).empty());
}

TEST_F(MouseKeyboard, ButtonsGoToThePenWhileItIsInRange) {
    g_g.gPenAwayFlag = false;
    ZvMouseKeyboard::mouseRightDown();
    ZvMouseKeyboard::mouseRightUp();
    g_g.gPenAwayFlag = true;
    ZvMouseKeyboard::mouseLeftDown();
    ZvMouseKeyboard::mouseLeftUp();
    ZvMouseKeyboard::mouseMidDown();
    ZvMouseKeyboard::mouseMidUp();
    EXPECT_EQ(keys(g_g.gFdUhid), (Keys{{BTN_RIGHT, 1}, {BTN_RIGHT, 0}}));
    EXPECT_EQ(keys(g_g.gFdMouse),
              (Keys{{BTN_LEFT, 1}, {BTN_LEFT, 0}, {BTN_MIDDLE, 1}, {BTN_MIDDLE, 0}}));
}

TEST_F(MouseKeyboard, ReleaseGoesWhereThePressWentWhenThePenMovesBetween) {
    struct Case {
        const char* what;
        std::vector<bool> awayAtPresses; // the pen's state at each press
        bool awayAtRelease;
        Keys pen, mouse;
    };
    const Keys click{{BTN_RIGHT, 1}, {BTN_RIGHT, 0}};
    const Case cases[] = {
        {"pressed in range, released away", {false}, true, click, {}},
        {"pressed away, released in range", {true}, false, {}, click},
        {"pressed on each device, released on both", {false, true}, false, click, click},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t penBefore = keys(g_g.gFdUhid).size();
        const size_t mouseBefore = keys(g_g.gFdMouse).size();
        for (bool away : c.awayAtPresses) {
            g_g.gPenAwayFlag = away;
            ZvMouseKeyboard::mouseRightDown();
        }
        g_g.gPenAwayFlag = c.awayAtRelease;
        ZvMouseKeyboard::mouseRightUp();
        const Keys pen = keys(g_g.gFdUhid), mouse = keys(g_g.gFdMouse);
        EXPECT_EQ(Keys(pen.begin() + static_cast<long>(penBefore), pen.end()), c.pen);
        EXPECT_EQ(Keys(mouse.begin() + static_cast<long>(mouseBefore), mouse.end()), c.mouse);
    }
}

TEST_F(MouseKeyboard, DoubleClickIsTwoClicksThirtyMillisecondsApart) {
    g_g.gPenAwayFlag = false; // always the virtual mouse, wherever the pen is
    ZvMouseKeyboard::mouseLeftDBClick();
    EXPECT_EQ(keys(g_g.gFdMouse),
              (Keys{{BTN_LEFT, 1}, {BTN_LEFT, 0}, {BTN_LEFT, 1}, {BTN_LEFT, 0}}));
    const std::vector<ZvCapGroup> g = groups(g_g.gFdMouse);
    ASSERT_EQ(g.size(), 4u);
    EXPECT_GE(g[2].atNs - g[1].atNs, 30000000LL);
    EXPECT_TRUE(keys(g_g.gFdUhid).empty());
}

TEST_F(MouseKeyboard, WheelActionsPostTwoStepsToTheMainThread) {
    ZvMouseKeyboard::mouseWheelForward(30, 0);
    EXPECT_EQ(recorded_core_msgs(), (std::vector<th_u16>{0x6005, 0x6005}));
    clear_core_msgs();
    ZvMouseKeyboard::mouseWheelBackward(30, 0);
    EXPECT_EQ(recorded_core_msgs(), (std::vector<th_u16>{0x6006, 0x6006}));
    // The steps themselves are written later by the dispatcher, not here.
    EXPECT_TRUE(groups(g_g.gFdMouse).empty());
}
