#include "ZvCoreCallbacks.h"

#include "DcGlobal.h"
#include "MsgHandler.h"
#include "ZvVirtualDevices.h"

#include <stdio.h>
#include <string.h>

void on_recv_msg(const ZvMsg* msg) {
    if (MsgHandler* h = g_g.msgHandler)
        h->onMsg(*msg);
}

void on_timer(unsigned id) {
    if (MsgHandler* h = g_g.msgHandler)
        h->onTimer(id);
}

void on_rev_event(int size, const char* buf, int value) {
    if (value > 0) {
        on_timer(static_cast<unsigned>(value));
        return;
    }
    if (value < 0 || buf == nullptr)
        return;
    // Copied: the record in buf need not be aligned, and a short one is completed with zeros.
    ZvMsg msg;
    memset(&msg, 0, sizeof msg);
    const size_t n = size <= 0 || static_cast<size_t>(size) > sizeof msg
                         ? sizeof msg
                         : static_cast<size_t>(size);
    memcpy(&msg, buf, n);
    on_recv_msg(&msg);
}

void on_screen_info(const ZvRect* /*rects*/, unsigned num) {
    printf("QT MESSAGE INTRUPT on_screen_info,l,r,t,b()num =%d\n", num);
    if (MsgHandler* h = g_g.msgHandler)
        h->refreshMonitors();
}

void on_screen_changed() {
    if (g_g.gFdUhid.load() > 0)
        (void)zerva_reload_uhid_pen_event();
    if (MsgHandler* h = g_g.msgHandler)
        h->refreshMonitors();
}
