// Records as clients of the bus send them, from the demarshalled byte array on: the copy into a
// whole record, the intake checks (codes of the core's own messages, the bounded queue), the
// processing thread's hand-over (the sender's uid and pid from the bus, stood in for here, the
// log lines) and what reaches the core's callbacks. No bus is needed: the calls are made as the
// receiver and the processing thread make them.
//
// Byte 0 picks the path and the sender; the rest is the byte array of the call.
//   bit 0:    BinaryMessage from the core's own connection, else CoreMsgProc
//   bits 1-3: the sender (0: not over the bus; 7: a sender the bus cannot name)
//   bits 4-7: copies sent before the queue is drained (n * 24 + 1), to fill the queue
#include "ZvDBusMsg.h"
#include "ZvLog.h"
#include "ZvUcCallbacks.h"
#include "ZvUcReceiver.h"
#include "ZvUcSenders.h"
#include "ZvUcThreads.h"

#include <QByteArray>
#include <QString>

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

// Checks an invariant; a violation is a finding like a crash.
void require(bool ok) {
    if (!ok)
        __builtin_trap();
}

// Formats every line, so that a bad argument shows, and keeps none of them.
void format(int, const char* fmt, va_list args) {
    char line[1024];
    (void)vsnprintf(line, sizeof line, fmt, args);
}

// What the current input should deliver.
ZvMsg g_want;
long long g_wantUid = -1;
th_u64 g_wantPid = 0;
size_t g_records = 0;
size_t g_selfMessages = 0;

void onPeer(const tagZVMsg* msg, long long uid) {
    require(msg != nullptr && msg->head.cmd < 0x6000);
    require(uid == g_wantUid && msg->head.pid == g_wantPid);
    // Everything but the pid field is the sender's, as it came.
    require(memcmp(&msg->body, &g_want.body, sizeof msg->body) == 0 &&
            msg->head.cmd == g_want.head.cmd && msg->head.hwnd == g_want.head.hwnd);
    ++g_records;
}

void onEvent(int size, const char* data, int value) {
    require(value == 0 && size == int(sizeof(ZvMsg)) && data != nullptr);
    require(memcmp(data, &g_want, sizeof g_want) == 0);
    ++g_selfMessages;
}

QString senderName(unsigned n) {
    return n == 0 ? QString() : QStringLiteral(":1.%1").arg(n);
}

// The bus as the processing thread asks it: senders 1..6 are users 1000..1005 (pid 100 + n),
// sender 7 has left the bus.
bool askStandIn(const QString& name, zvuc::SenderId* out) {
    const unsigned n = name.mid(3).toUInt();
    if (n == 7)
        return false;
    out->uid = 999 + n;
    out->pid = 100 + n;
    return true;
}

zvuc::ZvUcQueue<zvuc::Incoming>* g_queue;
zvuc::PeerIntake* g_intake;
zvuc::SenderCache* g_senders;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zv_set_log_handler(format);
    if (zvuc::initCall(onEvent, nullptr, nullptr) != 0 || zvuc::initPeer(onPeer) != 0)
        __builtin_trap();
    g_queue = new zvuc::ZvUcQueue<zvuc::Incoming>(zvuc::kProcQueueLimit);
    g_intake = new zvuc::PeerIntake(g_queue);
    // Fewer names kept than there are senders, so that the cache turns over.
    g_senders = new zvuc::SenderCache(askStandIn, 4);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t how = data[0];
    // Exactly the remaining bytes, so that ASan sees a read past them.
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));

    ZvMsg msg;
    zv_msg_from_bytes(bytes, &msg);
    const size_t n = size - 1 < sizeof msg ? size - 1 : sizeof msg;
    require(memcmp(&msg, data + 1, n) == 0);
    for (size_t i = n; i < sizeof msg; ++i)
        require(reinterpret_cast<const uint8_t*>(&msg)[i] == 0);
    g_want = msg;

    if (how & 1) {
        g_selfMessages = 0;
        zvuc::deliverSelf(bytes);
        require(g_selfMessages == 1);
        return 0;
    }

    const unsigned sender = (how >> 1) & 7;
    const size_t copies = size_t(how >> 4) * 24 + 1;
    size_t taken = 0;
    for (size_t i = 0; i < copies; ++i)
        taken += g_intake->admit(msg, senderName(sender)) ? 1 : 0;
    const bool ownCode = msg.head.cmd >= 0x6000;
    require(ownCode ? taken == 0
                    : taken == (copies < zvuc::kProcQueueLimit ? copies : zvuc::kProcQueueLimit));
    require(g_queue->size() == taken);

    const bool named = sender != 0 && sender != 7;
    g_wantUid = named ? 999LL + sender : -1LL;
    g_wantPid = named ? 100u + sender : 0u;
    g_records = 0;
    zvuc::Incoming in;
    while (g_queue->size() > 0 && g_queue->pop(&in))
        require(zvuc::handOver(in, g_senders));
    require(g_records == taken);
    require(g_senders->size() <= 4);
    return 0;
}
