#include "ModelFile.h"

#include <string.h>

namespace zvm {
namespace {

// The enabled state of a control by its kind; a dial starts as a dial, not as the system's
// radial dial.
th_u8 mek_enabled(th_u32 kind) {
    switch (kind) {
    case ZV_MEK_SLIDER:
        return MKEY_SLIDER_ENABLED;
    case ZV_MEK_RING:
        return MKEY_RING_ENABLED;
    case ZV_MEK_DIAL:
        return MKEY_DIAL_ENABLED_DIAL;
    case ZV_MEK_TOUCH:
        return MKEY_TOUCH_ENABLED;
    case ZV_MEK_TOUCH13:
        return MKEY_TOUCH13_ENABLED;
    default:
        return 0;
    }
}

} // namespace

void template_defaults(const ZvTabletCfg* t, ZvUserCfg& u) {
    memset(&u, 0, sizeof u);
    // An index above the monitor count maps to all monitors together, so 8 means "the whole
    // desktop" on any machine; a pen display starts on its own (first) screen.
    u.curScreenIndex = (t != nullptr && t->bMonitor) ? 0 : 8;
    u.bLed = t != nullptr ? t->bLed : 0;

    ZvAppUserCfg& a = u.app0;
    a.bAbsoluteMode = 1;
    // Hover and contact then land on the same point when a user narrows a screen area.
    a.bCtrlCursor = 1;
    a.bHek = 1;
    a.bSek = (t != nullptr && t->sekNum > 0) ? 1 : 0;
    a.bTilt = t != nullptr ? (t->bTitl ? 1 : 0) : 1;
    a.bTHkey = t != nullptr ? (t->bTHkey ? 1 : 0) : 0;
    a.bTouchScreen = t != nullptr ? (t->bTouchScreen ? 1 : 0) : 0;
    for (size_t i = 0; i < ZV_MAX_MEK; ++i) {
        // Unknown tablets report no control kinds; their control reports are taken as a ring.
        a.bMek[i] = t != nullptr ? mek_enabled(i < t->mekNum ? t->mekFuncBit[i] : 0)
                                 : th_u8(MKEY_RING_ENABLED);
    }
    // Linear pressure; the control points lie on the diagonal for when a curve is switched on.
    const th_i32 maxP = t != nullptr && t->maxP ? t->maxP : 8191;
    a.pressFactor = 0;
    a.pressCtrlPt[0] = {0, 0};
    a.pressCtrlPt[1] = {maxP / 3, maxP / 3};
    a.pressCtrlPt[2] = {2 * maxP / 3, 2 * maxP / 3};
    a.workarea = {0.0f, 0.0f, 1.0f, 1.0f};
    for (ZvRectRatio& r : a.screenArea)
        r = {0.0f, 0.0f, 1.0f, 1.0f};
    a.fineModeLevel = 3;
    a.mouseModeA = 3;
    a.moveRollLevel = 3;
}

} // namespace zvm
