#include "ZvUcThreads.h"

#include "ZvDBusMsg.h"
#include "ZvLog.h"
#include "ZvUcCallbacks.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDateTime>
#include <QVariant>

#include <chrono>
#include <string.h>

namespace zvuc {

namespace {

void logProcLine(const char* what, const char* model) {
    const QByteArray when =
        QDateTime::currentDateTime().toString(QStringLiteral("yyy-MM-dd hh:mm:ss")).toLatin1();
    if (model != nullptr)
        zv_log_out(ZV_LL_DEBUG, "%s ZvUcThreads -- UI Call Core->MsgProc %s\n%s", when.constData(),
                   what, model);
    else
        zv_log_out(ZV_LL_DEBUG, "%s ZvUcThreads -- UI Call Core->MsgProc %s", when.constData(),
                   what);
}

} // namespace

bool CoreReciveThread::waitRegistered(int timeoutMs) {
    std::unique_lock<std::mutex> lock(_mu);
    _cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return _settled; });
    return _registered;
}

void CoreReciveThread::run() {
    zv_log_out(ZV_LL_DEBUG, "pong ");
    bool ok = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        zv_log_out(ZV_LL_DEBUG, "InitCoreDBus SessionBus is not connect");
    } else {
        zv_log_out(ZV_LL_DEBUG, "InitCoreDBus SessionBus is connect");
        if (!bus.registerService(kZvCoreService)) {
            zv_log_out(ZV_LL_ERR, "Register CORE_SERVICE_NAME service error\n\t%s",
                       qPrintable(bus.lastError().message()));
        } else {
            zv_log_out(ZV_LL_DEBUG, "Register CORE_SERVICE_NAME service success");
            ok =
                bus.registerObject(QStringLiteral("/"), _receiver, QDBusConnection::ExportAllSlots);
            if (ok)
                zv_log_out(ZV_LL_DEBUG, "RegisterObject reciver OK.");
            else
                zv_log_out(ZV_LL_ERR, "RegisterObject Faill.\n\t%s",
                           qPrintable(bus.lastError().message()));
        }
    }
    {
        std::lock_guard<std::mutex> lock(_mu);
        _settled = true;
        _registered = ok;
    }
    _cv.notify_all();
    exec();
    if (ok) {
        bus.unregisterObject(QStringLiteral("/"));
        (void)bus.unregisterService(kZvCoreService);
    }
}

bool handOver(Incoming in, SenderCache* senders) {
    const SenderId who = senders->lookup(in.sender);
    // The pid field is whatever the sender wrote; the record carries the bus's answer instead.
    in.msg.head.pid = who.pid;
    if (in.msg.head.cmd == ZVMC_UI_TABLET_INFO) {
        logProcLine("ZVMC_UI_TABLET_INFO", nullptr);
    } else if (in.msg.head.cmd == ZVMC_UI_CONFIG_CHANGED) {
        char model[ZV_MODEL_LEN + 1] = {};
        memcpy(model, in.msg.body.sModel, ZV_MODEL_LEN);
        logProcLine("ZVMC_UI_CONFIG_CHANGED", model);
    }
    return deliverRecord(in.msg, who.uid);
}

void CoreProcThread::run() {
    Incoming in;
    while (m_msgQueue.pop(&in))
        (void)handOver(in, &_senders);
}

void CoreSenderThread::run() {
    ZvMsg msg;
    while (m_msgQueue.pop(&msg)) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            zv_log_out(ZV_LL_DEBUG, "ConnectToUIDBus SessionBus is not connect");
            continue;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(kZvUiService, QStringLiteral("/"),
                                                           QString(), QStringLiteral("UIMsgProc"));
        call << QVariant::fromValue(ZvDBusMsg(msg));
        const QDBusMessage reply = bus.call(call, QDBus::Block, kZvCallTimeoutMs);
        const bool ok = reply.type() == QDBusMessage::ReplyMessage &&
                        !reply.arguments().isEmpty() && reply.arguments().first().toBool();
        if (ok && !_connected)
            zv_log_out(ZV_LL_DEBUG, "ConnectToUIDBus D-BUs connect to UI_SERVICE_NAME success");
        _connected = ok;
        if (!ok)
            zv_log_out(ZV_LL_DEBUG, "Core Call UI->MsgProc failed:\n\t%s\n",
                       qPrintable(reply.errorMessage()));
    }
}

} // namespace zvuc
