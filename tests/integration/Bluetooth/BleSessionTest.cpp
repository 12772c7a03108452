// The Bluetooth LE transport through the exported interface: which tablet an open takes, command
// answers, the report stream, a lost link, closing, and the USB-only build staying off the bus.
#include "BleSessionFixture.h"

#include "TabletParse.h"

#include <atomic>
#include <chrono>
#include <string.h>
#include <thread>

namespace zvtest {
namespace {

using Clock = std::chrono::steady_clock;

BleTabletDesc tablet(const std::string& address, int16_t rssi) {
    BleTabletDesc s;
    s.address = address;
    s.rssi = rssi;
    return s;
}

// zvtc_read is a polled interface; look at it until it says what we wait for.
bool readBecomes(const PadSessionApi& api, void* ctx, th_i16 want, int ms) {
    th_u8 buf[ZV_TABLET_REPORT_LEN];
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (api.read(ctx, buf, sizeof buf) != want) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST_F(BleSession, StrongestFreeTabletFirstHeldOneSkippedByTheOtherSession) {
    const BleTablet weak = mock.addTablet(tablet("AA:01:00:00:00:70", -70));
    const BleTablet strong = mock.addTablet(tablet("AA:01:00:00:00:40", -40));
    const BleTablet middle = mock.addTablet(tablet("AA:01:00:00:00:55", -55));
    BleClient& a = newClient();
    BleClient& b = newClient();
    ZvTabletOpenPatam pa, pb;
    ASSERT_EQ(open(a, &pa), 0);
    EXPECT_EQ(pa.tspfFlag, ZV_TSPF_BLE);
    EXPECT_EQ(pa.tsfafBits, 0u);
    EXPECT_EQ(mock.count("ReadValue " + strong.manufacturer), 1);
    EXPECT_EQ(mock.count("ReadValue"), 1) << "only the strongest was asked who made it";

    ASSERT_EQ(open(b, &pb), 0);
    EXPECT_EQ(pb.tspfFlag, ZV_TSPF_BLE);
    EXPECT_EQ(mock.count("ReadValue " + middle.manufacturer), 1);
    EXPECT_EQ(mock.count("ReadValue " + strong.manufacturer), 1) << "held by the other session";

    // Reports go to the session that holds their tablet.
    ASSERT_EQ(api.startRead(&a, 0), 0);
    ASSERT_EQ(api.startRead(&b, 0), 0);
    ASSERT_TRUE(mock.notify(middle.report, {0, 0xE0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    ASSERT_TRUE(b.waitReports(1));
    EXPECT_TRUE(a.reports().empty());

    // The weakest is the one left: the probe finds it, and not once it is gone.
    char path[ZV_PROBE_PATH_MAX] = "untouched";
    EXPECT_TRUE(api.checkBlz(path));
    EXPECT_STREQ(path, "untouched");
    mock.dropLink(weak.device);
    EXPECT_FALSE(api.checkBlz(path));
    EXPECT_EQ(mock.count("Disconnect"), 0) << "open and probe leave links as they found them";
}

// The probe runs on the core's main thread: a tablet whose services BlueZ is still resolving is
// passed over at once and keeps its link, instead of a minute's wait and a disconnect.
TEST_F(BleSession, ProbePassesOverATabletStillResolvingItsServices) {
    BleTabletDesc resolving = tablet("AA:07:00:00:00:01", -40);
    resolving.servicesResolved = false;
    const BleTablet t = mock.addTablet(resolving);
    char path[ZV_PROBE_PATH_MAX] = "untouched";
    const auto start = Clock::now();
    EXPECT_FALSE(api.checkBlz(path));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(mock.count("Disconnect " + t.device), 0);

    // Once resolved (the link comes back complete), the same tablet is found.
    mock.dropLink(t.device);
    mock.relink(t.device);
    EXPECT_TRUE(api.checkBlz(path));
    EXPECT_EQ(mock.count("Disconnect"), 0);
}

// Opening holds the pool lock as well: a stronger tablet still resolving is passed over at once
// for one that is ready, and keeps its link.
TEST_F(BleSession, OpenPassesOverATabletStillResolvingItsServices) {
    BleTabletDesc resolving = tablet("AA:08:00:00:00:01", -30);
    resolving.servicesResolved = false;
    const BleTablet busy = mock.addTablet(resolving);
    const BleTablet ready = mock.addTablet(tablet("AA:08:00:00:00:02", -60));
    BleClient& a = newClient();
    const auto start = Clock::now();
    ASSERT_EQ(open(a), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(mock.count("ReadValue " + ready.manufacturer), 1);
    EXPECT_EQ(mock.count("ReadValue " + busy.manufacturer), 0);
    EXPECT_EQ(mock.count("Disconnect"), 0);
}

TEST_F(BleSession, DeviceWithoutTabletServiceIsSkippedAndKeepsItsLink) {
    BleTabletDesc keyboard = tablet("AA:02:00:00:00:01", -30);
    keyboard.tabletService = false;
    const BleTablet kb = mock.addTablet(keyboard);
    const BleTablet t = mock.addTablet(tablet("AA:02:00:00:00:02", -60));
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 1);
    EXPECT_EQ(mock.count("Disconnect " + kb.device), 0);
}

TEST_F(BleSession, ForeignMakerIsRememberedAndNeverTriedAgainBySession) {
    BleTabletDesc impostor = tablet("AA:03:00:00:00:01", -30);
    impostor.manufacturer = "OTHER";
    const BleTablet other = mock.addTablet(impostor);
    const BleTablet t = mock.addTablet(tablet("AA:03:00:00:00:02", -60));
    BleClient& a = newClient();
    EXPECT_EQ(open(a), -1) << "the open in which the impostor is found fails";
    EXPECT_EQ(mock.count("Disconnect " + other.device), 1);
    EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 0);

    mock.relink(other.device);
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(mock.count("ReadValue " + other.manufacturer), 1) << "remembered, not asked again";
    EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 1);
}

TEST_F(BleSession, CommandAnswersReachTheCallerAsTheCoreReadsThem) {
    const BleTablet t = mock.addTablet(tablet("AA:04:00:00:00:01", -50));
    const std::string model = "ZT-B01 Pro";
    mock.setAnswer(t.command, 201,
                   ble_answer(201, std::vector<uint8_t>(model.begin(), model.end())));
    const std::vector<uint8_t> params = {0x70, 0xC6, 0x00, 0x06, 0x7C, 0x00, 0xFF, 0x1F,
                                         0xD8, 0x13, 0x02, 0x08, 0x00, 0x00, 0x00};
    mock.setAnswer(t.command, 200, ble_answer(200, params));
    mock.setAnswer(t.command, 209, ble_answer(209, {10, 5}));
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);

    th_u8 buf[256];
    memset(buf, 0xEE, sizeof buf);
    ASSERT_EQ(api.getStrDesc(&a, 201, buf, sizeof buf), 0);
    for (size_t i = 0; i < model.size(); ++i) {
        EXPECT_EQ(buf[2 * i], th_u8(model[i])) << i;
        EXPECT_EQ(buf[2 * i + 1], 0) << i;
    }
    EXPECT_EQ(buf[2 * model.size()], 0);
    ZvTabletCfg tc{};
    parse_cmd_resp_201(buf, sizeof buf, tc);
    EXPECT_STREQ(tc.sModel, "ZT-B01 Pro");
    EXPECT_EQ(mock.count("WriteValue " + t.command + " cd c9 00 00 00 00 00 00"), 1);

    ASSERT_EQ(api.getStrDesc(&a, 200, buf, sizeof buf), 0);
    ZvTabletCfg p{};
    parse_cmd_resp_200(buf, sizeof buf, p);
    EXPECT_EQ(p.maxX, 50800u);
    EXPECT_EQ(p.maxY, 31750u);
    EXPECT_EQ(p.maxP, 8191u);
    EXPECT_EQ(p.lpi, 5080u);
    EXPECT_EQ(p.hekNum, 8u);

    ASSERT_EQ(api.getStrDesc(&a, 209, buf, sizeof buf), 0);
    EXPECT_EQ(battery_level_switch(buf[0], buf[1]), 0x08) << "10 levels, level 5";
    EXPECT_EQ(buf[2], 0) << "nothing of the earlier answers is left behind";
}

TEST_F(BleSession, UnansweredRequestFailsAfterASecondAndItsLateAnswerIsDropped) {
    const BleTablet t = mock.addTablet(tablet("AA:05:00:00:00:01", -50));
    // 210 answers too late; 201 answers while that late answer comes in.
    mock.setAnswer(t.command, 210, ble_answer(210, {0x55, 0x55, 0x55}), 1400);
    mock.setAnswer(t.command, 201, ble_answer(201, {'Z', 'V'}), 700);
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);

    th_u8 buf[128];
    auto t0 = Clock::now();
    EXPECT_EQ(api.getStrDesc(&a, 210, buf, sizeof buf), -1);
    const auto waited = Clock::now() - t0;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(1400));

