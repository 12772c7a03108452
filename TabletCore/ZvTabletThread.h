// One worker per connected tablet: opens it through libpadsession, identifies it, merges its
// stored description with the user's settings and hands every report to the handler of its
// kind. The dispatcher keeps at most two of them in g_pt.
#pragma once

#include "ZvCoordMap.h"
#include "ZvDoerHkey.h"
#include "ZvDoerMek.h"
#include "ZvDoerPen.h"
#include "ZvDriverCfg.h"
#include "ZvSessionTablet.h"
#include "ZvStruct.h"
#include "ZvThread.h"
#include "ZvUiNotify.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

// Per-tablet state. Zeroed at construction; tc and uc are filled by start-up.
struct _TabletObject {
    bool bEntryNewApp;
    bool bCalibrating;
    th_u8 curAppIdx; // 0: uc.base.app0, k: uc.apps[k - 1]
    th_u8 curMekIdx;
    th_u8 buf[12];
    th_u8 lastBuf[12];
    th_u8 cursor; // brush/eraser toggle
    ZvRect penCtrlRect;
    ZvTabletCfg tc;
    ZvUserConfig uc;
    ZvLayoutTablet lt;
    th_i64 curAppID;
};

// Shared by all workers.
struct _TabletClass {
    th_char storePath[520];
    th_char curModel[ZV_MODEL_LEN];
    ZvAppID curPaintApp;
};

class ZvTabletThread : public ZvThread {
public:
    ZvTabletThread();
    explicit ZvTabletThread(int fd);
    ~ZvTabletThread() override;

    // Sends message 258 every time; the goodbye command 205 and the session close only once.
    void close();
    void reqQuitPassive();
    // Ends an idle wait of the worker's loop (a stop request, staged settings).
    void resume() override { wake(); }
    void onReadTimeout(th_u32 count);
    // Lets go of everything the handlers hold down (keys, buttons, the pen's contact and
    // proximity): on close, after an unplug, and before other settings take over. Runs on the
    // thread that handles reports, or once none can arrive any more.
    void releaseHeld();
    // Handles obj->buf; true when the report was handled.
    bool dispatch();

    // --- the dispatcher's interface; callable from its thread while reports flow ---
    ZvTabletCfg* getTabletCfg() { return &_obj->tc; }
    // A copy of the tablet's description; false once close() has cleared it.
    bool copyTabletCfg(ZvTabletCfg* out);
    // The tablet is not to be opened again until it is plugged again (the settings application
    // told the core to leave the tablets alone). Takes effect when the worker closes.
    void keepClosed() { _holdBack = true; }
    void calibrateMonitor(bool bStart);
    // Re-reads the user settings now; the worker takes them over between two reports.
    void notifyConfigChanged();
    void refreshMonitors();
    void entryNoDriverMode(th_u32 cmd);
    // Device states (ZvTabletThreadInterface.cpp): on a synchronous session the device's answer
    // byte for the query states, else 0; asynchronous answers reach the UI as messages.
    th_u8 queryBattery();
    th_u8 optLedState(th_i32 state);
    th_u8 optDailState(th_i32 state);
    th_u8 optTHkeyState(th_i32 state);
    th_u8 optTScreenState(th_i32 state);
    th_u8 optLedLightState(th_i32 state);
    th_u8 optSleepState(th_i32 state);
    void reqCmdAsync(th_u8 cmd);
    static void setCurModel(ZvTabletThread* thread, const char* sModel);
    static void clear();

    // Whether context is this worker's session.
    bool owns(const void* context) const { return context == &_tablet; }
    // The model this worker serves, fixed once start-up identified it ("" before).
    const char* model() const { return _model; }
    bool initDone() const { return _bInitDone.load(std::memory_order_acquire); }
    bool closedPassive() const { return _bClosedPassive.load(); }

    // --- session callbacks ---
    static void on_opened(void* context);
    static void on_closed(void* context);
    static void on_got_string_desc(void* context, th_u8* buf);
    static void on_read(void* context, th_u8* buf);
    void onOpened();
    void onClosed();
    void onCmd(const th_u8* buff);
    void onRead(const th_u8* buf);

