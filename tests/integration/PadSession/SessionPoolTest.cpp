// Choosing, holding and releasing sessions and devices, in both builds.
#include "SessionFixture.h"

#include <map>
#include <sstream>
#include <thread>

namespace zvtest {
namespace {

using Pool = SimSession;

TEST_P(Pool, TwoTabletsTakeOneDeviceEachAndAThirdOpenFails) {
    load("two-tablets.sim");
    Client& a = newClient();
    Client& b = newClient();
    Client& c = newClient();

    ZvTabletOpenPatam out;
    ASSERT_EQ(open(a, &out), 0);
    EXPECT_EQ(out.tsfafBits, 0u);
    EXPECT_EQ(out.tspfFlag, ZV_TSPF_USB);
    EXPECT_GE(sim.waitFor("open 1-1:1.0 ok", 0, 0), 0) << sim.trace();

    ASSERT_EQ(open(b, &out), 0);
    EXPECT_GE(sim.waitFor("open 1-2:1.0 ok", 0, 0), 0) << sim.trace();

    // Only the second interface of the first tablet is left; it belongs to a held device.
    const size_t before = sim.lineCount();
    ASSERT_EQ(open(c, &out), -1);
    EXPECT_EQ(out.tsfafBits, 0xFFFFFFFFu) << "no free session: the request stays untouched";
    EXPECT_EQ(out.tspfFlag, 0xEE);
    EXPECT_EQ(sim.lineCount(), before) << "no free session: the library must not touch hidapi";
    EXPECT_EQ(sim.count("open 1-1:1.1"), 0) << sim.trace();
}

TEST_P(Pool, SecondInterfaceOfAHeldTabletIsNeverOpened) {
    loadText("device t\n path 1-4:1\n interface 0\n interface 1\nend\n");
    Client& a = newClient();
    Client& b = newClient();
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(open(b), -1);
    EXPECT_EQ(probe(), "");
    EXPECT_EQ(sim.count("open 1-4:1.1"), 0) << sim.trace();
    EXPECT_EQ(sim.count("open 1-4:1.0 ok"), 1);
}

TEST_P(Pool, CloseFreesTheSessionAndForgetsTheContext) {
    load("two-tablets.sim");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(open(a), -1) << "one context holds one session";

    th_u8 buf[256] = {};
    EXPECT_EQ(api.read(&a, buf, 12), ZV_READ_NO_REPORT);
    EXPECT_EQ(api.startRead(&a, 1), 0);
    api.close(&a);
    EXPECT_GE(sim.waitFor("close 1-1:1.0", 0, 0), 0);

    EXPECT_EQ(api.read(&a, buf, 12), ZV_ER_CONTEXT);
    EXPECT_EQ(api.startRead(&a, 1), ZV_ER_CONTEXT);
    EXPECT_EQ(api.getStrDesc(&a, 201, buf, 256), ZV_ER_CONTEXT);
    EXPECT_EQ(api.alive(&a), -1);
    api.close(&a); // unknown context: nothing happens
    EXPECT_EQ(sim.count("close 1-1:1.0"), 1);

    // The freed session and its device are taken again.
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(sim.count("open 1-1:1.0 ok"), 2);
}

// Closing a USB tablet hands it back to the kernel, which announces it again: a tablet given back
// on purpose must not look like a new one until it has really left the bus.
TEST_P(Pool, AHeldBackTabletIsOfferedAgainOnlyAfterItLeftTheBus) {
    loadText("device t\n path 1-5:1\nend\ndevice u\n path 1-6:1\n unplugged\nend\n");
    Client& a = newClient();
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(api.holdBack(&a), 0);
    api.close(&a);
    EXPECT_EQ(probe(), "") << "held back: no tablet is waiting";
    EXPECT_EQ(open(a), -1);
    EXPECT_EQ(sim.count("open 1-5:1.0 ok"), 1) << sim.trace();

    // Another tablet plugged meanwhile is offered and opened.
    sim.setPlugged("u", true);
    EXPECT_EQ(probe(), "1-6:1.0");
    ASSERT_EQ(open(a), 0);
    api.close(&a);

    // Unplugged and plugged again, the held-back tablet is a new plug.
    sim.setPlugged("t", false);
    EXPECT_EQ(probe(), "1-6:1.0");
    sim.setPlugged("t", true);
    EXPECT_EQ(probe(), "1-5:1.0");
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(sim.count("open 1-5:1.0 ok"), 2) << sim.trace();

    int stranger = 0;
    EXPECT_EQ(api.holdBack(&stranger), ZV_ER_CONTEXT);
}

TEST_P(Pool, UnknownContextIsRefusedAndLogged) {
    load("two-tablets.sim");
    int stranger = 0;
    th_u8 buf[256] = {};
    EXPECT_EQ(api.read(&stranger, buf, 12), ZV_ER_CONTEXT);
    EXPECT_EQ(api.getStrDesc(&stranger, 200, buf, 256), ZV_ER_CONTEXT);
    EXPECT_EQ(api.alive(&stranger), -1);
    EXPECT_EQ(api.read(nullptr, buf, 12), ZV_ER_CONTEXT);
    bool logged = false;
    for (const std::string& line : log_lines())
        logged = logged || line.rfind("zvtc_get_str_desc ZV_ER_CONTEXT context=", 0) == 0;
    EXPECT_TRUE(logged);

    ZvTabletOpenPatam p = newClient().param();
    p.context = nullptr;
    EXPECT_EQ(api.open(&p), -1);
    EXPECT_EQ(api.open(nullptr), -1);
    EXPECT_EQ(sim.count("open "), 0);
}

TEST_P(Pool, ProbeReportsAFreeTabletAndSkipsHeldOnes) {
    load("two-tablets.sim");
    EXPECT_EQ(probe(), "1-1:1.0") << "the keyboard of another vendor comes first";
    Client& a = newClient();
    Client& b = newClient();
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(probe(), "1-2:1.0");
    ASSERT_EQ(open(b), 0);
    EXPECT_EQ(probe(), "");
    api.close(&a);
    EXPECT_EQ(probe(), "1-1:1.0");
    EXPECT_FALSE(api.checkUsb(nullptr));
    EXPECT_EQ(sim.count("open "), 2) << "the probe never opens a device";
}

TEST_P(Pool, FailedOpenFreesTheSessionAndKeepsTheOtherDeviceUp) {
    load("unanswering.sim");
    Client& a = newClient();
    Client& b = newClient();
    ASSERT_EQ(open(a), 0) << sim.trace(); // "slow" answers string descriptor 1

    // "nostring" is opened, does not answer string descriptor 1, and is let go; "a" keeps its
    // device, so hidapi must not be shut down.
    EXPECT_EQ(open(b), -1);
    EXPECT_GE(sim.waitFor("string 1-2:1.0 1 none", 0, 0), 0) << sim.trace();
    EXPECT_GE(sim.waitFor("close 1-2:1.0", 0, 0), 0);
    EXPECT_EQ(sim.count("exit"), 0) << sim.trace();

    // The failed session is free again: with "a" closed, both sessions can be taken.
    load("two-tablets.sim");
    api.close(&a);
    Client& c = newClient();
    ASSERT_EQ(open(b), 0);
    ASSERT_EQ(open(c), 0);
}

TEST_P(Pool, FailedOpenWithNothingHeldShutsHidapiDown) {
    loadText("device locked\n interface 0 unopenable\nend\n");
    Client& a = newClient();
    EXPECT_EQ(open(a), -1);
    EXPECT_GE(sim.waitFor("open 1-1:1.0 refused", 0, 0), 0) << sim.trace();
    EXPECT_GE(sim.waitFor("exit open=0", 0, 0), 0) << sim.trace();
    EXPECT_EQ(api.read(&a, nullptr, 12), ZV_ER_CONTEXT);
}

TEST_P(Pool, NoTabletNoSession) {
    loadText("device keyboard\n vid 0x046d\nend\n");
    Client& a = newClient();
    EXPECT_EQ(open(a), -1);
    EXPECT_EQ(probe(), "");
    EXPECT_EQ(sim.count("open "), 0);
}

// The mended fault: tablet threads open and close while the main thread probes. Under one lock
// no two sessions ever hold one physical device and no session is chosen twice.
TEST_P(Pool, ConcurrentOpenCloseAndProbeNeverShareADevice) {
    load("two-tablets.sim");
    Client& a = newClient();
    Client& b = newClient();
    std::atomic<int> running{2};
    std::atomic<int> opened{0};
    auto worker = [&](Client& c) {
        for (int i = 0; i < 5; ++i) {
            if (open(c) == 0) {
                ++opened;
                api.close(&c);
            }
        }
        --running;
    };
    std::thread t1(worker, std::ref(a));
    std::thread t2(worker, std::ref(b));
    char path[ZV_PROBE_PATH_MAX];
    while (running > 0) {
        (void)api.checkUsb(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    t1.join();
    t2.join();

    EXPECT_EQ(opened, 10) << "two tablets, two sessions: every open finds a device";
    std::map<std::string, int> held; // device key -> open handles
    for (const std::string& line : sim.traceLines()) {
        const bool isOpen = line.rfind("open ", 0) == 0 && line.find(" ok") != std::string::npos;
        const bool isClose = line.rfind("close ", 0) == 0;
        if (!isOpen && !isClose)
            continue;
        std::istringstream words(line);
        std::string verb, path;
        words >> verb >> path;
        int& n = held[path.substr(0, path.size() - 2)];
        n += isOpen ? 1 : -1;
        ASSERT_LE(n, 1) << "two sessions hold one device:\n" << sim.trace();
    }
    for (const std::string& line : sim.traceLines())
        EXPECT_EQ(line.find(" busy"), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(Builds, Pool, ::testing::Values(Build::Bluetooth, Build::UsbOnly),
                         build_name);

// The two builds differ in which tablets they accept and in the Bluetooth probe.
class Flavour : public SimSession {};

TEST_P(Flavour, AnnouncedTabletIsOpenedOnlyByTheBluetoothBuild) {
    load("zerva-manufacturer.sim");
    const bool usbOnly = GetParam() == Build::UsbOnly;
    EXPECT_EQ(probe(), "1-1:1.0") << "the probe applies no manufacturer test";
    Client& a = newClient();
    ZvTabletOpenPatam out;
    ASSERT_EQ(open(a, &out), 0);
    EXPECT_EQ(out.tspfFlag, ZV_TSPF_USB);
    EXPECT_EQ(sim.count("open 1-1:1.0"), usbOnly ? 0 : 1) << sim.trace();
    EXPECT_EQ(sim.count("open 1-2:1.0"), usbOnly ? 1 : 0) << sim.trace();

    // With only the announced tablet left, the USB-only build finds nothing to open.
    Client& b = newClient();
    EXPECT_EQ(open(b), usbOnly ? -1 : 0);
}

TEST_P(Flavour, BluetoothProbeFindsNothingAndLeavesThePathAlone) {
    load("two-tablets.sim");
    char path[ZV_PROBE_PATH_MAX] = "untouched";
    EXPECT_FALSE(api.checkBlz(path));
    EXPECT_STREQ(path, "untouched");
    EXPECT_FALSE(api.checkBlz(nullptr));
}

INSTANTIATE_TEST_SUITE_P(Builds, Flavour, ::testing::Values(Build::Bluetooth, Build::UsbOnly),
                         build_name);

} // namespace
} // namespace zvtest
