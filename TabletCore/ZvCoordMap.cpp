#include "ZvCoordMap.h"

#include "CoordMath.h"
#include "ZvLog.h"
#include "ZvNum.h"

#include <cstring>

namespace {

// Width or height of an edge pair. A rectangle turned inside out (garbage from a file) counts as
// empty rather than wrapping to four billion pixels.
th_u32 span(th_i32 from, th_i32 to) {
    const th_i64 d = th_i64(to) - from;
    return d > 0 ? th_u32(d) : 0;
}

// Offset of v from origin as a fraction of extent, in float. With no extent (no monitor known)
// the tablet's own range stands for the desktop: the left or top edge maps to 0, the right or
// bottom one to 1.
float fraction(th_i32 v, th_i32 origin, th_u32 extent, float ifEmpty) {
    if (extent == 0)
        return ifEmpty;
    return float(th_i64(v) - origin) / float(extent);
}

const ZvTabletCfg g_noTablet{};
const ZvAppUserCfg g_noApp{};
const ZvRectRatio g_wholeArea{0.0f, 0.0f, 1.0f, 1.0f};

} // namespace

ZvCoordMap::ZvCoordMap() = default;
ZvCoordMap::~ZvCoordMap() = default;

const ZvTabletCfg& ZvCoordMap::tc() const {
    return _ctx.tc ? *_ctx.tc : g_noTablet;
}

const ZvAppUserCfg& ZvCoordMap::app() const {
    const ZvAppUserCfg* a = _ctx.curAppCfg ? _ctx.curAppCfg(_ctx.owner) : nullptr;
    return a ? *a : g_noApp;
}

const ZvRectRatio& ZvCoordMap::screenArea(th_u32 index) const {
    return index < ZV_MAX_SCREEN_AREAS ? app().screenArea[index] : g_wholeArea;
}

void ZvCoordMap::init() {
    zvcb_enum_display(_monitors, &_monitorNum);
    initFromMonitors();
}

th_u32 ZvCoordMap::curScreenIndex() const {
    const th_u32 stored = _ctx.uc ? _ctx.uc->base.curScreenIndex : 0;
    // With no monitor known the stored index stays in use (it picks the screenArea entry).
    return _monitorNum > 0 && stored > _monitorNum ? th_u32(_monitorNum) : stored;
}

void ZvCoordMap::initFromMonitors() {
    setMonitors(_monitors, _monitorNum);
    updateWorkarea();
    updateCurScreenMapWorkRect();
}

void ZvCoordMap::setMonitors(const ZvRect* monitors, unsigned num) {
    if (monitors != _monitors) {
        _monitorNum = monitors ? (num < ZV_MAX_MONITORS ? num : unsigned(ZV_MAX_MONITORS)) : 0;
        zv_log_out(ZV_LL_INFO, "_monitorNum = %d \n", int(_monitorNum));
        if (_monitorNum > 0)
            memcpy(_monitors, monitors, _monitorNum * sizeof(ZvRect));
    }
    updateAllScreenActRect();
    updateCurScreen();
}

void ZvCoordMap::updateCurScreen() {
    updateCurScreenActRect();
    updateCurScreenVrtRect();
    updateCurScreenCursorRect();
    updateCurScreenMapRawRect();
    updateCurScreenMapWorkRect();
}

void ZvCoordMap::updateAllScreenActRect() {
    // Starting from the empty rectangle at the origin keeps the origin inside, even for a
    // desktop that lies entirely left of or above it.
    ZvRect r{0, 0, 0, 0};
    for (unsigned i = 0; i < _monitorNum; ++i) {
        const ZvRect& m = _monitors[i];
        if (m.left < r.left)
            r.left = m.left;
        if (m.top < r.top)
            r.top = m.top;
        if (m.right > r.right)
            r.right = m.right;
        if (m.bottom > r.bottom)
            r.bottom = m.bottom;
    }
    _asActRect = r;
    _asActW = span(r.left, r.right);
    _asActH = span(r.top, r.bottom);
    zv_log_out(ZV_LL_INFO, "_monitorNum = %d,_monitors = %p \n", int(_monitorNum),
               static_cast<const void*>(_monitors));
    zv_log_out(ZV_LL_INFO, "ZvCoordMap::updateAllScreenActRect() _asActRect {lt(%d,%d), rb(%d,%d)}",
               r.left, r.top, r.right, r.bottom);
}

