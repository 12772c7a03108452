// Reports, command requests, lost devices and closing while reports flow, in both builds.
#include "SessionFixture.h"

#include "SimReports.h"

#include <chrono>
#include <string.h>
#include <thread>

namespace zvtest {
namespace {

using Io = SimSession;

std::vector<unsigned char> pattern(size_t len, unsigned char first) {
    std::vector<unsigned char> b(len);
    for (size_t i = 0; i < len; ++i)
        b[i] = static_cast<unsigned char>(first + i);
    return b;
}

TEST_P(Io, ReportsReachTheirOwnClientCutOrPaddedTo14Bytes) {
    load("two-tablets.sim");
    Client& a = newClient();
    Client& b = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(open(b), 0);

    const size_t lengths[] = {12, 1, 5, 14, 15, 20, 64};
    for (size_t len : lengths)
        ASSERT_TRUE(sim.inject("1-1:1.0", pattern(len, 0x10)));
    ASSERT_TRUE(sim.inject("1-2:1.0", pattern(12, 0xA0)));

    ASSERT_TRUE(a.waitReports(std::size(lengths)));
    ASSERT_TRUE(b.waitReports(1));
    const auto got = a.reports();
    ASSERT_EQ(got.size(), std::size(lengths));
    for (size_t k = 0; k < got.size(); ++k) {
        Report want{};
        const auto sent = pattern(lengths[k], 0x10);
        memcpy(want.data(), sent.data(), std::min(sent.size(), want.size()));
        EXPECT_EQ(got[k], want) << "report of " << lengths[k] << " bytes";
    }
    ASSERT_EQ(b.reports().size(), 1u);
    EXPECT_EQ(b.reports()[0][0], 0xA0) << "reports go to the context of their own tablet";
    EXPECT_EQ(sim.count("deliver 1-1:1.0"), int(std::size(lengths)));
}

TEST_P(Io, ScriptedStrokeArrivesInOrder) {
    tabletsim::Stroke s;
    s.samples = 40;
    s.rateHz = 500;
    s.pressureFrom = 0;
    s.pressureTo = 8191;
    s.tiltX = 12;
    s.tiltY = -7;
    const auto stroke = tabletsim::line(1000, 2000, 0x12345, 0x23456, s);
    loadText("device t\nend\nscript t\nwait 5ms\n" + tabletsim::script_text(stroke) +
             "keys 0x20\nring 7 control 0x0102\nend\n");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_TRUE(a.waitReports(stroke.size() + 2)) << sim.trace();

    const auto got = a.reports();
    for (size_t k = 0; k < stroke.size(); ++k) {
        Report want{};
        memcpy(want.data(), stroke[k].bytes.data(), stroke[k].bytes.size());
        EXPECT_EQ(got[k], want) << "sample " << k;
    }
    EXPECT_EQ(got[stroke.size()][1], 0xE0);
    EXPECT_EQ(got[stroke.size()][4], 0x20);
    EXPECT_EQ(got[stroke.size() + 1][1], 0xF0);
    EXPECT_EQ(got[stroke.size() + 1][5], 7);
}

struct CommandCase {
    const char* name;
    th_u8 command;
    th_i16 result;
    std::vector<th_u8> payload; // expected from buf[0]; the rest of the buffer must be zero
};

TEST_P(Io, CommandAnswersArriveWithThePayloadFromByteZero) {
    load("two-tablets.sim");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    const std::vector<CommandCase> cases = {
        {"model", 201, 0, {'Z', 0, 'T', 0, '-', 0, 'A', 0, '0', 0,
                           '1', 0, ' ', 0, 'P', 0, 'r', 0, 'o', 0}},
        {"parameters", 200, 0, {0x70, 0xC6, 0x00, 0x06, 0x7C, 0x00, 0xFF, 0x1F, 0xD8, 0x13, 2, 8}},
        {"one byte", 209, 0, {3}},
    };
    for (const CommandCase& c : cases) {
        th_u8 buf[256];
        memset(buf, 0xEE, sizeof buf); // what the device does not send must not survive
        EXPECT_EQ(api.getStrDesc(&a, c.command, buf, sizeof buf), c.result) << c.name;
        std::vector<th_u8> want(sizeof buf, 0);
        std::copy(c.payload.begin(), c.payload.end(), want.begin());
        EXPECT_EQ(std::vector<th_u8>(buf, buf + sizeof buf), want) << c.name;
    }
    EXPECT_GE(sim.waitFor("feature-get 1-1:1.0 201 256 ok", 0, 0), 0) << sim.trace();
}

TEST_P(Io, FullLengthAnswerLeavesTheLastTwoBytesZero) {
    std::vector<unsigned char> answer = pattern(256, 1);
    answer[0] = 210;
    loadText("device t\n feature 210 bytes " + tabletsim::hex(answer) + "\nend\n");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    th_u8 buf[256];
    memset(buf, 0xEE, sizeof buf);
    ASSERT_EQ(api.getStrDesc(&a, 210, buf, sizeof buf), 0);
    for (size_t i = 0; i < 254; ++i)
        ASSERT_EQ(buf[i], answer[i + 2]) << "byte " << i;
    EXPECT_EQ(buf[254], 0);
    EXPECT_EQ(buf[255], 0);
}

TEST_P(Io, UnansweredCommandsFailAndKeepTheCommandCode) {
    load("unanswering.sim");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    th_u8 buf[128];

    memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(api.getStrDesc(&a, 209, buf, sizeof buf), -1) << "refused at once";
    EXPECT_EQ(buf[0], 209);

    memset(buf, 0xEE, sizeof buf);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(api.getStrDesc(&a, 201, buf, sizeof buf), -1) << "never answered";
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100))
        << "the request waits for the device's time-out";
    EXPECT_EQ(buf[0], 201);
    EXPECT_GE(sim.waitFor("feature-get 1-1:1.0 201 128 timeout", 0, 0), 0) << sim.trace();

