// The tablet worker: construction, start-up and the merge of the device's own description with
// the stored one, the run loop, dispatch by report kind, and close.
#include "ZvTabletThread.h"

#include "DcGlobal.h"
#include "Global.h"
#include "TabletParse.h"
#include "ZvKeyAction.h"
#include "ZvLog.h"
#include "ZvRateLimitLog.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

_TabletClass* ZvTabletThread::_cls = nullptr;
std::mutex ZvTabletThread::_clsLock;
// Built before main: the program ends here when the configuration store is unusable.
ZvDriverCfg ZvTabletThread::_cfg;

std::atomic<ZvTabletThread*> g_pt[2];

namespace {

// One count for all workers, as the handlers' time-out rules expect.
std::atomic<th_u32> g_readTimeoutCount{0};

const ZvAppUserCfg* cur_app_of(void* owner) {
    return zvdec_get_cur_app_cfg(*static_cast<ZvTabletThread*>(owner));
}

} // namespace

ZvTabletThread* get_match_thread(void* context) {
    for (auto& slot : g_pt) {
        ZvTabletThread* t = slot.load(std::memory_order_acquire);
        if (t != nullptr && t->owns(context))
            return t;
    }
    return nullptr;
}

ZvTabletThread::ZvTabletThread()
    : _doerHkey(*this), _doerPen(*this), _doerDail(*this), _doerSlider(*this), _doerRing(*this),
      _doerTouch(*this) {
    construct();
}

ZvTabletThread::ZvTabletThread(int fd) : ZvTabletThread() {
    _fd = fd;
}

void ZvTabletThread::construct() {
    _obj = new _TabletObject();
    _stagedUc.reset(new ZvUserConfig());
    {
        std::lock_guard<std::mutex> hold(_clsLock);
        if (_cls == nullptr)
            _cls = new _TabletClass();
    }
    _tablet.init(g_handle);
    ZvCoordMapCtx ctx;
    ctx.tc = &_obj->tc;
    ctx.uc = &_obj->uc;
    ctx.penCtrlRect = &_obj->penCtrlRect;
    ctx.curAppCfg = cur_app_of;
    ctx.owner = this;
    _coordMap.bind(ctx);
    _close_flag = false;
}

ZvTabletThread::~ZvTabletThread() {
    // run() and the callbacks use members: stop them before any member goes.
    waitQuit();
    _tablet.close();
    delete _obj;
    _obj = nullptr;
}

void ZvTabletThread::clear() {
    std::lock_guard<std::mutex> hold(_clsLock);
    delete _cls;
    _cls = nullptr;
}

void ZvTabletThread::initVariant() {
    _bReinitPen = false;
    _bClosedPassive = false;
    _bRecv200 = false;
    _bRecv201 = false;
    _bInitDone = false;
    _asyncReqCmdTime = 0;
    _asyncSignalTime = 0;
}

bool ZvTabletThread::init() {
    _bInitFirstTimeFreshScreen = true;
    const th_i16 ret = _tablet.open(on_opened, on_closed, on_got_string_desc, on_read);
    zv_log_out(ZV_LL_INFO, "Init Tablet Thread ret=%d \n", ret);
    if (ret == -2) {
        _asyncReqCmdTime = GetTickCount();
        return true;
    }
    if (ret < 0) {
        _bClosedPassive = true;
        return false;
    }
    zv_log_out(ZV_LL_INFO, "init open ok ret =%d,_bClosedPassive=%lld", ret,
               static_cast<long long>(_bClosedPassive.load()));
    initVariant();
    if (_tablet.isAsyncCmd()) {
        (void)initTabletInfo();
        return true;
    }
    if (initTabletInfo() && initDriverInfo())
        return true;
    // Start-up failed with the tablet attached: it is not tried again until it is plugged
    // again, or its hand-back to the kernel would look like a new tablet, over and over.
    _holdBack = true;
    return false;
}

void ZvTabletThread::uninit() {
    close();
    _bInitFirstTimeFreshScreen = false;
}

