#include "ZvMouseKeyboard.h"

#include "DcGlobal.h"
#include "ZvCoreNotify.h"
#include "ZvLog.h"
#include "ZvVirtualDevices.h"

#include <atomic>
#include <linux/input.h>
#include <sched.h>
#include <unistd.h>

namespace {

enum {
    kKeyCtrl = KEY_LEFTCTRL,   // 29
    kKeyShift = KEY_LEFTSHIFT, // 42
    kKeyAlt = KEY_LEFTALT,     // 56
    kKeyWin = KEY_LEFTMETA,    // 125
    // Win with this key alone presses neither Win nor the key, only Ctrl, Shift and Alt.
    kKeyWinException = KEY_KP5, // 76
};

// The self messages ZVMC_CORE_WHEEL_FORWARD and ZVMC_CORE_WHEEL_BACKWARD: one wheel step each.
constexpr th_u16 kWheelForwardMsg = 0x6005;
constexpr th_u16 kWheelBackwardMsg = 0x6006;

// Where each button's press went: the release goes to the same device. The pen may come into
// range or leave between the two, and a release on the other device would leave the press down.
enum : unsigned { kOnMouse = 1, kOnPen = 2 };
std::atomic<unsigned> g_pressedOn[3]; // left, right, middle

std::atomic<unsigned>& pressed_on(int code) {
    return g_pressedOn[code == BTN_LEFT ? 0 : code == BTN_RIGHT ? 1 : 2];
}

void button(int code, int upDown) {
    std::atomic<unsigned>& on = pressed_on(code);
    unsigned to = g_g.gPenAwayFlag.load() ? kOnMouse : kOnPen;
    if (upDown != 0) {
        (void)on.fetch_or(to);
    } else {
        // A press sent to both devices (pressed again after the pen moved) goes up on both.
        const unsigned was = on.exchange(0);
        if (was != 0)
            to = was;
    }
    if (to & kOnMouse)
        (void)zerva_send_mouse_input(code, upDown);
    if (to & kOnPen)
        (void)zerva_send_mouse_input_to_pen(code, upDown);
}

void post_twice(th_u16 cmd) {
    notify_core_msg(cmd);
    sched_yield();
    notify_core_msg(cmd);
}

} // namespace

bool ZvMouseKeyboard::isSingleKey(const ZvKbtn& kb) {
    return kb.kbKeys[0].code != 0 && (kb.len == 1 || (kb.len > 1 && kb.kbKeys[1].code == 0));
}

void ZvMouseKeyboard::keyboardDown(const ZvKbtn* kb) {
    if (kb == nullptr)
        return;
    zv_log_out(ZV_LL_INFO, "keyboardDown key0=%d, Key1=%d,kb->len=%d", kb->kbKeys[0].code,
               kb->kbKeys[1].code, kb->len);
    if (kb->bCtrl)
        (void)zerva_send_key_event(kKeyCtrl, 1);
    if (kb->bShift)
        (void)zerva_send_key_event(kKeyShift, 1);
    if (kb->bAlt)
        (void)zerva_send_key_event(kKeyAlt, 1);
    if (kb->bWin) {
        if (kb->len == 1 && kb->kbKeys[0].code == kKeyWinException)
            return;
        (void)zerva_send_key_event(kKeyWin, 1);
    }
    if (isSingleKey(*kb)) {
        (void)zerva_send_key_event(kb->kbKeys[0].code, 1);
        return;
    }
    for (int i = 0; i < 16 && i < kb->len && kb->kbKeys[i].code != 0; ++i) {
        const int code = kb->kbKeys[i].code;
        zv_log_out(ZV_LL_DEBUG, "s-[%d]-%d,1,0", i, code);
        (void)zerva_send_key_event(code, 1);
        (void)zerva_send_key_event(code, 0);
    }
}

void ZvMouseKeyboard::keyboardUp(const ZvKbtn* kb) {
    if (kb == nullptr)
        return;
    zv_log_out(ZV_LL_INFO, "keyboardUp key0=%d, Key1=%d kb->len=%d", kb->kbKeys[0].code,
               kb->kbKeys[1].code, kb->len);
    if (isSingleKey(*kb))
        (void)zerva_send_key_event(kb->kbKeys[0].code, 0);
    if (kb->bAlt)
        (void)zerva_send_key_event(kKeyAlt, 0);
    if (kb->bShift)
        (void)zerva_send_key_event(kKeyShift, 0);
    if (kb->bCtrl)
        (void)zerva_send_key_event(kKeyCtrl, 0);
    if (kb->bWin)
        (void)zerva_send_key_event(kKeyWin, 0);
}

void ZvMouseKeyboard::mouseLeftDown() {
    button(BTN_LEFT, 1);
}

void ZvMouseKeyboard::mouseLeftUp() {
    button(BTN_LEFT, 0);
}

void ZvMouseKeyboard::mouseRightDown() {
    button(BTN_RIGHT, 1);
}

void ZvMouseKeyboard::mouseRightUp() {
    button(BTN_RIGHT, 0);
}

void ZvMouseKeyboard::mouseMidDown() {
    button(BTN_MIDDLE, 1);
}

void ZvMouseKeyboard::mouseMidUp() {
    button(BTN_MIDDLE, 0);
}

void ZvMouseKeyboard::mouseLeftDBClick() {
    (void)zerva_send_mouse_input(BTN_LEFT, 1);
    (void)zerva_send_mouse_input(BTN_LEFT, 0);
    usleep(30 * 1000);
    (void)zerva_send_mouse_input(BTN_LEFT, 1);
    (void)zerva_send_mouse_input(BTN_LEFT, 0);
}

void ZvMouseKeyboard::mouseWheelForward(th_u8 /*rollLevel*/, th_u8 /*direction*/) {
    post_twice(kWheelForwardMsg);
}

void ZvMouseKeyboard::mouseWheelBackward(th_u8 /*rollLevel*/, th_u8 /*direction*/) {
    post_twice(kWheelBackwardMsg);
}
