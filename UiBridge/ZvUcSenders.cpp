#include "ZvUcSenders.h"

#include "ZvLog.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace zvuc {

SenderId SenderCache::lookup(const QString& name) {
    if (name.isEmpty())
        return SenderId();
    for (const auto& known : _known)
        if (known.first == name)
            return known.second;
    SenderId id;
    if (!_ask(name, &id) || id.uid < 0) {
        if (_unknown.next(LogBurst::Clock::now()))
            zv_log_out(ZV_LL_WARN,
                       "the bus cannot tell who bus client %s is: its records name no desktop "
                       "user (%u such records in the previous burst)",
                       qPrintable(name), _unknown.previous());
        return SenderId();
    }
    if (_limit == 0)
        return id;
    if (_known.size() >= _limit)
        _known.pop_front();
    _known.emplace_back(name, id);
    return id;
}

bool SenderCache::askBus(const QString& name, SenderId* out) {
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionCredentials"));
    ask << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(ask);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QVariantMap creds = qdbus_cast<QVariantMap>(reply.arguments().first());
    const auto uid = creds.constFind(QStringLiteral("UnixUserID"));
    if (uid == creds.constEnd())
        return false;
    bool ok = false;
    const uint value = uid.value().toUInt(&ok);
    if (!ok)
        return false;
    out->uid = static_cast<long long>(value);
    out->pid = creds.value(QStringLiteral("ProcessID")).toUInt();
    return true;
}

} // namespace zvuc
