// The core's message dispatcher: the single point of contact with the settings application, with
// the core's own self messages and with its timers. It keeps the two worker slots (g_pt), starts
// workers when a tablet may have appeared, answers queries by asking the worker of the named
// model and sends the core's notifications out. The transport is left to a subclass (MsgHandler
// in the daemon, a recording one in the tests).
#pragma once

#include "ZvMsg.h"
#include "ZvType.h"

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

class ZvTabletThread;

// Dispatcher timer ids, delivered to onTimer.
enum : unsigned {
    TIMER_ID_RS = 1,             // 100 ms: sends one held-back record
    TIMER_ID_LINK = 2,           // never started here; starts workers
    TIMER_ID_CALIBRATE = 3,      // never started; does nothing
    TIMER_ID_ADMINPRIVILEGE = 4, // 100 ms after a run-as-administrator request
    TIMER_ID_DETECT_DEVICE = 5,  // once, one second after start-up: look for plugged tablets
};

class ZvMsgDoer {
public:
    explicit ZvMsgDoer(th_u64 hwnd);
    virtual ~ZvMsgDoer();
    ZvMsgDoer(const ZvMsgDoer&) = delete;
    ZvMsgDoer& operator=(const ZvMsgDoer&) = delete;

    // Clears the held-back records and asks for timers 1 (100 ms) and 5 (1000 ms). True.
    bool init();
    // Stops timers 1, 2 and 4, stops and deletes every worker, frees the workers' shared record.
    // The tablets stay closed until they are plugged again.
    void uninit();

    // One record from the settings application or a self message. Unknown codes are ignored.
    void onMsg(const ZvMsg& msg);
    void onTimer(unsigned id);
    // Asks the session library whether a tablet is plugged; posts 0x6001 / 0x6003 when so. Runs
    // on the dispatcher's own thread (timer 5 asks for it).
    void CheckDoCommand();
    // To the transport when the settings application runs; else only 0x110..0x112 are held back.
    void send(ZvMsg& msg);
    void refreshMonitors();
    // Every worker hands its tablet back to the device's own mode (command 205) and closes it;
    // returns once they all have. No worker is started after it.
    void requestNoDriverModeExit();
    // notify_ui_msg of this dispatcher: a record built from zero around a copy of body.
    void notifyUi(th_u16 cmd, const ZvMsgBody& body);

    // Asks the dispatcher's own thread to replace dead workers and start one in the first free
    // slot; a second free slot is filled one pause later (timer 2), so that the first worker has
    // claimed its device before the second looks for one. Returns at once.
    void run_tablet_thread();
    // Stops and deletes every worker (on the calling thread, outside the dispatcher's lock).
    void free_tablet_thread();

    // Records held back until the settings application runs (tests).
    size_t heldBack() const;
    // Waits until the dispatcher's own thread has nothing left to do (tests); false after ms.
    bool settle(unsigned ms);
    // Ends the dispatcher's own thread; the destructor of a subclass calls it first, since that
    // thread calls the subclass's timer operations.
    void stopJobs();
    th_u64 pidUI() const { return _pidUI.load(); }

    // --- the transport ---
    virtual void sendMsg(ZvMsg& msg) = 0;
    virtual void startUI() = 0;
    virtual bool startTimer(unsigned id, unsigned ms) = 0;
    virtual void stopTimer(unsigned id) = 0;
    virtual bool restartAsAdmin() = 0;
    virtual bool isAdmin() = 0;
    virtual void reqQuitApp() = 0;
    virtual bool isUIRunning() = 0;
    // Message 128: the set of physical screens changed. The daemon also re-creates the pen device.
    virtual void screenChanged() { refreshMonitors(); }

protected:
    // The pause between starting two workers (one second).
    unsigned _startPauseMs = 1000;

private:
    using Worker = std::shared_ptr<ZvTabletThread>;
    // What waits for a device or a bus (the session library's probes, a worker's start-up, which
    // opens its tablet) runs on a thread of the dispatcher's own, never on the main thread that
    // delivers timers and self messages. Jobs are bits: one asked for while pending is one job.
    enum : unsigned {
        JOB_CHECK = 1,      // CheckDoCommand
        JOB_START_USB = 2,  // runWorkers(true): a USB node appeared
        JOB_START_ANY = 4,  // runWorkers(false)
        JOB_START_NEXT = 8, // the pause after a start is over (timer 2)
    };
    void post(unsigned jobs);
    void jobLoop();
    // The first running, identified worker that serves sModel (slot 0 first), or null. The
    // caller's reference keeps it alive while it talks to the device, outside the lock.
    Worker target(const char* sModel) const;
    void reply(th_u16 cmd, const ZvMsgBody& body);
    void onStateMsg(const ZvMsg& msg, ZvTabletThread* t);
    // run_tablet_thread; with onlyIfUsbWaiting, no worker starts unless the session library
    // sees a USB tablet that nobody holds and that was not given back on purpose: closing a
    // tablet makes the kernel announce it anew, and that is not a plug.
    // fromTimer: the pause after a start is over; one more of the slots that were free at the
    // event is filled.
    void runWorkers(bool onlyIfUsbWaiting, bool fromTimer = false);
    // Takes every worker out of its slot and stops it; keepClosed: its tablet is not opened again
    // until it is plugged again.
    void stopWorkers(bool keepClosed, bool noDriverMode);

    // The dispatcher's state (_msg, the slots, the counters) is touched from the bus's
    // processing thread, the main thread and the quit thread. The lock is held only for that:
    // never while a device is spoken to, a worker is started or joined, or something waits.
    // It is recursive because a self message posted on the main thread while it handles a timer
    // (the start-up check) is delivered on that same thread before the post returns.
    mutable std::recursive_mutex _lock;
    // Starting a worker (which waits for its start-up, device I/O included) and stopping all of
    // them exclude each other, so that a stop never misses a worker that is just starting.
    std::mutex _startLock;
    // The outgoing list, taken by workers' notifications too; never held while calling out.
    mutable std::mutex _listLock;

    ZvMsg _msg{};
    bool _bStartUI = true;
    const th_u64 _hwnd;
    th_u64 _hwndUI = 0;
    std::atomic<th_u64> _pidUI{0};
    std::list<ZvMsg> _listMsg;
    unsigned _detectCount = 0;
    int _lastRunning = 0;
    Worker _workers[2];
    // Starts still to come, one pause apart (timer 2), for the slots free at the last event, and
    // whether they wait for a USB tablet too.
    int _pendingStarts = 0;
    bool _linkOnlyIfUsb = false;
    // Set by requestNoDriverModeExit: the process is ending and no tablet may be opened again.
    std::atomic<bool> _quitting{false};

    std::mutex _jobLock;
    std::condition_variable _jobCv;
    unsigned _jobsPending = 0;
    bool _jobRunning = false;
    bool _jobStop = false;
    std::thread _jobThread; // started by the first post
};

// The one dispatcher, set by its constructor.
extern std::atomic<ZvMsgDoer*> g_msgDoer;
