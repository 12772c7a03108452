#include "ZvDoerHkey.h"

#include "CoordMath.h"
#include "TabletParse.h"
#include "ZvKeyAction.h"
#include "ZvLog.h"
#include "ZvTabletThread.h"

#include <string.h>

void ZvDoerHkey::handle() {
    _TabletObject* o = _t.obj();
    if (o->tc.hekNum == 0)
        return;
    // An active tablet reports the keys held now: release the previous one first. A passive
    // one reports presses only, and a report without keys is the release.
    if (!o->tc.bPassive && _lastID != 0)
        handleHek(0);
    const th_u32 key = report_hbtn_id(o->buf, ZV_REPORT_LEN);
    zv_log_out(ZV_LL_INFO, "HBtnHandler::handleData() key=%d, lastKey=%d", key, _lastID);
    if ((key != 0 || _lastID != 0) && (o->tc.bPassive || static_cast<th_i32>(key) != _lastID))
        handleHek(key);
}

void ZvDoerHkey::handleHek(th_u32 hekID) {
    if (hekID == 0) {
        releaseHeld();
        return;
    }
    _TabletObject* o = _t.obj();
    const int slot = parse_index_hek(hekID, o->tc);
    if (slot < 0 || slot >= ZV_MAX_HEK)
        return;
    zv_log_out(ZV_LL_INFO, "HBtnHandler::handleHek(%x) heks[%d]", hekID, slot);
    ZvAppUserCfg* app = zvdec_get_cur_app_cfg(_t);
    const ZvEkey& ek =
        report_type(o->buf, ZV_REPORT_LEN) == ZVRD_HKEY ? app->heks[slot] : app->theks[slot];
    // The key that switches a control's function set works even with express keys off, as
    // long as its control is on.
    if (ek.funcBit == ZVEF_SWITCH_MEK_FUNC) {
        if (!(app->bMek[o->curMekIdx % ZV_MAX_MEK] & 1))
            return;
    } else if (!app->bHek) {
        return;
    }
    // Only one press is remembered: another key pressed meanwhile (a passive tablet reports
    // presses only) lets the held one go first, or nothing would ever release it.
    if (_bHeld && static_cast<th_i32>(hekID) != _lastID)
        releaseHeld();
    _held = ek;
    if (o->buf[3] == 2)
        numSwitch(o->buf, slot, _held);
    zv_mark_ekey_event(_held, ZVEK_DOWN);
    _bHeld = true;
    _lastID = static_cast<th_i32>(hekID);
    zvdc_send_ekey(_t, _held);
    zv_log_out(ZV_LL_INFO, "zvdc_send_ekey over");
}

void ZvDoerHkey::onTimeout(th_u32 count) {
    if (count == 0xFFFFFFFFu)
        letGo();
}

void ZvDoerHkey::letGo() {
    release(/* byUser= */ false);
}

void ZvDoerHkey::releaseHeld() {
    release(/* byUser= */ true);
}

void ZvDoerHkey::release(bool byUser) {
    _lastID = 0;
    if (!_bHeld)
        return;
    _bHeld = false;
    if (!byUser) {
        zvdc_let_go(_t, _held);
        return;
    }
    // Whatever the switches say now: they decide about presses, and this press was sent.
    zv_mark_ekey_event(_held, ZVEK_UP);
    zvdc_send_ekey(_t, _held);
}

void numSwitch(const th_u8*, int i, ZvEkey& ek) {
    // Key codes are input event codes: the digits 1 to 5 are KEY_1 (2) to KEY_5 (6), not the
    // characters '1' to '5' (49 to 53), which would type N, M, comma, dot and slash.
    const th_u8 kKey1 = 2;
    const th_u8 own = ek.kbtn.kbKeys[0].code;
    memset(&ek.kbtn, 0, sizeof ek.kbtn);
    ek.kbtn.len = 1;
    ek.kbtn.kbKeys[0].code = i >= 0 && i <= 4 ? static_cast<th_u8>(kKey1 + i) : own;
}

bool isPtInSbtnArea(const ZvRect& rect, const CGPoint& pt) {
    return pt.y < rect.top || pt.x < rect.left || pt.x > rect.right || pt.y > rect.bottom;
}

void ZvDoerSkey::init() {
    _TabletObject* o = _t.obj();
    const ZvRect raw{0, 0, static_cast<th_i32>(o->tc.maxX), static_cast<th_i32>(o->tc.maxY)};
    zv_project_rect(o->lt.penArea, o->lt.sekInRect, raw, o->penCtrlRect);
    zv_log_out(ZV_LL_INFO, "penCtrlRect[lt(%d, %d), rb(%d, %d)]", o->penCtrlRect.left,
               o->penCtrlRect.top, o->penCtrlRect.right, o->penCtrlRect.bottom);
    m_sbtnNum = o->tc.sekNum < ZV_MAX_SEK ? o->tc.sekNum : unsigned(ZV_MAX_SEK);
    for (unsigned j = 0; j < m_sbtnNum; ++j)
        zv_project_rect(o->lt.penArea, o->lt.seks[j], raw, m_sbtnRects[j]);
    m_bHandle = false;
}

void ZvDoerSkey::uninit() {
    m_sbtnNum = 0;
}

void ZvDoerSkey::record1stPoint(const CGPoint& pt) {
    if (zvdec_get_cur_app_cfg(_t)->bSek && isPtInSbtnArea(_t.obj()->penCtrlRect, pt)) {
        m_bHandle = true;
        m_1stPt = pt;
    }
}

bool ZvDoerSkey::onDown(const CGPoint& pt) {
    if (!m_bHandle)
        return false;
    if (isPtInSbtnArea(_t.obj()->penCtrlRect, pt))
        return true;
    m_bHandle = false; // the stroke left the soft keys: it belongs to the pen again
    return false;
}

bool ZvDoerSkey::onUp(const CGPoint& pt) {
    if (!m_bHandle)
        return false;
    m_bHandle = false;
    if (!isPtInSbtnArea(_t.obj()->penCtrlRect, pt))
        return false;
    for (unsigned j = 0; j < m_sbtnNum; ++j) {
        if (zv_is_in_rect(pt, m_sbtnRects[j]) && zv_is_in_rect(m_1stPt, m_sbtnRects[j])) {
            zvdc_mark_and_send(_t, zvdec_get_cur_app_cfg(_t)->seks[j], ZVEK_CLICK);
            zv_log_out(ZV_LL_INFO, "ZvDoerSkey::onUp() i=%d", j);
            break;
        }
    }
    return true;
}
