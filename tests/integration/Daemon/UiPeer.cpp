#include "UiPeer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMetaObject>

#include <chrono>
#include <string.h>
#include <thread>
#include <unistd.h>

bool UiPeerObject::UIMsgProc(ZvDBusMsg msg) {
    _peer->record(msg.m_msg);
    return true;
}

UiPeer::UiPeer() {
    ZvDBusMsg::registerType();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        _reason = "no session bus: " + bus.lastError().message().toStdString();
        return;
    }
    _thread.start();
    _obj = new UiPeerObject(this);
    // Calls are delivered on the object's thread, whose loop runs while the test thread waits.
    _obj->moveToThread(&_thread);
    if (!bus.registerObject("/", _obj, QDBusConnection::ExportAllSlots)) {
        _reason = "cannot export the object";
        return;
    }
    if (!bus.registerService("org.Zerva.QtDBus.Msg")) {
        _reason = "cannot own org.Zerva.QtDBus.Msg";
        return;
    }
    _ready = true;
}

UiPeer::~UiPeer() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService("org.Zerva.QtDBus.Msg");
    bus.unregisterObject("/");
    if (_obj != nullptr)
        QMetaObject::invokeMethod(_obj, "deleteLater");
    _thread.quit();
    _thread.wait();
}

bool UiPeer::sendRecord(const ZvMsg& msg) {
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.Zerva.QtDBus.Msg.core", "/", "", "CoreMsgProc");
    call << QVariant::fromValue(ZvDBusMsg(msg));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    _lastError = reply.errorMessage().toStdString();
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().toBool();
}

bool UiPeer::send(th_u16 cmd, const char* model) {
    ZvMsg m;
    memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    m.head.pid = static_cast<th_u64>(static_cast<th_i64>(getpid()));
    strncpy(m.body.sModel, model, sizeof m.body.sModel - 1);
    return sendRecord(m);
}

bool UiPeer::waitCore(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    QDBusConnectionInterface* iface = QDBusConnection::sessionBus().interface();
    while (std::chrono::steady_clock::now() < until) {
        if (iface->isServiceRegistered("org.Zerva.QtDBus.Msg.core").value())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void UiPeer::record(const ZvMsg& msg) {
    {
        std::lock_guard<std::mutex> hold(_lock);
        _msgs.push_back(msg);
    }
    _cv.notify_all();
}

bool UiPeer::waitFor(th_u16 cmd, size_t n, int ms, ZvMsg* out) {
    std::unique_lock<std::mutex> lock(_lock);
    const ZvMsg* found = nullptr;
    const bool ok = _cv.wait_for(lock, std::chrono::milliseconds(ms), [&] {
        size_t k = 0;
        for (const ZvMsg& m : _msgs) {
            if (m.head.cmd == cmd && k++ == n) {
                found = &m;
                return true;
            }
        }
        return false;
    });
    if (ok && out != nullptr)
        *out = *found;
    return ok;
}

size_t UiPeer::count(th_u16 cmd) {
    std::lock_guard<std::mutex> hold(_lock);
    size_t k = 0;
    for (const ZvMsg& m : _msgs)
        k += m.head.cmd == cmd ? 1 : 0;
    return k;
}

std::vector<ZvMsg> UiPeer::received() {
    std::lock_guard<std::mutex> hold(_lock);
    return _msgs;
}

void UiPeer::clear() {
    std::lock_guard<std::mutex> hold(_lock);
    _msgs.clear();
}
