// The USB/IP server driven as the kernel's vhci-hcd drives it: URBs over one end of a
// socketpair, answers read back and checked, with the trace telling what the device saw.
#include "UsbIpServer.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <set>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using usbipsim::Bytes;
using usbipsim::Header;
using usbipsim::Setup;

// The host's side of one connection.
class FakeHost {
public:
    explicit FakeHost(ZvUniqueFd fd) : _fd(std::move(fd)) {}

    uint32_t submit(uint32_t ep, uint32_t dir, int32_t length, Setup s = {}, Bytes out = {}) {
        Header h;
        h.command = usbipsim::kCmdSubmit;
        h.seqnum = ++_seq;
        h.devid = 0x10002;
        h.direction = dir;
        h.ep = ep;
        h.transferLength = length;
        h.setup = usbipsim::encode_setup(s);
        if (dir == usbipsim::kDirIn)
            _inSeqs.insert(h.seqnum);
        send(h, out);
        return h.seqnum;
    }
    uint32_t unlink(uint32_t seqnum) {
        Header h;
        h.command = usbipsim::kCmdUnlink;
        h.seqnum = ++_seq;
        h.unlinkSeqnum = seqnum;
        send(h, {});
        return h.seqnum;
    }
    void send(const Header& h, const Bytes& out) {
        uint8_t b[usbipsim::kHeaderSize];
        ASSERT_TRUE(usbipsim::encode_header(h, b));
        Bytes all(b, b + sizeof b);
        all.insert(all.end(), out.begin(), out.end());
        sendRaw(all);
    }
    void sendRaw(const Bytes& b) {
        ASSERT_EQ(::send(_fd.get(), b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size()));
    }
    void shutdownWrite() { ::shutdown(_fd.get(), SHUT_WR); }

    // The next answer and, for an IN URB, its data. False when none comes within ms.
    bool next(Header* h, Bytes* data = nullptr, int ms = 2000) {
        uint8_t b[usbipsim::kHeaderSize];
        if (!readAll(b, sizeof b, ms) || !usbipsim::decode_header(b, sizeof b, h))
            return false;
        Bytes payload;
        if (h->command == usbipsim::kRetSubmit && _inSeqs.erase(h->seqnum) > 0) {
            payload.resize(size_t(h->actualLength));
            if (!readAll(payload.data(), payload.size(), ms))
                return false;
        }
        if (data != nullptr)
            *data = payload;
        return true;
    }
    // A control transfer: its status, and its data for IN requests.
    int control(const Setup& s, Bytes* data = nullptr, const Bytes& out = {}) {
        const bool in = (s.requestType & 0x80) != 0;
        const uint32_t seq = submit(0, in ? usbipsim::kDirIn : usbipsim::kDirOut,
                                    in ? s.length : int32_t(out.size()), s, out);
        Header h;
        if (!next(&h, data))
            return 1;
        EXPECT_EQ(h.seqnum, seq);
        return h.status;
    }
    // True when the server closed the connection within ms.
    bool closed(int ms = 2000) {
        uint8_t b[256];
        for (;;) {
            struct pollfd p = {_fd.get(), POLLIN, 0};
            if (poll(&p, 1, ms) <= 0)
                return false;
            const ssize_t n = recv(_fd.get(), b, sizeof b, 0);
            if (n <= 0)
                return true;
        }
    }

private:
    bool readAll(uint8_t* p, size_t len, int ms) {
        size_t got = 0;
        while (got < len) {
            struct pollfd pfd = {_fd.get(), POLLIN, 0};
            if (poll(&pfd, 1, ms) <= 0)
                return false;
            const ssize_t n = recv(_fd.get(), p + got, len - got, 0);
            if (n <= 0)
                return false;
            got += size_t(n);
        }
        return true;
    }

    ZvUniqueFd _fd;
    uint32_t _seq = 0;
    std::set<uint32_t> _inSeqs;
};

Setup get_descriptor(uint16_t value, uint16_t length, uint8_t recipient = 0, uint16_t index = 0) {
    return Setup{uint8_t(0x80 | recipient), 6, value, index, length};
}

Setup get_feature(int id, uint16_t length, uint16_t iface = 0) {
    return Setup{0xA1, 1, uint16_t(0x0300 | id), iface, length};
}

