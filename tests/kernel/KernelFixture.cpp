#include "KernelFixture.h"

#include "SimScenario.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

bool in_guest() {
    return getenv("ZV_GUEST_RESULTS") != nullptr &&
           access("/sys/devices/platform/vhci_hcd.0/attach", W_OK) == 0;
}

bool g_udev = false;

// udevd as a desktop runs it: the properties libinput and libusb read come from its database,
// and libusb learns of new devices from its events rather than the kernel's.
bool start_udev() {
    if (g_udev)
        return true;
    if (system("/lib/systemd/systemd-udevd --daemon > /dev/null 2>&1") != 0)
        return false;
    g_udev = system("udevadm trigger --action=add > /dev/null 2>&1 && "
                    "udevadm settle --timeout=30") == 0;
    return g_udev;
}

} // namespace

tabletsim::Bytes pen_at(uint8_t kind, int x, int y, uint16_t pressure) {
    tabletsim::PenSample s;
    s.x = x;
    s.y = y;
    s.pressure = pressure;
    s.below = (kind & tabletsim::kPenBelow) != 0;
    s.above = (kind & tabletsim::kPenAbove) != 0;
    tabletsim::Bytes b = tabletsim::pen_report(s);
    b[1] = kind;
    return b;
}

void KernelTest::SetUpTestSuite() {
    if (!in_guest())
        return;
    (void)start_udev();
    // The package's test runs the core as an ordinary user on the same bus.
    busForAllUsers = true;
    startDesktop(kScreenW, kScreenH);
}

void KernelTest::SetUp() {
    if (!in_guest())
        GTEST_SKIP() << "runs only in the guest of tests/kernel/run-guest";
    ASSERT_TRUE(g_udev) << "systemd-udevd did not start";
    DaemonTest::SetUp();
}

void KernelTest::TearDown() {
    DaemonTest::TearDown();
    tablet.reset(); // unplugged after the core is gone, so no worker sees it go
}

std::string KernelTest::tabletScenario(const std::string& extra) {
    return tablet_device("display", kModel, 0x0960, "1-1:1", extra);
}

usbipsim::Server& KernelTest::plug(const std::string& scenario, usbipsim::ReportKind kind) {
    tabletsim::Scenario sc;
    std::string error;
    EXPECT_TRUE(tabletsim::parse_scenario(scenario, &sc, &error)) << error;
    usbipsim::Server::Options options;
    options.kind = kind;
    options.tracePath = dir() + "/usbip.trace";
    tablet.reset(new usbipsim::Server(sc, 0, options));
    const int port = tablet->attach();
    EXPECT_GE(port, 0) << "attach: " << strerror(-port);
    return *tablet;
}

void KernelTest::startCoreReady() {
    core = startCore("");
    ASSERT_GT(core, 0);
    ASSERT_NE(ZvEvdevReader::findNode("Zerva pen", 15000), "") << output();
    ASSERT_TRUE(ui->waitCore(15000)) << output();
}

void KernelTest::openEvdev(ZvEvdevReader& reader, const std::string& name) {
    const std::string node = ZvEvdevReader::findNode(name, 10000);
    ASSERT_NE(node, "") << name << " has no evdev node";
    ASSERT_TRUE(reader.open(node)) << reader.reason();
}

int KernelTest::commandCount(int id) {
    return tablet ? static_cast<int>(
                        tablet->trace().count("feature-get 0 " + std::to_string(id) + " "))
                  : 0;
}

std::string KernelTest::traceText() const {
    std::string text;
    if (tablet)
        for (const std::string& line : tablet->trace().lines())
            text += line + "\n";
    return text;
}