    // --- used by the handlers and the key actions ---
    _TabletObject* obj() { return _obj; }
    ZvCoordMap& coordMap() { return _coordMap; }
    ZvDoerPen& doerPen() { return _doerPen; }
    bool bInitFirstTimeFreshScreen() const { return _bInitFirstTimeFreshScreen; }
    void clearInitFirstTimeFreshScreen() { _bInitFirstTimeFreshScreen = false; }

    static _TabletClass* _cls;
    static ZvDriverCfg _cfg;
    static std::mutex _clsLock; // curModel is set by the dispatcher and cleared by workers

protected:
    bool init() override;
    void uninit() override;
    void run() override;

private:
    void construct();
    void initVariant();
    // Synchronous sessions: asks for 201 and 200 and decodes their answers; false (logged) when
    // either request fails. Asynchronous ones: sends 201 and returns false (answers follow).
    bool initTabletInfo();
    // One start-up command on a synchronous session, tried twice; the answer lands in buf
    // (zeroed first). False when the device gave no answer.
    bool startupCmd(th_u8 cmd, th_u8* buf, th_u16 size);
    bool initDriverInfo();
    void loopSync();
    void loopAsync();
    // Takes over what the dispatcher staged (settings, calibration state, monitors); runs on the
    // thread that handles reports, between two of them, and never waits for a lock.
    void applyStaged();
    // Sleeps up to us microseconds, or until asked to stop or something was staged.
    void idleWait(unsigned us);
    // The idle wait of a worker whose reports come through on_read. Stop requests end it at
    // once; its length only bounds how soon a lost device is noticed (read() says so), and it
    // is the worker's only periodic wake-up.
    static constexpr unsigned kIdleWaitUs = 250000;
    void wake();
    bool identify_cur_app();
    // Sends a device-state command; the answer byte when code is the query code on a
    // synchronous session, else 0.
    th_u8 stateCmd(th_u8 code, th_u8 queryCode);
    // Sends a device-state command; true when buf holds the device's answer to a query (a
    // synchronous session answered and code is the query code).
    bool stateAnswer(th_u8 code, th_u8 queryCode, th_u8* buf, th_u16 size);

    int _fd = 0;
    bool _bInitFirstTimeFreshScreen = false;
    std::atomic<bool> _bRecv200{false};
    std::atomic<bool> _bRecv201{false};
    std::atomic<bool> _bInitDone{false};
    std::atomic<bool> _bClosedPassive{false};
    std::atomic<th_u32> _asyncReqCmdTime{0};
    std::atomic<th_u32> _asyncSignalTime{0};
    ZvSessionTablet _tablet;
    _TabletObject* _obj = nullptr;
    std::atomic<bool> _bReinitPen{false};
    ZvDoerHkey _doerHkey;
    ZvDoerPen _doerPen;
    ZvDoerDail _doerDail;
    ZvDoerSlider _doerSlider;
    ZvDoerRing _doerRing;
    ZvDoerTouch _doerTouch;
    ZvCoordMap _coordMap;
    // close() hands back and closes once; a second call only logs.
    std::atomic<bool> _close_flag{false};

    // Requests from the dispatcher's thread, applied by applyStaged.
    std::mutex _stageLock;
    std::unique_ptr<ZvUserConfig> _stagedUc; // allocated once, so staging never allocates
    std::atomic<bool> _ucStaged{false};
    std::atomic<int> _calibStaged{-1}; // -1 nothing, 0 end, 1 start
    std::atomic<bool> _monitorsStaged{false};
    // close() clears the description while the dispatcher may be copying it.
    std::mutex _tcLock;
    // Set when the tablet is given back on purpose (start-up failed, keepClosed): close() asks
    // the session library not to offer it again until it is unplugged, since closing it makes
    // the kernel announce it anew.
    std::atomic<bool> _holdBack{false};
    // A read failure is handled once the session is closed, when no report can race with it.
    bool _abnormalStop = false;
    char _model[ZV_MODEL_LEN] = {};

    std::mutex _idleLock;
    std::condition_variable _idleCv;
    bool _wakeFlag = false;
};

// The dispatcher's worker slots.
extern std::atomic<ZvTabletThread*> g_pt[2];
// The worker in either slot whose session lies at context, or null.
ZvTabletThread* get_match_thread(void* context);
