// The relative-axis event device that the core holds open, and the search for it.
#include "DcGlobal.h"
#include "ZvLog.h"
#include "ZvUinput.h"
#include "ZvVirtualDevices.h"

#include <fcntl.h>
#include <linux/input.h>
#include <stdio.h>
#include <sys/ioctl.h>

int getEventNum(int type) {
    for (int n = 0; n < 32; ++n) {
        char path[64];
        snprintf(path, sizeof path, "/dev/input/event%d", n);
        ZvUniqueFd fd(open(path, O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0)
            continue;
        int version = 0;
        char name[256] = "???";
        unsigned char types[4] = {};
        (void)ioctl(fd.get(), EVIOCGVERSION, &version);
        (void)ioctl(fd.get(), EVIOCGNAME(sizeof name), name);
        name[sizeof name - 1] = '\0';
        (void)ioctl(fd.get(), EVIOCGBIT(0, sizeof types), types);
        zv_log_out(ZV_LL_DEBUG, "%s", path);
        zv_log_out(ZV_LL_DEBUG, "    evdev version: %d.%d.%d", version >> 16, (version >> 8) & 0xff,
                   version & 0xff);
        zv_log_out(ZV_LL_DEBUG, "    name: %s", name);
        zv_log_out(ZV_LL_DEBUG, "    features: 0x%02x%02x%02x%02x", types[3], types[2], types[1],
                   types[0]);
        if (type >= 0 && type <= 30 && ((types[type / 8] >> (type % 8)) & 1) != 0)
            return n;
    }
    return -1;
}

bool zerva_mouse_rel_event_init() {
    const int n = getEventNum(EV_REL);
    if (n < 0)
        return false;
    char path[64];
    snprintf(path, sizeof path, "/dev/input/event%d", n);
    zv_log_out(ZV_LL_INFO, "\n mouse rel event path = %s ", path);
    ZvUniqueFd fd(open(path, O_RDWR | O_CLOEXEC));
    if (!fd.usable()) {
        zv_log_out(ZV_LL_ERR, "Can not open mouse  rel wheel input file");
        return false;
    }
    zv_publish_fd(g_g.gFdRelMouse, fd.release());
    return true;
}

void zerva_mouse_rel_event_exit() {
    if (zv_close_fd(g_g.gFdRelMouse))
        zv_log_out(ZV_LL_INFO, "zerva_mouse_rel_event_exit ");
}

// No code opens the absolute-mouse handle; closing it is part of the orderly shutdown.
void zerva_mouse_abs_event_exit() {
    if (zv_close_fd(g_g.gFdAbsMouse))
        zv_log_out(ZV_LL_INFO, "zerva_mouse_event_exit ");
}
