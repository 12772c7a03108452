#include "ZvKeyAction.h"

#include "Global.h"
#include "ZvLog.h"
#include "ZvMouseKeyboard.h"
#include "ZvTabletThread.h"
#include "ZvUiNotify.h"

#include <sched.h>
#include <stdio.h>
#include <string.h>

namespace {

ZvMsgBody model_body(ZvTabletThread& th) {
    ZvMsgBody body;
    memset(&body, 0, sizeof body);
    memcpy(body.sModel, th.obj()->tc.sModel, ZV_MODEL_LEN);
    body.sModel[ZV_MODEL_LEN - 1] = '\0';
    return body;
}

bool is(th_u32 e, th_u32 a) {
    return e == a;
}

bool up_or_click(th_u32 e) {
    return e == ZVEK_UP || e == ZVEK_CLICK;
}

bool down_or_click(th_u32 e) {
    return e == ZVEK_DOWN || e == ZVEK_CLICK;
}

void write_user_cfg(ZvTabletThread& th) {
    (void)ZvTabletThread::_cfg.writeUserCfg(&th.obj()->uc);
}

void switch_mek_func(ZvTabletThread& th, th_u8 m) {
    _TabletObject* o = th.obj();
    if (m >= ZV_MAX_MEK)
        return;
    ZvAppUserCfg* app = zvdec_get_cur_app_cfg(th);
    ZvMEkey& mek = app->meks[m];
    const unsigned sets =
        o->tc.mekMuxNum[m] > ZV_MAX_MUX ? unsigned(ZV_MAX_MUX) : o->tc.mekMuxNum[m];
    th_u8 idx = 0;
    if (sets != 0) {
        idx = static_cast<th_u8>((mek.muxIndex + 1) % sets);
        // Empty function sets are skipped, at most three of them.
        for (int tries = 0; tries < 3 && mek.mekEkeys[idx].eks[0].funcBit == 0; ++tries)
            idx = static_cast<th_u8>((idx + 1) % sets);
        if (mek.mekEkeys[idx].eks[0].funcBit == 0)
            idx = 0;
    }
    mek.muxIndex = idx;
    write_user_cfg(th);
    ZvMsgBody body = model_body(th);
    body.curMuxVal.appIdx = o->curAppIdx;
    body.curMuxVal.mekIdx = m;
    body.curMuxVal.muxIdx = idx;
    notify_ui_msg(ZVMC_CORE_SWITCH_MEK_FUNC, body);
    zv_log_out(ZV_LL_INFO, "zvdc_send_ekey() ZVEF_SWITCH_MEK_FUNC, appIdx=%d, mekIdx=%d, muxIdx=%d",
               o->curAppIdx, m, idx);
}

} // namespace

ZvAppUserCfg* zvdec_get_cur_app_cfg(ZvTabletThread& th) {
    _TabletObject* o = th.obj();
    if (o->curAppIdx == 0 || o->curAppIdx > ZV_MAX_APPS)
        return &o->uc.base.app0;
    return &o->uc.apps[o->curAppIdx - 1];
}

ZvEkey* zvdc_get_ekey_in_mek(ZvTabletThread& th, th_u8 mekIndex, th_u8 ekIndex) {
    if (mekIndex >= ZV_MAX_MEK || ekIndex >= ZV_MEK_EKEYS)
        return nullptr;
    ZvMEkey& mek = zvdec_get_cur_app_cfg(th)->meks[mekIndex];
    const th_u8 mux = mek.muxIndex < ZV_MAX_MUX ? mek.muxIndex : 0;
    zv_log_out(ZV_LL_INFO, "zvdc_get_ekey_in_mek() mek index=%d, mux index=%d, ek index=%d",
               mekIndex, mux, ekIndex);
    return &mek.mekEkeys[mux].eks[ekIndex];
}

void zvdc_mark_and_send(ZvTabletThread& th, ZvEkey& ek, th_u32 ev) {
    zv_clear_ekey_event(&ek.funcEvtBit);
    zv_set_ekey_event(ek.funcBit, &ek.funcEvtBit, ev);
    zvdc_send_ekey(th, ek);
}

