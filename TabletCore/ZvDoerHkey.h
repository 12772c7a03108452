// Express keys (hardware and touch) and the soft keys printed on the tablet surface.
#pragma once

#include "ZvStruct.h"

class ZvTabletThread;

class ZvDoerHkey {
public:
    explicit ZvDoerHkey(ZvTabletThread& t) : _t(t) {}
    // Reports of kind 0xE0 (hardware keys) and 0xE2 (touch keys).
    void handle();
    // Presses the key of hekID, or releases the held key for 0.
    void handleHek(th_u32 hekID);
    // Input that stopped abnormally (0xFFFFFFFF) lets go of the held key.
    void onTimeout(th_u32 count);
    // The user released the held key, if any: its binding's release, every action included.
    void releaseHeld();
    // The held key, if any, is let go without the user (close, unplug, settings reload): what
    // it holds down goes up, and nothing its release would set off (a program start, a display
    // switch) happens.
    void letGo();

    th_i32 _lastID = 0;

private:
    void release(bool byUser);

    ZvTabletThread& _t;
    // The binding exactly as its press was sent (the digit-mode copy included). The release
    // goes through it, not through the settings: by then the report in hand may be of another
    // kind (pen, touch keys), which would pick the other key table, or the settings may have
    // been reloaded.
    ZvEkey _held{};
    bool _bHeld = false;
};

// A binding reduced to one digit key (slots 0..4 type 1..5) or to its own first key.
void numSwitch(const th_u8* buf, int i, ZvEkey& ek);

// True when pt lies outside rect, i.e. in the soft-key area around the pen area.
bool isPtInSbtnArea(const ZvRect& rect, const CGPoint& pt);

class ZvDoerSkey {
public:
    explicit ZvDoerSkey(ZvTabletThread& t) : _t(t) {}
    // Projects the layout's pen area and soft keys onto the tablet's raw range.
    void init();
    void uninit();
    void record1stPoint(const CGPoint& pt);
    // True when the soft keys take the sample (the pen handler then sends nothing).
    bool onDown(const CGPoint& pt);
    bool onUp(const CGPoint& pt);
    void onTimeout(th_u32) {}

    bool m_bHandle = false;
    CGPoint m_1stPt{};
    // Fixed capacity: init runs again on every settings change and must not allocate.
    ZvRect m_sbtnRects[ZV_MAX_SEK]{};
    unsigned m_sbtnNum = 0;

private:
    ZvTabletThread& _t;
};
