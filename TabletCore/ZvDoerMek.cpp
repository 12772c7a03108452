#include "ZvDoerMek.h"

#include "TabletParse.h"
#include "ZvKeyAction.h"
#include "ZvLog.h"
#include "ZvModelQuirks.h"
#include "ZvTabletThread.h"

#include <atomic>

namespace {

// Controls click: press and release in one, each action of the binding exactly once. The key
// combination alone is released once more, so that no key stays down whatever the click did
// with it; sending the whole binding again would start its program a second time, switch the
// display twice and flip its toggles back.
void click(ZvTabletThread& t, th_u8 mek, int slot) {
    if (slot < 0)
        return;
    ZvEkey* ek = zvdc_get_ekey_in_mek(t, mek, static_cast<th_u8>(slot));
    if (ek == nullptr)
        return;
    zvdc_mark_and_send(t, *ek, ZVEK_CLICK);
    if (ek->funcBit & ZVEF_KBTN) {
        ZvEkey keys = *ek;
        keys.funcBit = ZVEF_KBTN;
        zvdc_mark_and_send(t, keys, ZVEK_UP);
    }
}

bool control_on(ZvTabletThread& t) {
    const th_u8 c = t.obj()->curMekIdx;
    return c < ZV_MAX_MEK && (zvdec_get_cur_app_cfg(t)->bMek[c] & 1) != 0;
}

// The touch slot last touched, on any tablet.
std::atomic<int> g_lastTouchSlot{-1};

} // namespace

void ZvDoerSlider::handle() {
    if (!control_on(_t))
        return;
    _TabletObject* o = _t.obj();
    const th_u8 id = report_slider_id(o->buf, ZV_REPORT_LEN);
    if (_lastID != 0 && id != 0) {
        int slot = _lastID < id ? 1 : 0;
        if (zvdec_get_cur_app_cfg(_t)->rotateAngle == 180)
            slot = 1 - slot;
        click(_t, o->curMekIdx, slot);
        zv_log_out(ZV_LL_INFO, "ZvDoerSlider::handle() index=%d", slot);
    }
    _lastID = id; // a lifted finger (0) starts a new stroke
}

void ZvDoerRing::handle() {
    if (!control_on(_t))
        return;
    _TabletObject* o = _t.obj();
    const th_u8 id = report_slider_id(o->buf, ZV_REPORT_LEN);
    if (_lastID != 0 && id != 0 && _lastID != id) {
        const int dir = parse_ring_orientate(static_cast<th_u8>(_lastID), id, 5);
        const int slot = dir == 1 ? 0 : 1;
        click(_t, o->curMekIdx, slot);
        zv_log_out(ZV_LL_INFO, "ZvDoerRing::handle() index=%d", slot);
    }
    _lastID = id;
}

void ZvDoerDail::handle() {
    _TabletObject* o = _t.obj();
    const th_u8 c = o->curMekIdx;
    if (c >= ZV_MAX_MEK || zvdec_get_cur_app_cfg(_t)->bMek[c] != MKEY_DIAL_ENABLED_DIAL)
        return;
    const th_u8 d = report_dail_id(o->buf, ZV_REPORT_LEN);
    if (d == 0)
        return;
    click(_t, c, d - 1);
    zv_log_out(ZV_LL_INFO, "ZvDoerDail::handle() index=%d", d - 1);
}

void ZvDoerTouch::handle() {
    if (!control_on(_t))
        return;
    _TabletObject* o = _t.obj();
    int slot = parse_index_touch(report_touch_id(o->buf, ZV_REPORT_LEN));
    zv_log_out(ZV_LL_INFO, "ZvDoerTouch::handle() index=%d", slot);
    if (zv_model_has_quirk(ZvModelQuirk::TouchSlotExclusion1, o->tc.sModel) && slot >= 6 &&
        slot <= 9)
        slot = -1;
    if (zv_model_has_quirk(ZvModelQuirk::TouchSlotExclusion2, o->tc.sModel) && slot >= 8 &&
        slot <= 9)
        slot = -1;
    const int last = g_lastTouchSlot.load(std::memory_order_relaxed);
    if (slot == last)
        return;
    if (last == -1) {
        g_lastTouchSlot.store(slot, std::memory_order_relaxed);
        return;
    }
    // A key fires when the finger leaves it.
    click(_t, o->curMekIdx, last);
    g_lastTouchSlot.store(-1, std::memory_order_relaxed);
}

int ZvDoerTouch::lastSlot() {
    return g_lastTouchSlot.load();
}

void ZvDoerTouch::resetLastSlot() {
    g_lastTouchSlot.store(-1);
}
