// The pen handler: one report in, one sample of the virtual pen out. Pressure curve, nine-point
// correction, mapping onto the selected screen (or relative moves in mouse mode), barrel
// buttons and the soft keys on the surface. Runs for every pen report: no allocation, no
// formatting unless debug logging is on, no lock.
#pragma once

#include "ZervaHid.h"
#include "ZvDoerHkey.h"
#include "ZvStruct.h"

class ZvTabletThread;

class ZvDoerPen {
public:
    explicit ZvDoerPen(ZvTabletThread& t);

    bool init();
    void uninit();
    void handle();
    // Not connected to any time-out rule: the pen leaves only through a kind-0 report, the
    // 200 ms gap rule of tablets that never report leaving, or releaseHeld().
    void onTimeout(th_u32) {}
    void onAway();
    // Lets go of everything the pen holds (close, unplug, settings reload): a barrel button's
    // binding through the very binding that pressed it, then contact and proximity (the away
    // record, when the last record sent was in range). The handler is then in the away state.
    void releaseHeld();
    bool isPaintSoft() const;

    // Latched button state, fixed pressure and move-and-roll, switched by key actions.
    th_u8 _sbnStat = 0;
    bool _bFixedPressure = false;
    th_u32 _fixedPressurePS = 0;
    bool _moveRollFlag = false;
    bool _noAwayEventSendDeviceFlag = false;
    th_i64 m_timeSaveCurrent = 0;
    ZvPenData _penData{};
    ZvDoerSkey _doerSkey;
    th_u8 _dataType = 0;
    th_u8 _lastDataType = 0x80;
    th_u8 _lastPenKeyDataType = 0;
    // Which barrel button is down (1 lower, 2 upper, 0 none).
    th_u8 _penKeyIndex = 0;
    bool _b1stProximity = false;
    bool _bRelative1stPenData = false;
    bool _b1stPenData = true;
    bool _bCoordMapped = false;
    CGPoint _lastCursorPt{};
    CGPoint _lastPenPt{};
    bool _bSoftKeyPressFlag = false;
    bool _bmapRawPenCoordFlag = false;
    // The record of the last sample sent (tests and diagnostics).
    HidDataShow _lastSent{};

private:
    void init_();
    void uninit_();
    void onAway_();
    void onHover();
    void onPenDown();
    void onPenUp();
    void onBtnDown(int index);
    void onBtnUp(int index);
    // Releases the binding a barrel button pressed, if its press went out.
    void releaseBtnBinding();
    void releasePenBtn();
    // Writes r to the active pen device and remembers it as the last record sent.
    void sendRecord(const HidDataShow& r);
    bool mapRawPenCoord();
    void send_pen_data();
    bool CheckAndSetDataType();
    th_u32 sketchBookHandle(th_u32 raw);
    void intoCursorHooker() {}
    th_u32 shiftHandle() const { return _penData.ps; }
    void moveRollHandle(th_u8) {}
    void wakeCursor();
    // Soft keys are on in the current settings and the tablet has some.
    bool softKeysOn() const;
    // Skips the mapping while a pen display is being calibrated: the whole tablet then spans
    // the whole virtual range.
    bool calibrating() const;

    ZvTabletThread& _t;
    // The binding a barrel button pressed, kept until its release: the settings' own entry may
    // have changed in between (a reload, another application's profile).
    ZvEkey _btnEkey{};
    bool _btnEkeyDown = false;
};
