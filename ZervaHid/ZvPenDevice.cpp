#include "ZvPenDevice.h"

#include "ZvLog.h"
#include "ZvUniqueFd.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/uinput.h>
#include <string.h>
#include <sys/ioctl.h>

namespace {

// Beside the keyboard (7D3A:FFFF) and the mouse (7D3A:EEEE) of the core.
constexpr unsigned short kPenProduct = 0xDDDD;
constexpr char kPenName[] = "Zerva pen";

// Position axes in units per millimetre: the 40000 x 25000 range reads as a 400 x 250 mm
// surface. libinput refuses a tablet whose position axes have no resolution.
constexpr int kPositionRes = 100;
// Tilt in degrees; the kernel counts tilt resolution in units per radian.
constexpr int kTiltMax = 90;
constexpr int kTiltRes = 57;

// Pen buttons first: libinput takes the device for a tablet only with the tool and the stylus
// buttons, so they are declared although samples never press them (see zv_pen_report_events).
// The mouse buttons are there because the core writes the button events of bound mouse actions
// straight to the pen's handle while the pen is in range.
constexpr int kKeys[] = {BTN_TOOL_PEN, BTN_TOUCH, BTN_STYLUS, BTN_STYLUS2,
                         BTN_LEFT,     BTN_RIGHT, BTN_MIDDLE};
// The buttons bindings press on the pen's handle: the away record lets go of them.
constexpr int kBoundButtons[] = {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE};

// Every sample ends with MSC_SERIAL. The input core drops ABS and KEY events that repeat the
// current value and then a frame with nothing left, so a pen held still in the air would send
// libinput nothing at all, and libinput's tablet code takes a tool that is silent for 50 ms out
// of proximity on its own (after which a barrel button press is lost). EV_MSC is never filtered,
// so this one event keeps every sample a frame. -1 is the value libinput reads as "no serial":
// the tool stays an anonymous pen local to this device instead of becoming a unique tool with a
// made-up serial that desktops would keep settings for. Any other MSC code would be logged by
// libinput as unhandled on every frame.
constexpr int kNoSerial = -1;

void absSetup(int fd, unsigned code, int min, int max, int res) {
    uinput_abs_setup abs;
    memset(&abs, 0, sizeof abs);
    abs.code = static_cast<__u16>(code);
    abs.absinfo.minimum = min;
    abs.absinfo.maximum = max;
    abs.absinfo.resolution = res;
    (void)ioctl(fd, UI_SET_ABSBIT, code);
    (void)ioctl(fd, UI_ABS_SETUP, &abs);
}

void declare(int fd) {
    (void)ioctl(fd, UI_SET_EVBIT, EV_KEY);
    (void)ioctl(fd, UI_SET_EVBIT, EV_ABS);
    (void)ioctl(fd, UI_SET_EVBIT, EV_MSC);
    (void)ioctl(fd, UI_SET_MSCBIT, MSC_SERIAL);
    for (int key : kKeys)
        (void)ioctl(fd, UI_SET_KEYBIT, key);
    absSetup(fd, ABS_X, 0, ZV_PEN_MAX_X, kPositionRes);
    absSetup(fd, ABS_Y, 0, ZV_PEN_MAX_Y, kPositionRes);
    absSetup(fd, ABS_PRESSURE, 0, ZV_PEN_MAX_PRESSURE, 0);
    absSetup(fd, ABS_TILT_X, -kTiltMax, kTiltMax, kTiltRes);
    absSetup(fd, ABS_TILT_Y, -kTiltMax, kTiltMax, kTiltRes);
    // Positions arrive already mapped onto the desktop, as on a pen display.
    (void)ioctl(fd, UI_SET_PROPBIT, INPUT_PROP_DIRECT);

    uinput_setup setup;
    memset(&setup, 0, sizeof setup);
    setup.id.bustype = BUS_USB;
    setup.id.vendor = 0x7D3A;
    setup.id.product = kPenProduct;
    setup.id.version = 1;
    memcpy(setup.name, kPenName, sizeof kPenName);
    (void)ioctl(fd, UI_DEV_SETUP, &setup);
}

inline void put(input_event* ev, unsigned& n, unsigned type, unsigned code, int value) {
    // The time stays zero: the kernel stamps injected events itself.
    ev[n].time.tv_sec = 0;
    ev[n].time.tv_usec = 0;
    ev[n].type = static_cast<__u16>(type);
    ev[n].code = static_cast<__u16>(code);
    ev[n].value = value;
    ++n;
}

inline int clamp(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

unsigned zv_pen_report_events(const HidDataShow& r, input_event* ev) {
    unsigned n = 0;
    if ((r.DataType & ZV_PEN_IN_RANGE) == 0) {
        // Away: release everything together with the tool so that nothing stays pressed, a
        // button a binding pressed on this device included: once the pen has left, the binding's
        // release goes to the virtual mouse and would never reach this device.
        put(ev, n, EV_ABS, ABS_PRESSURE, 0);
        put(ev, n, EV_KEY, BTN_TOUCH, 0);
        put(ev, n, EV_KEY, BTN_STYLUS, 0);
        put(ev, n, EV_KEY, BTN_STYLUS2, 0);
        for (int button : kBoundButtons)
            put(ev, n, EV_KEY, static_cast<unsigned>(button), 0);
        put(ev, n, EV_KEY, BTN_TOOL_PEN, 0);
        put(ev, n, EV_MSC, MSC_SERIAL, kNoSerial);
        put(ev, n, EV_SYN, SYN_REPORT, 0);
        return n;
    }
    // The barrel bits do not become BTN_STYLUS/BTN_STYLUS2: the desktop would turn those into
    // clicks of its own beside the button's binding, which the core carries out (on this device
    // while the pen is in range). The binding is a button's only effect.
    const bool tip = (r.DataType & ZV_PEN_TIP) != 0;
    put(ev, n, EV_ABS, ABS_X, clamp(r.XH, 0, ZV_PEN_MAX_X));
    put(ev, n, EV_ABS, ABS_Y, clamp(r.YH, 0, ZV_PEN_MAX_Y));
    // A hovering pen has no pressure: libinput decides tip contact from the pressure axis.
    put(ev, n, EV_ABS, ABS_PRESSURE, tip ? r.Pressure : 0);
    put(ev, n, EV_ABS, ABS_TILT_X, clamp(r.XAngle, -kTiltMax, kTiltMax));
    put(ev, n, EV_ABS, ABS_TILT_Y, clamp(r.YAngle, -kTiltMax, kTiltMax));
    put(ev, n, EV_KEY, BTN_TOOL_PEN, 1);
    put(ev, n, EV_KEY, BTN_TOUCH, tip ? 1 : 0);
    put(ev, n, EV_MSC, MSC_SERIAL, kNoSerial);
    put(ev, n, EV_SYN, SYN_REPORT, 0);
    return n;
}

int zv_pen_device_open(bool create, int* fd) {
    if (fd == nullptr)
        return -22;
    ZvUniqueFd dev(open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (!dev.usable()) {
        zv_log_out(ZV_LL_ERR, "zervahid: cannot open /dev/uinput (errno %d)", errno);
        return -19;
    }
    declare(dev.get());
    if (create && ioctl(dev.get(), UI_DEV_CREATE) != 0) {
        zv_log_out(ZV_LL_ERR, "zervahid: the pen device was refused (errno %d)", errno);
        return -1;
    }
    *fd = dev.release();
    return 0;
}

int zv_pen_device_send(int fd, const HidDataShow* report) {
    if (fd <= 0 || report == nullptr)
        return -22;
    input_event ev[ZV_PEN_EVENTS_MAX];
    const size_t size = zv_pen_report_events(*report, ev) * sizeof ev[0];
    return write(fd, ev, size) == static_cast<ssize_t>(size) ? 0 : -1;
}

int zv_pen_device_close(int fd) {
    if (fd <= 0)
        return -22;
    // A spare was never created; the kernel refuses to destroy it, and closing is enough.
    (void)ioctl(fd, UI_DEV_DESTROY);
    (void)close(fd);
    return 0;
}
