// The core's object at "/" of "org.Zerva.QtDBus.Msg.core". It belongs to the main thread, so
// the bus delivers its calls there; it only hands records on, the work happens elsewhere.
//
// Any client of the session bus can call it, whoever runs it: only records the settings
// application may send are taken, the core's self messages never come over the bus, and a client
// that calls faster than the core handles records is refused rather than queued without end.
#pragma once

#include "ZvDBusMsg.h"
#include "ZvUcQueue.h"

#include <QByteArray>
#include <QDBusContext>
#include <QObject>
#include <QString>

#include <chrono>
#include <stddef.h>

namespace zvuc {

// Records from the settings application that may wait for the processing thread. A settings
// application sends a handful at a time and waits for each answer; a client past this is
// flooding the core.
const size_t kProcQueueLimit = 256;

// A record from the settings application with the bus's unique name of its sender, from which
// the processing thread learns the sender's uid and pid.
struct Incoming {
    ZvMsg msg;
    QString sender;
};

// Events that come close together (refusals, senders the bus cannot name) form one burst and
// cost one log line: a flood of calls must not become a flood of lines in the core's log.
class LogBurst {
public:
    using Clock = std::chrono::steady_clock;
    // True for the first event of a burst (one after a quiet spell); previous() then says how
    // many events the burst before held.
    bool next(Clock::time_point now);
    unsigned previous() const { return _previous; }

private:
    Clock::time_point _last{};
    unsigned _count = 0;
    unsigned _previous = 0;
};

// The checks every record from a client passes before the processing thread sees it. Called on
// one thread only (the main thread).
class PeerIntake {
public:
    explicit PeerIntake(ZvUcQueue<Incoming>* procQueue) : _procQueue(procQueue) {}

    // True when queued; false for a self message's code (0x6000 and above, also what would pass
    // for a reply) or a full queue.
    bool admit(const ZvMsg& msg, const QString& sender);
    // A self message (BinaryMessage) from a client other than the core itself: logged per burst.
    void refuseSelfMessage(const QString& sender);

private:
    void refuseForged(const char* what, const QString& sender);

    ZvUcQueue<Incoming>* _procQueue;
    LogBurst _forged;
    LogBurst _full;
};

class CoreReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    explicit CoreReceiver(ZvUcQueue<Incoming>* procQueue) : _intake(procQueue) {}

public slots:
    // Settings application to core: queued for the processing thread. True when queued (not yet
    // handled); false when refused, so the record is lost as it is when the call fails.
    Q_SCRIPTABLE bool CoreMsgProc(ZvDBusMsg arg);
    // The core to itself: the bare record (ay), delivered here, on the main thread; the answer is
    // always the same 72 bytes. Only the core's own connection may call it (the core's self
    // messages say that a tablet came or went, or turn the wheel): from any other client it is an
    // AccessDenied error and nothing reaches the core.
    QByteArray BinaryMessage(QByteArray bytes);

private:
    PeerIntake _intake;
};

} // namespace zvuc