constexpr const char* kTablet = R"(device t
  pid 0x0950
  interface 0
  interface 1
  product "Pen"
  string 1 "ZT-A01"
  feature 200 params maxx 50800 maxy 31750 maxp 8191 lpi 5080
  feature 201 model "ZT"
  feature 205 silent
  feature 206 stall
  feature 210 bytes d2 00 01 02 03 length 64
end
)";

class UsbIpServerTest : public ::testing::Test {
protected:
    // A server for the first device of `text`, connected to a fake host.
    void start(const std::string& text) {
        tabletsim::Scenario scenario;
        std::string error;
        ASSERT_TRUE(tabletsim::parse_scenario(text, &scenario, &error)) << error;
        _server = std::make_unique<usbipsim::Server>(scenario, 0, usbipsim::Server::Options());
        ASSERT_EQ(_server->attachWith([this](ZvUniqueFd* ours) { return connect(ours); }), 0);
    }
    // The connector: runs on the server's thread, so hosts are handed over under a lock.
    int connect(ZvUniqueFd* ours) {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
            return -errno;
        ours->reset(sv[0]);
        std::lock_guard<std::mutex> lock(_m);
        _hosts.push_back(std::make_unique<FakeHost>(ZvUniqueFd(sv[1])));
        return int(_hosts.size() - 1);
    }
    FakeHost& host(size_t i = 0) {
        std::lock_guard<std::mutex> lock(_m);
        return *_hosts.at(i);
    }
    bool traced(const std::string& prefix, int ms = 2000) {
        return _server->trace().waitFor(prefix, 0, ms) >= 0;
    }

    std::mutex _m;
    std::vector<std::unique_ptr<FakeHost>> _hosts;
    std::unique_ptr<usbipsim::Server> _server;
};

TEST_F(UsbIpServerTest, AnswersTheEnumerationOfAKernel) {
    start(kTablet);
    FakeHost& h = host();
    Bytes d;
    // The kernel first asks for 64 bytes of the device descriptor.
    ASSERT_EQ(h.control(get_descriptor(0x0100, 64), &d), 0);
    ASSERT_EQ(d.size(), 18u);
    EXPECT_EQ(d[7], 64) << "bMaxPacketSize0";
    EXPECT_EQ(d[8] | d[9] << 8, 0x7D3A);
    EXPECT_EQ(d[10] | d[11] << 8, 0x0950);
    const int iProduct = d[15];

    ASSERT_EQ(h.control(get_descriptor(0x0200, 9), &d), 0);
    ASSERT_EQ(d.size(), 9u);
    const int total = d[2] | d[3] << 8;
    EXPECT_EQ(total, 9 + 2 * (9 + 9 + 7));
    EXPECT_EQ(d[4], 2) << "interfaces";
    ASSERT_EQ(h.control(get_descriptor(0x0200, uint16_t(total)), &d), 0);
    ASSERT_EQ(d.size(), size_t(total));
    std::vector<int> interfaces, endpoints, reportLengths;
    for (size_t at = 0; at < d.size(); at += d[at]) {
        ASSERT_GE(d[at], 2) << "descriptor at " << at;
        ASSERT_LE(at + d[at], d.size());
        if (d[at + 1] == 4)
            interfaces.push_back(d[at + 2]);
        if (d[at + 1] == 0x21)
            reportLengths.push_back(d[at + 7] | d[at + 8] << 8);
        if (d[at + 1] == 5) {
            endpoints.push_back(d[at + 2]);
            EXPECT_EQ(d[at + 3], 3) << "interrupt";
            EXPECT_EQ(d[at + 4] | d[at + 5] << 8, 64);
            EXPECT_EQ(d[at + 6], 1) << "bInterval";
        }
    }
    EXPECT_EQ(interfaces, (std::vector<int>{0, 1}));
    EXPECT_EQ(endpoints, (std::vector<int>{0x81, 0x82}));

    ASSERT_EQ(h.control(get_descriptor(0x0300, 255), &d), 0);
    EXPECT_EQ(d, (Bytes{4, 3, 0x09, 0x04}));
    ASSERT_EQ(h.control(get_descriptor(uint16_t(0x0300 | iProduct), 255), &d), 0);
    EXPECT_EQ(d, (Bytes{8, 3, 'P', 0, 'e', 0, 'n', 0}));
    ASSERT_EQ(h.control(get_descriptor(0x0301, 4), &d), 0) << "cut to wLength";
    EXPECT_EQ(d, (Bytes{14, 3, 'Z', 0}));
    EXPECT_EQ(h.control(get_descriptor(0x0302, 255)), -EPIPE);
    EXPECT_EQ(h.control(get_descriptor(0x0600, 10)), -EPIPE) << "no device qualifier";

    EXPECT_EQ(h.control(usbipsim::Setup{0x00, 9, 1, 0, 0}), 0);
    ASSERT_EQ(h.control(usbipsim::Setup{0x80, 8, 0, 0, 1}, &d), 0);
    EXPECT_EQ(d, Bytes{1});
    EXPECT_EQ(h.control(usbipsim::Setup{0x21, 0x0A, 0, 1, 0}), 0) << "SET_IDLE";
    ASSERT_EQ(h.control(get_descriptor(0x2200, 1024, 1, 1), &d), 0);
    EXPECT_EQ(int(d.size()), reportLengths.at(1));
    EXPECT_EQ(h.control(get_descriptor(0x2200, 1024, 1, 7)), -EPIPE) << "no interface 7";

    const auto lines = _server->trace().lines();
    const std::vector<std::string> expected = {"attach 0",
                                               "string " + std::to_string(iProduct) + " ok",
                                               "string 1 ok",
                                               "string 2 none",
                                               "stall 80 06 0600 0000 10",
                                               "configured 1",
                                               "stall 81 06 2200 0007 1024"};
    EXPECT_EQ(lines, expected);
}

