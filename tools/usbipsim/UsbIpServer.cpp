// The serving thread: requests from other threads, the connection and its input, and the
// scripts' clock. Endpoint 0 is UsbIpControl.cpp, the interrupt endpoints UsbIpInterrupt.cpp.
#include "UsbIpServer.h"

#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

namespace usbipsim {

namespace {

// The largest OUT transfer we accept; more is not a request a HID device gets, but garbage.
constexpr int32_t kMaxTransfer = 65536;

std::vector<tabletsim::Script> scripts_of(const tabletsim::Scenario& s, size_t device) {
    std::vector<tabletsim::Script> out;
    for (const tabletsim::Script& script : s.scripts)
        if (script.device == device)
            out.push_back(script);
    return out;
}

} // namespace

Server::Server(const tabletsim::Scenario& scenario, size_t device, Options options)
    : _dev(scenario.devices.at(device)), _scripts(scripts_of(scenario, device)),
      _options(std::move(options)), _desc(_dev, _options.kind), _trace(_options.tracePath),
      _wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (_wake.get() < 0)
        fprintf(stderr, "usbipsim: eventfd failed\n");
    for (size_t k = 0; k < _desc.interfaceCount(); ++k) {
        Endpoint ep;
        ep.iface = _dev.interfaces[k].number;
        _endpoints.push_back(ep);
    }
    for (const tabletsim::Script& s : _scripts) {
        // A script for an interface past the endpoints we can describe has nothing to drive.
        if (s.interface >= _endpoints.size())
            continue;
        Run r;
        r.script = &s;
        r.endpoint = s.interface;
        _runs.push_back(r);
    }
    _deliveries.reserve(4096);
    _out.reserve(kHeaderSize + 4096);
    _thread = std::thread([this] { serve(); });
}

Server::~Server() {
    if (_thread.joinable()) {
        post(Request(), /* wait= */ false); // Stop
        _thread.join();
    }
}

int Server::attach() {
    const std::string dir = _options.vhciDir;
    return attachWith([dir](ZvUniqueFd* ours) { return vhci_connect(dir, ours); });
}

int Server::attachWith(Connector connect) {
    Request r;
    r.kind = Request::Kind::Attach;
    r.connect = std::move(connect);
    return post(std::move(r), /* wait= */ true);
}

void Server::detach() {
    Request r;
    r.kind = Request::Kind::Detach;
    (void)post(std::move(r), /* wait= */ true);
}

bool Server::inject(int iface, Bytes report) {
    // The descriptors, not the serving thread's endpoints: they never change.
    const uint32_t ep = _desc.endpointOfInterface(iface);
    if (ep == 0)
        return false;
    Request r;
    r.kind = Request::Kind::Inject;
    r.endpoint = ep - 1;
    r.report = std::move(report);
    (void)post(std::move(r), /* wait= */ false);
    return true;
}

std::vector<Delivery> Server::deliveries() const {
    std::lock_guard<std::mutex> lock(_deliveryMutex);
    return _deliveries;
}

int Server::endpointIndex(int iface) const {
    for (size_t k = 0; k < _endpoints.size(); ++k)
        if (_endpoints[k].iface == iface)
            return int(k);
    return -1;
}

int Server::post(Request r, bool wait) {
    std::promise<int> done;
    std::future<int> result = done.get_future();
    if (wait)
        r.done = &done;
    {
        std::lock_guard<std::mutex> lock(_requestMutex);
        _requests.push_back(std::move(r));
    }
    const uint64_t one = 1;
    (void)!::write(_wake.get(), &one, sizeof one);
    return wait ? result.get() : 0;
}

bool Server::handleRequests() {
    uint64_t count = 0;
    (void)!::read(_wake.get(), &count, sizeof count);
    std::vector<Request> requests;
    {
        std::lock_guard<std::mutex> lock(_requestMutex);
        requests.swap(_requests);
    }
    bool keepGoing = true;
    for (Request& r : requests) {
        int result = 0;
        switch (r.kind) {
        case Request::Kind::Attach:
            if (connected()) {
                result = -EALREADY;
            } else {
                _connector = std::move(r.connect);
                result = connect(_connector);
            }
            break;
        case Request::Kind::Detach:
            if (connected()) {
                _trace.add("unplug");
                closeConnection("unplug");
            }
            break;
        case Request::Kind::Inject:
            offer(r.endpoint, std::move(r.report));
            break;
        case Request::Kind::Stop:
            keepGoing = false;
            break;
        }
        if (r.done != nullptr)
            r.done->set_value(result);
    }
    if (!keepGoing && connected())
        closeConnection("stop");
    return keepGoing;
}

int Server::connect(const Connector& how) {
    ZvUniqueFd fd;
    const int port = how ? how(&fd) : -ENOTCONN;
    if (port < 0 || fd.get() < 0) {
        _trace.add("attach-failed " + std::to_string(port));
        return port < 0 ? port : -EBADF;
    }
    _sock = std::move(fd);
    _trace.add("attach " + std::to_string(port));
    if (!_everAttached) {
        _everAttached = true;
        anchor(tabletsim::Script::Start::Load, 0);
    }
    return port;
}

