#include "UIMsgReceiver.h"

#include "ZvBusNames.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDebug>

bool UIMsgReceiver::fromCore() {
    if (!calledFromDBus())
        return false;
    const QString sender = message().service();
    if (!sender.isEmpty() && sender == m_coreOwner)
        return true;
    // The announcement of a core that has just started may still be on its way: ask the bus.
    const QDBusReply<QString> owner = connection().interface()->serviceOwner(kZvCoreService);
    m_coreOwner = owner.isValid() ? owner.value() : QString();
    return !sender.isEmpty() && sender == m_coreOwner;
}

bool UIMsgReceiver::UIMsgProc(ZvDBusMsg msg) {
    if (!fromCore()) {
        // One line for the first refusal and then one per hundred: a client calling in a loop
        // must not flood the log.
        if (m_refused++ % 100 == 0)
            qWarning("UIMsgProc: record 0x%x from %s refused, it is not the core (%u refused)",
                     unsigned(msg.m_msg.head.cmd), qPrintable(message().service()), m_refused);
        return false;
    }
    m_pMsgAdapter->ReceivegMsg(msg.m_msg);
    return true;
}