bool ZvTabletThread::startupCmd(th_u8 cmd, th_u8* buf, th_u16 size) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        // A failed request leaves the code or an earlier answer in the buffer: never decode it.
        memset(buf, 0, size);
        if (_tablet.reqCmd(cmd, buf, size) == 0)
            return true;
        zv_log_out(ZV_LL_WARN, "ZvTabletThread: command %d unanswered (attempt %d)", cmd,
                   attempt + 1);
        if (!m_runFlag.load())
            break;
    }
    memset(buf, 0, size);
    return false;
}

bool ZvTabletThread::initTabletInfo() {
    if (_tablet.isAsyncCmd()) {
        reqCmdAsync(201);
        return false;
    }
    th_u8 buf[256];
    printf("h 2 \n");
    if (!startupCmd(201, buf, sizeof buf)) {
        zv_log_out(ZV_LL_ERR, "ZvTabletThread::initTabletInfo() no model (201): not opened");
        return false;
    }
    (void)parse_cmd_resp_201(buf, sizeof buf, _obj->tc);
    printf("h 201 OK\n");
    if (!startupCmd(200, buf, sizeof buf)) {
        zv_log_out(ZV_LL_ERR, "ZvTabletThread::initTabletInfo() no parameters (200): not opened");
        return false;
    }
    (void)parse_cmd_resp_200(buf, sizeof buf, _obj->tc);
    printf("h 200 OK\n");
    return true;
}

bool ZvTabletThread::initDriverInfo() {
    ZvTabletCfg& tc = _obj->tc;
    printf("t 1 _obj->tc.sModel=%.24s\n", tc.sModel);
    // Every lookup is keyed by the ten-character short model.
    if (strnlen(tc.sModel, ZV_MODEL_LEN) != ZV_SHORT_MODEL_LEN)
        return false;
    ZvTabletCfg local = tc;
    bool unknown = false;
    if (_cfg.readTabletCfg(tc.sModel, &local) != 0) {
        zv_log_out(ZV_LL_WARN,
                   "ZvTabletThread::initDriverInfo() read %s , (%s)faild from tablet.cfg",
                   tc.sModel, tc.sFullModel);
        tc.sekNum = 0;
        unknown = true;
    } else {
        // The device knows its own range and firmware best.
        memcpy(local.sFullModel, tc.sFullModel, sizeof local.sFullModel);
        local.maxX = tc.maxX;
        local.maxY = tc.maxY;
        local.maxP = tc.maxP;
        local.lpi = tc.lpi;
        local.rate = tc.rate;
        tc = local;
    }
    tc.reserve = _tablet.getProtocolFlag();
    memcpy(_model, tc.sModel, sizeof _model);
    _model[sizeof _model - 1] = '\0';

    if (_cfg.readUserCfg(unknown ? ZV_GENERIC_MODEL : tc.sModel, &_obj->uc) != 0) {
        zv_log_out(ZV_LL_ERR, "ZvTabletThread::initDriverInfo() read %s faild from user.cfg",
                   tc.sModel);
        return false;
    }
    ZvAppUserCfg* app = zvdec_get_cur_app_cfg(*this);
    if (tc.sekNum == 0) {
        app->bSek = 0;
    } else if (_cfg.readTabletLayout(tc.sModel, &_obj->lt) != 0) {
        zv_log_out(ZV_LL_ERR,
                   "ZvTabletThread::initDriverInfo() read %s faild from layout_tablet.cfg",
                   tc.sModel);
        return false;
    }
    const th_u8 m = _obj->curMekIdx;
    if (m < ZV_MAX_MEK && tc.mekFuncBit[m] == ZV_MEK_DIAL && app->bMek[m] == MKEY_DIAL_ENABLED_DIAL)
        (void)optDailState(0);

    _doerPen.init();
    _bReinitPen = false;

    ZvMsgBody body;
    memset(&body, 0, sizeof body);
    memcpy(body.tabletOpen.sModel, tc.sModel, ZV_MODEL_LEN);
    body.tabletOpen.sModel[ZV_MODEL_LEN - 1] = '\0';
    body.tabletOpen.bUnknowTablet = unknown ? 1 : 0;
    notify_ui_msg(ZVMC_CORE_TABLET_OPEN, body);
    zv_log_out(ZV_LL_NOTICE, "body.sModel=(%s),body.sModel=(%s)", body.tabletOpen.sModel,
               tc.sModel);

    _bInitDone.store(true, std::memory_order_release);
    resume();
    _tablet.startRead(1);
    zv_log_out(ZV_LL_INFO, "ZvTabletThread::initDriverInfo() success dev:%s", tc.sModel);
    return true;
}

