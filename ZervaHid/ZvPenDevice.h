// The pen device behind libzervahid's exports: its declaration to uinput and the translation of
// one pen sample into input events.
#pragma once

#include "ZervaHid.h"

#include <linux/input.h>

// Most events one sample becomes, SYN_REPORT included (the away record).
enum { ZV_PEN_EVENTS_MAX = 10 };

// Fills ev with the events of one sample, ending with SYN_REPORT; returns how many.
unsigned zv_pen_report_events(const HidDataShow& report, input_event* ev);

// Opens /dev/uinput and declares the pen device; creates it when `create` is set. Results as
// init_uinput_pen_test. *fd is written only on success.
int zv_pen_device_open(bool create, int* fd);

int zv_pen_device_send(int fd, const HidDataShow* report);

int zv_pen_device_close(int fd);
