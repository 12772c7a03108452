// Who sent a record, as the session bus daemon tells it. A record's own pid field is whatever its
// sender wrote, and a pid names a process only while it lives (the number is reused), so the
// core learns who is talking to it from the bus: the uid and pid of the connection that sent the
// call, which the bus daemon read from the socket when that connection was made.
#pragma once

#include "ZvStruct.h"
#include "ZvUcReceiver.h"

#include <QString>

#include <deque>
#include <functional>
#include <stddef.h>
#include <utility>

namespace zvuc {

struct SenderId {
    long long uid = -1; // -1: unknown
    th_u64 pid = 0;     // 0: unknown
};

// The answers of the bus per unique name. Unique names are never reused, so an answer stays
// right as long as it is kept; only the most recent senders are kept, so that clients that come
// and go cannot grow the core. Used by the processing thread only.
class SenderCache {
public:
    // Fills *out and returns true, or false when the bus cannot tell (the sender has left).
    using Ask = std::function<bool(const QString& name, SenderId* out)>;
    static constexpr size_t kLimit = 16;

    explicit SenderCache(Ask ask = askBus, size_t limit = kLimit)
        : _ask(std::move(ask)), _limit(limit) {}

    // Unknown (uid -1, pid 0) for an empty name (a call that did not come over the bus) and for
    // a sender the bus cannot name; such answers are not kept.
    SenderId lookup(const QString& name);
    size_t size() const { return _known.size(); }

    // org.freedesktop.DBus.GetConnectionCredentials on the session bus.
    static bool askBus(const QString& name, SenderId* out);

private:
    Ask _ask;
    size_t _limit;
    std::deque<std::pair<QString, SenderId>> _known; // oldest first
    LogBurst _unknown;
};

} // namespace zvuc
