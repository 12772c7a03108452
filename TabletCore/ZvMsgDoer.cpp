#include "ZvMsgDoer.h"

#include "ZvCoreNotify.h"
#include "ZvDesktopUser.h"
#include "ZvLog.h"
#include "ZvMsgSender.h"
#include "ZvPadSessionDll.h"
#include "ZvTabletThread.h"
#include "ZvVirtualDevices.h"

#include <chrono>
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <vector>

std::atomic<ZvMsgDoer*> g_msgDoer{nullptr};

namespace {

ZvMsg make_record(th_u16 cmd, th_u64 hwnd) {
    ZvMsg m;
    memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    m.head.pid = static_cast<th_u64>(getpid());
    m.head.hwnd = hwnd;
    return m;
}

bool held_back_code(th_u16 cmd) {
    return cmd == ZVMC_CORE_SWITCH_MEK_FUNC || cmd == ZVMC_CORE_SHOW_EKEY_VALUE ||
           cmd == ZVMC_CORE_FINE_MODE;
}

} // namespace

ZvMsgDoer::ZvMsgDoer(th_u64 hwnd) : _hwnd(hwnd) {
    g_msgDoer = this;
}

ZvMsgDoer::~ZvMsgDoer() {
    stopJobs();
    ZvMsgDoer* self = this;
    (void)g_msgDoer.compare_exchange_strong(self, nullptr);
}

bool ZvMsgDoer::init() {
    {
        std::lock_guard<std::mutex> hold(_listLock);
        _listMsg.clear();
    }
    std::lock_guard<std::recursive_mutex> hold(_lock);
    (void)startTimer(TIMER_ID_RS, 100);
    (void)startTimer(TIMER_ID_DETECT_DEVICE, 1000);
    return true;
}

void ZvMsgDoer::uninit() {
    {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        stopTimer(TIMER_ID_RS);
        stopTimer(TIMER_ID_LINK);
        stopTimer(TIMER_ID_ADMINPRIVILEGE);
    }
    stopWorkers(/* keepClosed= */ true, /* noDriverMode= */ false);
    ZvTabletThread::clear();
    std::lock_guard<std::mutex> list(_listLock);
    _listMsg.clear();
}

void ZvMsgDoer::post(unsigned jobs) {
    {
        std::lock_guard<std::mutex> hold(_jobLock);
        if (_jobStop)
            return;
        _jobsPending |= jobs;
        if (!_jobThread.joinable())
            _jobThread = std::thread([this] { jobLoop(); });
    }
    _jobCv.notify_all();
}

void ZvMsgDoer::jobLoop() {
    std::unique_lock<std::mutex> hold(_jobLock);
    for (;;) {
        _jobCv.wait(hold, [this] { return _jobStop || _jobsPending != 0; });
        if (_jobStop)
            return;
        const unsigned jobs = _jobsPending;
        _jobsPending = 0;
        _jobRunning = true;
        hold.unlock();
        if (jobs & JOB_CHECK)
            CheckDoCommand();
        if (jobs & JOB_START_USB)
            runWorkers(true);
        if (jobs & JOB_START_ANY)
            runWorkers(false);
        if (jobs & JOB_START_NEXT) {
            bool onlyIfUsb;
            {
                std::lock_guard<std::recursive_mutex> state(_lock);
                onlyIfUsb = _linkOnlyIfUsb;
            }
            runWorkers(onlyIfUsb, /* fromTimer= */ true);
        }
        hold.lock();
        _jobRunning = false;
        _jobCv.notify_all();
    }
}

bool ZvMsgDoer::settle(unsigned ms) {
    std::unique_lock<std::mutex> hold(_jobLock);
    return _jobCv.wait_for(hold, std::chrono::milliseconds(ms),
                           [this] { return _jobsPending == 0 && !_jobRunning; });
}

void ZvMsgDoer::stopJobs() {
    {
        std::lock_guard<std::mutex> hold(_jobLock);
        _jobStop = true;
    }
    _jobCv.notify_all();
    if (_jobThread.joinable() && _jobThread.get_id() != std::this_thread::get_id())
        _jobThread.join();
}

size_t ZvMsgDoer::heldBack() const {
    std::lock_guard<std::mutex> hold(_listLock);
    return _listMsg.size();
}

ZvMsgDoer::Worker ZvMsgDoer::target(const char* sModel) const {
    std::lock_guard<std::recursive_mutex> hold(_lock);
    for (const Worker& t : _workers) {
        // model() is fixed once start-up identified the tablet; a closed worker serves nobody.
        if (t != nullptr && t->isRunning() && t->initDone() &&
            strncmp(t->model(), sModel, ZV_MODEL_LEN) == 0)
            return t;
    }
    return nullptr;
}