    EXPECT_EQ(api.getStrDesc(&a, 201, buf, _ZVS_STRING_DESC_MAX_LEN - 1), -1)
        << "a buffer below the minimum is refused";
    EXPECT_EQ(api.read(&a, buf, ZV_TABLET_REPORT_LEN - 1), -1);
    EXPECT_EQ(api.read(&a, buf, ZV_TABLET_REPORT_LEN), ZV_READ_NO_REPORT)
        << "the device itself is still there";
}

TEST_P(Io, UnpluggedTabletFailsReadsAndCommands) {
    load("two-tablets.sim");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    th_u8 buf[256] = {};
    EXPECT_EQ(api.getStrDesc(&a, 201, buf, sizeof buf), 0);
    EXPECT_EQ(api.alive(&a), -1) << "the USB transport never reports its device present";

    ASSERT_TRUE(sim.setPlugged("tabletA", false));
    EXPECT_TRUE(eventually([&] { return api.read(&a, buf, 12) == ZV_ER_NODEV; })) << sim.trace();
    EXPECT_GE(sim.waitFor("read-gone 1-1:1.0", 0, 0), 0);
    EXPECT_EQ(api.getStrDesc(&a, 201, buf, sizeof buf), -1);
    EXPECT_EQ(sim.count("feature-get 1-1:1.0 201"), 1) << "a gone device is not asked";
    EXPECT_EQ(probe(), "1-2:1.0");
    api.close(&a);
    EXPECT_EQ(api.read(&a, buf, 12), ZV_ER_CONTEXT);
}

TEST_P(Io, ReplugAfterScriptedUnplugIsFoundOnceTheSessionCloses) {
    load("unplug-replug.sim");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_TRUE(a.waitReports(10)) << sim.trace();
    th_u8 buf[12];
    EXPECT_TRUE(eventually([&] { return api.read(&a, buf, sizeof buf) == ZV_ER_NODEV; }));
    ASSERT_GE(sim.waitFor("plug tablet", 0, 3000), 0) << sim.trace();
    // The session keeps the lost device's key until its caller closes it.
    EXPECT_EQ(probe(), "");
    api.close(&a);
    EXPECT_EQ(probe(), "1-1:1.0");
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(api.read(&a, buf, sizeof buf), ZV_READ_NO_REPORT);
    EXPECT_EQ(sim.count("open 1-1:1.0 ok"), 2);
}

TEST_P(Io, ReadErrorEndsInputAsALostDevice) {
    load("read-error.sim");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_TRUE(a.waitReports(3));
    th_u8 buf[12];
    EXPECT_TRUE(eventually([&] { return api.read(&a, buf, sizeof buf) == ZV_ER_NODEV; }));
    EXPECT_EQ(sim.count("read-error 1-1:1.0"), 1);
    th_u8 cmd[128];
    EXPECT_EQ(api.getStrDesc(&a, 201, cmd, sizeof cmd), -1);
}

