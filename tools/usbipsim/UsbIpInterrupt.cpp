// Input reports on the interrupt-IN endpoints: URBs wait until a report is due, reports wait
// (a few) until a URB comes, and unlinks take waiting URBs back.
#include "UsbIpServer.h"

#include <algorithm>
#include <errno.h>
#include <string.h>
#include <sys/socket.h>

namespace usbipsim {

namespace {

// As many unread reports as hidapi's libusb back end keeps; the oldest go first.
constexpr size_t kQueueMax = 30;

} // namespace

void Server::submitIn(size_t endpoint, const Header& h) {
    Endpoint& ep = _endpoints[endpoint];
    if (!ep.opened) {
        // The first IN URB is where a reader starts: usbhid opening the device, or our daemon
        // after it claimed the interface.
        ep.opened = true;
        _trace.add("open " + std::to_string(ep.iface));
        anchor(tabletsim::Script::Start::Open, endpoint);
    }
    ep.urbs.push_back({h.seqnum, uint32_t(h.transferLength)});
    serveQueued(endpoint);
}

void Server::offer(size_t endpoint, Bytes report) {
    Endpoint& ep = _endpoints[endpoint];
    if (!connected()) {
        _trace.add("lost " + std::to_string(ep.iface));
        return;
    }
    if (ep.queue.size() >= kQueueMax) {
        ep.queue.pop_front();
        _trace.add("drop " + std::to_string(ep.iface));
    }
    ep.queue.push_back(std::move(report));
    serveQueued(endpoint);
}

void Server::failNext(size_t endpoint) {
    if (!connected())
        return;
    _endpoints[endpoint].failNext = true;
    serveQueued(endpoint);
}

void Server::serveQueued(size_t endpoint) {
    Endpoint& ep = _endpoints[endpoint];
    while (connected() && !ep.urbs.empty()) {
        // Reports that were due before the error go out first, as a device's FIFO would.
        if (!ep.queue.empty()) {
            const Bytes report = std::move(ep.queue.front());
            ep.queue.pop_front();
            complete(endpoint, report);
        } else if (ep.failNext) {
            ep.failNext = false;
            const Urb urb = ep.urbs.front();
            ep.urbs.pop_front();
            _trace.add("read-error " + std::to_string(ep.iface));
            (void)sendRet(urb.seqnum, -EPROTO, nullptr, 0);
        } else {
            return;
        }
    }
}

void Server::complete(size_t endpoint, const Bytes& report) {
    Endpoint& ep = _endpoints[endpoint];
    const Urb urb = ep.urbs.front();
    ep.urbs.pop_front();
    const size_t n = std::min<size_t>(report.size(), urb.length);
    int64_t ns = 0;
    if (!sendRet(urb.seqnum, 0, report.data(), n, &ns))
        return;
    Delivery d;
    d.iface = ep.iface;
    d.ns = ns;
    d.len = n;
    memcpy(d.head, report.data(), std::min(n, sizeof d.head));
    {
        std::lock_guard<std::mutex> lock(_deliveryMutex);
        _deliveries.push_back(d);
    }
    // Stamped with the moment before the write, so that the trace file tells the latency too.
    _trace.add("deliver " + std::to_string(ep.iface) + " " + std::to_string(report.size()), ns);
}

void Server::unlink(const Header& h) {
    bool held = _silent.erase(h.unlinkSeqnum) > 0;
    for (Endpoint& ep : _endpoints) {
        const auto found = std::find_if(ep.urbs.begin(), ep.urbs.end(),
                                        [&](const Urb& u) { return u.seqnum == h.unlinkSeqnum; });
        if (found != ep.urbs.end()) {
            ep.urbs.erase(found);
            held = true;
        }
    }
    // A URB answered before the unlink came is no longer ours to cancel: status 0 tells the
    // host that its RET_SUBMIT is the answer.
    _trace.add("unlink " + std::to_string(h.unlinkSeqnum) + (held ? " ok" : " late"));
    Header ret;
    ret.command = kRetUnlink;
    ret.seqnum = h.seqnum;
    ret.status = held ? -ECONNRESET : 0;
    (void)sendPdu(ret, nullptr, 0, nullptr);
}

bool Server::sendRet(uint32_t seqnum, int32_t status, const uint8_t* data, size_t len,
                     int64_t* stampNs) {
    Header ret;
    ret.command = kRetSubmit;
    ret.seqnum = seqnum;
    ret.status = status;
    ret.actualLength = int32_t(len);
    return sendPdu(ret, data, len, stampNs);
}

bool Server::sendPdu(const Header& h, const uint8_t* data, size_t len, int64_t* stampNs) {
    uint8_t head[kHeaderSize];
    if (!connected() || !encode_header(h, head))
        return false;
    _out.assign(head, head + kHeaderSize);
    if (len > 0)
        _out.insert(_out.end(), data, data + len);
    if (stampNs != nullptr)
        *stampNs = monotonic_ns();
    size_t sent = 0;
    while (sent < _out.size()) {
        const ssize_t n = send(_sock.get(), _out.data() + sent, _out.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            closeConnection("error");
            return false;
        }
        sent += size_t(n);
    }
    return true;
}

} // namespace usbipsim
