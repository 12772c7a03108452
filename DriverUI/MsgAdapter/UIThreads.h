// The three threads of the message adapter. They only move records: the receiving thread takes
// the core's calls off the bus, the processing thread checks each record and hands it to the GUI
// thread, the sending thread calls the core with the queued requests. Each sleeps until it has
// work (its event loop, its queue's condition, the core's arrival), and each is woken and joined
// by MsgAdapter::stop.
#pragma once

#include "MsgAdapterInterface.h"
#include "ZvMsg.h"
#include "ZvUcQueue.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stddef.h>

class LogicCenterInterface;

// Calls the one logic-center handler of the record's code (on the caller's thread).
void DisPatchMsg(LogicCenterInterface* logic, const ZvMsg& msg);

// Registers "org.Zerva.QtDBus.Msg", exports the receiver at "/", watches the core's service, and
// runs its event loop, in which the core's calls arrive.
class UIReciveThread : public QThread {
public:
    // received: where the records go; coreOnBus: told each time the core's service gains or
    // loses its owner (on this thread).
    UIReciveThread(MsgAdapterInterface* received, std::function<void(bool)> coreOnBus)
        : m_received(received), m_coreOnBus(std::move(coreOnBus)) {}

    // Waits until the set-up has finished or failed; true when the service and object are
    // registered.
    bool waitRegistered(int timeoutMs);

protected:
    void run() override;

private:
    void settle(bool registered);

    MsgAdapterInterface* m_received;
    std::function<void(bool)> m_coreOnBus;
    std::mutex m_mu;
    std::condition_variable m_cv;
    bool m_settled = false;
    bool m_registered = false;
};

// Takes the received records in arrival order, drops those that fail the checks, and hands the
// others on (to the GUI thread) one at a time.
class UIProcThread : public QThread {
public:
    // The core sends a few records per request; more than this waiting means the GUI thread is
    // stuck, and newer records are dropped.
    static constexpr size_t kQueueLimit = 256;

    explicit UIProcThread(std::function<void(const ZvMsg&)> handOn) : m_handOn(std::move(handOn)) {}

    // False when the record was dropped (full or stopped).
    bool AddMsg(const ZvMsg& msg);
    void stop() { m_queue.stop(); }

protected:
    void run() override;

private:
    std::function<void(const ZvMsg&)> m_handOn;
    zvuc::ZvUcQueue<ZvMsg> m_queue{kQueueLimit};
    std::atomic<unsigned> m_dropped{0};
};

// Calls CoreMsgProc of the core with each queued request, in order. While the core's service has
// no owner it waits (woken when the service appears, with a slow re-check in case the
// announcement was missed) and keeps the records; a call that fails or is not answered in time is
// logged and dropped.
class UISendThread : public QThread {
public:
    static constexpr size_t kQueueLimit = 256;

    // False when the record was not queued: the queue is full or stopped, or it is a tablet-list
    // request while one is still waiting (the answer to that one serves both).
    bool AddMsg(const ZvMsg& msg);
    // From the receiving thread's watch of the core's service.
    void setCoreOnBus(bool present);
    void stop();

protected:
    void run() override;

private:
    // True once the core's service has an owner, false when stopped first.
    bool waitForCore();
    void call(const ZvMsg& msg);

    zvuc::ZvUcQueue<ZvMsg> m_queue{kQueueLimit};
    std::atomic<bool> m_listPending{false};
    std::mutex m_mu;
    std::condition_variable m_cv;
    bool m_stop = false;
    bool m_coreOnBus = false;
};
