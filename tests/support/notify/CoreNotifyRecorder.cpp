// The recording stand-in for the dispatcher's self messages.
#include "NotifyRecorder.h"
#include "ZvCoreNotify.h"

#include <mutex>
#include <vector>

namespace {
std::mutex g_lock;
std::vector<th_u16> g_msgs;
} // namespace

void notify_core_msg(th_u16 cmd) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_msgs.push_back(cmd);
}

std::vector<th_u16> recorded_core_msgs() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_msgs;
}

void clear_core_msgs() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_msgs.clear();
}
