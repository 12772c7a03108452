// The core's side of the virtual pen device of libzervahid.
#include "DcGlobal.h"
#include "ZervaHid.h"
#include "ZvLog.h"
#include "ZvUinput.h"
#include "ZvVirtualDevices.h"

#include <initializer_list>
#include <linux/input.h>

namespace {

void replace_pen(std::atomic<int>& slot, int fd) {
    const int old = slot.exchange(fd);
    if (old > 0)
        (void)exit_uhid(old);
}

bool create_active(int& fd) {
    if (init_uinput_pen_test(&fd) != 0) {
        zv_log_out(ZV_LL_INFO, "uhid open error! check root premission !");
        return false;
    }
    return true;
}

} // namespace

bool zerva_pen_event_init() {
    int fd = 0;
    if (init_uhid_backup(&fd) == 0)
        replace_pen(g_g.gFdUhid_0, fd);
    fd = 0;
    if (init_uhid_backup(&fd) == 0)
        replace_pen(g_g.gFdUhid_1, fd);
    fd = 0;
    if (!create_active(fd))
        return false;
    replace_pen(g_g.gFdUhid, fd);
    return true;
}

bool zerva_reload_uhid_pen_event() {
    int fd = 0;
    if (!create_active(fd))
        return false;
    // A worker that read the old handle just before the swap may still write one sample to it;
    // the kernel refuses writes to a closed handle.
    replace_pen(g_g.gFdUhid, fd);
    return true;
}

void zerva_pen_event_exit() {
    for (std::atomic<int>* slot : {&g_g.gFdUhid_1, &g_g.gFdUhid_0, &g_g.gFdUhid})
        replace_pen(*slot, 0);
}

int zerva_send_mouse_input_to_pen(int code, int bUpDown) {
    const int fd = g_g.gFdUhid.load();
    if (fd <= 0)
        return -1;
    const int rt = zv_uinput_emit(fd, EV_KEY, static_cast<unsigned>(code), bUpDown);
    if (rt != 0)
        zv_log_out(ZV_LL_ERR, "zerva_send_mouse_input_to_pen data error =%d ", rt);
    return rt;
}
