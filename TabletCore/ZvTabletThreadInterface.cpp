// What the dispatcher asks of a worker, from its own thread: device states, settings reloads,
// calibration and monitors. Whatever changes the state the report handlers use is staged here
// and taken over by the worker between two reports (applyStaged).
#include "ZvTabletThread.h"

#include "Global.h"
#include "TabletParse.h"
#include "ZvLog.h"

#include <stdio.h>
#include <string.h>

th_u8 ZvTabletThread::stateCmd(th_u8 code, th_u8 queryCode) {
    th_u8 buf[256] = {};
    return stateAnswer(code, queryCode, buf, sizeof buf) ? buf[0] : 0;
}

bool ZvTabletThread::stateAnswer(th_u8 code, th_u8 queryCode, th_u8* buf, th_u16 size) {
    if (_tablet.isAsyncCmd()) {
        reqCmdAsync(code);
        return false;
    }
    if (_tablet.reqCmd(code, buf, size) != 0) {
        // A failed request leaves the command code in the buffer, not an answer.
        zv_log_out(ZV_LL_WARN, "ZvTabletThread: device-state command %d unanswered", code);
        memset(buf, 0, size);
        return false;
    }
    return code != 0 && code == queryCode;
}

th_u8 ZvTabletThread::optLedState(th_i32 state) {
    const th_u8 code = state == 0 ? 206 : state == 1 ? 207 : state == 2 ? 208 : 0;
    return stateCmd(code, 208);
}

th_u8 ZvTabletThread::optDailState(th_i32 state) {
    const th_u8 code = state == 1 ? 211 : state == 0 ? 212 : 0;
    (void)stateCmd(code, 0);
    return 0;
}

th_u8 ZvTabletThread::optTHkeyState(th_i32 state) {
    const th_u8 code = state >= 0 && state <= 2 ? 213 : 0;
    return stateCmd(code, 213);
}

th_u8 ZvTabletThread::optTScreenState(th_i32 state) {
    const th_u8 code = state == 0 || state == 1 ? 224 : state == 2 ? 223 : 0;
    return stateCmd(code, 223);
}

th_u8 ZvTabletThread::optLedLightState(th_i32 state) {
    const th_u8 code = state == 1 ? 215 : state == -1 ? 216 : state == 2 ? 217 : 0;
    return stateCmd(code, 217);
}

th_u8 ZvTabletThread::optSleepState(th_i32 state) {
    const th_u8 code = state == 1 ? 218 : state == -1 ? 219 : state == 2 ? 220 : 0;
    return stateCmd(code, 220);
}

th_u8 ZvTabletThread::queryBattery() {
    th_u8 buf[256] = {};
    if (!stateAnswer(209, 209, buf, sizeof buf))
        return 0;
    // The same one-hot byte as an asynchronous answer brings.
    return battery_answer_byte(_tablet.getProtocolFlag(), buf, sizeof buf,
                               _obj->tc.levelNumBattery);
}

void ZvTabletThread::reqCmdAsync(th_u8 cmd) {
    th_u8 buf[256] = {};
    (void)_tablet.reqCmd(cmd, buf, sizeof buf);
    th_u32 now = GetTickCount();
    _asyncReqCmdTime = now != 0 ? now : 1; // 0 means "nothing pending"
    resume();
}

void ZvTabletThread::calibrateMonitor(bool bStart) {
    _calibStaged = bStart ? 1 : 0;
    if (!bStart)
        notifyConfigChanged();
}

void ZvTabletThread::notifyConfigChanged() {
    std::lock_guard<std::mutex> hold(_stageLock);
    memset(_stagedUc.get(), 0, sizeof *_stagedUc);
    if (_cfg.readUserCfg(_model, _stagedUc.get()) != 0) {
        zv_log_out(ZV_LL_ERR, "ZvTabletThread::notifyConfigChanged() read %s failed", _model);
        return;
    }
    zv_log_out(ZV_LL_INFO, "_obj->uc.base.app0.bHek=%d", _stagedUc->base.app0.bHek);
    _ucStaged.store(true, std::memory_order_release);
}

void ZvTabletThread::applyStaged() {
    if (_ucStaged.load(std::memory_order_acquire)) {
        // Never wait here: when the dispatcher is still writing, the next report takes it.
        std::unique_lock<std::mutex> lock(_stageLock, std::try_to_lock);
        if (lock.owns_lock()) {
            // Released through the bindings that pressed them, before those bindings go.
            releaseHeld();
            memcpy(&_obj->uc, _stagedUc.get(), sizeof _obj->uc);
            _ucStaged.store(false, std::memory_order_relaxed);
            _obj->curAppIdx = 0;
            _obj->curMekIdx = 0;
            _obj->curAppID = 0;
            _bReinitPen = true;
        }
    }
    const int calib = _calibStaged.exchange(-1);
    if (calib != -1)
        _obj->bCalibrating = calib == 1;
    if (_monitorsStaged.exchange(false))
        _coordMap.init();
}

void ZvTabletThread::refreshMonitors() {
    zv_log_out(ZV_LL_INFO, "ZvTabletThread::refreshMonitors() restart tablet");
    _monitorsStaged = true;
}

void ZvTabletThread::entryNoDriverMode(th_u32) {
    printf("entryNoDriverMode before close! \n");
    // The worker closes on its own thread as it ends (uninit), handing the tablet back with 205
    // unless the device is already gone: closing from here would pull the session from under a
    // worker that is still reading it.
    waitQuit();
    printf("entryNoDriverMode after close! \n");
}

void ZvTabletThread::setCurModel(ZvTabletThread* thread, const char* sModel) {
    {
        std::lock_guard<std::mutex> hold(_clsLock);
        if (_cls != nullptr && sModel != nullptr) {
            strncpy(_cls->curModel, sModel, sizeof _cls->curModel - 1);
            _cls->curModel[sizeof _cls->curModel - 1] = '\0';
        }
    }
    if (thread != nullptr)
        thread->_bReinitPen = true;
}
