#include "ZvUinput.h"

#include "ZvLog.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/uinput.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/time.h>

ZvUniqueFd zv_uinput_open() {
    return ZvUniqueFd(open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC));
}

bool zv_uinput_create(int fd, unsigned short product, const char* name) {
    uinput_setup setup;
    memset(&setup, 0, sizeof setup);
    setup.id.bustype = BUS_USB;
    setup.id.vendor = 0x7D3A;
    setup.id.product = product;
    setup.id.version = 0;
    strncpy(setup.name, name, sizeof setup.name - 1);
    (void)ioctl(fd, UI_DEV_SETUP, &setup);
    if (ioctl(fd, UI_DEV_CREATE) != 0) {
        zv_log_out(ZV_LL_ERR, "uinput refused the device \"%s\" (errno %d)", name, errno);
        return false;
    }
    return true;
}

int zv_uinput_emit(int fd, unsigned type, unsigned code, int value) {
    input_event ev[2];
    memset(ev, 0, sizeof ev);
    timeval now;
    gettimeofday(&now, nullptr);
    ev[0].time = now;
    ev[0].type = static_cast<__u16>(type);
    ev[0].code = static_cast<__u16>(code);
    ev[0].value = value;
    ev[1].time = now;
    ev[1].type = EV_SYN;
    ev[1].code = SYN_REPORT;
    const ssize_t n = write(fd, ev, sizeof ev);
    if (n == static_cast<ssize_t>(sizeof ev))
        return 0;
    return n < 0 ? static_cast<int>(n) : -1;
}

void zv_publish_fd(std::atomic<int>& slot, int fd) {
    const int old = slot.exchange(fd);
    if (old > 0)
        (void)close(old);
}

bool zv_close_fd(std::atomic<int>& slot) {
    const int old = slot.exchange(0);
    if (old <= 0)
        return false;
    (void)close(old);
    return true;
}
