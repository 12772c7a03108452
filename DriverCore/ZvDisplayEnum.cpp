#include "ZvDisplayEnum.h"

#include "ZvLog.h"
#include "ZvXlibPtr.h"

#include <atomic>

namespace {

// Without an X server (the core starts before the desktop, or runs on a console) the map asks
// again on every pen sample; one line per outage is enough.
std::atomic<bool> g_openFailLogged{false};

ZvDisplayPtr open_display() {
    ZvDisplayPtr d = zv_open_display();
    if (!d) {
        if (!g_openFailLogged.exchange(true))
            zv_log_out(ZV_LL_ERR, "XOpenDisplay open error!");
        return d;
    }
    g_openFailLogged.store(false);
    return d;
}

} // namespace

bool zvcb_enum_display_Xrandr(ZvRect* displayRects, unsigned* displayNum) {
    ZvDisplayPtr d = open_display();
    if (!d)
        return false;
    // XRRGetMonitors on a server without RandR 1.5 is a protocol error, and Xlib's default
    // handler for it ends the process. The core query comes first: libXrandr's own one leaks its
    // per-display record on a server that lacks the extension.
    int opcode = 0, eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XQueryExtension(d.get(), "RANDR", &opcode, &eventBase, &errorBase) ||
        !XRRQueryVersion(d.get(), &major, &minor) || major < 1 || (major == 1 && minor < 5)) {
        zv_log_out(ZV_LL_WARN, "zvcb_enum_display_Xrandr: no XRandR 1.5 (%d.%d)", major, minor);
        return false;
    }
    int count = 0;
    ZvMonitorsPtr mons(
        XRRGetMonitors(d.get(), RootWindow(d.get(), DefaultScreen(d.get())), True, &count));
    if (!mons)
        count = 0;
    zv_log_out(ZV_LL_INFO, "zvcb_enum_display_Xrandr monitorCount=%d ", count);
    ZvRect rects[ZV_MAX_MONITORS] = {};
    unsigned kept = 0;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = mons.get()[i];
        zv_log_out(ZV_LL_INFO,
                   "XRRMonitorInfo: index:%d primary:%d x:%d y: %d noutput:%d width:%d height:%d "
                   "widthmm:%d heightm:%d outputs:%d \n",
                   i, m.primary, m.x, m.y, m.noutput, m.width, m.height, m.mwidth, m.mheight,
                   m.noutput > 0 && m.outputs ? int(m.outputs[0]) : 0);
        if (kept < ZV_MAX_MONITORS)
            rects[kept++] = ZvRect{m.x, m.y, m.x + m.width, m.y + m.height};
    }
    for (unsigned i = 0; i < kept; ++i)
        displayRects[i] = rects[i];
    *displayNum = kept;
    return true;
}

void zvcb_enum_display(ZvRect* displayRects, unsigned* displayNum) {
    ZvDisplayPtr d = open_display();
    if (!d)
        return;
    ZvRect rects[ZV_MAX_MONITORS] = {};
    unsigned num = 0;
    const int screens = ScreenCount(d.get());
    for (int j = 0; j < screens; ++j) {
        const int sw = DisplayWidth(d.get(), j), sh = DisplayHeight(d.get(), j);
        zv_log_out(ZV_LL_INFO, "screen%d mw=%d,mh=%d,sw %d,sh %d \n", j, DisplayWidthMM(d.get(), j),
                   DisplayHeightMM(d.get(), j), sw, sh);
        if (num < ZV_MAX_MONITORS)
            rects[num++] = ZvRect{0, 0, sw, sh};
    }
    // The X screens are only the fallback for a server without XRandR, or one that lists no
    // monitor (every output off): an empty list would leave the map without a desktop.
    ZvRect monitors[ZV_MAX_MONITORS] = {};
    unsigned monitorNum = 0;
    if (zvcb_enum_display_Xrandr(monitors, &monitorNum) && monitorNum > 0) {
        for (unsigned i = 0; i < monitorNum; ++i)
            rects[i] = monitors[i];
        num = monitorNum;
    }
    for (unsigned i = 0; i < num; ++i)
        displayRects[i] = rects[i];
    *displayNum = num;
    zv_log_out(ZV_LL_INFO, "%s", "");
}
