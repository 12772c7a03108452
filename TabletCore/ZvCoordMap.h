// Mapping between the tablet's raw positions and the desktop: the monitors, the selected screen,
// the active part of the tablet (work area) and their images in the raw range of the virtual pen
// device, with rotation by 90, 180 and 270 degrees, and the screen-switching rule.
#pragma once

#include "ZvDisplayEnum.h" // zvcb_enum_display, ZV_MAX_MONITORS
#include "ZvStruct.h"

// What the map reads from its tablet worker. The worker binds it once; the pointers stay valid
// for the worker's life, and the current application settings are looked up on every use
// because a settings reload or a new foreground application changes them.
struct ZvCoordMapCtx {
    const ZvTabletCfg* tc = nullptr;     // maxX, maxY, sekNum, bMonitor
    ZvUserConfig* uc = nullptr;          // base.curScreenIndex (written only by switchDisplay)
    const ZvRect* penCtrlRect = nullptr; // the pen area beside the soft keys, raw units
    // The application settings in force (workarea, screenArea, rotateAngle, bSek).
    const ZvAppUserCfg* (*curAppCfg)(void* owner) = nullptr;
    void* owner = nullptr;
};

class ZvCoordMap {
public:
    ZvCoordMap();
    ~ZvCoordMap();
    ZvCoordMap(const ZvCoordMap&) = delete;
    ZvCoordMap& operator=(const ZvCoordMap&) = delete;

    void bind(const ZvCoordMapCtx& ctx) { _ctx = ctx; }

    // Enumerates the monitors and recomputes every rectangle. The stored curScreenIndex is only
    // read (see curScreenIndex()). While no monitor is known (no X display) the current screen
    // maps onto the tablet's whole raw range.
    void init();
    // Takes another monitor list (num above 8 counts as 8) and recomputes the screen rectangles.
    void setMonitors(const ZvRect* monitors, unsigned num);
    void updateWorkarea();
    void updateCurScreen();

    // Raw tablet point (clamped into the work area, so pt may change) to its rotated ratio.
    void cRatioInRawCoord(CGPoint& pt, ZvPtRatio& pr) const;
    // Ratio to the current screen's image in the raw range.
    void cPtInRawCoord(const ZvPtRatio& pr, CGPoint& pt) const;
    // Ratio to the current screen's screenArea part in the raw range. While no monitor is known
    // it asks the X server again (at most about once a second, see zv_open_display), and runs
    // init once one answers.
    void cPtInCursorCoord(const ZvPtRatio& pr, CGPoint& pt);
    // Desktop pixels to raw units of the current screen (mouse mode's anchor).
    void cPtFromCurScreenToRawCoord(CGPoint& pt) const;
    // Clamps pt into the current screen's raw image and gives its ratio there.
    void cRatioFromCSMapRawCoordToWorkCoord(CGPoint& pt, ZvPtRatio& pr) const;
    // The screen-switching rule, a choice of the user: true when the new index was stored in
    // curScreenIndex (all screens as ZV_MAX_MONITORS, as the templates and the settings
    // application store it). The display-switch key passes curScreenIndex() + 1. Does nothing
    // with one monitor, or none known.
    bool switchDisplay(th_u32 screenIndex);

    // The screen the map uses: the stored curScreenIndex, or the monitor count (all screens) for
    // a stored index past it. Run-time state only: the stored index is the user's choice and
    // keeps meaning "all screens" when a monitor is added, so this is never written back.
    th_u32 curScreenIndex() const;

    void updateAllScreenActRect();
    void updateCurScreenActRect();
    void updateCurScreenVrtRect();
    void updateCurScreenCursorRect();
    void updateCurScreenMapRawRect();
    void updateCurScreenMapWorkRect();

    unsigned monitorNum() const { return _monitorNum; }
    const ZvRect* monitors() const { return _monitors; }

    // Rectangles, public for the pen handler's diagnostics and the tests.
    ZvRect _workRect{};
    th_u32 _workW = 0, _workH = 0;
    ZvRect _asActRect{};
    th_u32 _asActW = 0, _asActH = 0;
    ZvRect _csActRect{};
    th_u32 _csActW = 0, _csActH = 0;
    ZvRect _csVrtRect{};
    th_u32 _csVrtW = 0, _csVrtH = 0;
    ZvRect _csMapRawRect{};
    th_u32 _csMapRawW = 0, _csMapRawH = 0;
    ZvRect _csMapWorkRect{};
    ZvRect _csCursorRect{};
    th_u32 _csCursorW = 0, _csCursorH = 0;

private:
    // The bound records, or zeroed stand-ins while nothing is bound (a map built before its
    // tablet is identified must not crash; it maps onto an empty range).
    const ZvTabletCfg& tc() const;
    const ZvAppUserCfg& app() const;
    // screenArea entry of a screen index; the whole screen for an index past the table (all
    // screens on a desktop with eight monitors, or a garbage index).
    const ZvRectRatio& screenArea(th_u32 index) const;
    // The current screen's image in the raw range: _csMapRawRect and the start of
    // _csCursorRect.
    void curScreenRawImage(ZvRect& r) const;
    // init after the monitors were enumerated.
    void initFromMonitors();

    ZvRect _monitors[ZV_MAX_MONITORS]{};
    unsigned _monitorNum = 0;
    ZvCoordMapCtx _ctx;
};
