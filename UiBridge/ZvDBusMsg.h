// The record as it travels on the bus: a D-Bus structure holding one byte array, signature (ay).
// Compiled into the messaging library and into the settings application, so both ends marshal
// the same way.
#pragma once

#include "ZvMsg.h"

#include <QDBusArgument>
#include <QMetaType>

class ZvDBusMsg {
public:
    ZvDBusMsg() : m_msg() {}
    explicit ZvDBusMsg(const ZvMsg& msg) : m_msg(msg) {}

    ZvMsg m_msg;

    // Registers "ZvDBusMsg" with the meta-type and the D-Bus type systems. Idempotent; call it
    // before the first call that carries the type.
    static void registerType();
};

Q_DECLARE_METATYPE(ZvDBusMsg)

// begin-structure, the 396 raw bytes as the byte array, end-structure.
QDBusArgument& operator<<(QDBusArgument& arg, const ZvDBusMsg& msg);
// A short array fills the record as far as it goes and zeroes the rest; bytes past 396 are
// ignored, so a peer with a longer or shorter record cannot overrun ours.
const QDBusArgument& operator>>(const QDBusArgument& arg, ZvDBusMsg& msg);

// The same copy rule for a bare record in a byte array (self messages).
void zv_msg_from_bytes(const QByteArray& bytes, ZvMsg* out);
