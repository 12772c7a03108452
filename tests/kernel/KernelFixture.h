// The real-kernel tier's fixture, run inside the QEMU guest (tests/kernel/run-guest): the real
// ZervaCore without any stand-in, a simulated tablet that the guest kernel enumerates as a USB
// device through USB/IP, udev running as on a desktop, and the virtual devices read back through
// evdev and libinput.
#pragma once

#include "DaemonFixture.h"
#include "EvdevReader.h"
#include "LibinputReader.h"
#include "SimReports.h"
#include "UsbIpServer.h"

#include <memory>
#include <string>

class KernelTest : public DaemonTest {
public:
    // The guest's screen: one monitor, the whole X screen.
    static constexpr int kScreenW = 1920;
    static constexpr int kScreenH = 1080;
    // The shipped model the simulated tablet answers as, and what its commands answer.
    static constexpr const char* kModel = "ZVD1560RNG";
    static constexpr int kMaxX = 50800;
    static constexpr int kMaxY = 31750;

protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
    bool standIns() const override { return false; }
    std::string runRoot() const override { return "/tmp/zv-kernel"; }

    // Scenario text of the tablet (answers 200, 201 and 205), with extra device lines.
    static std::string tabletScenario(const std::string& extra = "");
    // Serves the first device of the scenario as a USB device of the guest and attaches it.
    usbipsim::Server& plug(const std::string& scenario,
                           usbipsim::ReportKind kind = usbipsim::ReportKind::Vendor);
    // Starts the core and waits until its virtual devices and its bus name are there.
    void startCoreReady();
    // Opens the evdev node of one of the core's virtual devices ("Zerva pen", ...).
    void openEvdev(ZvEvdevReader& reader, const std::string& name);
    // How many times the tablet was asked command id since it was attached.
    int commandCount(int id);
    // The tablet's trace, for failure messages.
    std::string traceText() const;

    std::unique_ptr<usbipsim::Server> tablet;
};

// A pen report at (x, y) with this kind (kPenHover plus tip and button bits) and pressure.
tabletsim::Bytes pen_at(uint8_t kind, int x, int y, uint16_t pressure = 0);
