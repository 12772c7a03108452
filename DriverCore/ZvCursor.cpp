#include "ZvCursor.h"

#include "ZvLog.h"
#include "ZvXlibPtr.h"

namespace {

const float kLogicW = 40000.0f;
const float kLogicH = 25000.0f;

struct Pointer {
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
};

// The root coordinates are valid even when XQueryPointer answers False (the pointer is on
// another X screen than the default one): only the child and window values are then zero.
Pointer query_pointer(Display* d) {
    Pointer p;
    Window root = 0, child = 0;
    unsigned mask = 0;
    (void)XQueryPointer(d, DefaultRootWindow(d), &root, &child, &p.rootX, &p.rootY, &p.winX,
                        &p.winY, &mask);
    return p;
}

} // namespace

bool GetCursorPos(CGPoint& pt) {
    ZvDisplayPtr d = zv_open_display();
    if (!d)
        return false;
    const Pointer p = query_pointer(d.get());
    pt.x = float(p.rootX);
    pt.y = float(p.rootY);
    return true;
}

bool GetCursorPositionInLogicCoordinate(CGPoint& pt) {
    ZvDisplayPtr d = zv_open_display();
    if (!d)
        return false;
    const int screens = ScreenCount(d.get());
    for (int j = 0; j < screens; ++j)
        zv_log_out(ZV_LL_INFO, "screen%d mw=%d,mh=%d,sw %d,sh %d \n", j, DisplayWidthMM(d.get(), j),
                   DisplayHeightMM(d.get(), j), DisplayWidth(d.get(), j),
                   DisplayHeight(d.get(), j));
    const int w = DisplayWidth(d.get(), 0), h = DisplayHeight(d.get(), 0);
    zv_log_out(ZV_LL_INFO, "screenWidth=%d screenHeight=%d \n", w, h);
    const Pointer p = query_pointer(d.get());
    // An X screen always has a size; the guard only keeps a broken server from giving inf.
    const float x = w > 0 ? float(p.rootX) / float(w) * kLogicW : 0.0f;
    const float y = h > 0 ? float(p.rootY) / float(h) * kLogicH : 0.0f;
    zv_log_out(ZV_LL_INFO,
               "\n WWWWWWWWWWWWWWWWWWW pointSave reset x=%d,y=%d,wx=%d,wy=%d,Cursorx=%f,"
               "Cursory=%f \n\n",
               p.rootX, p.rootY, p.winX, p.winY, double(x), double(y));
    pt.x = x;
    pt.y = y;
    return true;
}
