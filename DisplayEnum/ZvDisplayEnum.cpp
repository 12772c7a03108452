#include "ZvDisplayEnum.h"

#include "ZvLog.h"
#include "ZvXlibPtr.h"

#include <atomic>
#include <time.h>

namespace {

// Milliseconds of the coarse monotonic clock, read in the vDSO: no system call, so waiting out
// an outage costs a pen sample one clock read and one atomic load.
th_i64 now_ms() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return th_i64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// 0 while the last attempt succeeded: every query opens at once. Otherwise the time from which
// the next attempt may be made.
std::atomic<th_i64> g_nextTryMs{0};
// One line per outage: its first failure, and its end.
std::atomic<bool> g_outageLogged{false};

} // namespace

ZvDisplayPtr zv_open_display() {
    th_i64 next = g_nextTryMs.load(std::memory_order_relaxed);
    if (next != 0) {
        // The caller that moves the time on makes the attempt; the others keep waiting, so two
        // tablet threads do not double the rate.
        const th_i64 now = now_ms();
        if (now < next || !g_nextTryMs.compare_exchange_strong(next, now + ZV_DISPLAY_RETRY_MS,
                                                               std::memory_order_relaxed))
            return ZvDisplayPtr();
    }
    ZvDisplayPtr d(XOpenDisplay(nullptr));
    if (d) {
        g_nextTryMs.store(0, std::memory_order_relaxed);
        if (g_outageLogged.exchange(false))
            zv_log_out(ZV_LL_INFO, "X display %s answers again", DisplayString(d.get()));
        return d;
    }
    // Counted from the end of the attempt, which can be slow (a remote display that does not
    // answer): the next one must not be due at once.
    g_nextTryMs.store(now_ms() + ZV_DISPLAY_RETRY_MS, std::memory_order_relaxed);
    if (!g_outageLogged.exchange(true)) {
        const char* name = XDisplayName(nullptr);
        zv_log_out(ZV_LL_ERR,
                   "XOpenDisplay open error! (DISPLAY %s); asking again at most once a second",
                   name && name[0] ? name : "unset");
    }
    return d;
}

void zv_display_retry_now() {
    g_nextTryMs.store(0, std::memory_order_relaxed);
}

bool zvcb_enum_display_Xrandr(ZvRect* displayRects, unsigned* displayNum) {
    ZvDisplayPtr d = zv_open_display();
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
    ZvDisplayPtr d = zv_open_display();
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