void ZvTabletThread::run() {
    if (_tablet.haveAsync())
        loopAsync();
    if (_tablet.isAsyncRead()) {
        idleWait(kIdleWaitUs);
        return;
    }
    loopSync();
}

void ZvTabletThread::loopSync() {
    // A local buffer: reports delivered through on_read write obj->buf on another thread.
    th_u8 rbuf[ZV_REPORT_LEN] = {};
    const th_i16 r = _tablet.read(rbuf, sizeof rbuf);
    if (r == 0) {
        g_readTimeoutCount = 0;
        if (is_invalid_report(rbuf, sizeof rbuf))
            return;
        memcpy(_obj->buf, rbuf, sizeof rbuf);
        if (dispatch())
            memcpy(_obj->lastBuf, _obj->buf, sizeof _obj->lastBuf);
    } else if (r == 2) {
        // Reports come through on_read; wait for a stop request instead of polling.
        idleWait(kIdleWaitUs);
    } else if (r == -22) {
        onReadTimeout(++g_readTimeoutCount);
    } else {
        zv_logb(ZV_LL_ERR, rbuf, sizeof rbuf);
        g_readTimeoutCount = 0;
        // The device is gone: no goodbye command. The handlers hear of it once the session is
        // closed, when no report can come in between (close()).
        _abnormalStop = true;
        reqQuitPassive();
    }
}

void ZvTabletThread::idleWait(unsigned us) {
    std::unique_lock<std::mutex> lock(_idleLock);
    _idleCv.wait_for(lock, std::chrono::microseconds(us),
                     [&] { return _wakeFlag || m_runFlag.load() == 0; });
    _wakeFlag = false;
}

void ZvTabletThread::wake() {
    {
        std::lock_guard<std::mutex> hold(_idleLock);
        _wakeFlag = true;
    }
    _idleCv.notify_all();
}

void ZvTabletThread::releaseHeld() {
    _doerHkey.letGo();
    _doerPen.releaseHeld();
}

void ZvTabletThread::onReadTimeout(th_u32 count) {
    _doerDail.onTimeout(count);
    _doerHkey.onTimeout(count);
    _doerPen.onTimeout(count);
    _doerSlider.onTimeout(count);
    _doerRing.onTimeout(count);
    _doerTouch.onTimeout(count);
}

bool ZvTabletThread::identify_cur_app() {
    char appPath[512] = "./";
    if (!zvcb_identify_curr_app(appPath, &_cls->curPaintApp, &_obj->curAppID))
        return false;
    appPath[sizeof appPath - 1] = '\0';
    _obj->curAppIdx = 0;
    for (int i = 0; i < ZV_MAX_APPS; ++i) {
        const char* pid = _obj->uc.apps[i].pid;
        if (pid[0] != '\0' && strncmp(pid, appPath, sizeof _obj->uc.apps[i].pid) == 0) {
            _obj->curAppIdx = static_cast<th_u8>(i + 1);
            break;
        }
    }
    zv_log_out(ZV_LL_INFO, "appPath =%s identify_cur_app(%p) curAppIdx:%d", appPath,
               static_cast<void*>(this), _obj->curAppIdx);
    _obj->cursor = 0;
    _obj->bEntryNewApp = true;
    return true;
}