void ZvMsgDoer::reply(th_u16 cmd, const ZvMsgBody& body) {
    ZvMsg m = make_record(cmd, _hwnd);
    m.body = body;
    send(m);
}

void ZvMsgDoer::onMsg(const ZvMsg& in) {
    // Handled from a copy: the dispatcher's own _msg may be overwritten by the other thread
    // that delivers messages while this one talks to a device.
    ZvMsg msg = in;
    msg.body.sModel[ZV_MODEL_LEN - 1] = '\0';
    zv_log_out(ZV_LL_INFO, "ZvMsgDoer::onMsg(msg(type:%x, pid:%ld, sModel:%s))", msg.head.cmd,
               static_cast<long>(msg.head.pid), msg.body.sModel);
    {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        _msg = msg;
        _hwndUI = msg.head.hwnd;
    }
    _pidUI = msg.head.pid;
    // Bound programs run as the user of the settings application: the uid the session bus
    // reports for the sender of this record, never the pid the record carries (any client of
    // the bus can write any pid there). Self messages and records whose sender the bus could not
    // name come without a sender and leave the desktop user as it is.
    uid_t sender = 0;
    if (zv_msg_sender_uid(&sender))
        zv_set_desktop_user_uid(sender);

    const th_u16 cmd = msg.head.cmd;
    ZvMsgBody body;
    memset(&body, 0, sizeof body);
    switch (cmd) {
    case ZVMC_UI_QUIT: {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        _hwndUI = 0;
    }
        {
            std::lock_guard<std::mutex> list(_listLock);
            _listMsg.clear();
        }
        uninit();
        reqQuitApp();
        return;
    case ZVMC_UI_TABLET_NUM: {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        for (const Worker& t : _workers) {
            // A worker that closed its tablet keeps its model but serves nothing.
            if (t == nullptr || !t->isRunning() || !t->initDone() || t->model()[0] == '\0')
                continue;
            memcpy(body.tablets.model[body.tablets.num], t->model(), ZV_MODEL_LEN);
            ++body.tablets.num;
        }
    }
        reply(ZVMC_REPLY | cmd, body);
        return;
    case ZVMC_UI_IF_ADMIN:
        body.bAdmin = isAdmin() ? 1 : 0;
        reply(ZVMC_REPLY | cmd, body);
        return;
    case ZVMC_UI_RUN_AS_ADMIN: {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        _bStartUI = false;
        (void)startTimer(TIMER_ID_ADMINPRIVILEGE, 100);
        return;
    }
    case ZVMC_UI_SCREEN_CHANGED:
        screenChanged();
        return;
    case ZVMC_CORE_USB_ON:
    case ZVMC_CORE_BLZ_ON:
        printf(" ** REV ZVMC_CORE_USB_ON %x \n", cmd);
        post(cmd == ZVMC_CORE_USB_ON ? JOB_START_USB : JOB_START_ANY);
        return;
    case ZVMC_CORE_WHEEL_FORWARD:
        (void)zerva_send_mouse_wheel_input(8, 1);
        return;
    case ZVMC_CORE_WHEEL_BACKWARD:
        (void)zerva_send_mouse_wheel_input(8, -1);
        return;
    default:
        break;
    }

    const Worker t = target(msg.body.sModel);
    if (t == nullptr)
        return; // nobody serves that model (or the code is unknown): no reply
    switch (cmd) {
    case ZVMC_UI_TABLET_INFO:
        // A worker closing meanwhile has no description left to give: no reply, as for a
        // model nobody serves.
        if (!t->copyTabletCfg(&body.tc.tc))
            return;
        body.tc.isCurr = 0;
        reply(ZVMC_REPLY | cmd, body);
        return;
    case ZVMC_UI_CONFIG_CHANGED:
        t->notifyConfigChanged();
        return;
    case ZVMC_UI_MONITOR_CHANGED:
    case ZVMC_UI_CHANGE_CUR_TABLET:
        ZvTabletThread::setCurModel(t.get(), msg.body.sModel);
        return;
    case ZVMC_UI_CALIBRATE_BEGIN:
        t->calibrateMonitor(true);
        return;
    case ZVMC_UI_CALIBRATE_END:
        t->calibrateMonitor(false);
        return;
    default:
        onStateMsg(msg, t.get());
        return;
    }
}

