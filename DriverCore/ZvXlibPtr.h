// Owners of Xlib and XRandR results, declared once for every user of the X server in the core.
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
inline ZvDisplayPtr zv_open_display() {
    return ZvDisplayPtr(XOpenDisplay(nullptr));
}
