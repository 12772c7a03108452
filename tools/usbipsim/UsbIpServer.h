// One simulated tablet served over USB/IP: the host controller (vhci-hcd, or a test playing its
// part) submits URBs on a connected stream socket and the server answers them as the scenario's
// device would, plays the device's scripts and records a trace.
//
// Threads: one serving thread per Server owns the socket and all device state; it waits in
// ppoll on the socket, an eventfd for requests from other threads, and the next scripted step.
// The public functions may be called from any thread.
#pragma once

#include "SimScenario.h"
#include "UsbDescriptors.h"
#include "UsbIpTrace.h"
#include "UsbIpWire.h"
#include "VhciPort.h"
#include "ZvUniqueFd.h"

#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <stdint.h>
#include <string>
#include <thread>
#include <vector>

namespace usbipsim {

// One input report handed to the host, for latency measurements.
struct Delivery {
    int iface = 0;  // bInterfaceNumber
    int64_t ns = 0; // CLOCK_MONOTONIC just before the RET_SUBMIT went to the socket
    size_t len = 0; // bytes delivered
    uint8_t head[tabletsim::kReportLen] = {}; // the report's first bytes
};

class Server {
public:
    struct Options {
        ReportKind kind = ReportKind::Vendor; // of the first interface
        std::string vhciDir = kVhciDir;
        std::string tracePath; // empty: the trace stays in memory only
    };
    // Makes one new connection to the host: our end in *ours, and returns the port (>= 0) or a
    // negative errno.
    using Connector = std::function<int(ZvUniqueFd* ours)>;

    // Serves scenario.devices[device] (which must exist) and its scripts.
    Server(const tabletsim::Scenario& scenario, size_t device, Options options);
    // Closes the connection (an unplug for the host) and stops the serving thread.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Connects through the vhci folder of the options. The port, or a negative errno (logged):
    // -EALREADY while connected, see vhci_connect for the others. "start load" scripts start at
    // the first successful attach.
    int attach();
    // The same with another way to connect, which the scripts' "plug" steps use from then on:
    // tests hand the server one end of their own socketpair and play the host on the other.
    int attachWith(Connector connect);
    // Closes the connection; the host sees the device go. No-op when not connected.
    void detach();
    // Queues one input report on interface number iface now. False for an interface the device
    // does not have; a report while not connected is lost (traced).
    bool inject(int iface, Bytes report);

    const Trace& trace() const { return _trace; }
    std::vector<Delivery> deliveries() const;
    const UsbDescriptors& descriptors() const { return _desc; }

private:
    struct Urb {
        uint32_t seqnum = 0;
        uint32_t length = 0;
    };
    // One interface's interrupt-IN endpoint, for the current connection.
    struct Endpoint {
        int iface = 0;
        std::deque<Urb> urbs;    // submitted, not answered yet, oldest first
        std::deque<Bytes> queue; // reports due while no URB waited
        bool opened = false;     // an IN URB came on this connection
        bool failNext = false;   // a scripted read error waits for the next URB
    };
    struct Run {
        const tabletsim::Script* script = nullptr;
        size_t endpoint = 0;
        bool anchored = false;
        int64_t anchorNs = 0;
        size_t next = 0;
    };
    struct Request {
        enum class Kind { Attach, Detach, Inject, Stop };
        Kind kind = Kind::Stop;
        Connector connect;
        size_t endpoint = 0;
        Bytes report;
        std::promise<int>* done = nullptr;
    };
    enum class Outcome { Answer, Stall, Unknown, Hold };

    // UsbIpServer.cpp: the thread, requests, connection and scripts.
    void serve();
    int post(Request r, bool wait);
    bool handleRequests(); // false: stop
    int connect(const Connector& how);
    void closeConnection(const char* why);
    bool connected() const { return _sock.get() >= 0; }
    void readSocket();
    bool handlePdu(const Header& h, const uint8_t* payload, size_t len);
    int64_t nextDueNs() const;
    void playDue();
    void apply(const Run& run, const tabletsim::Step& step);
    void anchor(tabletsim::Script::Start start, size_t endpoint);
    int endpointIndex(int iface) const;

    // UsbIpInterrupt.cpp: input reports, IN URBs and unlinks.
    void submitIn(size_t endpoint, const Header& h);
    void offer(size_t endpoint, Bytes report);
    void failNext(size_t endpoint);
    void serveQueued(size_t endpoint);
    void complete(size_t endpoint, const Bytes& report);
    void unlink(const Header& h);
    bool sendRet(uint32_t seqnum, int32_t status, const uint8_t* data, size_t len,
                 int64_t* stampNs = nullptr);
    bool sendPdu(const Header& h, const uint8_t* data, size_t len, int64_t* stampNs);

    // UsbIpControl.cpp: endpoint 0.
    void control(const Header& h, const uint8_t* data, size_t len);
    Outcome standardRequest(const Setup& s);
    Outcome hidRequest(const Setup& s, const uint8_t* data, size_t len);
    Outcome answer(const Bytes* b);

    const tabletsim::SimDevice _dev;
    const std::vector<tabletsim::Script> _scripts; // this device's
    const Options _options;
    const UsbDescriptors _desc;
    Trace _trace;

    // Requests from other threads.
    std::mutex _requestMutex;
    std::vector<Request> _requests;
    ZvUniqueFd _wake; // eventfd

    // Owned by the serving thread.
    ZvUniqueFd _sock;
    Connector _connector;
    bool _everAttached = false;
    std::vector<Endpoint> _endpoints;
    std::vector<Run> _runs;
    std::set<uint32_t> _silent; // control URBs that are never answered
    Bytes _in;                  // received, not yet a whole PDU
    Bytes _out;                 // the PDU being sent
    Bytes _reply;               // a control transfer's answer
    uint8_t _configuration = 0;

    mutable std::mutex _deliveryMutex;
    std::vector<Delivery> _deliveries;

    std::thread _thread; // last: starts once everything above exists
};

} // namespace usbipsim
