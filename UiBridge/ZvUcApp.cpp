#include "ZvUcApp.h"

#include "ZvDBusMsg.h"
#include "ZvLog.h"
#include "ZvUcCallbacks.h"
#include "ZvUcReceiver.h"
#include "ZvUcThreads.h"
#include "ZvUcTimers.h"

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace zvuc {
namespace {

// The receiver and the three threads of one run of the event loop.
class BusSide {
public:
    BusSide() : _receiver(&_proc.m_msgQueue), _recive(&_receiver) {}
    ~BusSide() { stop(); }

    void start() {
        _recive.start();
        _proc.start();
        _sender.start();
    }

    // Ends the receiving thread's loop (it then leaves the bus) and the two queue threads;
    // records still queued are dropped.
    void stop() {
        std::lock_guard<std::mutex> lock(_stopMu);
        if (_stopped)
            return;
        _stopped = true;
        _recive.quit();
        _proc.m_msgQueue.stop();
        _sender.m_msgQueue.stop();
        _recive.wait();
        _proc.wait();
        _sender.wait();
    }

    // Called under g_busMu.
    void send(const ZvMsg& msg) {
        if (_sender.m_msgQueue.push(msg) == ZvUcPush::Full && _dropped.next(LogBurst::Clock::now()))
            zv_log_out(ZV_LL_WARN,
                       "%zu records wait for the settings application: dropping newer ones "
                       "(%u dropped in the previous burst)",
                       CoreSenderThread::kQueueLimit, _dropped.previous());
    }
    bool waitRegistered(int timeoutMs) { return _recive.waitRegistered(timeoutMs); }

private:
    CoreProcThread _proc;
    CoreReceiver _receiver;
    CoreReciveThread _recive;
    CoreSenderThread _sender;
    std::mutex _stopMu;
    bool _stopped = false;
    LogBurst _dropped;
};

// g_app_run_flag and what goes with it, guarded by g_runMu: a self message is only posted to the
// main thread while the loop runs, and the loop drains what was posted before it returns.
std::mutex g_runMu;
std::condition_variable g_runCv;
bool g_app_run_flag = false;
QCoreApplication* g_app = nullptr;

// Shared, so that zvuc_uninit can wait for the threads without holding g_busMu (a callback on
// the processing thread may be sending a record meanwhile).
std::mutex g_busMu;
std::shared_ptr<BusSide> g_bus;

// QCoreApplication keeps references to its argc and argv for its whole life.
int g_qtArgc = 1;
char g_progName[256] = "ZervaCore";
char* g_qtArgv[] = {g_progName, nullptr};

void deliverSelfRecord(const ZvMsg& msg) {
    const QByteArray bytes(reinterpret_cast<const char*>(&msg), int(sizeof msg));
    zv_log_out(ZV_LL_DEBUG, "QTUiCoreSession::BinaryMessage l=%d,d=%p ", int(bytes.size()),
               static_cast<const void*>(bytes.constData()));
    dumpBytes(bytes);
    deliverSelf(bytes);
    dumpBytes(fixedReply());
}

} // namespace

int runEventLoop(int argc, char** argv) {
    {
        std::lock_guard<std::mutex> lock(g_runMu);
        if (g_app != nullptr)
            return -1;
    }
    if (argc > 0 && argv != nullptr && argv[0] != nullptr)
        snprintf(g_progName, sizeof g_progName, "%s", argv[0]);
    QCoreApplication app(g_qtArgc, g_qtArgv);
    ZvDBusMsg::registerType();
    QTUiCoreSession session;
    auto bus = std::make_shared<BusSide>();
    {
        std::lock_guard<std::mutex> lock(g_busMu);
        g_bus = bus;
    }
    {
        std::lock_guard<std::mutex> lock(g_runMu);
        g_app = &app;
        g_app_run_flag = true;
    }
    g_runCv.notify_all();
    attachTimers(&session);
    bus->start();
    (void)app.exec();
    {
        std::lock_guard<std::mutex> lock(g_runMu);
        g_app_run_flag = false;
    }
    // Self messages posted before the flag fell are delivered now, so no caller waits for
    // a loop that no longer runs.
    QCoreApplication::sendPostedEvents();
    detachTimers();
    {
        std::lock_guard<std::mutex> lock(g_busMu);
        g_bus = nullptr;
    }
    bus->stop();
    {
        std::lock_guard<std::mutex> lock(g_runMu);
        g_app = nullptr;
    }
    return 0;
}

int stopEventLoop() {
    std::lock_guard<std::mutex> lock(g_runMu);
    if (!g_app_run_flag)
        return -1;
    QMetaObject::invokeMethod(g_app, "quit", Qt::QueuedConnection);
    return 0;
}

void sendToUi(const ZvMsg& msg) {
    std::lock_guard<std::mutex> lock(g_busMu);
    if (g_bus != nullptr)
        g_bus->send(msg);
}

int sendSelf(const ZvMsg& msg) {
    bool here = false;
    {
        std::lock_guard<std::mutex> lock(g_runMu);
        if (!g_app_run_flag) {
            zv_log_out(ZV_LL_ERR, "Call failed: the event loop is not running");
            return 1;
        }
        here = QThread::currentThread() == g_app->thread();
        if (!here) {
            // Queued, never awaited: a caller on a report thread must not stall, and must not
            // hang when the main thread is itself waiting for that report thread to end (a
            // worker being joined at quit). Records from one thread keep their order, and the
            // loop drains what was posted before it returns.
            QMetaObject::invokeMethod(
                g_app, [msg] { deliverSelfRecord(msg); }, Qt::QueuedConnection);
        }
    }
    // On the main thread itself (the dispatcher's start-up check) the record is handled at once,
    // without the lock: the dispatcher may send more from inside.
    if (here)
        deliverSelfRecord(msg);
    return 0;
}

void stopBusSide() {
    std::shared_ptr<BusSide> bus;
    {
        std::lock_guard<std::mutex> lock(g_busMu);
        bus = g_bus;
    }
    if (bus)
        bus->stop();
}

bool waitBusReady(int timeoutMs) {
    {
        std::unique_lock<std::mutex> lock(g_runMu);
        if (!g_runCv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [] { return g_app_run_flag; }))
            return false;
    }
    std::shared_ptr<BusSide> bus;
    {
        std::lock_guard<std::mutex> lock(g_busMu);
        bus = g_bus;
    }
    return bus && bus->waitRegistered(timeoutMs);
}

bool loopRunning() {
    std::lock_guard<std::mutex> lock(g_runMu);
    return g_app_run_flag;
}

} // namespace zvuc
