// The three threads of the bus side. Each sleeps until it has work: the receiving thread in its
// own event loop, the other two on their queue's condition.
#pragma once

#include "ZvBusNames.h"
#include "ZvUcQueue.h"
#include "ZvUcReceiver.h"
#include "ZvUcSenders.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace zvuc {

// Registers the core's service and object, then idles in its event loop until stopped.
class CoreReciveThread : public QThread {
public:
    explicit CoreReciveThread(CoreReceiver* receiver) : _receiver(receiver) {}
    // Blocks until registration succeeded or gave up (or the time is over); true if registered.
    bool waitRegistered(int timeoutMs);

protected:
    void run() override;

private:
    CoreReceiver* _receiver;
    std::mutex _mu;
    std::condition_variable _cv;
    bool _settled = false;
    bool _registered = false;
};

// What the processing thread does with one record: the record's pid becomes the one the bus
// gives for its sender (0 when the bus cannot tell), and it goes to the core's callbacks with the
// sender's uid (deliverRecord). False when no callback took it.
bool handOver(Incoming in, SenderCache* senders);

// Hands the settings application's records to the core, one at a time and in arrival order (so
// the records of every sender keep their order).
class CoreProcThread : public QThread {
public:
    ZvUcQueue<Incoming> m_msgQueue{kProcQueueLimit};

protected:
    void run() override;

private:
    SenderCache _senders;
};

// Calls UIMsgProc of the settings application for each queued record. It does bus work only
// when a record is waiting: while the settings application is absent nothing happens, and a
// record given meanwhile costs one failed call and is dropped (it is not retried).
class CoreSenderThread : public QThread {
public:
    // Each record costs a call that the settings application answers; records asked for faster
    // than that (a client flooding the core with requests) are dropped past this many.
    static constexpr size_t kQueueLimit = 1024;
    ZvUcQueue<ZvMsg> m_msgQueue{kQueueLimit};

protected:
    void run() override;

private:
    bool _connected = false;
};

} // namespace zvuc
