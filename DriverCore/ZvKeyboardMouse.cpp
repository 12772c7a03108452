// The uinput keyboard and mouse, and their event writers.
#include "DcGlobal.h"
#include "ZvLog.h"
#include "ZvUinput.h"
#include "ZvVirtualDevices.h"

#include <initializer_list>
#include <linux/uinput.h>
#include <sys/ioctl.h>

namespace {

constexpr unsigned short kKeyboardProduct = 0xFFFF;
constexpr unsigned short kMouseProduct = 0xEEEE;
constexpr int kLastKey = 248;

// Writes one group to the device in `slot`; a device that is not open writes nothing and fails
// like a write to a closed handle.
int send(const std::atomic<int>& slot, unsigned type, unsigned code, int value) {
    const int fd = slot.load();
    if (fd <= 0)
        return -1;
    return zv_uinput_emit(fd, type, code, value);
}

} // namespace

bool zerva_keybroad_input_init() {
    ZvUniqueFd fd = zv_uinput_open();
    if (!fd.usable()) {
        zv_log_out(ZV_LL_ERR, "Can not open keyboard input file");
        return false;
    }
    (void)ioctl(fd.get(), UI_SET_EVBIT, EV_KEY);
    for (int key = 0; key <= kLastKey; ++key)
        (void)ioctl(fd.get(), UI_SET_KEYBIT, key);
    if (!zv_uinput_create(fd.get(), kKeyboardProduct, "Zerva keyboard"))
        return false;
    zv_publish_fd(g_g.gFdKbd, fd.release());
    return true;
}

bool zerva_mouse_input_init() {
    ZvUniqueFd fd = zv_uinput_open();
    if (!fd.usable()) {
        zv_log_out(ZV_LL_ERR, "Can not open keyboard input file");
        return false;
    }
    (void)ioctl(fd.get(), UI_SET_EVBIT, EV_KEY);
    for (int button : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE})
        (void)ioctl(fd.get(), UI_SET_KEYBIT, button);
    (void)ioctl(fd.get(), UI_SET_EVBIT, EV_REL);
    for (int axis : {REL_X, REL_Y, REL_WHEEL})
        (void)ioctl(fd.get(), UI_SET_RELBIT, axis);
    if (!zv_uinput_create(fd.get(), kMouseProduct, "Zerva mouse"))
        return false;
    zv_publish_fd(g_g.gFdMouse, fd.release());
    return true;
}

void zerva_keybroad_input_exit() {
    if (zv_close_fd(g_g.gFdKbd))
        zv_log_out(ZV_LL_INFO, "exit simulate_key ");
}

void zerva_keybroad_event_exit() {
    zerva_keybroad_input_exit();
}

void zerva_mouse_input_exit() {
    if (zv_close_fd(g_g.gFdMouse))
        zv_log_out(ZV_LL_INFO, "exit simulate_mouse ");
}

int zerva_send_key_event(int keyCode, int bUpDown) {
    int rt = send(g_g.gFdKbd, EV_MSC, MSC_SCAN, keyCode);
    if (rt != 0) {
        zv_log_out(ZV_LL_ERR, "_send_key_data_event data error =%d ", rt);
        return rt;
    }
    rt = send(g_g.gFdKbd, EV_KEY, static_cast<unsigned>(keyCode), bUpDown);
    if (rt != 0)
        zv_log_out(ZV_LL_ERR, "send_key_data_event syn error =%d ", rt);
    return rt;
}

int zerva_send_mouse_input(int code, int bUpDown) {
    const int rt = send(g_g.gFdMouse, EV_KEY, static_cast<unsigned>(code), bUpDown);
    if (rt != 0)
        zv_log_out(ZV_LL_ERR, "zerva_send_mouse_input data error =%d ", rt);
    return rt;
}

int zerva_send_mouse_wheel_input(int code, int value) {
    const int rt = send(g_g.gFdMouse, EV_REL, static_cast<unsigned>(code), value);
    if (rt != 0)
        zv_log_out(ZV_LL_ERR, "zerva_send_mouse_wheel_input data error =%d ", rt);
    return rt;
}