void ZvCoordMap::updateCurScreenActRect() {
    const th_u32 i = curScreenIndex();
    if (i < _monitorNum)
        _csActRect = _monitors[i];
    else if (_monitorNum < 2)
        _csActRect = _monitors[0];
    else
        _csActRect = _asActRect;
    _csActW = span(_csActRect.left, _csActRect.right);
    _csActH = span(_csActRect.top, _csActRect.bottom);
}

void ZvCoordMap::updateCurScreenVrtRect() {
    const ZvRect& a = _csActRect;
    _csVrtRect = ZvRect{
        th_i32(th_i64(a.left) - _asActRect.left), th_i32(th_i64(a.top) - _asActRect.top),
        th_i32(th_i64(a.right) - _asActRect.left), th_i32(th_i64(a.bottom) - _asActRect.top)};
    _csVrtW = span(_csVrtRect.left, _csVrtRect.right);
    _csVrtH = span(_csVrtRect.top, _csVrtRect.bottom);
    zv_log_out(ZV_LL_INFO, "ZvCoordMap::updateCurScreenVrtRect() _csVrtRect {lt(%d,%d), rb(%d,%d)}",
               _csVrtRect.left, _csVrtRect.top, _csVrtRect.right, _csVrtRect.bottom);
}

// The virtual pen spans the whole desktop with the tablet's raw range, so a screen's image is
// its share of the desktop times maxX and maxY. The right edge gives up one unit so that the
// next screen's first column is not also this screen's last; the bottom edge keeps it.
void ZvCoordMap::curScreenRawImage(ZvRect& r) const {
    const float mx = float(tc().maxX), my = float(tc().maxY);
    const ZvRect& a = _csActRect;
    const float l = fraction(a.left, _asActRect.left, _asActW, 0.0f);
    const float rt = fraction(a.right, _asActRect.left, _asActW, 1.0f);
    const float t = fraction(a.top, _asActRect.top, _asActH, 0.0f);
    const float b = fraction(a.bottom, _asActRect.top, _asActH, 1.0f);
    r.left = zv_trunc_i32(mx * l);
    r.right = zv_trunc_i32(mx * rt - 1.0f);
    r.top = zv_trunc_i32(my * t);
    r.bottom = zv_trunc_i32(my * b);
}

void ZvCoordMap::updateCurScreenMapRawRect() {
    curScreenRawImage(_csMapRawRect);
    _csMapRawW = span(_csMapRawRect.left, _csMapRawRect.right);
    _csMapRawH = span(_csMapRawRect.top, _csMapRawRect.bottom);
}

void ZvCoordMap::updateCurScreenCursorRect() {
    ZvRect r;
    curScreenRawImage(r);
    const th_u32 i = curScreenIndex();
    if (i < _monitorNum) {
        // A single screen: only its screenArea part takes the cursor. Right and bottom are
        // computed from the old left and top.
        const ZvRectRatio& sa = screenArea(i);
        const float w = float(span(r.left, r.right)), h = float(span(r.top, r.bottom));
        const float l0 = float(r.left), t0 = float(r.top);
        r.right = zv_trunc_i32(w * sa.r + l0);
        r.left = zv_trunc_i32(w * sa.l + l0);
        r.bottom = zv_trunc_i32(h * sa.b + t0);
        r.top = zv_trunc_i32(h * sa.t + t0);
    }
    _csCursorRect = r;
    _csCursorW = span(r.left, r.right);
    _csCursorH = span(r.top, r.bottom);
}

void ZvCoordMap::updateWorkarea() {
    const ZvTabletCfg& t = tc();
    const ZvAppUserCfg& a = app();
    // With soft keys shown, the pen works only on the part of the tablet beside them.
    ZvRect base{0, 0, th_i32(t.maxX), th_i32(t.maxY)};
    if (a.bSek && t.sekNum && _ctx.penCtrlRect)
        base = *_ctx.penCtrlRect;
    const float bw = float(span(base.left, base.right)), bh = float(span(base.top, base.bottom));
    const ZvRectRatio& wa = a.workarea;
    _workRect.top = zv_trunc_i32(bh * wa.t + float(base.top));
    _workRect.bottom = zv_trunc_i32(bh * wa.b + float(base.top));
    _workRect.left = zv_trunc_i32(bw * wa.l + float(base.left));
    _workRect.right = zv_trunc_i32(bw * wa.r + float(base.left));
    _workW = span(_workRect.left, _workRect.right);
    _workH = span(_workRect.top, _workRect.bottom);
    updateCurScreenMapWorkRect();
    updateCurScreenMapRawRect();
}

