// The dispatcher's timers as Qt timers of the event loop. Requests come from any thread (the
// main thread, and the processing thread for messages 1 and 9), but a Qt timer can only be
// started and killed by the thread that owns its object. So a request only records what the
// caller wants, under a mutex, and the main thread then makes its Qt timers match (at once when
// it is the caller, else through a queued call). No caller ever waits for the main thread, so a
// caller holding the dispatcher's lock cannot deadlock against a timer expiry.
#pragma once

#include <QObject>

#include <map>

namespace zvuc {

class QTUiCoreSession;

// zvuc_start_timer / zvuc_stop_timer. Before the event loop runs the request is kept and
// the timer starts with the loop; a second start of an ID replaces the first.
int requestStartTimer(int ID, int interval);
// 1 when the ID was running or waiting to start, 0 when none was found.
int requestStopTimer(int ID);

// Called by the event loop on the main thread: attach starts every requested timer, detach kills
// them all and forgets every request.
void attachTimers(QTUiCoreSession* session);
void detachTimers();

// The timer object: owned by the main thread, created when the event loop starts.
class QTUiCoreSession : public QObject {
    Q_OBJECT
public:
    QTUiCoreSession() = default;
    ~QTUiCoreSession() override;

    // Makes the Qt timer of ID match the latest request (main thread only).
    void reconcile(int ID);
    void stopAllTimer();

public slots:
    // Not on the bus; kept for in-process callers. msgType > 0: event callback (0, null,
    // msgType); 0: the bytes as a record; negative: empty reply.
    QByteArray Message(QByteArray message, int msgType);
    QByteArray BinaryMessage(QByteArray message);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct Running {
        int ID;
        unsigned gen;
    };
    std::map<int, Running> m_timerMap; // Qt timer id -> request it serves
};

} // namespace zvuc
