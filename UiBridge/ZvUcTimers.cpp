#include "ZvUcTimers.h"

#include "ZvLog.h"
#include "ZvUcCallbacks.h"

#include <QThread>
#include <QTimerEvent>

#include <mutex>

namespace zvuc {
namespace {

struct Wanted {
    int interval;
    unsigned gen; // distinguishes a restart from the timer it replaces
};

std::mutex g_mu;
std::map<int, Wanted> g_wanted; // dispatcher timer ID -> latest start request
unsigned g_gen = 0;
QTUiCoreSession* g_session = nullptr; // set while the event loop runs

bool lookup(int ID, Wanted* out) {
    std::lock_guard<std::mutex> lock(g_mu);
    auto it = g_wanted.find(ID);
    if (it == g_wanted.end())
        return false;
    *out = it->second;
    return true;
}

// Runs reconcile on the main thread; called with g_mu held so g_session stays alive.
void scheduleLocked(int ID) {
    QTUiCoreSession* s = g_session;
    if (s == nullptr)
        return;
    if (QThread::currentThread() == s->thread()) {
        // Direct, but after the lock is released by the caller: reconcile takes it again.
        return;
    }
    QMetaObject::invokeMethod(
        s, [s, ID] { s->reconcile(ID); }, Qt::QueuedConnection);
}

// True when the caller is the main thread of a running loop (then it reconciles itself).
bool onLoopThread() {
    std::lock_guard<std::mutex> lock(g_mu);
    return g_session != nullptr && QThread::currentThread() == g_session->thread();
}

} // namespace

int requestStartTimer(int ID, int interval) {
    if (ID <= 0 || interval < 0)
        return -1;
    {
        std::lock_guard<std::mutex> lock(g_mu);
        g_wanted[ID] = Wanted{interval, ++g_gen};
        scheduleLocked(ID);
    }
    if (onLoopThread())
        g_session->reconcile(ID);
    return 0;
}

int requestStopTimer(int ID) {
    bool found = false;
    size_t left = 0;
    {
        std::lock_guard<std::mutex> lock(g_mu);
        found = g_wanted.erase(ID) > 0;
        left = g_wanted.size();
        if (found)
            scheduleLocked(ID);
    }
    if (!found) {
        zv_log_out(ZV_LL_DEBUG, "StopTimer notfound ID %d, size=%d ", ID, int(left));
        return 0;
    }
    if (onLoopThread())
        g_session->reconcile(ID);
    return 1;
}

void attachTimers(QTUiCoreSession* session) {
    std::map<int, Wanted> queued;
    {
        std::lock_guard<std::mutex> lock(g_mu);
        g_session = session;
        queued = g_wanted;
    }
    for (const auto& entry : queued)
        session->reconcile(entry.first);
}

void detachTimers() {
    QTUiCoreSession* s = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mu);
        s = g_session;
        g_session = nullptr;
        g_wanted.clear();
    }
    if (s != nullptr)
        s->stopAllTimer();
}

QTUiCoreSession::~QTUiCoreSession() {
    stopAllTimer();
}

void QTUiCoreSession::reconcile(int ID) {
    Wanted want{};
    const bool wanted = lookup(ID, &want);
    for (auto it = m_timerMap.begin(); it != m_timerMap.end();) {
        if (it->second.ID == ID && !(wanted && it->second.gen == want.gen)) {
            killTimer(it->first);
            zv_log_out(ZV_LL_DEBUG, "StopTimer TID %d, ID=%d OK ", it->first, ID);
            it = m_timerMap.erase(it);
        } else {
            if (it->second.ID == ID)
                return; // already running as requested
            ++it;
        }
    }
    if (!wanted)
        return;
    const int tid = startTimer(want.interval, Qt::CoarseTimer);
    if (tid == 0) {
        zv_log_out(ZV_LL_ERR, "StartTimer ID %d interval %d failed", ID, want.interval);
        return;
    }
    m_timerMap[tid] = Running{ID, want.gen};
}

void QTUiCoreSession::stopAllTimer() {
    if (m_timerMap.empty())
        return;
    zv_log_out(ZV_LL_DEBUG, "Enter timeout processing function");
    for (const auto& entry : m_timerMap)
        killTimer(entry.first);
    m_timerMap.clear();
}

void QTUiCoreSession::timerEvent(QTimerEvent* event) {
    auto it = m_timerMap.find(event->timerId());
    if (it == m_timerMap.end())
        return;
    // A stop or restart asked from another thread may not have reached us yet: the request is
    // what counts, so an expiry of a timer that was stopped is not delivered.
    Wanted want{};
    if (!lookup(it->second.ID, &want) || want.gen != it->second.gen)
        return;
    deliverTimer(it->second.ID);
}

QByteArray QTUiCoreSession::Message(QByteArray message, int msgType) {
    if (msgType > 0) {
        deliverTimer(msgType);
        return QByteArray();
    }
    if (msgType < 0)
        return QByteArray();
    zv_log_out(ZV_LL_DEBUG, "QTUiCoreSession::Message l=%d,d=%p ", int(message.size()),
               static_cast<const void*>(message.constData()));
    dumpBytes(message);
    deliverSelf(message);
    return fixedReply();
}

QByteArray QTUiCoreSession::BinaryMessage(QByteArray message) {
    zv_log_out(ZV_LL_DEBUG, "QTUiCoreSession::BinaryMessage l=%d,d=%p ", int(message.size()),
               static_cast<const void*>(message.constData()));
    dumpBytes(message);
    deliverSelf(message);
    return fixedReply();
}

} // namespace zvuc