TEST_F(UsbIpServerTest, FeatureRequestsAnswerAsTheScenarioSays) {
    start(kTablet);
    const struct {
        int id;
        uint16_t length;
        int status;
        Bytes data;
        const char* trace;
    } cases[] = {
        {201, 4, 0, {201, 0, 'Z', 0}, "feature-get 0 201 4 ok 4"},
        {210, 6, 0, {0xd2, 0, 1, 2, 3, 0}, "feature-get 0 210 6 ok 6"},
        {206, 64, -EPIPE, {}, "feature-get 0 206 64 stall"},
        {99, 64, -EPIPE, {}, "feature-get 0 99 64 stall"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trace);
        Bytes d;
        EXPECT_EQ(host().control(get_feature(c.id, c.length), &d), c.status);
        EXPECT_EQ(d, c.data);
        EXPECT_TRUE(traced(c.trace, 0));
    }
    const Bytes command = {0x02, 0xAA, 0xBB};
    EXPECT_EQ(host().control(usbipsim::Setup{0x21, 9, 0x0302, 1, 3}, nullptr, command), 0);
    EXPECT_TRUE(traced("feature-send 1 2 3 02 aa bb", 0));
}

TEST_F(UsbIpServerTest, SilentFeatureIsEndedOnlyByTheHostsUnlink) {
    start(kTablet);
    FakeHost& h = host();
    const uint32_t silent = h.submit(0, usbipsim::kDirIn, 64, get_feature(205, 64));
    Header ret;
    EXPECT_FALSE(h.next(&ret, nullptr, 200)) << "a silent feature is never answered";
    const uint32_t unlink = h.unlink(silent);
    ASSERT_TRUE(h.next(&ret));
    EXPECT_EQ(ret.command, usbipsim::kRetUnlink);
    EXPECT_EQ(ret.seqnum, unlink);
    EXPECT_EQ(ret.status, -ECONNRESET);

    // An unlink that comes after the answer is late: status 0, and the answer stands.
    const uint32_t answered = h.submit(0, usbipsim::kDirIn, 4, get_feature(201, 4));
    Bytes d;
    ASSERT_TRUE(h.next(&ret, &d));
    EXPECT_EQ(ret.seqnum, answered);
    h.unlink(answered);
    ASSERT_TRUE(h.next(&ret));
    EXPECT_EQ(ret.command, usbipsim::kRetUnlink);
    EXPECT_EQ(ret.status, 0);
    EXPECT_FALSE(h.next(&ret, nullptr, 100)) << "nothing more, least of all the silent URB";
    EXPECT_TRUE(traced("feature-get 0 205 64 silent", 0));
    EXPECT_TRUE(traced("unlink " + std::to_string(silent) + " ok", 0));
    EXPECT_TRUE(traced("unlink " + std::to_string(answered) + " late", 0));
}