void Server::closeConnection(const char* why) {
    _sock.reset();
    for (Endpoint& ep : _endpoints) {
        ep.urbs.clear();
        ep.queue.clear();
        ep.opened = false;
        ep.failNext = false;
    }
    _silent.clear();
    _in.clear();
    _configuration = 0;
    _trace.add(std::string("closed ") + why);
}

void Server::serve() {
    for (;;) {
        struct pollfd fds[2] = {{_wake.get(), POLLIN, 0}, {_sock.get(), POLLIN, 0}};
        const int sock = _sock.get();
        const int64_t due = nextDueNs();
        struct timespec wait = {0, 0};
        if (due >= 0) {
            const int64_t left = due - monotonic_ns();
            if (left > 0)
                wait = {time_t(left / 1000000000), long(left % 1000000000)};
        }
        const int n = ppoll(fds, 2, due >= 0 ? &wait : nullptr, nullptr);
        if (n < 0 && errno != EINTR) {
            fprintf(stderr, "usbipsim: poll: %d\n", errno);
            return;
        }
        if (n > 0 && (fds[0].revents & POLLIN) != 0 && !handleRequests())
            return;
        playDue();
        // The scripts may have closed or replaced the connection the poll looked at.
        if (n > 0 && sock >= 0 && _sock.get() == sock && fds[1].revents != 0)
            readSocket();
    }
}

void Server::readSocket() {
    uint8_t buf[16384];
    const ssize_t got = recv(_sock.get(), buf, sizeof buf, MSG_DONTWAIT);
    if (got < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            closeConnection("error");
        return;
    }
    if (got == 0) {
        closeConnection(_in.empty() ? "eof" : "short");
        return;
    }
    _in.insert(_in.end(), buf, buf + got);
    size_t at = 0;
    while (connected() && _in.size() - at >= kHeaderSize) {
        Header h;
        // Only the host's two commands come this way; anything else means the stream is no
        // longer in step, and nothing after it can be trusted.
        const bool plausible = decode_header(_in.data() + at, _in.size() - at, &h) &&
                               (h.command == kCmdSubmit || h.command == kCmdUnlink) &&
                               h.direction <= kDirIn && h.ep <= 15 &&
                               (h.command != kCmdSubmit ||
                                (h.transferLength >= 0 && h.transferLength <= kMaxTransfer &&
                                 (h.numberOfPackets == 0 || h.numberOfPackets == -1)));
        if (!plausible) {
            closeConnection("garbage");
            return;
        }
        const size_t payload = payload_length(h);
        if (_in.size() - at < kHeaderSize + payload)
            break;
        if (!handlePdu(h, _in.data() + at + kHeaderSize, payload))
            return;
        at += kHeaderSize + payload;
    }
    if (connected())
        _in.erase(_in.begin(), _in.begin() + long(at));
}

bool Server::handlePdu(const Header& h, const uint8_t* payload, size_t len) {
    if (h.command == kCmdUnlink) {
        unlink(h);
    } else if (h.ep == 0) {
        control(h, payload, len);
    } else {
        const int iface = _desc.interfaceOfEndpoint(h.ep);
        if (h.direction == kDirIn && iface >= 0) {
            submitIn(size_t(endpointIndex(iface)), h);
        } else {
            _trace.add("stall ep " + std::to_string(h.ep));
            (void)sendRet(h.seqnum, -EPIPE, nullptr, 0);
        }
    }
    return connected();
}

void Server::anchor(tabletsim::Script::Start start, size_t endpoint) {
    const int64_t now = monotonic_ns();
    for (Run& r : _runs) {
        if (r.anchored || r.script->start != start)
            continue;
        if (start == tabletsim::Script::Start::Open && r.endpoint != endpoint)
            continue;
        r.anchored = true;
        r.anchorNs = now;
    }
}

int64_t Server::nextDueNs() const {
    int64_t best = -1;
    for (const Run& r : _runs) {
        if (!r.anchored || r.next >= r.script->steps.size())
            continue;
        const int64_t due = r.anchorNs + r.script->steps[r.next].atUs * 1000;
        if (best < 0 || due < best)
            best = due;
    }
    return best;
}

void Server::playDue() {
    // Steps of all scripts in time order, as far as they are due.
    for (;;) {
        const int64_t now = monotonic_ns();
        Run* best = nullptr;
        int64_t bestDue = 0;
        for (Run& r : _runs) {
            if (!r.anchored || r.next >= r.script->steps.size())
                continue;
            const int64_t due = r.anchorNs + r.script->steps[r.next].atUs * 1000;
            if (due <= now && (best == nullptr || due < bestDue)) {
                best = &r;
                bestDue = due;
            }
        }
        if (best == nullptr)
            return;
        apply(*best, best->script->steps[best->next++]);
    }
}

void Server::apply(const Run& run, const tabletsim::Step& step) {
    using Kind = tabletsim::Step::Kind;
    switch (step.kind) {
    case Kind::Report:
        offer(run.endpoint, step.report);
        break;
    case Kind::Unplug:
        _trace.add("unplug");
        if (connected())
            closeConnection("unplug");
        break;
    case Kind::Plug:
        _trace.add("plug");
        if (!connected() && _connector)
            (void)connect(_connector);
        break;
    case Kind::ReadError:
        failNext(run.endpoint);
        break;
    }
}

} // namespace usbipsim
