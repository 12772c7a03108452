// The GATT client against the simulated BlueZ: status, both connect roads, lookups by UUID,
// reads, notifications, the report thread and scanning.
#include "MockBluezTest.h"
#include "blz.h"
#include "blz_conv.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string.h>

namespace zvtest {
namespace {

struct ContextFree {
    void operator()(blz_context* c) const { blz_fini(c); }
};
using Context = std::unique_ptr<blz_context, ContextFree>;

class BlzClient : public MockBluezTest {
protected:
    void SetUp() override {
        MockBluezTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ctx.reset(blz_init("hci0"));
        ASSERT_TRUE(ctx) << "blz_init on the simulated bus";
    }
    void TearDown() override {
        ctx.reset();
        MockBluezTest::TearDown();
    }
    Context ctx;
};

// The adapter is looked at, never switched: a user who turned Bluetooth off keeps it off.
TEST_F(BlzClient, InitRefusesUnknownAndSwitchedOffAdaptersAndLeavesThemOff) {
    EXPECT_EQ(blz_init("hci7"), nullptr);
    mock.setPowered(false);
    EXPECT_EQ(blz_init("hci0"), nullptr);
    EXPECT_FALSE(mock.adapterPowered()) << mock.failure();
}

// A BlueZ that does not answer costs a few seconds per call, not the bus library's 25.
TEST_F(BlzClient, CallsToASlowBluezTimeOutInSeconds) {
    BleTabletDesc desc;
    desc.address = "AA:00:00:00:00:0C";
    (void)mock.addTablet(desc);
    blz_dev* d = blz_connect(ctx.get(), "aa:00:00:00:00:0c", BLZ_ADDR_UNKNOWN);
    ASSERT_NE(d, nullptr);
    blz_serv* s = blz_get_serv_from_uuid(d, kTabletService);
    ASSERT_NE(s, nullptr);
    blz_char* c = blz_get_char_from_uuid(s, kManufacturerChar);
    ASSERT_NE(c, nullptr);
    mock.slowDown("ReadValue", 8000);
    uint8_t buf[32];
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(blz_char_read(c, buf, sizeof buf), -1);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, std::chrono::seconds(2));
    EXPECT_LT(took, std::chrono::seconds(5));
    blz_char_free(c);
    blz_serv_free(s);
    blz_release(d);
}

TEST_F(BlzClient, ConnectStatusOfUnknownConnectedAndSwitchedOffDevices) {
    mock.addDevice("AA:00:00:00:00:01", -40, true, /* connected= */ true);
    mock.addDevice("AA:00:00:00:00:02", -40, true, /* connected= */ false);
    EXPECT_EQ(blz_get_connect_status(ctx.get(), "aa:00:00:00:00:01", BLZ_ADDR_UNKNOWN), 1);
    EXPECT_EQ(blz_get_connect_status(ctx.get(), "aa:00:00:00:00:02", BLZ_ADDR_UNKNOWN), 0);
    EXPECT_EQ(blz_get_connect_status(ctx.get(), "aa:00:00:00:00:03", BLZ_ADDR_UNKNOWN), -1);
    EXPECT_EQ(blz_get_connect_status(ctx.get(), "not an address", BLZ_ADDR_UNKNOWN), -3);
}

struct Seen {
    std::vector<std::pair<std::string, int>> devices;
    static void add(const uint8_t* mac, blz_addr_type, int8_t rssi, const uint8_t*, size_t,
                    void* user) {
        char text[18];
        blz_mac_print(mac, text, sizeof text);
        static_cast<Seen*>(user)->devices.emplace_back(text, rssi);
    }
};

TEST_F(BlzClient, KnownDevicesCarryAddressAndRssi) {
    mock.addDevice("AA:00:00:00:00:01", -61, true, true);
    mock.addDevice("AA:00:00:00:00:02", 0, /* hasRssi= */ false, false);
    Seen seen;
    ASSERT_TRUE(blz_known_devices(ctx.get(), Seen::add, &seen));
    ASSERT_EQ(seen.devices.size(), 2u);
    std::sort(seen.devices.begin(), seen.devices.end());
    EXPECT_EQ(seen.devices[0], std::make_pair(std::string("aa:00:00:00:00:01"), -61));
    EXPECT_EQ(seen.devices[1], std::make_pair(std::string("aa:00:00:00:00:02"), 0));
}

TEST_F(BlzClient, ConnectsAKnownDeviceThroughConnect) {
    const std::string path = mock.addDevice("AA:00:00:00:00:05", -50, true, false);
    blz_dev* dev = blz_connect(ctx.get(), "aa:00:00:00:00:05", BLZ_ADDR_UNKNOWN);
    ASSERT_NE(dev, nullptr);
    EXPECT_TRUE(dev->connected.load());
    EXPECT_TRUE(dev->services_resolved.load());
    EXPECT_EQ(std::string(dev->path), path);
    blz_disconnect(dev);
    EXPECT_EQ(mock.count("Connect " + path), 1);
    EXPECT_EQ(mock.count("Disconnect " + path), 1) << "disconnect asks BlueZ, not only forgets";
}

TEST_F(BlzClient, UnknownDeviceIsConnectedByAddressRetryingAsPublic) {
    mock.allowConnectDevice("AA:00:00:00:00:06", "public");
    blz_dev* dev = blz_connect(ctx.get(), "aa:00:00:00:00:06", BLZ_ADDR_UNKNOWN);
    ASSERT_NE(dev, nullptr);
    blz_release(dev);
    const auto events = mock.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "ConnectDevice /org/bluez/hci0 aa:00:00:00:00:06 random");
    EXPECT_EQ(events[1], "ConnectDevice /org/bluez/hci0 aa:00:00:00:00:06 public");