TEST_F(UsbIpServerTest, ScriptedReportsFillInUrbsInOrderFromTheFirstOpen) {
    start(std::string(kTablet) + R"(script t interface 1 start open
  report 08 80 01 00
  wait 5ms
  report 08 81 02 00
  wait 5ms
  report 08 81 03 00 00 00 00 00 00 00 00 00 aa bb
  read-error
end
)");
    FakeHost& h = host();
    Header ret;
    Bytes d;
    EXPECT_FALSE(traced("deliver", 100)) << "the script waits for the interface's first URB";
    const std::vector<Bytes> expected = {
        {8, 0x80, 1, 0}, {8, 0x81, 2, 0}, {8, 0x81, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
    // The script starts when the server reads this first URB, so not before now.
    const int64_t firstUrb = usbipsim::monotonic_ns();
    for (const Bytes& report : expected) {
        const uint32_t seq = h.submit(2, usbipsim::kDirIn, 12);
        ASSERT_TRUE(h.next(&ret, &d));
        EXPECT_EQ(ret.seqnum, seq);
        EXPECT_EQ(ret.status, 0);
        EXPECT_EQ(d, report) << "cut to the URB's 12 bytes";
    }
    h.submit(2, usbipsim::kDirIn, 12);
    ASSERT_TRUE(h.next(&ret, &d));
    EXPECT_EQ(ret.status, -EPROTO);
    EXPECT_EQ(_server->trace().count("open 1"), 1u);
    EXPECT_TRUE(traced("deliver 1 14"));

    const auto deliveries = _server->deliveries();
    ASSERT_EQ(deliveries.size(), 3u);
    for (size_t i = 0; i < deliveries.size(); ++i) {
        EXPECT_EQ(deliveries[i].iface, 1);
        EXPECT_EQ(deliveries[i].head[2], i + 1);
        // Report i is due 5 ms × i after the start, whatever delayed the ones before it (a
        // loaded machine can deliver the first late and the next on time).
        EXPECT_GE(deliveries[i].ns - firstUrb, int64_t(i) * 5000000) << "report " << i;
    }
}

TEST_F(UsbIpServerTest, ReportsWithoutUrbKeepTheNewestThirty) {
    start(kTablet);
    EXPECT_FALSE(_server->inject(5, {8}));
    for (uint8_t i = 0; i < 35; ++i)
        ASSERT_TRUE(_server->inject(0, {8, i}));
    long at = 0;
    for (int i = 0; i < 5; ++i) {
        at = _server->trace().waitFor("drop 0", size_t(at) + 1, 2000);
        ASSERT_GE(at, 0) << "drop " << i;
    }
    FakeHost& h = host();
    Header ret;
    Bytes d;
    for (uint8_t i = 5; i < 35; ++i) {
        h.submit(1, usbipsim::kDirIn, 64);
        ASSERT_TRUE(h.next(&ret, &d));
        EXPECT_EQ(d, (Bytes{8, i}));
    }
    const uint32_t waiting = h.submit(1, usbipsim::kDirIn, 64);
    EXPECT_FALSE(h.next(&ret, &d, 100));
    h.unlink(waiting);
    ASSERT_TRUE(h.next(&ret));
    EXPECT_EQ(ret.status, -ECONNRESET);
    EXPECT_EQ(_server->trace().count("drop 0"), 5u);
}

TEST_F(UsbIpServerTest, UnplugAndPlugMakeANewConnection) {
    start(std::string(kTablet) + R"(script t start load
  wait 20ms
  unplug
  wait 20ms
  plug
  report 08 80 05
end
)");
    EXPECT_TRUE(host(0).closed());
    ASSERT_TRUE(traced("attach 1"));
    FakeHost& second = host(1);
    Header ret;
    Bytes d;
    second.submit(1, usbipsim::kDirIn, 64);
    ASSERT_TRUE(second.next(&ret, &d));
    EXPECT_EQ(d, (Bytes{8, 0x80, 5}));
    ASSERT_TRUE(traced("deliver 0 3")) << "traced once the answer is out";
    const auto lines = _server->trace().lines();
    const std::vector<std::string> expected = {"attach 0", "unplug", "closed unplug", "plug",
                                               "attach 1", "open 0", "deliver 0 3"};
    EXPECT_EQ(lines, expected);
    _server->detach();
    EXPECT_TRUE(second.closed());
}

TEST_F(UsbIpServerTest, BadInputEndsTheConnection) {
    Header unknown, huge, answer;
    unknown.command = 7;
    huge.command = usbipsim::kCmdSubmit;
    huge.transferLength = 1 << 20;
    answer.command = usbipsim::kRetSubmit;
    uint8_t b[usbipsim::kHeaderSize];
    const struct {
        const char* what;
        Bytes bytes;
        const char* trace;
    } cases[] = {
        {"unknown command", Bytes(usbipsim::kHeaderSize, 0xFF), "closed garbage"},
        {"huge transfer", (usbipsim::encode_header(huge, b), Bytes(b, b + sizeof b)),
         "closed garbage"},
        {"an answer from the host", (usbipsim::encode_header(answer, b), Bytes(b, b + sizeof b)),
         "closed garbage"},
        {"a header cut short", Bytes(20, 0), "closed short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        _hosts.clear();
        start(kTablet);
        host().sendRaw(c.bytes);
        host().shutdownWrite();
        EXPECT_TRUE(host().closed());
        EXPECT_TRUE(traced(c.trace));
    }
}

TEST_F(UsbIpServerTest, AttachWritesTheFirstFreePortToVhci) {
    char dirTemplate[] = "/tmp/usbipsim-XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    const std::string dir = dirTemplate;
    const struct {
        const char* status; // null: no vhci at all
        int result;
    } cases[] = {
        {"hub port sta spd dev      sockfd local_busid\n"
         "hs  0000 006 002 00010002 000003 0-0\n"
         "hs  0001 004 000 00000000 000000 0-0\n"
         "ss  0008 004 000 00000000 000000 0-0\n",
         1},
        {"hub port sta spd dev      sockfd local_busid\n"
         "hs  0000 006 002 00010002 000003 0-0\n"
         "ss  0008 004 000 00000000 000000 0-0\n",
         -EBUSY},
        {nullptr, -ENOENT},
    };
    tabletsim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(tabletsim::parse_scenario(kTablet, &scenario, &error));
    for (const auto& c : cases) {
        if (c.status != nullptr) {
            std::ofstream(dir + "/status") << c.status;
            std::ofstream(dir + "/attach").flush();
        }
        usbipsim::Server::Options options;
        options.vhciDir = c.status != nullptr ? dir : dir + "/none";
        options.tracePath = dir + "/trace";
        usbipsim::Server server(scenario, 0, options);
        EXPECT_EQ(server.attach(), c.result);
        if (c.result < 0)
            continue;
        std::string line;
        std::getline(std::ifstream(dir + "/attach"), line);
        int port = -1, fd = -1, speed = -1;
        unsigned devid = 0;
        char end = 0;
        EXPECT_EQ(sscanf(line.c_str(), "%d %d %u %d%c", &port, &fd, &devid, &speed, &end), 4)
            << line;
        EXPECT_EQ(port, 1);
        EXPECT_GT(fd, 2);
        EXPECT_EQ(devid, 0x10003u);
        EXPECT_EQ(speed, 2) << "full speed";
        // The fake kernel end is gone at once: the server sees the connection end.
        EXPECT_GE(server.trace().waitFor("closed eof", 0, 2000), 0);
        std::string stamped;
        std::getline(std::ifstream(options.tracePath), stamped);
        const size_t dot = stamped.find('.');
        ASSERT_NE(dot, std::string::npos) << stamped;
        EXPECT_EQ(stamped.substr(dot + 7), " attach 1");
        EXPECT_EQ(stamped.find_first_not_of("0123456789"), dot) << stamped;
        EXPECT_EQ(stamped.find_first_not_of("0123456789", dot + 1), dot + 7) << stamped;
    }
    (void)system(("rm -rf " + dir).c_str());
}

} // namespace
