// The settings application as the core's messaging library meets it on the bus: a connection of
// its own that owns "org.Zerva.QtDBus.Msg", exports UIMsgProc at "/" and calls the core. Its
// object lives in a thread with an event loop, so a test thread may block on the core meanwhile.
//
// Usage (CMake: link zvtest_uipeer). It needs a private bus (ZvDBusDaemon, built first) and a
// QCoreApplication in the process; the application need not run its loop (the peer's thread runs
// its own), so a test whose core is a child process just builds one in main().
//
//     ZvDBusDaemon bus;                       // private session bus, before anything connects
//     ... start the core with bus.addressEnv() in its environment ...
//     ZvUiPeer ui;                            // build and destroy it on the same thread
//     ASSERT_TRUE(ui.claimName());            // now the core's sender reaches us
//     ASSERT_TRUE(ui.waitCoreName(5000));     // the core's service is on the bus
//     ASSERT_TRUE(ui.callCore(request));      // CoreMsgProc
//     auto calls = ui.waitCalls(1, 5000);     // what the core sent with UIMsgProc
//
// Only one ZvUiPeer at a time per process (it uses one named connection).
#pragma once

#include "ZvDBusMsg.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <mutex>
#include <vector>

// One UIMsgProc call as the peer saw it.
struct ZvUiPeerCall {
    QString signature; // of the whole call
    QByteArray wire;   // the byte array inside the structure, as sent
    ZvMsg msg;         // as ZvDBusMsg unmarshalled it
};

class ZvUiPeer : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    ZvUiPeer();
    ~ZvUiPeer() override;

    // Takes or gives up the settings application's name. True on success.
    bool claimName();
    bool releaseName();

    // Waits until the core's service "org.Zerva.QtDBus.Msg.core" has an owner on the bus.
    bool waitCoreName(int timeoutMs);

    // Waits until at least n calls have arrived; a copy of all of them.
    std::vector<ZvUiPeerCall> waitCalls(size_t n, int timeoutMs);
    size_t callCount();
    void clearCalls();

    // Settings application to core: CoreMsgProc with the record; true when the core answered true
    // within timeoutMs (-1: the bus's default).
    bool callCore(const ZvMsg& msg, int timeoutMs = -1);
    // CoreMsgProc with the record, asking for no answer and waiting for none (a flood).
    bool sendCore(const ZvMsg& msg);
    // CoreMsgProc with a structure holding these bytes, whatever their length.
    bool callCoreRaw(const QByteArray& bytes);
    // BinaryMessage with these bytes; the reply, or an empty array on error (the error's name in
    // *error when given).
    QByteArray callBinary(const QByteArray& bytes, QString* error = nullptr);

public slots:
    bool UIMsgProc(ZvDBusMsg arg);

private:
    void setCoreUp(bool up);

    QThread _thread;
    QDBusConnection _bus;
    std::mutex _mu;
    std::condition_variable _cv;
    std::vector<ZvUiPeerCall> _calls;
    bool _coreUp = false;
};
