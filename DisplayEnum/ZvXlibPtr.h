// Owners of Xlib and XRandR results, declared once for every user of the X server.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>

struct ZvDisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using ZvDisplayPtr = std::unique_ptr<Display, ZvDisplayCloser>;

struct ZvMonitorsFree {
    void operator()(XRRMonitorInfo* m) const { XRRFreeMonitors(m); }
};
using ZvMonitorsPtr = std::unique_ptr<XRRMonitorInfo, ZvMonitorsFree>;

// The default display ($DISPLAY); null when none can be opened. Every query opens its own
// connection, so two tablet threads never share a Display; libX11 (1.8 on) locks its
// process-wide extension records itself.
//
// The pen handler asks from the tablet's input thread, for every sample while no monitor is
// known. So after a failed attempt every caller gets null without a new attempt for
// ZV_DISPLAY_RETRY_MS, and only one caller makes the next one: at most one connection attempt a
// second in the whole process while no X server answers, and a server that comes up later is
// found by the first query after the wait. The first failure of an outage is logged at ZV_LL_ERR,
// the end of it at ZV_LL_INFO. Defined in ZvDisplayEnum.cpp.
// ZV_DISPLAY_RETRY_MS and zv_display_retry_now, which ends the wait, are in ZvDisplayEnum.h.
ZvDisplayPtr zv_open_display();
