// The settings application's end of the bus, for the daemon tests: owns "org.Zerva.QtDBus.Msg",
// answers UIMsgProc on its own Qt thread and records every record the core sends, and calls the
// core's CoreMsgProc like the settings application does.
#pragma once

#include "ZvDBusMsg.h"
#include "ZvMsg.h"

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class UiPeer;

class UiPeerObject : public QObject {
    Q_OBJECT
public:
    explicit UiPeerObject(UiPeer* peer) : _peer(peer) {}
public slots:
    bool UIMsgProc(ZvDBusMsg msg);

private:
    UiPeer* _peer;
};

class UiPeer {
public:
    // Needs a QCoreApplication and the private session bus.
    UiPeer();
    ~UiPeer();
    // True once the name is ours and the object exported (reason() otherwise).
    bool ready() const { return _ready; }
    const std::string& reason() const { return _reason; }

    // Sends a record built from zero (pid: this process) to the core; true when the core took it.
    bool send(th_u16 cmd, const char* model = "");
    bool sendRecord(const ZvMsg& msg);
    // Why the last send failed.
    const std::string& lastError() const { return _lastError; }
    // Waits until the core owns its bus name.
    bool waitCore(int ms);

    // The n-th (0-based) record with this code, waiting up to ms for it.
    bool waitFor(th_u16 cmd, size_t n, int ms, ZvMsg* out = nullptr);
    size_t count(th_u16 cmd);
    std::vector<ZvMsg> received();
    void clear();

    void record(const ZvMsg& msg);

private:
    QThread _thread;
    UiPeerObject* _obj = nullptr;
    bool _ready = false;
    std::string _reason;
    std::string _lastError;
    std::mutex _lock;
    std::condition_variable _cv;
    std::vector<ZvMsg> _msgs;
};
