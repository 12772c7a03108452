#include "ZvDBusMsg.h"

#include <QByteArray>
#include <QDBusMetaType>

#include <string.h>

void ZvDBusMsg::registerType() {
    qRegisterMetaType<ZvDBusMsg>("ZvDBusMsg");
    qDBusRegisterMetaType<ZvDBusMsg>();
}

QDBusArgument& operator<<(QDBusArgument& arg, const ZvDBusMsg& msg) {
    arg.beginStructure();
    arg << QByteArray(reinterpret_cast<const char*>(&msg.m_msg), int(sizeof msg.m_msg));
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, ZvDBusMsg& msg) {
    QByteArray bytes;
    arg.beginStructure();
    arg >> bytes;
    arg.endStructure();
    zv_msg_from_bytes(bytes, &msg.m_msg);
    return arg;
}

void zv_msg_from_bytes(const QByteArray& bytes, ZvMsg* out) {
    const size_t n = qMin(size_t(bytes.size()), sizeof *out);
    memset(out, 0, sizeof *out);
    if (n > 0)
        memcpy(out, bytes.constData(), n);
}
