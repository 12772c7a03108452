#include "UIThreads.h"

#include "LogicCenterInterface.h"
#include "UIMsgReceiver.h"
#include "ZvBusNames.h"
#include "ZvCoreRecord.h"
#include "ZvDBusMsg.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDateTime>
#include <QDebug>
#include <QLoggingCategory>

#include <algorithm>
#include <chrono>

namespace {

// The adapter's routine lines (one per request, one per answer every 3 s) are debug output,
// off unless asked for with QT_LOGGING_RULES="zerva.msg.debug=true".
Q_LOGGING_CATEGORY(zvMsgLog, "zerva.msg", QtInfoMsg)

void LogMsgInfo(const ZvMsg& msg) {
    const char* what = nullptr;
    switch (msg.head.cmd) {
    case ZVMC_UI_TABLET_NUM:
        what = "ZVMC_UI_TABLET_NUM";
        break;
    case ZVMC_UI_TABLET_INFO:
        what = "ZVMC_UI_TABLET_INFO";
        break;
    case ZVMC_UI_CONFIG_CHANGED:
        what = "ZVMC_UI_CONFIG_CHANGED";
        break;
    default:
        return;
    }
    const QString when =
        QDateTime::currentDateTime().toString(QStringLiteral("yyy-MM-dd hh:mm:ss"));
    if (msg.head.cmd == ZVMC_UI_CONFIG_CHANGED)
        qCDebug(zvMsgLog, "%s UI Call Core->MsgProc %s\n%s", qPrintable(when), what,
                qPrintable(zvui::modelOf(msg.body.sModel)));
    else
        qCDebug(zvMsgLog, "%s UI Call Core->MsgProc %s", qPrintable(when), what);
}

} // namespace