bool ZvTabletThread::dispatch() {
    applyStaged();
    (void)identify_cur_app();
    _TabletObject* o = _obj;
    const th_u8 kind = report_type(o->buf, ZV_REPORT_LEN);
    const ZvAppUserCfg* app = zvdec_get_cur_app_cfg(*this);
    const auto controlOn = [&] {
        return o->curMekIdx < ZV_MAX_MEK && (app->bMek[o->curMekIdx] & 1) != 0;
    };
    if (kind <= ZVRD_MEK_TOUCH_MOVE) {
        if (_bReinitPen.exchange(false)) {
            _doerPen.uninit();
            _doerPen.init();
        }
        if (kind == ZVRD_MEK_TOUCH_MOVE && !controlOn())
            return false;
        _doerPen.handle();
        return true;
    }
    switch (kind) {
    case ZVRD_HKEY:
    case ZVRD_THKEY:
        _doerHkey.handle();
        return true;
    case ZVRD_MEK_TOUCH:
        o->curMekIdx = parse_index_mek(o->buf, ZV_REPORT_LEN, o->tc);
        _doerTouch.handle();
        return true;
    case ZVRD_MEK_SLIDER: {
        o->curMekIdx = parse_index_mek(o->buf, ZV_REPORT_LEN, o->tc);
        const th_u32 func = o->curMekIdx < ZV_MAX_MEK ? o->tc.mekFuncBit[o->curMekIdx] : 0xFFu;
        if (func == ZV_MEK_SLIDER)
            _doerSlider.handle();
        else if (func == ZV_MEK_NONE || func == ZV_MEK_RING)
            _doerRing.handle();
        else if (func == ZV_MEK_DIAL && controlOn())
            _doerRing.handle();
        return true;
    }
    case ZVRD_MEK_DAIL:
        o->curMekIdx = parse_index_mek_dail(o->buf, ZV_REPORT_LEN);
        _doerDail.handle();
        return true;
    default: {
        static ZvRateLimitLog limit;
        if (limit.allow())
            zv_logb(ZV_LL_WARN, o->buf, ZV_REPORT_LEN);
        onReadTimeout(0xFFFFFFFFu);
        return false;
    }
    }
}

void ZvTabletThread::close() {
    const char* model = _model[0] != '\0' ? _model : _obj->tc.sModel;
    zv_log_out(ZV_LL_INFO, "ZvTabletThread::close() _bClosedPassive:  %d",
               _bClosedPassive.load() ? 1 : 0);
    ZvMsgBody body;
    memset(&body, 0, sizeof body);
    memcpy(body.sModel, model, ZV_MODEL_LEN);
    body.sModel[ZV_MODEL_LEN - 1] = '\0';
    notify_ui_msg(ZVMC_CORE_TABLET_CLOSE, body);
    if (_close_flag.exchange(true)) {
        zv_log_out(ZV_LL_INFO, "ZvTabletThread::close()_close_flag=%d return!", 1);
        return;
    }
    zv_log_out(ZV_LL_INFO, "ZvTabletThread::close() set close flag true");
    if (!_bClosedPassive) {
        // Hands the tablet back to its own mode.
        th_u8 buf[256] = {};
        (void)_tablet.reqCmd(205, buf, sizeof buf);
        if (_tablet.isAsyncCmd())
            usleep(20);
    }
    if (_holdBack)
        _tablet.holdBack();
    _tablet.close();
    // No report can come in between any more: whatever is held goes up now, however the input
    // ended, so that nothing stays pressed on the desktop.
    releaseHeld();
    if (_abnormalStop) {
        _abnormalStop = false;
        onReadTimeout(0xFFFFFFFFu);
    }
    {
        std::lock_guard<std::mutex> hold(_clsLock);
        if (_cls != nullptr && strncmp(_cls->curModel, _obj->tc.sModel, ZV_MODEL_LEN) == 0)
            memset(_cls->curModel, 0, sizeof _cls->curModel);
    }
    std::lock_guard<std::mutex> hold(_tcLock);
    memset(&_obj->tc, 0, sizeof _obj->tc);
}

bool ZvTabletThread::copyTabletCfg(ZvTabletCfg* out) {
    std::lock_guard<std::mutex> hold(_tcLock);
    if (_close_flag.load() || _obj->tc.sModel[0] == '\0')
        return false;
    memcpy(out, &_obj->tc, sizeof *out);
    return true;
}

void ZvTabletThread::reqQuitPassive() {
    zv_log_out(ZV_LL_NOTICE, "ZvTabletThread::reqQuitPassive() success, sModel:%s", _model);
    // Set before the loop can end, so close() sees it.
    _bClosedPassive = true;
    reqQuit(); // wakes the loop through resume()
}