void zvdc_send_ekey(ZvTabletThread& th, const ZvEkey& ek) {
    const th_u32 f = ek.funcBit;
    if (f == 0)
        return;
    _TabletObject* o = th.obj();
    ZvDoerPen& pen = th.doerPen();
    auto ev = [&](th_u32 bit) { return zv_get_ekey_event(bit, ek.funcEvtBit); };
    th_u32 e;

    if (f & ZVEF_KBTN) {
        e = ev(ZVEF_KBTN);
        if (is(e, ZVEK_UP))
            ZvMouseKeyboard::keyboardUp(&ek.kbtn);
        else if (down_or_click(e))
            ZvMouseKeyboard::keyboardDown(&ek.kbtn);
    }
    if (f & ZVEF_MOUSE_LEFT) {
        e = ev(ZVEF_MOUSE_LEFT);
        zv_log_out(ZV_LL_INFO, "nK =%d ", e);
        if (is(e, ZVEK_DOWN)) {
            ZvMouseKeyboard::mouseLeftDown();
        } else if (is(e, ZVEK_CLICK)) {
            ZvMouseKeyboard::mouseLeftDown();
            ZvMouseKeyboard::mouseLeftUp();
        } else if (is(e, ZVEK_UP)) {
            ZvMouseKeyboard::mouseLeftUp();
        }
    }
    if ((f & ZVEF_MOUSE_DBCLICK) && up_or_click(ev(ZVEF_MOUSE_DBCLICK))) {
        if (ZvTabletThread::_cls->curPaintApp == ZVPA_FINDER) {
            ZvMouseKeyboard::mouseLeftDown();
            ZvMouseKeyboard::mouseLeftUp();
        }
        ZvMouseKeyboard::mouseLeftDBClick();
    }
    if (f & ZVEF_MOUSE_MID) {
        e = ev(ZVEF_MOUSE_MID);
        if (is(e, ZVEK_UP)) {
            ZvMouseKeyboard::mouseMidUp();
            pen._sbnStat = 0;
        } else if (is(e, ZVEK_DOWN)) {
            ZvMouseKeyboard::mouseMidDown();
        } else if (is(e, ZVEK_CLICK)) {
            ZvMouseKeyboard::mouseMidDown();
            ZvMouseKeyboard::mouseMidUp();
        }
    }
    if (f & ZVEF_MOUSE_RIGHT) {
        e = ev(ZVEF_MOUSE_RIGHT);
        if (is(e, ZVEK_UP)) {
            ZvMouseKeyboard::mouseRightUp();
            pen._sbnStat = 0;
        } else if (is(e, ZVEK_DOWN)) {
            ZvMouseKeyboard::mouseRightDown();
        } else if (is(e, ZVEK_CLICK)) {
            ZvMouseKeyboard::mouseRightDown();
            ZvMouseKeyboard::mouseRightUp();
        }
    }
    if ((f & ZVEF_MOUSE_WHEEL_FORWARD) && down_or_click(ev(ZVEF_MOUSE_WHEEL_FORWARD)))
        ZvMouseKeyboard::mouseWheelForward(30, 0);
    if ((f & ZVEF_MOUSE_WHEEL_BACKWARD) && down_or_click(ev(ZVEF_MOUSE_WHEEL_BACKWARD)))
        ZvMouseKeyboard::mouseWheelBackward(30, 0);
    if ((f & ZVEF_EXEC) && up_or_click(ev(ZVEF_EXEC))) {
        // The program runs as the desktop user; the owner of this model's settings file
        // names that user when the settings application has not talked to us yet.
        char userCfg[600];
        snprintf(userCfg, sizeof userCfg, "%s/res/%s.cfg", ZvTabletThread::_cfg.settingsPath(),
                 o->tc.sModel);
        char cmd[sizeof ek.cmdPath + 1];
        memcpy(cmd, ek.cmdPath, sizeof ek.cmdPath);
        cmd[sizeof ek.cmdPath] = '\0';
        (void)zvcb_start_app(cmd, userCfg);
    }
    if ((f & ZVEF_SWITCH_DISPLAY) && up_or_click(ev(ZVEF_SWITCH_DISPLAY))) {
        (void)th.coordMap().switchDisplay(th.coordMap().curScreenIndex() + 1);
        write_user_cfg(th);
        ZvMsgBody body = model_body(th);
        body.curScreenIndex.curScreenIndex = static_cast<th_u16>(o->uc.base.curScreenIndex);
        notify_ui_msg(ZVMC_CORE_SWITCH_DISPLAY, body);
    }
    if ((f & ZVEF_SWITCH_BRUSH) && up_or_click(ev(ZVEF_SWITCH_BRUSH))) {
        o->cursor = o->cursor ? 0 : 1;
        zvcb_switch_brush_eraser(o->cursor);
    }
    if ((f & ZVEF_SWITCH_MEK_FUNC) && up_or_click(ev(ZVEF_SWITCH_MEK_FUNC)))
        switch_mek_func(th, ek.mekIndex);
    if ((f & ZVEF_SHOW_EKEY_VALUE_PAGE) && down_or_click(ev(ZVEF_SHOW_EKEY_VALUE_PAGE))) {
        ZvMsgBody body = model_body(th);
        body.curMuxVal.appIdx = o->curAppIdx;
        notify_ui_msg(ZVMC_CORE_SHOW_EKEY_VALUE, body);
        zv_log_out(ZV_LL_INFO, "zvdc_send_ekey() ZVEF_SHOW_EKEY_VALUE_PAGE, %s", body.sModel);
    }
    if ((f & ZVEF_RRIVATE_CMD) && up_or_click(ev(ZVEF_RRIVATE_CMD)))
        zvcb_exec_private_cmd(ek.privateCmd);
    // Fine mode fires once per use of its key: on the release of a held key, and on the click
    // of a soft key or a control step, which send nothing else that could fire it.
    if ((f & ZVEF_FINE_MODE) && up_or_click(ev(ZVEF_FINE_MODE))) {
        ZvMsgBody body = model_body(th);
        notify_ui_msg(ZVMC_CORE_FINE_MODE, body);
        zv_log_out(ZV_LL_INFO, "zvdc_send_ekey() ZVEF_FINE_MODE, %s", body.sModel);
    }
    if ((f & ZVEF_RADIAL_MENU) && down_or_click(ev(ZVEF_RADIAL_MENU))) {
        ZvMsgBody body = model_body(th);
        body.curMuxVal.appIdx = o->curAppIdx;
        notify_ui_msg(ZVMC_CORE_RADIAL_MENU, body);
        zv_log_out(ZV_LL_INFO, "zvdc_send_ekey() ZVEF_FINE_MODE, %s", body.sModel);
    }
    if (f & ZVEF_MOVE_ROLL) {
        e = ev(ZVEF_MOVE_ROLL);
        if (is(e, ZVEK_UP)) {
            if (pen.isPaintSoft())
                ZvMouseKeyboard::keyboardUp(&ek.kbtn);
            else
                pen._moveRollFlag = false;
        } else if (down_or_click(e)) {
            if (pen.isPaintSoft())
                ZvMouseKeyboard::keyboardDown(&ek.kbtn);
            else
                pen._moveRollFlag = true;
        }
    }
    if (f & ZVEF_FIXED_PRESSURE) {
        e = ev(ZVEF_FIXED_PRESSURE);
        if (is(e, ZVEK_UP))
            pen._bFixedPressure = false;
        else if (down_or_click(e))
            pen._bFixedPressure = true;
    }
    if ((f & ZVEF_SWITCH_GAME) && up_or_click(ev(ZVEF_SWITCH_GAME))) {
        ZvAppUserCfg* app = zvdec_get_cur_app_cfg(th);
        app->bGame = app->bGame ? 0 : 1; // not stored: lasts until the settings are reloaded
        ZvMsgBody body = model_body(th);
        notify_ui_msg(ZVMC_CORE_SWITCH_GAME, body);
        zv_log_out(ZV_LL_INFO, "zvdc_send_ekey() ZVMC_CORE_SWITCH_GAME, %s", body.sModel);
    }
    if ((f & ZVEF_SWITCH_ABSOLUTEMODE) && up_or_click(ev(ZVEF_SWITCH_ABSOLUTEMODE))) {
        ZvAppUserCfg* app = zvdec_get_cur_app_cfg(th);
        app->bAbsoluteMode = app->bAbsoluteMode ? 0 : 1;
        write_user_cfg(th);
        ZvMsgBody body = model_body(th);
        notify_ui_msg(ZVMC_CORE_SWITCH_ABSOLUTEMODE, body);
        zv_log_out(ZV_LL_INFO, "zvdc_send_ekey() ZVMC_CORE_SWITCH_ABSOLUTEMODE, %s", body.sModel);
    }
    if ((f & ZVEF_MAC_MMK_CODE) && up_or_click(ev(ZVEF_MAC_MMK_CODE))) {
        zv_log_out(ZV_LL_INFO, "ZVEF_MAC_MMK_CODE ek.macMMKCode=%d ", ek.macMMKCode);
        zvcb_exec_mmk_code(ek.macMMKCode);
    }
    // A clicked key combination is released last, after every other action of the binding.
    if ((f & ZVEF_KBTN) && is(ev(ZVEF_KBTN), ZVEK_CLICK)) {
        sched_yield();
        ZvMouseKeyboard::keyboardUp(&ek.kbtn);
    }
}

void zvdc_let_go(ZvTabletThread& th, const ZvEkey& pressed) {
    ZvEkey up = pressed;
    up.funcBit &= ZV_HELD_ACTIONS;
    if (up.funcBit == 0)
        return;
    zv_mark_ekey_event(up, ZVEK_UP);
    zvdc_send_ekey(th, up);
}