void ZvMsgDoer::onStateMsg(const ZvMsg& msg, ZvTabletThread* t) {
    const th_u16 cmd = msg.head.cmd;
    ZvMsgBody body;
    memset(&body, 0, sizeof body);
    memcpy(body.sModel, msg.body.sModel, ZV_MODEL_LEN);
    const th_u8 bState = msg.body.ledState.bState;
    const th_i8 offset = msg.body.ledLightOffset.offset;
    switch (cmd) {
    case ZVMC_UI_BATTERY_QUERY:
        body.battery.battery = t->queryBattery();
        break;
    case ZVMC_UI_LED_QUERY:
        body.ledState.bState = t->optLedState(2);
        break;
    case ZVMC_UI_LED_CHANGE:
        (void)t->optLedState(bState);
        return;
    case ZVMC_UI_DIAL_QUERY:
        body.dialState.bState = t->optDailState(2);
        break;
    case ZVMC_UI_DIAL_CHANGE:
        (void)t->optDailState(bState);
        return;
    case ZVMC_UI_THKEY_QUERY:
        body.thkeyState.bState = t->optTHkeyState(2);
        break;
    case ZVMC_UI_THKEY_CHANGE:
        (void)t->optTHkeyState(bState);
        return;
    case ZVMC_UI_TSCREEN_QUERY:
        body.tscreenState.bState = t->optTScreenState(2);
        break;
    case ZVMC_UI_TSCREEN_CHANGE:
        (void)t->optTScreenState(bState);
        return;
    case ZVMC_UI_LED_LIGHT_QUERY:
        body.ledLightOffset.offset = static_cast<th_i8>(t->optLedLightState(2));
        break;
    case ZVMC_UI_LED_LIGHT_CHANGE:
        (void)t->optLedLightState(offset);
        return;
    case ZVMC_UI_SLEEP_QUERY:
        body.sleepOffset.offset = static_cast<th_i8>(t->optSleepState(2));
        break;
    case ZVMC_UI_SLEEP_CHANGE:
        (void)t->optSleepState(offset);
        return;
    default:
        return;
    }
    reply(ZVMC_REPLY | cmd, body);
}

void ZvMsgDoer::onTimer(unsigned id) {
    switch (id) {
    case TIMER_ID_RS: {
        ZvMsg m;
        {
            std::lock_guard<std::mutex> list(_listLock);
            if (_listMsg.empty())
                return;
            m = _listMsg.front();
            _listMsg.pop_front();
        }
        send(m);
        return;
    }
    case TIMER_ID_LINK: {
        {
            std::lock_guard<std::recursive_mutex> hold(_lock);
            stopTimer(TIMER_ID_LINK);
        }
        post(JOB_START_NEXT);
        return;
    }
    case TIMER_ID_ADMINPRIVILEGE: {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        stopTimer(TIMER_ID_ADMINPRIVILEGE);
        (void)restartAsAdmin();
        _bStartUI = true;
        return;
    }
    case TIMER_ID_DETECT_DEVICE: {
        {
            std::lock_guard<std::recursive_mutex> hold(_lock);
            printf("On Timer TIMER_ID_DETECT_DEVICE %d \n", _detectCount++);
            // Stopped before the check: the timer must act once however its expiries are
            // delivered meanwhile.
            stopTimer(TIMER_ID_DETECT_DEVICE);
        }
        // The probes speak to the USB bus and to BlueZ: not on the thread of the timers.
        post(JOB_CHECK);
        return;
    }
    default:
        return;
    }
}

void ZvMsgDoer::CheckDoCommand() {
    char buf[256] = {};
    if (g_handle.zvtc_check_usb_dev != nullptr && g_handle.zvtc_check_usb_dev(buf))
        notify_core_msg(ZVMC_CORE_USB_ON);
    if (g_handle.zvtc_check_blz_dev != nullptr && g_handle.zvtc_check_blz_dev(buf))
        notify_core_msg(ZVMC_CORE_BLZ_ON);
}

void ZvMsgDoer::send(ZvMsg& msg) {
    if (isUIRunning()) {
        sendMsg(msg);
        return;
    }
    if (!held_back_code(msg.head.cmd))
        return;
    {
        std::lock_guard<std::mutex> list(_listLock);
        _listMsg.push_back(msg);
    }
    startUI();
}