void DisPatchMsg(LogicCenterInterface* logic, const ZvMsg& msg) {
    switch (msg.head.cmd) {
    case ZVMC_CORE_TABLET_OPEN:
        logic->TabletOpen(msg);
        break;
    case ZVMC_CORE_TABLET_CLOSE:
        logic->TabletClose(msg);
        break;
    case ZVMC_CORE_SWITCH_DISPLAY:
        logic->SwitchDisplay(msg);
        break;
    case ZVMC_CORE_SWITCH_MEK_FUNC:
        logic->ShowMekMenu(msg);
        break;
    case ZVMC_CORE_SHOW_EKEY_VALUE:
        logic->ShowEKeyValue(msg);
        break;
    case ZVMC_CORE_SWITCH_ABSOLUTEMODE:
        logic->SwitchMouseMode(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_TABLET_NUM:
        logic->TabletNum(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_TABLET_INFO:
        logic->TabletInfo(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_IF_ADMIN:
        logic->AdminState(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_BATTERY_QUERY:
        logic->BatteryValue(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_LED_QUERY:
        logic->LedState(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_DIAL_QUERY:
        logic->DialState(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_THKEY_QUERY:
        logic->THKeyState(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_TSCREEN_QUERY:
        logic->TScreenState(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_LED_LIGHT_QUERY:
        logic->LedLightLevel(msg);
        break;
    case ZVMC_REPLY | ZVMC_UI_SLEEP_QUERY:
        logic->SleepLevel(msg);
        break;
    default:
        logic->DefaultProc(msg);
        break;
    }
}

bool UIReciveThread::waitRegistered(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mu);
    m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_settled; });
    return m_registered;
}

void UIReciveThread::settle(bool registered) {
    {
        std::lock_guard<std::mutex> lock(m_mu);
        m_settled = true;
        m_registered = registered;
    }
    m_cv.notify_all();
}

void UIReciveThread::run() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qWarning("InitUIDBus sessionBus is not Connected.\n");
        settle(false);
        exec();
        return;
    }
    qCDebug(zvMsgLog, "InitUIDBus sessionBus is Connected.\n");
    // Both live in this thread, so the bus delivers the core's calls and the owner changes here,
    // in order.
    UIMsgReceiver receiver(m_received);
    QDBusServiceWatcher watcher(QString::fromLatin1(kZvCoreService), bus,
                                QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceOwnerChanged, &watcher,
                     [this, &receiver](const QString&, const QString&, const QString& owner) {
                         receiver.setCoreOwner(owner);
                         m_coreOnBus(!owner.isEmpty());
                     });
    // Asked after the watch is in place, so no change falls between the two.
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(kZvCoreService);
    if (owner.isValid() && !owner.value().isEmpty()) {
        receiver.setCoreOwner(owner.value());
        m_coreOnBus(true);
    }

    bool ok = false;
    if (!bus.registerService(kZvUiService)) {
        qWarning("InitUIDBus registerService UI_SERVICE_NAME error\n%s",
                 qPrintable(bus.lastError().message()));
    } else {
        qCDebug(zvMsgLog, "InitUIDBus registerService UI_SERVICE_NAME success\n");
        ok = bus.registerObject(QStringLiteral("/"), &receiver,
                                QDBusConnection::ExportAllSlots |
                                    QDBusConnection::ExportNonScriptableSlots);
        if (ok)
            qCDebug(zvMsgLog, "InitUIDBus registerService m_pMsgReciver success\n");
        else
            qWarning("InitUIDBus registerService m_pMsgReciver error\n");
    }
    settle(ok);
    exec();
    if (ok) {
        bus.unregisterObject(QStringLiteral("/"));
        (void)bus.unregisterService(kZvUiService);
    }
}

bool UIProcThread::AddMsg(const ZvMsg& msg) {
    if (m_queue.push(msg) == zvuc::ZvUcPush::Queued)
        return true;
    if (m_dropped++ % 100 == 0)
        qWarning("UIProcThread: record 0x%x dropped, %zu records wait already",
                 unsigned(msg.head.cmd), kQueueLimit);
    return false;
}

void UIProcThread::run() {
    ZvMsg msg;
    while (m_queue.pop(&msg)) {
        if (!zvui::checkCoreRecord(&msg)) {
            qWarning("UIProcThread: record 0x%x from the core dropped, it does not name an "
                     "acceptable tablet or index",
                     unsigned(msg.head.cmd));
            continue;
        }
        m_handOn(msg);
    }
}

bool UISendThread::AddMsg(const ZvMsg& msg) {
    const bool list = msg.head.cmd == ZVMC_UI_TABLET_NUM;
    if (list && m_listPending.exchange(true))
        return false;
    const zvuc::ZvUcPush pushed = m_queue.push(msg);
    if (pushed == zvuc::ZvUcPush::Queued)
        return true;
    if (list)
        m_listPending = false;
    if (pushed == zvuc::ZvUcPush::Full)
        qWarning("UISendThread: request %u dropped, %zu requests wait for the core already",
                 unsigned(msg.head.cmd), kQueueLimit);
    return false;
}

void UISendThread::setCoreOnBus(bool present) {
    {
        std::lock_guard<std::mutex> lock(m_mu);
        m_coreOnBus = present;
    }
    m_cv.notify_all();
}

void UISendThread::stop() {
    {
        std::lock_guard<std::mutex> lock(m_mu);
        m_stop = true;
    }
    m_cv.notify_all();
    m_queue.stop();
}

bool UISendThread::waitForCore() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The watch wakes this thread as soon as the core appears; the re-check, slower each round,
    // only covers an announcement that was missed (a bus that was not there yet).
    for (int backoffMs = 250;; backoffMs = std::min(backoffMs * 2, 8000)) {
        {
            std::lock_guard<std::mutex> lock(m_mu);
            if (m_stop)
                return false;
            if (m_coreOnBus)
                return true;
        }
        if (bus.isConnected() && bus.interface()->isServiceRegistered(kZvCoreService).value()) {
            std::lock_guard<std::mutex> lock(m_mu);
            m_coreOnBus = true;
            continue;
        }
        std::unique_lock<std::mutex> lock(m_mu);
        m_cv.wait_for(lock, std::chrono::milliseconds(backoffMs),
                      [this] { return m_stop || m_coreOnBus; });
    }
}

void UISendThread::call(const ZvMsg& msg) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage request = QDBusMessage::createMethodCall(kZvCoreService, QStringLiteral("/"),
                                                          QString(), QStringLiteral("CoreMsgProc"));
    request << QVariant::fromValue(ZvDBusMsg(msg));
    const QDBusMessage reply = bus.call(request, QDBus::Block, kZvCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
        reply.arguments().first().toBool()) {
        qCDebug(zvMsgLog, "UI Call Core->MsgProc Sucess\n");
        return;
    }
    qCDebug(zvMsgLog, "UI Call Core->MsgProc failed:\n\t%s", qPrintable(reply.errorMessage()));
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")) {
        // Gone between the check and the call; the next record waits for its return.
        std::lock_guard<std::mutex> lock(m_mu);
        m_coreOnBus = false;
    }
}

void UISendThread::run() {
    ZvDBusMsg::registerType();
    ZvMsg msg;
    while (m_queue.pop(&msg)) {
        if (!waitForCore())
            break;
        // Taken off the queue only now, so that the list request asked for while the core was
        // away is the one that goes out.
        if (msg.head.cmd == ZVMC_UI_TABLET_NUM)
            m_listPending = false;
        LogMsgInfo(msg);
        call(msg);
    }
}
