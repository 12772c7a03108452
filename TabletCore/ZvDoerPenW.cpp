// The pen handler's entry points, its start-up (with the cursor wake-up some models need) and
// the pointer queries of mouse mode.
#include "ZvDoerPen.h"

#include "DcGlobal.h"
#include "ZvCursor.h"
#include "ZvLog.h"
#include "ZvModelQuirks.h"
#include "ZvTabletThread.h"
#include "ZvVirtualDevices.h"

ZvDoerPen::ZvDoerPen(ZvTabletThread& t) : _doerSkey(t), _t(t) {}

bool ZvDoerPen::init() {
    init_();
    return true;
}

void ZvDoerPen::uninit() {
    uninit_();
}

void ZvDoerPen::onAway() {
    onAway_();
}

void ZvDoerPen::init_() {
    _lastDataType = 0x80;
    _lastPenKeyDataType = 0;
    _penKeyIndex = 0;
    _penData = ZvPenData{};
    const ZvTabletCfg& tc = _t.obj()->tc;
    if (tc.sekNum != 0)
        _doerSkey.init();
    _t.coordMap().init();
    _noAwayEventSendDeviceFlag = zv_model_has_quirk(ZvModelQuirk::NoAwayEvent, tc.sModel);
    if (_noAwayEventSendDeviceFlag)
        zv_log_out(ZV_LL_INFO, "\n\n _noAwayEventSendDeviceFlag == true");
    wakeCursor();
    _b1stProximity = false;
    _bRelative1stPenData = false;
    _b1stPenData = true;
    g_g.gPenAwayFlag.store(true, std::memory_order_relaxed);
    _sbnStat = 0;
    _bFixedPressure = false;
    _fixedPressurePS = 0;
    _moveRollFlag = false;
}

void ZvDoerPen::uninit_() {
    // init_ forgets the barrel buttons and the pen's state: let go of them on the desktop first.
    releaseHeld();
    if (_t.obj()->tc.sekNum != 0)
        _doerSkey.uninit();
}

// Some models leave the desktop's pointer hidden until an input device moves it; once, right
// after the worker starts, we nudge it with a key or a tiny hover movement.
void ZvDoerPen::wakeCursor() {
    const char* model = _t.obj()->tc.sModel;
    if (_t.bInitFirstTimeFreshScreen() && zv_model_has_quirk(ZvModelQuirk::KeyWake, model)) {
        _t.clearInitFirstTimeFreshScreen();
        for (int i = 0; i < 2; ++i) {
            (void)zerva_send_key_event(125, 1);
            (void)zerva_send_key_event(125, 0);
        }
        zv_log_out(ZV_LL_INFO, "ZvDoerPen::init_() cursor woken by key (%s)", model);
    }
    if (_t.bInitFirstTimeFreshScreen() && zv_model_has_quirk(ZvModelQuirk::HoverWiggle, model)) {
        _t.clearInitFirstTimeFreshScreen();
        CGPoint pt{0, 0};
        (void)GetCursorPositionInLogicCoordinate(pt);
        HidDataShow r{};
        r.DataType = ZV_PEN_IN_RANGE;
        th_i32 x = pt.x > 0 ? static_cast<th_i32>(pt.x) : 10000;
        th_i32 y = pt.y > 0 ? static_cast<th_i32>(pt.y) : 6250;
        for (int i = 0; i < 10; ++i) {
            x += i;
            y += i;
            r.XH = static_cast<th_u16>(x);
            r.YH = static_cast<th_u16>(y);
            sendRecord(r);
        }
        for (int i = 0; i < 10; ++i) {
            x -= i;
            y -= i;
            r.XH = static_cast<th_u16>(x);
            r.YH = static_cast<th_u16>(y);
            sendRecord(r);
        }
        zv_log_out(ZV_LL_INFO, "ZvDoerPen::init_() cursor woken by hover (%s)", model);
    }
}

void ZvDoerPen::onAway_() {
    if (zv_log_enabled(ZV_LL_DEBUG))
        zv_logb(ZV_LL_DEBUG, _t.obj()->buf, 12);
    _b1stProximity = false;
    _bRelative1stPenData = false; // mouse mode anchors again when the pen returns
    _b1stPenData = true;
    g_g.gPenAwayFlag.store(true, std::memory_order_relaxed);
    _sbnStat = 0;
}

bool ZvDoerPen::isPaintSoft() const {
    switch (ZvTabletThread::_cls->curPaintApp) {
    case ZVPA_PS:
    case ZVPA_AI:
    case ZVPA_KRITA:
    case ZVPA_CLIP:
    case ZVPA_SKETCH_BOOK:
    case ZVPA_AFFINITY_PHOTO:
    case ZVPA_AFFINITY_DESIGNER:
    case ZVPA_SAI:
    case ZVPA_MEDIBANG:
    case ZVPA_PAINTSTORM:
    case ZVPA_FIREALPACA:
    case ZVPA_REBELLE:
        return true;
    default:
        return false;
    }
}
