// The exported interface of libzervahid: argument checks over ZvPenDevice.
#include "ZervaHid.h"
#include "ZvPenDevice.h"

extern "C" ZV_HID_EXPORT int init_uhid_backup(int* fd) {
    return zv_pen_device_open(/* create= */ false, fd);
}

extern "C" ZV_HID_EXPORT int init_uinput_pen_test(int* fd) {
    return zv_pen_device_open(/* create= */ true, fd);
}

extern "C" ZV_HID_EXPORT int send_uinput_pen_event(int fd, const HidDataShow* report) {
    return zv_pen_device_send(fd, report);
}

extern "C" ZV_HID_EXPORT int exit_uhid(int fd) {
    return zv_pen_device_close(fd);
}