    // A random address given as such is not retried.
    EXPECT_EQ(blz_connect(ctx.get(), "aa:00:00:00:00:07", BLZ_ADDR_RANDOM), nullptr);
    EXPECT_EQ(mock.count("ConnectDevice /org/bluez/hci0 aa:00:00:00:00:07"), 1);
}

TEST_F(BlzClient, LooksUpByUpperCaseUuidAndReadsLongValuesCut) {
    const std::string dev = mock.addDevice("AA:00:00:00:00:08", -50, true, true);
    const std::string srv = mock.addService(dev, "0000FFE0-0000-1000-8000-00805F9B34FB");
    std::vector<uint8_t> value(300);
    for (size_t i = 0; i < value.size(); ++i)
        value[i] = uint8_t(i * 7);
    const std::string chr = mock.addChar(srv, kManufacturerChar, {"read"}, value);
    (void)mock.addChar(srv, kReportChar, {"notify"}, {});

    blz_dev* d = blz_connect(ctx.get(), "AA:00:00:00:00:08", BLZ_ADDR_UNKNOWN);
    ASSERT_NE(d, nullptr);
    blz_serv* s = blz_get_serv_from_uuid(d, "0000FFE0-0000-1000-8000-00805F9B34FB");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string(s->path), srv);
    EXPECT_EQ(blz_list_char_uuids(s).size(), 2u);
    blz_char* c = blz_get_char_from_uuid(s, "00002A29-0000-1000-8000-00805F9B34FB");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(std::string(c->path), chr);
    EXPECT_EQ(c->flags, uint32_t(BLZ_CHAR_READ));

    uint8_t buf[260];
    memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(blz_char_read(c, buf, 256), 300);
    EXPECT_EQ(memcmp(buf, value.data(), 256), 0);
    for (size_t i = 256; i < sizeof buf; ++i)
        ASSERT_EQ(buf[i], 0xEE) << "byte " << i << " is past the buffer the caller gave";

    EXPECT_EQ(blz_get_char_from_uuid(s, "0000ffff-0000-1000-8000-00805f9b34fb"), nullptr);
    // Refused before any bus traffic.
    EXPECT_FALSE(blz_char_write(c, buf, 1));
    EXPECT_FALSE(blz_char_notify_start(c, nullptr, nullptr));
    EXPECT_FALSE(blz_char_notify_stop(c)) << "never started";
    EXPECT_EQ(mock.count("WriteValue"), 0);
    EXPECT_EQ(mock.count("StopNotify"), 0);
    blz_char_free(c);
    blz_serv_free(s);
    blz_release(d);
}

