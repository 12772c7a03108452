#include "ZvUcCallbacks.h"

#include "ZvDBusMsg.h"
#include "ZvLog.h"

#include <atomic>
#include <stdio.h>
#include <string>

namespace zvuc {
namespace {

std::atomic<bool> g_inited{false};
std::atomic<ZVUC_RECV_MSG_CB> g_onRecvMsg{nullptr};
std::atomic<ZVUC_EVENT_CB> g_onEvent{nullptr};
std::atomic<ZVUC_PEER_MSG_CB> g_onPeerMsg{nullptr};
// Kept for the interface's sake: screen changes and timers reach the core through g_onEvent.
std::atomic<ZVUC_SCREEN_INFO_CB> g_onScreenInfo{nullptr};
std::atomic<ZVUC_TIMER_CB> g_onTimer{nullptr};

} // namespace

int init(ZVUC_RECV_MSG_CB onRecvMsg, ZVUC_SCREEN_INFO_CB onScreenInfo) {
    if (g_inited.exchange(true))
        return 1;
    if (onRecvMsg == nullptr) {
        g_inited.store(false);
        return -1;
    }
    zv_log_out(ZV_LL_INFO, "Init Core handler");
    g_onRecvMsg.store(onRecvMsg);
    g_onScreenInfo.store(onScreenInfo);
    return 0;
}

int initCall(ZVUC_EVENT_CB onEvent, ZVUC_SCREEN_INFO_CB onScreenInfo, ZVUC_TIMER_CB onTimer) {
    if (g_inited.exchange(true))
        return 1;
    if (onEvent == nullptr) {
        g_inited.store(false);
        return -1;
    }
    g_onEvent.store(onEvent);
    g_onScreenInfo.store(onScreenInfo);
    g_onTimer.store(onTimer);
    g_onRecvMsg.store(nullptr);
    zv_log_out(ZV_LL_INFO, "Init Core handler");
    return 0;
}

int initPeer(ZVUC_PEER_MSG_CB onPeerMsg) {
    if (!g_inited.load())
        return -1;
    g_onPeerMsg.store(onPeerMsg);
    return 0;
}

void clearCallbacks() {
    g_onPeerMsg.store(nullptr);
    g_onRecvMsg.store(nullptr);
    g_onEvent.store(nullptr);
    g_onScreenInfo.store(nullptr);
    g_onTimer.store(nullptr);
    g_inited.store(false);
}

bool deliverRecord(const ZvMsg& msg, long long uid) {
    if (ZVUC_PEER_MSG_CB cb = g_onPeerMsg.load()) {
        cb(&msg, uid);
        return true;
    }
    if (ZVUC_RECV_MSG_CB cb = g_onRecvMsg.load()) {
        cb(&msg);
        return true;
    }
    if (ZVUC_EVENT_CB cb = g_onEvent.load()) {
        cb(int(sizeof msg), reinterpret_cast<const char*>(&msg), 0);
        return true;
    }
    zv_log_out(ZV_LL_DEBUG, "core message handling is not initialised");
    return false;
}

void deliverSelf(const QByteArray& bytes) {
    ZVUC_EVENT_CB cb = g_onEvent.load();
    if (cb == nullptr)
        return;
    ZvMsg msg;
    zv_msg_from_bytes(bytes, &msg);
    cb(int(sizeof msg), reinterpret_cast<const char*>(&msg), 0);
}

void deliverTimer(int id) {
    if (ZVUC_EVENT_CB cb = g_onEvent.load())
        cb(0, nullptr, id);
}

QByteArray fixedReply() {
    static const int kWords[18] = {0, 0, 2, 1, 3, 4, 5, 6, 7, 8, 10, 0, 4, 4, 3, 2, 2, 2};
    QByteArray out;
    out.reserve(int(sizeof kWords));
    for (int w : kWords)
        for (int shift = 0; shift < 32; shift += 8)
            out.append(char((unsigned(w) >> shift) & 0xff));
    return out;
}

void dumpBytes(const QByteArray& bytes) {
    if (bytes.isEmpty() || !zv_log_enabled(ZV_LL_DEBUG))
        return;
    std::string text = " \n Pong print :";
    char item[8];
    for (int i = 0; i < bytes.size(); ++i) {
        snprintf(item, sizeof item, "0x%x,", unsigned(static_cast<unsigned char>(bytes[i])));
        text += item;
        if (i % 10 == 0)
            text += '\n';
    }
    zv_log_out(ZV_LL_DEBUG, "%s", text.c_str());
}

} // namespace zvuc
