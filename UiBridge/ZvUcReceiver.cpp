#include "ZvUcReceiver.h"

#include "ZvLog.h"
#include "ZvUcCallbacks.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include <stdio.h>

namespace zvuc {
namespace {

// A burst ends after this long without a refusal.
const std::chrono::seconds kQuietSpell(2);

// The first code of the core's own messages; nothing at or above it comes from a client.
const th_u16 kFirstSelfCode = 0x6000;

} // namespace

bool LogBurst::next(Clock::time_point now) {
    const bool fresh = _count == 0 || now - _last > kQuietSpell;
    if (fresh) {
        _previous = _count;
        _count = 0;
    }
    ++_count;
    _last = now;
    return fresh;
}

void PeerIntake::refuseForged(const char* what, const QString& sender) {
    if (_forged.next(LogBurst::Clock::now()))
        zv_log_out(ZV_LL_WARN,
                   "refused %s from bus client %s: only the core sends the core's own messages "
                   "(%u refused in the previous burst)",
                   what, qPrintable(sender), _forged.previous());
}

void PeerIntake::refuseSelfMessage(const QString& sender) {
    refuseForged("a self message", sender);
}

bool PeerIntake::admit(const ZvMsg& msg, const QString& sender) {
    if (msg.head.cmd >= kFirstSelfCode) {
        char what[24];
        snprintf(what, sizeof what, "message 0x%x", unsigned(msg.head.cmd));
        refuseForged(what, sender);
        return false;
    }
    switch (_procQueue->push(Incoming{msg, sender})) {
    case ZvUcPush::Queued:
        return true;
    case ZvUcPush::Full:
        if (_full.next(LogBurst::Clock::now()))
            zv_log_out(ZV_LL_WARN,
                       "%zu records wait to be handled: refusing records from bus client %s "
                       "until they are (%u refused in the previous burst)",
                       kProcQueueLimit, qPrintable(sender), _full.previous());
        return false;
    case ZvUcPush::Stopped:
        break;
    }
    return false;
}

bool CoreReceiver::CoreMsgProc(ZvDBusMsg arg) {
    return _intake.admit(arg.m_msg, calledFromDBus() ? message().service() : QString());
}

QByteArray CoreReceiver::BinaryMessage(QByteArray bytes) {
    // The bus itself writes the sender's unique name into each message, so it cannot be forged.
    if (calledFromDBus() && message().service() != connection().baseService()) {
        _intake.refuseSelfMessage(message().service());
        sendErrorReply(QDBusError::AccessDenied,
                       QStringLiteral("self messages come from the core only"));
        return QByteArray();
    }
    zv_log_out(ZV_LL_DEBUG, "QTUiCoreSession::BinaryMessage l=%d,d=%p ", int(bytes.size()),
               static_cast<const void*>(bytes.constData()));
    dumpBytes(bytes);
    deliverSelf(bytes);
    return fixedReply();
}

} // namespace zvuc