// A callback that is still running when close is called: close waits for it, and nothing is
// delivered once close has returned.
TEST_P(Io, NoCallbackRunsAfterCloseReturns) {
    tabletsim::Stroke s;
    s.samples = 500;
    s.rateHz = 1000;
    s.pressureTo = 4000;
    loadText("device t\nend\nscript t\nwait 5ms\n" +
             tabletsim::script_text(tabletsim::line(0, 0, 40000, 25000, s)) + "end\n");
    Client& a = newClient();
    std::atomic<bool> inside{false}, firstDone{false}, closed{false};
    std::atomic<int> late{0}, calls{0};
    std::mutex m;
    std::condition_variable cv;
    a.hook = [&](const th_u8*) {
        inside = true;
        if (closed)
            ++late;
        int before;
        {
            std::lock_guard<std::mutex> lock(m);
            before = calls++;
        }
        if (before == 0) {
            cv.notify_all();
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            firstDone = true;
        }
        inside = false;
    };
    ASSERT_EQ(open(a), 0);
    {
        std::unique_lock<std::mutex> lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(3), [&] { return calls > 0; }));
    }
    api.close(&a);
    closed = true;
    EXPECT_FALSE(inside);
    EXPECT_TRUE(firstDone) << "close returned while the callback still slept";
    const int atClose = calls;
    // Reports keep coming from the script; none may reach the closed session.
    const size_t mark = sim.lineCount();
    EXPECT_GE(sim.waitFor("lost 1-1:1.0", mark, 2000), 0) << sim.trace();
    EXPECT_EQ(late, 0);
    EXPECT_EQ(calls, atClose);
}

// The core closes its tablets from another thread than the one that talks to them: a close
// waits for a command still inside the session instead of pulling the device from under it.
TEST_P(Io, CloseWaitsForACommandInFlight) {
    loadText("device t\n  feature 205 silent\n  feature-timeout 800ms\nend\n");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    using Clock = std::chrono::steady_clock;
    std::atomic<int> result{1};
    Clock::time_point commandEnd;
    std::thread worker([&] {
        th_u8 buf[128] = {};
        result = api.getStrDesc(&a, 205, buf, sizeof buf);
        commandEnd = Clock::now();
    });
    // Well inside the device's time-out.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    api.close(&a);
    const Clock::time_point closeEnd = Clock::now();
    worker.join();
    ASSERT_EQ(result, -1) << "the request was not in flight when close was called";
    EXPECT_LE(commandEnd, closeEnd) << "close returned while the command was still running";
    const long answered = sim.waitFor("feature-get 1-1:1.0 205 128 timeout", 0, 0);
    const long closed = sim.waitFor("close 1-1:1.0", 0, 0);
    EXPECT_GE(answered, 0) << sim.trace();
    EXPECT_LT(answered, closed) << "the device was closed under the request\n" << sim.trace();
    th_u8 buf[12];
    EXPECT_EQ(api.read(&a, buf, sizeof buf), ZV_ER_CONTEXT);
}

// A caller that closes its session from its own report callback must not wait for itself.
TEST_P(Io, CloseFromTheReportCallbackDoesNotDeadlock) {
    load("two-tablets.sim");
    Client& a = newClient();
    std::atomic<bool> closedInside{false};
    a.hook = [&](const th_u8*) {
        if (!closedInside.exchange(true))
            api.close(&a);
    };
    ASSERT_EQ(open(a), 0);
    ASSERT_TRUE(sim.inject("1-1:1.0", pattern(12, 8)));
    ASSERT_TRUE(a.waitReports(1));
    EXPECT_TRUE(closedInside);
    EXPECT_GE(sim.waitFor("close 1-1:1.0", 0, 3000), 0) << sim.trace();
    th_u8 buf[12];
    EXPECT_EQ(api.read(&a, buf, sizeof buf), ZV_ER_CONTEXT);
}

INSTANTIATE_TEST_SUITE_P(Builds, Io, ::testing::Values(Build::Bluetooth, Build::UsbOnly),
                         build_name);

} // namespace
} // namespace zvtest