void ZvMsgDoer::notifyUi(th_u16 cmd, const ZvMsgBody& body) {
    if (cmd == ZVMC_CORE_TABLET_OPEN || cmd == ZVMC_CORE_TABLET_CLOSE) {
        std::lock_guard<std::mutex> list(_listLock);
        _listMsg.clear();
    }
    ZvMsg m = make_record(cmd, _hwnd);
    m.body = body;
    send(m);
}

void ZvMsgDoer::refreshMonitors() {
    std::lock_guard<std::recursive_mutex> hold(_lock);
    // Each worker only takes note; it reads the monitors again between two reports.
    for (const Worker& t : _workers) {
        if (t != nullptr)
            t->refreshMonitors();
    }
}

void ZvMsgDoer::requestNoDriverModeExit() {
    _quitting = true;
    stopWorkers(/* keepClosed= */ false, /* noDriverMode= */ true);
}

void ZvMsgDoer::run_tablet_thread() {
    post(JOB_START_ANY);
}

void ZvMsgDoer::runWorkers(bool onlyIfUsbWaiting, bool fromTimer) {
    std::lock_guard<std::mutex> starting(_startLock);
    if (_quitting)
        return;
    std::vector<Worker> dead;
    int freeSlot = -1;
    int freeCount = 0;
    {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        if (fromTimer && _pendingStarts <= 0)
            return;
        printf("RUN tablet_thread, Count =%d\n", _lastRunning);
        _lastRunning = 0;
        for (int n = 0; n < 2; ++n) {
            Worker& w = _workers[n];
            if (w != nullptr && w->isRunning()) {
                ++_lastRunning;
                printf("RUN tablet_thread n =%d \n", n);
                continue;
            }
            if (w != nullptr) {
                g_pt[n] = nullptr;
                dead.push_back(std::move(w));
            }
            if (freeSlot < 0)
                freeSlot = n;
            ++freeCount;
        }
        // An event fills every slot free now, one pause apart; a start after the pause fills
        // one more, and never more than the event found free.
        _pendingStarts = fromTimer ? _pendingStarts - 1 : freeCount - 1;
        if (freeSlot < 0)
            _pendingStarts = 0;
        _linkOnlyIfUsb = onlyIfUsbWaiting;
        if (_pendingStarts > 0)
            (void)startTimer(TIMER_ID_LINK, _startPauseMs);
    }
    // An ended worker has nothing left to do: the join returns at once, and the last reference
    // deletes it (a query may still hold one for a moment).
    for (Worker& d : dead)
        d->waitQuit();
    dead.clear();
    if (freeSlot < 0)
        return;
    if (onlyIfUsbWaiting && g_handle.zvtc_check_usb_dev != nullptr) {
        char path[ZV_PROBE_PATH_MAX] = {};
        if (!g_handle.zvtc_check_usb_dev(path)) {
            zv_log_out(ZV_LL_INFO, "no tablet waiting: no worker started");
            return;
        }
    }
    Worker t = std::make_shared<ZvTabletThread>();
    {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        _workers[freeSlot] = t;
        // In the slot before it starts: the session's callbacks find their worker through g_pt.
        g_pt[freeSlot] = t.get();
    }
    (void)t->start("ZvMsgDoer::onTimer");
}

void ZvMsgDoer::free_tablet_thread() {
    stopWorkers(/* keepClosed= */ false, /* noDriverMode= */ false);
}

void ZvMsgDoer::stopWorkers(bool keepClosed, bool noDriverMode) {
    std::lock_guard<std::mutex> starting(_startLock);
    std::vector<Worker> gone;
    {
        std::lock_guard<std::recursive_mutex> hold(_lock);
        for (int n = 0; n < 2; ++n) {
            if (_workers[n] == nullptr)
                continue;
            g_pt[n] = nullptr;
            gone.push_back(std::move(_workers[n]));
        }
    }
    // Joined without the dispatcher's lock: a worker's last steps (its goodbye command, the
    // tablet-closed notification, a key released) must never wait for it.
    for (Worker& t : gone) {
        if (keepClosed)
            t->keepClosed();
        if (noDriverMode)
            t->entryNoDriverMode(205);
        else
            t->waitQuit();
    }
}

void notify_ui_msg(th_u16 cmd, const ZvMsgBody& body) {
    if (ZvMsgDoer* d = g_msgDoer.load(std::memory_order_acquire))
        d->notifyUi(cmd, body);
}

int zvcb_identify_curr_app(char* /*appPath*/, ZvAppID* /*curApp*/, void* /*lastAppID*/) {
    // Nothing identifies the foreground application on this platform; the worker keeps the
    // profile it has.
    return 0;
}
