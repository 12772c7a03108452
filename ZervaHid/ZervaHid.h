// libzervahid: the virtual pen device of the core. A uinput tablet whose position axes span the
// desktop in a 40000 x 25000 logical range; the core feeds it one 12-byte HidDataShow record per
// pen sample. The pen device is shared by every connected tablet.
#pragma once

#include "ZvType.h"

#include <stddef.h>
#include <type_traits>

#define ZV_HID_EXPORT __attribute__((visibility("default")))

// Logical ranges of the pen device.
enum {
    ZV_PEN_MAX_X = 40000,
    ZV_PEN_MAX_Y = 25000,
    ZV_PEN_MAX_PRESSURE = 65535,
};

// Bits of DataType.
enum {
    ZV_PEN_IN_RANGE = 0x80, // the pen is near the surface; clear: it went away
    ZV_PEN_TIP = 0x01,      // the tip touches
    ZV_PEN_LOWER_BTN = 0x02,
    ZV_PEN_UPPER_BTN = 0x04,
};

#pragma pack(push, 1)
// One pen sample.
typedef struct _HidDataShow {
    th_u8 reportID;  // 0
    th_u8 DataType;  // ZV_PEN_* bits
    th_u16 XH;       // 0 .. ZV_PEN_MAX_X
    th_u16 YH;       // 0 .. ZV_PEN_MAX_Y
    th_u16 Pressure; // 0 .. ZV_PEN_MAX_PRESSURE: see zv_pen_pressure_to_axis
    th_u8 XL;        // 0
    th_u8 YL;        // 0
    th_i8 XAngle;    // tilt in degrees
    th_i8 YAngle;
} HidDataShow;
#pragma pack(pop)

static_assert(sizeof(HidDataShow) == 12, "HidDataShow is 12 bytes");
static_assert(offsetof(HidDataShow, DataType) == 1 && offsetof(HidDataShow, XH) == 2 &&
                  offsetof(HidDataShow, YH) == 4 && offsetof(HidDataShow, Pressure) == 6 &&
                  offsetof(HidDataShow, XL) == 8 && offsetof(HidDataShow, YL) == 9 &&
                  offsetof(HidDataShow, XAngle) == 10 && offsetof(HidDataShow, YAngle) == 11,
              "HidDataShow layout");
static_assert(std::is_trivially_copyable<HidDataShow>::value &&
                  std::is_standard_layout<HidDataShow>::value,
              "HidDataShow is copied as bytes");

// The pen device is shared by tablets whose pressure ranges differ (1023 to 65535 levels), so its
// pressure axis is fixed at 0..65535 and every tablet's pressure is spread over all of it before
// it is sent: a light tablet's full press reaches the same maximum as a heavy one's, and every
// tablet level stays a distinct axis value. Rounds to nearest; values above maxP count as maxP.
// maxP 0 (no range known) passes the value through.
inline th_u16 zv_pen_pressure_to_axis(th_u32 pressure, th_u16 maxP) {
    if (maxP == 0)
        return static_cast<th_u16>(
            pressure > th_u32(ZV_PEN_MAX_PRESSURE) ? th_u32(ZV_PEN_MAX_PRESSURE) : pressure);
    if (pressure >= maxP)
        return ZV_PEN_MAX_PRESSURE;
    return static_cast<th_u16>((pressure * th_u32(ZV_PEN_MAX_PRESSURE) + maxP / 2u) / maxP);
}

extern "C" {

// Sets up a spare pen device: a uinput handle with the pen's identity and capabilities, not yet
// shown to the system. On success stores the handle in *fd and returns 0; -22 for a null fd,
// -19 when /dev/uinput cannot be opened. *fd is untouched on failure. Release with exit_uhid.
ZV_HID_EXPORT int init_uhid_backup(int* fd);

// Creates the pen device. Same results as init_uhid_backup, and -1 when the system refuses the
// device. The handle also takes raw input events (EV_KEY BTN_LEFT/RIGHT/MIDDLE and SYN_REPORT)
// written to it directly. Release with exit_uhid.
ZV_HID_EXPORT int init_uinput_pen_test(int* fd);

// Emits one pen sample as one event group with one write, so samples of two tablets sharing the
// device never interleave. Every sample is a frame that reaches the desktop, however still the
// pen; the barrel bits press no stylus button (the core carries out the buttons' bindings); a
// record without ZV_PEN_IN_RANGE takes the pen away and lets go of every button of the device.
// Returns 0, -22 for a handle <= 0 or a null report, -1 when the write fails. Never allocates,
// blocks or logs.
ZV_HID_EXPORT int send_uinput_pen_event(int fd, const HidDataShow* report);

// Destroys the device of a handle from init_uhid_backup or init_uinput_pen_test and closes the
// handle. Returns 0, or -22 for a handle <= 0.
ZV_HID_EXPORT int exit_uhid(int fd);
}