void ZvCoordMap::updateCurScreenMapWorkRect() {
    const ZvRectRatio& sa = screenArea(curScreenIndex());
    const float w = float(_workW), h = float(_workH);
    const float l0 = float(_workRect.left), t0 = float(_workRect.top);
    _csMapWorkRect.top = zv_trunc_i32(h * sa.t + t0);
    _csMapWorkRect.bottom = zv_trunc_i32(h * sa.b + t0);
    _csMapWorkRect.left = zv_trunc_i32(w * sa.l + l0);
    _csMapWorkRect.right = zv_trunc_i32(w * sa.r + l0);
}

// ---------------------------------------------------------------------------------------------
// Point conversions: every pen sample passes here, so no logging, allocation or lock.

void ZvCoordMap::cRatioInRawCoord(CGPoint& pt, ZvPtRatio& pr) const {
    zv_bound_to_rect(_workRect, pt);
    zv_ratio_pt_in_rect(pt, _workRect, pr);
    switch (app().rotateAngle) {
    case 90:
        zv_pt_ratio_rotate90(pr, pr);
        break;
    case 180:
        zv_pt_ratio_rotate180(pr, pr);
        break;
    case 270:
        zv_pt_ratio_rotate270(pr, pr);
        break;
    default:
        break;
    }
}

void ZvCoordMap::cPtInRawCoord(const ZvPtRatio& pr, CGPoint& pt) const {
    pt.x = float(_csMapRawRect.left) + pr.x * float(_csMapRawW);
    pt.y = float(_csMapRawRect.top) + pr.y * float(_csMapRawH);
}

void ZvCoordMap::cPtInCursorCoord(const ZvPtRatio& pr, CGPoint& pt) {
    if (_monitorNum == 0) {
        // The desktop may have come up since: ask again (zv_open_display spaces the attempts),
        // but recompute (and log) only when it answers.
        zvcb_enum_display(_monitors, &_monitorNum);
        if (_monitorNum > 0)
            initFromMonitors();
    }
    pt.x = float(_csCursorRect.left) + pr.x * float(_csCursorW);
    pt.y = float(_csCursorRect.top) + pr.y * float(_csCursorH);
}

void ZvCoordMap::cRatioFromCSMapRawCoordToWorkCoord(CGPoint& pt, ZvPtRatio& pr) const {
    zv_bound_to_rect(_csMapRawRect, pt);
    zv_ratio_pt_in_rect(pt, _csMapRawRect, pr);
}

void ZvCoordMap::cPtFromCurScreenToRawCoord(CGPoint& pt) const {
    const ZvRectRatio& sa = screenArea(curScreenIndex());
    const float w = float(_csActW), h = float(_csActH);
    const ZvRect area{zv_trunc_i32(w * sa.l + float(_csActRect.left)),
                      zv_trunc_i32(h * sa.t + float(_csActRect.top)),
                      zv_trunc_i32(float(_csActRect.right) - w * (1.0f - sa.r)),
                      zv_trunc_i32(float(_csActRect.bottom) - h * (1.0f - sa.b))};
    zv_bound_to_rect(area, pt);
    ZvPtRatio r;
    zv_ratio_pt_in_rect(pt, area, r);
    pt.x = float(_csMapRawW) * r.x + float(_csMapRawRect.left);
    pt.y = float(_csMapRawH) * r.y + float(_csMapRawRect.top);
}

// ---------------------------------------------------------------------------------------------

bool ZvCoordMap::switchDisplay(th_u32 screenIndex) {
    // One monitor leaves nothing to switch to; with none known there is nothing to count on.
    if (_monitorNum < 2 || !_ctx.uc)
        return false;
    if (screenIndex == curScreenIndex())
        return false;
    // A pen display shows the pen under the tip: it never maps onto all screens.
    if (tc().bMonitor && screenIndex == _monitorNum)
        screenIndex = 0;
    if (screenIndex > _monitorNum)
        screenIndex = 0;
    // All screens is stored as the templates store it, past any monitor count: stored as the
    // count it would name the new monitor once one is added.
    _ctx.uc->base.curScreenIndex =
        screenIndex == _monitorNum ? th_u32(ZV_MAX_MONITORS) : screenIndex;
    updateCurScreen();
    zv_log_out(ZV_LL_INFO, "ZvCoordMap::switchDisplay(%d)", int(screenIndex));
    return true;
}
