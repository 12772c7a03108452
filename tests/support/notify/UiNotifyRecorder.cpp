// The recording stand-in for messages to the settings application.
#include "NotifyRecorder.h"
#include "ZvUiNotify.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {
std::mutex g_lock;
std::condition_variable g_cv;
std::vector<ZvRecordedUiMsg> g_msgs;
std::atomic<size_t> g_identify{0};
} // namespace

void notify_ui_msg(th_u16 cmd, const ZvMsgBody& body) {
    ZvRecordedUiMsg m;
    m.cmd = cmd;
    m.body = body;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_msgs.push_back(m);
    }
    g_cv.notify_all();
}

int zvcb_identify_curr_app(char*, ZvAppID*, void*) {
    g_identify.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

std::vector<ZvRecordedUiMsg> recorded_ui_msgs() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_msgs;
}

void clear_ui_msgs() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_msgs.clear();
}

size_t count_ui_msgs(th_u16 cmd) {
    std::lock_guard<std::mutex> hold(g_lock);
    size_t n = 0;
    for (const ZvRecordedUiMsg& m : g_msgs)
        n += m.cmd == cmd ? 1 : 0;
    return n;
}

bool wait_ui_msgs(th_u16 cmd, size_t n, int ms) {
    std::unique_lock<std::mutex> lock(g_lock);
    return g_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] {
        size_t k = 0;
        for (const ZvRecordedUiMsg& m : g_msgs)
            k += m.cmd == cmd ? 1 : 0;
        return k >= n;
    });
}

size_t identify_calls() {
    return g_identify.load();
}
