// The build with Bluetooth takes USB tablets first and falls back to Bluetooth LE only when no
// USB tablet can be opened; run over the preloaded simulated USB tablet and the mock BlueZ.
#include "BleSessionFixture.h"
#include "TabletSim.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zvtest {
namespace {

TEST_F(BleSession, BluetoothOnlyWhenNoUsbTabletIsFree) {
    TabletSim sim;
    std::string error;
    ASSERT_TRUE(sim.bind(&error)) << error;
    ASSERT_TRUE(sim.loadText("device usb\nend\n", &error)) << error;
    BleTabletDesc desc;
    desc.address = "AA:0B:00:00:00:01";
    const BleTablet ble = mock.addTablet(desc);

    BleClient& a = newClient();
    BleClient& b = newClient();
    BleClient& c = newClient();
    ZvTabletOpenPatam pa, pb;
    ASSERT_EQ(open(a, &pa), 0);
    EXPECT_EQ(pa.tspfFlag, ZV_TSPF_USB);
    EXPECT_EQ(mock.count("ReadValue"), 0) << "a USB tablet was there: Bluetooth is not tried";
    ASSERT_EQ(open(b, &pb), 0);
    EXPECT_EQ(pb.tspfFlag, ZV_TSPF_BLE);
    EXPECT_EQ(mock.count("ReadValue " + ble.manufacturer), 1);
    EXPECT_EQ(open(c), -1) << "two sessions only";
    EXPECT_EQ(sim.violations(), 0u) << sim.trace();
}

using Clock = std::chrono::steady_clock;

// While BlueZ takes its time over one session's open, the other session's USB tablet is closed,
// probed and opened again at once: the pool lock is not held over calls to BlueZ, and those give
// up after a few seconds.
TEST_F(BleSession, SlowBluezHoldsUpNeitherUsbOpenNorCloseNorProbe) {
    TabletSim sim;
    std::string error;
    ASSERT_TRUE(sim.bind(&error)) << error;
    ASSERT_TRUE(sim.loadText("device usb\nend\n", &error)) << error;
    BleTabletDesc desc;
    desc.address = "AA:0C:00:00:00:01";
    (void)mock.addTablet(desc);
    mock.slowDown("ReadValue", 8000);

    BleClient& u = newClient();
    BleClient& b = newClient();
    ZvTabletOpenPatam pu;
    ASSERT_EQ(open(u, &pu), 0);
    ASSERT_EQ(pu.tspfFlag, ZV_TSPF_USB);
    th_i16 bResult = 1;
    Clock::duration bTook{};
    std::thread bluetooth([&] {
        const auto t0 = Clock::now();
        bResult = open(b);
        bTook = Clock::now() - t0;
    });
    // The Bluetooth open is about to ask for the maker name, which BlueZ sits on.
    EXPECT_TRUE(waitLog(" find  Service"));
    const auto t0 = Clock::now();
    api.close(&u);
    char path[ZV_PROBE_PATH_MAX] = {};
    EXPECT_TRUE(api.checkUsb(path));
    BleClient& u2 = newClient();
    ZvTabletOpenPatam pu2;
    EXPECT_EQ(open(u2, &pu2), 0);
    EXPECT_EQ(pu2.tspfFlag, ZV_TSPF_USB);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(1)) << "USB waited for BlueZ";
    bluetooth.join();
    EXPECT_EQ(bResult, -1) << "no maker name within the call's time-out";
    EXPECT_LT(bTook, std::chrono::seconds(6));
    EXPECT_EQ(sim.violations(), 0u) << sim.trace();
}

// A USB session closed from inside its own report callback leaves its handle to the input
// thread, which closes it after the callback. A failed open of the other session meanwhile must
// not shut the HID layer down under it.
TEST_F(BleSession, FailedOpenDoesNotShutHidDownUnderAnInputThreadStillClosing) {
    TabletSim sim;
    std::string error;
    ASSERT_TRUE(sim.bind(&error)) << error;
    ASSERT_TRUE(sim.loadText("device usb\nend\n", &error)) << error;
    BleClient& a = newClient();
    std::mutex m;
    std::condition_variable cv;
    bool closedInside = false, otherOpened = false;
    a.hook = [&](const th_u8*) {
        std::unique_lock<std::mutex> lock(m);
        if (closedInside)
            return;
        api.close(&a);
        closedInside = true;
        cv.notify_all();
        cv.wait_for(lock, std::chrono::seconds(3), [&] { return otherOpened; });
    };
    ZvTabletOpenPatam pa;
    ASSERT_EQ(open(a, &pa), 0);
    ASSERT_EQ(pa.tspfFlag, ZV_TSPF_USB);
    ASSERT_TRUE(sim.inject("1-1:1.0", std::vector<unsigned char>(12, 8)));
    {
        std::unique_lock<std::mutex> lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(3), [&] { return closedInside; }));
    }
    // The tablet's interface is still open on the input thread, and there is no Bluetooth
    // tablet: this open fails.
    BleClient& b = newClient();
    EXPECT_EQ(open(b), -1);
    {
        std::lock_guard<std::mutex> lock(m);
        otherOpened = true;
        cv.notify_all();
    }
    EXPECT_GE(sim.waitFor("close 1-1:1.0", 0, 3000), 0) << sim.trace();
    EXPECT_EQ(sim.violations(), 0u) << sim.trace();
    BleClient& c = newClient();
    EXPECT_EQ(open(c), 0) << "the tablet is free again";
}

} // namespace
} // namespace zvtest
