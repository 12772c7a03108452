// The settings application's object at "/" of "org.Zerva.QtDBus.Msg", through which the core
// delivers its records. It lives in the receiving thread, so the bus delivers its calls there.
//
// Any client of the session bus can call it: only records from the connection that owns the
// core's service name are taken. A forged tablet list or tablet description would otherwise
// steer the pages (and name files).
#pragma once

#include "MsgAdapterInterface.h"
#include "ZvDBusMsg.h"

#include <QDBusContext>
#include <QObject>
#include <QString>

class UIMsgReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    explicit UIMsgReceiver(MsgAdapterInterface* adapter) : m_pMsgAdapter(adapter) {}

    // The unique name that owns the core's service now (empty: none), as the bus announced it.
    void setCoreOwner(const QString& owner) { m_coreOwner = owner; }

public slots:
    // True when the record was taken.
    bool UIMsgProc(ZvDBusMsg msg);

private:
    bool fromCore();

    MsgAdapterInterface* m_pMsgAdapter;
    QString m_coreOwner;
    unsigned m_refused = 0;
};
