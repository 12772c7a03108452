// The multi-function controls: slider, ring, dial and touch keys. Each position or step clicks
// one binding of the control's current function set.
#pragma once

#include "ZvType.h"

class ZvTabletThread;

class ZvDoerSlider {
public:
    explicit ZvDoerSlider(ZvTabletThread& t) : _t(t) {}
    void handle();
    void onTimeout(th_u32) {}
    th_u16 _lastID = 0;

private:
    ZvTabletThread& _t;
};

class ZvDoerRing {
public:
    explicit ZvDoerRing(ZvTabletThread& t) : _t(t) {}
    void handle();
    void onTimeout(th_u32) {}
    th_u16 _lastID = 0;

private:
    ZvTabletThread& _t;
};

class ZvDoerDail {
public:
    explicit ZvDoerDail(ZvTabletThread& t) : _t(t) {}
    void handle();
    void onTimeout(th_u32) {}

private:
    ZvTabletThread& _t;
};

class ZvDoerTouch {
public:
    explicit ZvDoerTouch(ZvTabletThread& t) : _t(t) {}
    void handle();
    void onTimeout(th_u32) {}
    // The slot last touched on any tablet, -1 for none.
    static int lastSlot();
    static void resetLastSlot();

private:
    ZvTabletThread& _t;
};
