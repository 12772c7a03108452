// The core's object at "/" of "org.Zerva.QtDBus.Msg.core". It belongs to the main thread, so
// the bus delivers its calls there; it only hands records on, the work happens elsewhere.
#pragma once

#include "ZvDBusMsg.h"
#include "ZvUcQueue.h"

#include <QByteArray>
#include <QDBusContext>
#include <QObject>
#include <QString>

namespace zvuc {

// A record from the settings application with the bus's unique name of its sender, from which
// the processing thread learns the sender's real pid.
struct Incoming {
    ZvMsg msg;
    QString sender;
};

class CoreReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    explicit CoreReceiver(ZvUcQueue<Incoming>* procQueue) : _procQueue(procQueue) {}

public slots:
    // Settings application to core: queued for the processing thread. Always true: the answer
    // only says the record arrived, not that it was handled.
    Q_SCRIPTABLE bool CoreMsgProc(ZvDBusMsg arg);
    // The core to itself over the bus: the bare record (ay), delivered here, on the main
    // thread; the answer is always the same 72 bytes.
    QByteArray BinaryMessage(QByteArray message);

private:
    ZvUcQueue<Incoming>* _procQueue;
};

} // namespace zvuc
