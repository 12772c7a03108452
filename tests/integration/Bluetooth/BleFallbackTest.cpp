// The build with Bluetooth takes USB tablets first and falls back to Bluetooth LE only when no
// USB tablet can be opened; run over the preloaded simulated USB tablet and the mock BlueZ.
#include "BleSessionFixture.h"
#include "TabletSim.h"

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

} // namespace
} // namespace zvtest
