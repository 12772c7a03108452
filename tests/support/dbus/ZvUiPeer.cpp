#include "ZvUiPeer.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QVariant>

#include <chrono>

namespace {
const char kUi[] = "org.Zerva.QtDBus.Msg";
const char kCore[] = "org.Zerva.QtDBus.Msg.core";
} // namespace

ZvUiPeer::ZvUiPeer()
    : _bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                         QStringLiteral("zv-ui-peer"))) {
    ZvDBusMsg::registerType();
    _thread.start();
    moveToThread(&_thread);
    _bus.registerObject(QStringLiteral("/"), this, QDBusConnection::ExportAllSlots);
    // The watcher lives in the peer's thread, whose loop receives the bus's NameOwnerChanged;
    // the name's state is read once after it exists, so no change falls between the two.
    QMetaObject::invokeMethod(
        this,
        [this] {
            auto* watcher = new QDBusServiceWatcher(kCore, _bus,
                                                    QDBusServiceWatcher::WatchForOwnerChange, this);
            QObject::connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                             [this](const QString&, const QString&, const QString& owner) {
                                 setCoreUp(!owner.isEmpty());
                             });
            const QDBusReply<bool> up = _bus.interface()->isServiceRegistered(kCore);
            setCoreUp(up.isValid() && up.value());
        },
        Qt::BlockingQueuedConnection);
}

ZvUiPeer::~ZvUiPeer() {
    _bus.unregisterObject(QStringLiteral("/"));
    (void)releaseName();
    _thread.quit();
    _thread.wait();
    QDBusConnection::disconnectFromBus(QStringLiteral("zv-ui-peer"));
}

bool ZvUiPeer::claimName() {
    return _bus.registerService(kUi);
}
bool ZvUiPeer::releaseName() {
    return _bus.unregisterService(kUi);
}

bool ZvUiPeer::UIMsgProc(ZvDBusMsg arg) {
    ZvUiPeerCall call;
    call.signature = message().signature();
    call.msg = arg.m_msg;
    if (!message().arguments().isEmpty()) {
        const QDBusArgument raw = qvariant_cast<QDBusArgument>(message().arguments().first());
        raw.beginStructure();
        raw >> call.wire;
        raw.endStructure();
    }
    {
        std::lock_guard<std::mutex> lock(_mu);
        _calls.push_back(call);
    }
    _cv.notify_all();
    return true;
}

std::vector<ZvUiPeerCall> ZvUiPeer::waitCalls(size_t n, int timeoutMs) {
    std::unique_lock<std::mutex> lock(_mu);
    _cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return _calls.size() >= n; });
    return _calls;
}

size_t ZvUiPeer::callCount() {
    std::lock_guard<std::mutex> lock(_mu);
    return _calls.size();
}

void ZvUiPeer::clearCalls() {
    std::lock_guard<std::mutex> lock(_mu);
    _calls.clear();
}

bool ZvUiPeer::waitCoreName(int timeoutMs) {
    std::unique_lock<std::mutex> lock(_mu);
    return _cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return _coreUp; });
}

void ZvUiPeer::setCoreUp(bool up) {
    {
        std::lock_guard<std::mutex> lock(_mu);
        _coreUp = up;
    }
    _cv.notify_all();
}

bool ZvUiPeer::callCore(const ZvMsg& msg, int timeoutMs) {
    QDBusMessage call = QDBusMessage::createMethodCall(kCore, QStringLiteral("/"), QString(),
                                                       QStringLiteral("CoreMsgProc"));
    call << QVariant::fromValue(ZvDBusMsg(msg));
    const QDBusReply<bool> reply = _bus.call(call, QDBus::Block, timeoutMs);
    return reply.isValid() && reply.value();
}

bool ZvUiPeer::sendCore(const ZvMsg& msg) {
    QDBusMessage call = QDBusMessage::createMethodCall(kCore, QStringLiteral("/"), QString(),
                                                       QStringLiteral("CoreMsgProc"));
    call << QVariant::fromValue(ZvDBusMsg(msg));
    return _bus.send(call);
}

bool ZvUiPeer::callCoreRaw(const QByteArray& bytes) {
    QDBusArgument arg;
    arg.beginStructure();
    arg << bytes;
    arg.endStructure();
    QDBusMessage call = QDBusMessage::createMethodCall(kCore, QStringLiteral("/"), QString(),
                                                       QStringLiteral("CoreMsgProc"));
    call << QVariant::fromValue(arg);
    const QDBusReply<bool> reply = _bus.call(call);
    return reply.isValid() && reply.value();
}

QByteArray ZvUiPeer::callBinary(const QByteArray& bytes, QString* error) {
    QDBusMessage call = QDBusMessage::createMethodCall(kCore, QStringLiteral("/"), QString(),
                                                       QStringLiteral("BinaryMessage"));
    call << bytes;
    const QDBusReply<QByteArray> reply = _bus.call(call);
    if (error != nullptr)
        *error = reply.isValid() ? QString() : reply.error().name();
    return reply.isValid() ? reply.value() : QByteArray();
}
