// The core's callbacks as the library holds them, and the three ways records and timer expiries
// reach the core through them. Callable from any thread.
#pragma once

#include "ZvUiBridgeApi.h"

#include <QByteArray>

namespace zvuc {

// zvuc_init / zvuc_init_call / zvuc_uninit, with their result codes.
int init(ZVUC_RECV_MSG_CB onRecvMsg, ZVUC_SCREEN_INFO_CB onScreenInfo);
int initCall(ZVUC_EVENT_CB onEvent, ZVUC_SCREEN_INFO_CB onScreenInfo, ZVUC_TIMER_CB onTimer);
// zvuc_init_peer.
int initPeer(ZVUC_PEER_MSG_CB onPeerMsg);
void clearCallbacks();

// A record from the settings application, uid its sender's (-1 when unknown): to the peer
// callback with the uid when set, else to the record callback, else to the event callback as
// (396, record, 0). False when none is set.
bool deliverRecord(const ZvMsg& msg, long long uid);
// A self message: to the event callback only, as (396, record, 0). The bytes are first copied
// into a whole record (short input zero-filled, long input cut), so the core never reads past
// what a caller on the bus sent.
void deliverSelf(const QByteArray& bytes);
// A timer expiry: (0, null, id) to the event callback.
void deliverTimer(int id);

// What BinaryMessage and Message answer: eighteen little-endian 32-bit integers.
QByteArray fixedReply();
// Logs the bytes as " \n Pong print :" followed by "0x%x," items at debug level.
void dumpBytes(const QByteArray& bytes);

} // namespace zvuc
