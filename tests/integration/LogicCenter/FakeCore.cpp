#include "FakeCore.h"

#include "ZvBusNames.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariant>

#include <chrono>
#include <string.h>

FakeCore::FakeCore(const QString& name)
    : _name(name), _bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {
    ZvDBusMsg::registerType();
    _thread.start();
    moveToThread(&_thread);
    _bus.registerObject(QStringLiteral("/"), this, QDBusConnection::ExportAllSlots);
}

FakeCore::~FakeCore() {
    (void)release();
    _bus.unregisterObject(QStringLiteral("/"));
    _thread.quit();
    _thread.wait();
    QDBusConnection::disconnectFromBus(_name);
}

bool FakeCore::claim() {
    return _bus.registerService(kZvCoreService);
}

bool FakeCore::release() {
    return _bus.unregisterService(kZvCoreService);
}

bool FakeCore::toUi(const ZvMsg& msg) {
    QDBusMessage call = QDBusMessage::createMethodCall(kZvUiService, QStringLiteral("/"), QString(),
                                                       QStringLiteral("UIMsgProc"));
    call << QVariant::fromValue(ZvDBusMsg(msg));
    const QDBusMessage reply = _bus.call(call, QDBus::Block, kZvCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().toBool();
}

bool FakeCore::CoreMsgProc(ZvDBusMsg msg) {
    {
        std::lock_guard<std::mutex> lock(_mu);
        _calls.push_back(msg.m_msg);
    }
    _cv.notify_all();
    return true;
}

std::vector<ZvMsg> FakeCore::waitCalls(size_t n, int timeoutMs) {
    std::unique_lock<std::mutex> lock(_mu);
    _cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return _calls.size() >= n; });
    return _calls;
}

size_t FakeCore::waitCount(th_u16 cmd, size_t n, int timeoutMs) {
    std::unique_lock<std::mutex> lock(_mu);
    size_t found = 0;
    _cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        found = 0;
        for (const ZvMsg& m : _calls)
            found += m.head.cmd == cmd ? 1 : 0;
        return found >= n;
    });
    return found;
}

ZvMsg FakeCore::last(th_u16 cmd) {
    std::lock_guard<std::mutex> lock(_mu);
    ZvMsg out;
    memset(&out, 0, sizeof out);
    for (const ZvMsg& m : _calls)
        if (m.head.cmd == cmd)
            out = m;
    return out;
}

void FakeCore::clear() {
    std::lock_guard<std::mutex> lock(_mu);
    _calls.clear();
}
