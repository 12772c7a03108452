// The core's side of the virtual pen device of libzervahid.
#include "DcGlobal.h"
#include "ZervaHid.h"
#include "ZvLog.h"
#include "ZvUinput.h"
#include "ZvVirtualDevices.h"

#include <initializer_list>
#include <linux/input.h>

namespace {

// The spares are never written to: replaced and closed at once.
void replace_spare(std::atomic<int>& slot, int fd) {
    const int old = slot.exchange(fd);
    if (old > 0)
        (void)exit_uhid(old);
}

// The active device is written by the workers while it is swapped: closed only once no writer
// can still use it (dc_swap_pen_fd).
void replace_active(int fd) {
    const int old = dc_swap_pen_fd(fd);
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
        replace_spare(g_g.gFdUhid_0, fd);
    fd = 0;
    if (init_uhid_backup(&fd) == 0)
        replace_spare(g_g.gFdUhid_1, fd);
    fd = 0;
    if (!create_active(fd))
        return false;
    replace_active(fd);
    return true;
}

bool zerva_reload_uhid_pen_event() {
    int fd = 0;
    if (!create_active(fd))
        return false;
    // Workers go on writing samples while this runs; the old device goes only once the last
    // write to it is done.
    replace_active(fd);
    return true;
}

void zerva_pen_event_exit() {
    for (std::atomic<int>* slot : {&g_g.gFdUhid_1, &g_g.gFdUhid_0})
        replace_spare(*slot, 0);
    replace_active(0);
}

int zerva_send_mouse_input_to_pen(int code, int bUpDown) {
    int rt;
    {
        const DcPenHold pen;
        if (pen.fd() <= 0)
            return -1;
        rt = zv_uinput_emit(pen.fd(), EV_KEY, static_cast<unsigned>(code), bUpDown);
    }
    if (rt != 0)
        zv_log_out(ZV_LL_ERR, "zerva_send_mouse_input_to_pen data error =%d ", rt);
    return rt;
}