    ASSERT_EQ(api.getStrDesc(&a, 201, buf, sizeof buf), 0);
    const th_u8 want[] = {'Z', 0, 'V', 0, 0, 0};
    EXPECT_EQ(memcmp(buf, want, sizeof want), 0);
    bool dropped = false;
    for (const std::string& l : logLines())
        dropped = dropped || l.find("command 210) dropped") != std::string::npos;
    EXPECT_TRUE(dropped) << "the late answer arrived during the second request and was refused";
}

TEST_F(BleSession, FourteenByteNotificationsArriveFramedOthersAreDropped) {
    const BleTablet t = mock.addTablet(tablet("AA:06:00:00:00:01", -50));
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);
    const std::vector<uint8_t> good = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                       0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE};
    ASSERT_TRUE(mock.notify(t.report, std::vector<uint8_t>(good.begin(), good.end() - 1)));
    ASSERT_TRUE(mock.notify(t.report, {}));
    ASSERT_TRUE(mock.notify(t.report, std::vector<uint8_t>(20, 0x42)));
    ASSERT_TRUE(mock.notify(t.report, good));
    ASSERT_TRUE(a.waitReports(1));
    const BleClient::Report want = {0x08, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                                    0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00};
    // Nothing else follows the one good notification: wait for a marker behind it.
    std::vector<uint8_t> marker(14, 0x01);
    ASSERT_TRUE(mock.notify(t.report, marker));
    ASSERT_TRUE(a.waitReports(2));
    const auto got = a.reports();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], want);
    int droppedLines = 0;
    for (const std::string& l : logLines())
        droppedLines += l.find("bytes dropped") != std::string::npos ? 1 : 0;
    EXPECT_EQ(droppedLines, 3);
}

