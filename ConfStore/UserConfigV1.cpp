#include "UserConfigV1.h"

#include <string.h>

namespace {

// String copy bounded by both fields; what lies behind the terminator stays as it was.
template <size_t D, size_t S> void copy_string(th_char (&dst)[D], const th_char (&src)[S]) {
    const size_t limit = (D < S ? D : S) - 1;
    const size_t n = strnlen(src, limit);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

// The members that were device-wide in version 1 and live in every profile now.
void apply_device_switches(const ZvUserCfgV1& v1, ZvAppUserCfg& app) {
    app.bAbsoluteMode = v1.bAbsoluteMode;
    app.bCtrlCursor = v1.bCtrlCursor;
    app.bGame = v1.bGame;
    app.bHek = v1.bHek;
    app.bSek = v1.bSek;
    app.bTHkey = v1.bTHkey;
    app.bTilt = v1.bTilt;
    app.bTouchScreen = v1.bTouchScreen;
    app.bWinInk = v1.bWinInk;
    app.bWintab = v1.bWintab;
    app.pressFactor = v1.pressFactor;
    app.workarea = v1.workarea;
    app.rotateAngle = v1.rotateAngle;
    memcpy(app.pressCtrlPt, v1.pressCtrlPt, sizeof app.pressCtrlPt);
    memcpy(app.screenArea, v1.screenArea, sizeof app.screenArea);
    // Version 1 had one switch for every control; the dial's own switches (bWinDail, bDail)
    // have no successor.
    app.bMek[0] = v1.bMek;
    app.bMek[1] = v1.bMek;
    // Levels that did not exist in version 1 start at their defaults.
    app.fineModeLevel = 3;
    app.mouseModeA = 3;
    app.moveRollLevel = 3;
}

} // namespace

void UserConfigV1ToUserConfig(const ZvUserConfigV1* src, ZvUserConfig* dst) {
    const ZvUserCfgV1& v1 = src->base;
    ZvUserCfg& base = dst->base;

    base.bLed = v1.bLed;
    base.levelLedLight = v1.levelLedLight;
    base.levelSleep = v1.levelSleep;
    base.bCalibrated = v1.bCalibrated;
    base.curScreenIndex = v1.curScreenIndex;
    memcpy(base.calibrateFactors, v1.calibrateFactors, sizeof base.calibrateFactors);
    memcpy(base.clbPoint, v1.clbPoint, sizeof base.clbPoint);
    copy_string(base.sModel, v1.sModel);

    const ZvAppUserCfgV1& a1 = v1.app0;
    ZvAppUserCfg& app0 = base.app0;
    copy_string(app0.pid, a1.pid);
    memcpy(app0.heks, a1.heks, sizeof app0.heks);
    memcpy(app0.theks, a1.theks, sizeof app0.theks);
    memcpy(app0.seks, a1.seks, sizeof app0.seks);
    memcpy(app0.peks, a1.peks, sizeof app0.peks);
    memcpy(app0.meks, a1.meks, sizeof app0.meks);
    apply_device_switches(v1, app0);

    for (ZvAppUserCfg& app : dst->apps) {
        if (app.pid[0] != '\0')
            apply_device_switches(v1, app);
    }
}