struct Notes {
    std::mutex m;
    std::vector<std::vector<uint8_t>> values;
    std::thread::id thread;
    std::atomic<bool> gotTwo{false};
    static void add(const uint8_t* data, size_t len, blz_char*, void* user) {
        Notes* n = static_cast<Notes*>(user);
        std::lock_guard<std::mutex> lock(n->m);
        n->values.emplace_back(data, data + len);
        n->thread = std::this_thread::get_id();
        if (n->values.size() >= 2)
            n->gotTwo.store(true);
    }
};

TEST_F(BlzClient, ReportThreadDeliversInOrderAndEndsAtOnce) {
    BleTabletDesc desc;
    desc.address = "AA:00:00:00:00:09";
    const BleTablet t = mock.addTablet(desc);
    blz_dev* d = blz_connect(ctx.get(), "aa:00:00:00:00:09", BLZ_ADDR_UNKNOWN);
    ASSERT_NE(d, nullptr);
    blz_serv* s = blz_get_serv_from_uuid(d, kTabletService);
    ASSERT_NE(s, nullptr);
    blz_char* rep = blz_get_char_from_uuid(s, kReportChar);
    ASSERT_NE(rep, nullptr);
    Notes notes;
    ASSERT_TRUE(blz_start_read_device_process(rep, Notes::add, &notes));
    // Notifications are on once start returns.
    ASSERT_TRUE(mock.notify(t.report, {1, 2, 3}));
    ASSERT_TRUE(mock.notify(t.report, {4}));
    EXPECT_EQ(blz_loop_wait(ctx.get(), &notes.gotTwo, 3000), 0);
    {
        std::lock_guard<std::mutex> lock(notes.m);
        ASSERT_EQ(notes.values.size(), 2u);
        EXPECT_EQ(notes.values[0], (std::vector<uint8_t>{1, 2, 3}));
        EXPECT_EQ(notes.values[1], (std::vector<uint8_t>{4}));
        EXPECT_NE(notes.thread, std::this_thread::get_id()) << "delivered on the report thread";
    }
    const auto t0 = std::chrono::steady_clock::now();
    blz_end_read_device_process(rep);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(300));
    blz_char_free(rep);
    blz_serv_free(s);
    blz_disconnect(d);
}

TEST_F(BlzClient, LostLinkCallsTheDisconnectHandler) {
    const std::string path = mock.addDevice("AA:00:00:00:00:0A", -50, true, true);
    blz_dev* d = blz_connect(ctx.get(), "aa:00:00:00:00:0a", BLZ_ADDR_UNKNOWN);
    ASSERT_NE(d, nullptr);
    static std::atomic<bool> lost;
    lost = false;
    blz_set_disconnect_handler(
        d, [](void* user) { static_cast<std::atomic<bool>*>(user)->store(true); }, &lost);
    mock.dropLink(path);
    EXPECT_EQ(blz_loop_wait(ctx.get(), &lost, 3000), 0);
    EXPECT_FALSE(d->connected.load());
    blz_disconnect(d);
    EXPECT_EQ(mock.count("Disconnect"), 0) << "a device already gone is not disconnected again";
}

TEST_F(BlzClient, ScanReportsDevicesAsTheyAppear) {
    struct Found {
        std::atomic<bool> any{false};
        std::string mac;
        int rssi = 0;
    } found;
    ASSERT_TRUE(blz_scan_start(
        ctx.get(),
        [](const uint8_t* mac, blz_addr_type, int8_t rssi, const uint8_t*, size_t, void* user) {
            Found* f = static_cast<Found*>(user);
            char text[18];
            blz_mac_print(mac, text, sizeof text);
            f->mac = text;
            f->rssi = rssi;
            f->any.store(true);
        },
        &found));
    mock.addDevice("AA:00:00:00:00:0B", -33, true, false);
    EXPECT_EQ(blz_loop_wait(ctx.get(), &found.any, 3000), 0);
    EXPECT_EQ(found.mac, "aa:00:00:00:00:0b");
    EXPECT_EQ(found.rssi, -33);
    EXPECT_TRUE(blz_scan_stop(ctx.get()));
}

} // namespace
} // namespace zvtest
