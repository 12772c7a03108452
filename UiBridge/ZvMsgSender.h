// Who sent the record the core is handling on this thread, as the session bus reports it. The
// dispatcher's interface takes only the record, so the core's binding to libuibridge states the
// sender's uid for the length of each delivery of a record from the settings application
// (ZvUiBridgeDll.cpp), and the dispatcher reads it here. Self messages and timer expiries come
// through other calls and have no sender; nor has a record whose sender the bus could not name.
#pragma once

#include <stdint.h>
#include <sys/types.h>

namespace zvmsg_detail {
inline long long& sender_uid() {
    static thread_local long long uid = -1;
    return uid;
}
} // namespace zvmsg_detail

// States uid (-1: unknown) as the sender for this thread until the scope ends.
class ZvMsgSenderScope {
public:
    explicit ZvMsgSenderScope(long long uid) : _saved(zvmsg_detail::sender_uid()) {
        zvmsg_detail::sender_uid() = uid;
    }
    ~ZvMsgSenderScope() { zvmsg_detail::sender_uid() = _saved; }
    ZvMsgSenderScope(const ZvMsgSenderScope&) = delete;
    ZvMsgSenderScope& operator=(const ZvMsgSenderScope&) = delete;

private:
    long long _saved;
};

// True and the uid in *uid while this thread delivers a record whose sender the bus named.
inline bool zv_msg_sender_uid(uid_t* uid) {
    const long long v = zvmsg_detail::sender_uid();
    if (v < 0 || v > static_cast<long long>(UINT32_MAX))
        return false;
    *uid = static_cast<uid_t>(v);
    return true;
}
