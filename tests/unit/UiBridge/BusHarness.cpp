#include "BusHarness.h"

#include "ZvUcApp.h"
#include "ZvUcCallbacks.h"
#include "ZvUcTimers.h"
#include "ZvUiPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_mu;
std::condition_variable g_cv;
std::vector<SinkEvent> g_events;
std::vector<std::string> g_log;
bool g_held = false;
std::thread::id g_main;
ZvDBusDaemon* g_bus = nullptr;
ZvUiPeer* g_peer = nullptr;

void onEvent(int size, const char* data, int value) {
    SinkEvent e{size, value, data != nullptr, ZvMsg(), std::this_thread::get_id(), false, -1};
    if (value == 0 && data != nullptr && size >= int(sizeof(ZvMsg)))
        std::memcpy(&e.msg, data, sizeof e.msg);
    {
        std::unique_lock<std::mutex> lock(g_mu);
        // Only records from clients come on the processing thread.
        g_cv.wait(lock, [] { return !g_held || std::this_thread::get_id() == g_main; });
        g_events.push_back(e);
    }
    g_cv.notify_all();
}

void onPeerRecord(const tagZVMsg* msg, long long uid) {
    SinkEvent e{int(sizeof *msg), 0, true, *msg, std::this_thread::get_id(), true, uid};
    {
        std::unique_lock<std::mutex> lock(g_mu);
        g_cv.wait(lock, [] { return !g_held; });
        g_events.push_back(e);
    }
    g_cv.notify_all();
}

void onLog(int, const char* format, va_list args) {
    char buf[2048];
    vsnprintf(buf, sizeof buf, format, args);
    {
        std::lock_guard<std::mutex> lock(g_mu);
        g_log.push_back(buf);
    }
    g_cv.notify_all();
}

} // namespace

namespace sink {

std::vector<SinkEvent> events() {
    std::lock_guard<std::mutex> lock(g_mu);
    return g_events;
}

size_t count() {
    std::lock_guard<std::mutex> lock(g_mu);
    return g_events.size();
}

bool waitUntil(const std::function<bool(const std::vector<SinkEvent>&)>& pred, int timeoutMs) {
    std::unique_lock<std::mutex> lock(g_mu);
    return g_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return pred(g_events); });
}

void clear() {
    std::lock_guard<std::mutex> lock(g_mu);
    g_events.clear();
}

void hold(bool held) {
    {
        std::lock_guard<std::mutex> lock(g_mu);
        g_held = held;
    }
    g_cv.notify_all();
}

std::vector<std::string> logLines() {
    std::lock_guard<std::mutex> lock(g_mu);
    return g_log;
}

bool waitLogCount(const std::string& text, size_t n, int timeoutMs) {
    std::unique_lock<std::mutex> lock(g_mu);
    return g_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        size_t k = 0;
        for (const std::string& l : g_log)
            k += l.find(text) != std::string::npos;
        return k >= n;
    });
}

} // namespace sink

void usePeerCallback(bool use) {
    (void)zvuc::initPeer(use ? onPeerRecord : nullptr);
}

ZvDBusDaemon& privateBus() {
    return *g_bus;
}

ZvUiPeer& peer() {
    if (g_peer == nullptr)
        g_peer = new ZvUiPeer();
    return *g_peer;
}
std::thread::id mainThreadId() {
    return g_main;
}

ZvMsg makeMsg(th_u16 cmd, const char* model) {
    ZvMsg m;
    std::memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    if (model != nullptr)
        std::strncpy(m.body.sModel, model, sizeof m.body.sModel - 1);
    return m;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ZvDBusDaemon bus; // before anything reads the session bus address
    g_bus = &bus;
    g_main = std::this_thread::get_id();
    if (!bus.available())
        return RUN_ALL_TESTS(); // every test skips or fails with the reason

    zv_set_log_handler(onLog);
    if (zvuc::initCall(onEvent, nullptr, nullptr) != 0 || zvuc::initPeer(onPeerRecord) != 0)
        return 1;
    // Asked for before the loop exists, as the dispatcher does at start-up.
    (void)zvuc::requestStartTimer(kEarlyTimerId, kEarlyTimerMs);

    int rc = 1;
    std::thread tests([&] {
        if (zvuc::waitBusReady(10000))
            rc = RUN_ALL_TESTS();
        else
            fprintf(stderr, "the library did not register its service\n");
        delete g_peer; // on the thread that built it
        g_peer = nullptr;
        (void)zvuc::stopEventLoop();
    });
    const int loop = zvuc::runEventLoop(argc, argv);
    tests.join();
    zvuc::clearCallbacks();
    zv_set_log_handler(nullptr);
    return loop == 0 ? rc : 1;
}
