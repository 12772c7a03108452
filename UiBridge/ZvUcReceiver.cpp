#include "ZvUcReceiver.h"

#include "ZvLog.h"
#include "ZvUcCallbacks.h"

#include <QDBusMessage>

namespace zvuc {

bool CoreReceiver::CoreMsgProc(ZvDBusMsg arg) {
    Incoming in{arg.m_msg, calledFromDBus() ? message().service() : QString()};
    (void)_procQueue->push(in);
    return true;
}

QByteArray CoreReceiver::BinaryMessage(QByteArray message) {
    zv_log_out(ZV_LL_DEBUG, "QTUiCoreSession::BinaryMessage l=%d,d=%p ", int(message.size()),
               static_cast<const void*>(message.constData()));
    dumpBytes(message);
    deliverSelf(message);
    return fixedReply();
}

} // namespace zvuc