TEST_F(BleSession, CommandsWhileReportsFlowShareTheConnection) {
    const BleTablet t = mock.addTablet(tablet("AA:0A:00:00:00:01", -50));
    mock.setAnswer(t.command, 201, ble_answer(201, {'Z', 'T'}));
    mock.setAnswer(t.command, 209, ble_answer(209, {4, 2}));
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);

    // The tablet thread asks while the report thread dispatches the same bus connection.
    std::atomic<int> answered{0};
    std::thread asker([&] {
        th_u8 buf[128];
        for (int i = 0; i < 6; ++i) {
            const th_u8 cmd = i % 2 ? 209 : 201;
            if (api.getStrDesc(&a, cmd, buf, sizeof buf) == 0 &&
                (cmd == 201 ? buf[0] == 'Z' && buf[2] == 'T' : buf[0] == 4 && buf[1] == 2))
                ++answered;
        }
    });
    const int reports = 40;
    for (int i = 0; i < reports; ++i) {
        const uint8_t pen[12] = {8, 0x81, uint8_t(i), 0, 0, 0, 0xFF, 0x0F, 0, 0, 0, 0};
        if (!mock.notify(t.report, ble_notification_for(pen))) {
            ADD_FAILURE() << "notification " << i << " not sent";
            break;
        }
    }
    asker.join();
    EXPECT_EQ(answered.load(), 6);
    ASSERT_TRUE(a.waitReports(reports));
    const auto got = a.reports();
    ASSERT_EQ(got.size(), size_t(reports));
    for (int i = 0; i < reports; ++i) {
        const BleClient::Report want = {8, 0x81, uint8_t(i), 0, 0, 0, 0xFF, 0x0F, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(got[i], want) << "report " << i << ": in order, none lost";
    }
}

TEST_F(BleSession, LostLinkMakesReadReportTheTabletGone) {
    const BleTablet t = mock.addTablet(tablet("AA:07:00:00:00:01", -50));
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);
    th_u8 buf[ZV_TABLET_REPORT_LEN];
    EXPECT_EQ(api.read(&a, buf, sizeof buf), ZV_READ_NO_REPORT);
    mock.dropLink(t.device);
    EXPECT_TRUE(readBecomes(api, &a, ZV_ER_BLE_GONE, 3000));
    const auto t0 = Clock::now();
    api.close(&a);
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(500));
    EXPECT_EQ(api.read(&a, buf, sizeof buf), ZV_ER_CONTEXT);
}

TEST_F(BleSession, SystemBusGoneMakesReadReportTheTabletGone) {
    (void)mock.addTablet(tablet("AA:0C:00:00:00:01", -50));
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);
    mock.stop();
    EXPECT_TRUE(readBecomes(api, &a, ZV_ER_BLE_GONE, 3000));
    th_u8 buf[128];
    EXPECT_EQ(api.getStrDesc(&a, 201, buf, sizeof buf), -1);
    const auto t0 = Clock::now();
    api.close(&a);
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(500));
}

TEST_F(BleSession, CloseWithSilentTabletReturnsPromptlyAndDisconnects) {
    const BleTablet t = mock.addTablet(tablet("AA:08:00:00:00:01", -50));
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);
    const auto t0 = Clock::now();
    api.close(&a);
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(500))
        << "report thread woken, not waited out";
    EXPECT_EQ(mock.count("Disconnect " + t.device), 1);
    EXPECT_FALSE(mock.notify(t.report, std::vector<uint8_t>(14, 0))) << "notifications stopped";
    EXPECT_TRUE(a.reports().empty());
}

TEST_F(BleSession, UsbOnlyBuildNeverReachesBluez) {
    (void)mock.addTablet(tablet("AA:09:00:00:00:01", -50));
    use(BleBuild::UsbOnly);
    BleClient& a = newClient();
    char path[ZV_PROBE_PATH_MAX] = "untouched";
    EXPECT_FALSE(api.checkBlz(path));
    EXPECT_EQ(open(a), -1);
    EXPECT_FALSE(mock.adapterPowered()) << "nobody started a GATT client: " << mock.failure();
    EXPECT_TRUE(mock.events().empty());

    // The same scene with the build with Bluetooth, so that the mock is known to work.
    use(BleBuild::Bluetooth);
    EXPECT_TRUE(api.checkBlz(path));
    EXPECT_TRUE(mock.adapterPowered());
}

} // namespace
} // namespace zvtest
