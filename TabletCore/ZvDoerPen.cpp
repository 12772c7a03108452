// The work of the pen handler: pressure, buttons, mapping and the record to the pen device.
#include "ZvDoerPen.h"

#include "CoordMath.h"
#include "DcGlobal.h"
#include "Funcs.h"
#include "TabletParse.h"
#include "ZvCursor.h"
#include "ZvKeyAction.h"
#include "ZvLog.h"
#include "ZvTabletThread.h"

#include <time.h>

namespace {

th_i64 now_ms() {
    // Monotonic, so that a clock change on the desktop cannot fake or hide a 200 ms gap.
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<th_i64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

void ZvDoerPen::handle() {
    _TabletObject* o = _t.obj();
    const th_u8* buf = o->buf;
    if (_b1stPenData) {
        // The first sample after the pen returns often carries a stale position.
        _b1stPenData = false;
        g_g.gPenAwayFlag.store(false, std::memory_order_relaxed);
        return;
    }
    _bCoordMapped = false;
    _dataType = report_type(buf, ZV_REPORT_LEN);
    _penData.pt.x = static_cast<float>(report_x(buf, ZV_REPORT_LEN));
    _penData.pt.y = static_cast<float>(report_y(buf, ZV_REPORT_LEN));
    _penData.ax = report_ax(buf, ZV_REPORT_LEN);
    _penData.ay = report_ay(buf, ZV_REPORT_LEN);
    _penData.cursor = o->cursor;
    _penData.curApp = static_cast<th_u32>(ZvTabletThread::_cls->curPaintApp);

    if (CheckAndSetDataType()) {
        // The tablet went quiet for longer than it ever does in range: the pen left without a
        // word. The desktop hears of it now, with whatever the pen held let go.
        releaseHeld();
        return;
    }

    const ZvAppUserCfg& app = *zvdec_get_cur_app_cfg(_t);
    const th_u32 raw = report_p(buf, ZV_REPORT_LEN);
    th_u32 ps;
    if (_penData.curApp == ZVPA_SKETCH_BOOK)
        ps = sketchBookHandle(raw);
    else if (_penData.curApp == ZVPA_ZERVA_TABLET)
        ps = raw; // the settings application shows the device's own pressure
    else
        ps = zv_calibrate_press(app, o->tc, raw);
    _penData.ps = ps;
    _penData.btn = ps != 0;

    if (_dataType == ZVRD_MEK_TOUCH_MOVE)
        _dataType = ZVRD_PEN_HOVER;
    // A curve with an activation threshold turns light touches into hovering.
    if (ps == 0 && app.pressFactor > 0)
        _dataType &= static_cast<th_u8>(~ZV_PEN_TIP);

    if (_bFixedPressure)
        _penData.ps = _fixedPressurePS;
    else
        _fixedPressurePS = _penData.ps;
    _penData.btn |= _sbnStat;

    // One barrel button at a time: the second one pressed while the first is held is ignored,
    // and only the button whose press was sent is released (both may go up in one report).
    const th_u8 now = _dataType;
    const th_u8 last = _lastDataType;
    if ((now & ZV_PEN_UPPER_BTN) && !(last & ZV_PEN_UPPER_BTN) && _lastPenKeyDataType == 0) {
        onBtnDown(2);
        _lastPenKeyDataType = 1;
        _penKeyIndex = 2;
    } else if (!(now & ZV_PEN_UPPER_BTN) && (last & ZV_PEN_UPPER_BTN) && _penKeyIndex == 2) {
        onBtnUp(2);
        _lastPenKeyDataType = 0;
        _penKeyIndex = 0;
    }
    if ((now & ZV_PEN_LOWER_BTN) && !(last & ZV_PEN_LOWER_BTN) && _lastPenKeyDataType == 0) {
        onBtnDown(1);
        _lastPenKeyDataType = 1;
        _penKeyIndex = 1;
    } else if (!(now & ZV_PEN_LOWER_BTN) && (last & ZV_PEN_LOWER_BTN) && _lastPenKeyDataType == 1 &&
               _penKeyIndex == 1) {
        onBtnUp(1);
        _lastPenKeyDataType = 0;
        _penKeyIndex = 0;
    }

    const bool relBefore = _bRelative1stPenData;
    _bSoftKeyPressFlag = false;
    _bmapRawPenCoordFlag = false;
    const bool tipIsLeft = (app.peks[0].funcBit & ZVEF_MOUSE_LEFT) != 0;
    if (_dataType & ZV_PEN_TIP) {
        if (tipIsLeft)
            onPenDown();
        else
            onHover();
    } else {
        if ((_lastDataType & ZV_PEN_TIP) && tipIsLeft)
            onPenUp();
        else
            onHover();
    }

    intoCursorHooker();
    if (relBefore == _bRelative1stPenData && !_bSoftKeyPressFlag && !_bmapRawPenCoordFlag)
        send_pen_data();
    if (_dataType != 0) {
        _lastDataType = _dataType;
        return;
    }
    // Kind 0 was still sent: it tells the pen device that the pen left.
    onAway();
}

bool ZvDoerPen::softKeysOn() const {
    return zvdec_get_cur_app_cfg(_t)->bSek != 0 && _t.obj()->tc.sekNum != 0;
}

bool ZvDoerPen::calibrating() const {
    const _TabletObject* o = _t.obj();
    return o->tc.bMonitor != 0 && o->bCalibrating;
}

void ZvDoerPen::onHover() {
    _penData.ps = 0;
    if (calibrating())
        return;
    if (softKeysOn()) {
        if (_lastDataType != ZVRD_PEN_PRESS)
            _doerSkey.record1stPoint(_penData.pt);
        if (_doerSkey.onDown(_penData.pt)) {
            _bSoftKeyPressFlag = true;
            return;
        }
    }
    if (mapRawPenCoord())
        _t.coordMap().cPtInCursorCoord(_penData.pr, _penData.pt);
    else
        _bmapRawPenCoordFlag = true;
}

void ZvDoerPen::onPenDown() {
    if (calibrating())
        return;
    if (softKeysOn()) {
        if (_lastDataType != ZVRD_PEN_PRESS)
            _doerSkey.record1stPoint(_penData.pt);
        if (_doerSkey.onDown(_penData.pt)) {
            _bSoftKeyPressFlag = true;
            return;
        }
    }
    if (mapRawPenCoord()) {
        if (zvdec_get_cur_app_cfg(_t)->bCtrlCursor)
            _t.coordMap().cPtInCursorCoord(_penData.pr, _penData.pt);
    } else {
        _bmapRawPenCoordFlag = true;
    }
}

void ZvDoerPen::onPenUp() {
    if (zv_log_enabled(ZV_LL_DEBUG))
        zv_log_out(ZV_LL_DEBUG, "ZvDoerPen::onPenUp()");
    if (calibrating())
        return;
    if (softKeysOn() && _doerSkey.onUp(_penData.pt)) {
        _bSoftKeyPressFlag = true;
        return;
    }
    if (mapRawPenCoord()) {
        if (zvdec_get_cur_app_cfg(_t)->bCtrlCursor)
            _t.coordMap().cPtInCursorCoord(_penData.pr, _penData.pt);
    } else {
        _bmapRawPenCoordFlag = true;
    }
}

bool ZvDoerPen::mapRawPenCoord() {
    if (_bCoordMapped)
        return true;
    _TabletObject* o = _t.obj();
    const ZvAppUserCfg& app = *zvdec_get_cur_app_cfg(_t);
    ZvCoordMap& map = _t.coordMap();
    zv_calibrate_point(o->tc, o->uc.base, _penData.pt);
    map.cRatioInRawCoord(_penData.pt, _penData.pr);
    map.cPtInRawCoord(_penData.pr, _penData.pt);
    switch (app.rotateAngle) {
    case 90:
        zv_angle_rotate90(_penData.ax, _penData.ay);
        break;
    case 180:
        zv_angle_rotate180(_penData.ax, _penData.ay);
        break;
    case 270:
        zv_angle_rotate270(_penData.ax, _penData.ay);
        break;
    default:
        break;
    }
    _bCoordMapped = true;
    if (app.bAbsoluteMode)
        return true;

    const CGPoint mapped = _penData.pt;
    bool result;
    if (!_bRelative1stPenData) {
        // Mouse mode moves from where the pointer is when the pen comes into range.
        _bRelative1stPenData = true;
        CGPoint cursor{};
        (void)GetCursorPos(cursor);
        map.cPtFromCurScreenToRawCoord(cursor);
        _lastCursorPt = cursor;
        result = false;
    } else {
        const float dx = mapped.x - _lastPenPt.x;
        const float dy = mapped.y - _lastPenPt.y;
        // A gain of 0.36 per speed step: 0.3 times the move plus a fifth of it.
        CGPoint out;
        out.x = static_cast<float>(_lastCursorPt.x + app.mouseModeA * 0.3 * (dx + dx / 5));
        out.y = static_cast<float>(_lastCursorPt.y + app.mouseModeA * 0.3 * (dy + dy / 5));
        map.cRatioFromCSMapRawCoordToWorkCoord(out, _penData.pr);
        if (zv_log_enabled(ZV_LL_DEBUG))
            zv_log_out(ZV_LL_DEBUG,
                       "PenHandler::mapRawPenCoord(), [x:%f, y:%f], [off_x:%f, off_y:%f], "
                       "[b_x:%f, b_y:%f], b_pr(%f, %f)",
                       mapped.x, mapped.y, dx, dy, out.x, out.y, _penData.pr.x, _penData.pr.y);
        _penData.pt = out;
        _lastCursorPt = out;
        result = true;
    }
    _lastPenPt = mapped;
    return result;
}

void ZvDoerPen::send_pen_data() {
    const ZvTabletCfg& tc = _t.obj()->tc;
    if (tc.maxX == 0 || tc.maxY == 0)
        return; // no range reported: there is nothing to scale by
    _penData.pt.x *= static_cast<float>(ZV_PEN_MAX_X) / static_cast<float>(tc.maxX);
    _penData.pt.y *= static_cast<float>(ZV_PEN_MAX_Y) / static_cast<float>(tc.maxY);
    HidDataShow r{};
    r.reportID = 0;
    r.DataType = _dataType;
    r.XH = static_cast<th_u16>(static_cast<th_i32>(_penData.pt.x));
    r.YH = static_cast<th_u16>(static_cast<th_i32>(_penData.pt.y));
    r.Pressure = zv_pen_pressure_to_axis(_penData.ps, tc.maxP);
    r.XAngle = _penData.ax;
    r.YAngle = _penData.ay;
    sendRecord(r);
}

void ZvDoerPen::sendRecord(const HidDataShow& r) {
    _lastSent = r;
    const DcPenHold pen;
    if (pen.fd() > 0)
        (void)send_uinput_pen_event(pen.fd(), &r);
}

bool ZvDoerPen::CheckAndSetDataType() {
    if (!_noAwayEventSendDeviceFlag)
        return false;
    const th_i64 now = now_ms();
    bool away = false;
    if (now - m_timeSaveCurrent > 200 && _lastDataType != 0) {
        _dataType = 0;
        if (zv_log_enabled(ZV_LL_DEBUG))
            zv_log_out(ZV_LL_DEBUG, "void ZvDoerPen::CheckAndSetDataType() _dataType = 0x00!!");
        away = true;
    }
    m_timeSaveCurrent = now;
    return away;
}

th_u32 ZvDoerPen::sketchBookHandle(th_u32 raw) {
    const ZvAppUserCfg& app = *zvdec_get_cur_app_cfg(_t);
    const ZvTabletCfg& tc = _t.obj()->tc;
    if (app.pressFactor != 0)
        return zv_calibrate_press(app, tc, raw);
    // That application wants a softer start than the linear default. Built once: the record
    // is far too big for the stack of a report callback.
    static const ZvAppUserCfg soft = [] {
        ZvAppUserCfg s{};
        s.pressCtrlPt[0] = ZvPoint{0, 0};
        s.pressCtrlPt[1] = ZvPoint{898, 2113};
        s.pressCtrlPt[2] = ZvPoint{1928, 6235};
        s.pressFactor = 1;
        return s;
    }();
    return zv_calibrate_press(soft, tc, raw);
}

void ZvDoerPen::onBtnDown(int index) {
    if (!mapRawPenCoord())
        return;
    _btnEkey = zvdec_get_cur_app_cfg(_t)->peks[index];
    _btnEkeyDown = true;
    zvdc_mark_and_send(_t, _btnEkey, ZVEK_DOWN);
}

void ZvDoerPen::onBtnUp(int index) {
    if (zv_log_enabled(ZV_LL_DEBUG))
        zv_log_out(ZV_LL_DEBUG, "ZvDoerPen::onBtnUp(%d)", index);
    // The mapping places the pointer as for any sample (and anchors mouse mode on a return);
    // the release is due whatever it says, since the press went out.
    (void)mapRawPenCoord();
    releaseBtnBinding();
}

void ZvDoerPen::releaseBtnBinding() {
    if (!_btnEkeyDown)
        return;
    _btnEkeyDown = false;
    zvdc_mark_and_send(_t, _btnEkey, ZVEK_UP);
}

void ZvDoerPen::releasePenBtn() {
    // Not the user's release: what the button holds goes up, and nothing its release would set
    // off (a program start, a display switch) happens.
    if (_btnEkeyDown) {
        _btnEkeyDown = false;
        zvdc_let_go(_t, _btnEkey);
    }
    _lastPenKeyDataType = 0;
    _penKeyIndex = 0;
}

void ZvDoerPen::releaseHeld() {
    // The binding first: while the pen is in range its mouse buttons went to the pen device, and
    // there they are to go up before the pen leaves.
    releasePenBtn();
    if (_lastSent.DataType & ZV_PEN_IN_RANGE) {
        HidDataShow away{};
        away.DataType = 0;
        sendRecord(away);
    }
    // Whatever the tablet reports next starts afresh, without a tip or button edge inferred
    // from before.
    _lastDataType = ZV_PEN_IN_RANGE;
    onAway_();
}
