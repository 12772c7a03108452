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

// Other people's connected devices stronger than the tablet: passed over, links untouched.
TEST_F(BleSession, SomebodyElsesDevicesAreSkippedAndKeepTheirLinks) {
    struct Case {
        const char* what;
        bool tabletService;
        bool makerChar;
    };
    const Case cases[] = {
        {"keyboard without the tablet service", false, true},
        {"serial-port device with the service's UUID but no maker name", true, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ++n;
        BleTabletDesc other = tablet("AA:02:00:00:0" + std::to_string(n) + ":01", -30);
        other.tabletService = c.tabletService;
        other.makerChar = c.makerChar;
        const BleTablet o = mock.addTablet(other);
        const BleTablet t =
            mock.addTablet(tablet("AA:02:00:00:0" + std::to_string(n) + ":02", -60));
        BleClient& a = newClient();
        ASSERT_EQ(open(a), 0);
        EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 1);
        EXPECT_EQ(mock.count("Disconnect " + o.device), 0);
        api.close(&a);
        mock.dropLink(t.device); // out of the next case's way
    }
}

TEST_F(BleSession, ForeignMakerIsRememberedAndNeverTriedAgainBySession) {
    BleTabletDesc impostor = tablet("AA:03:00:00:00:01", -30);
    impostor.manufacturer = "OTHER";
    const BleTablet other = mock.addTablet(impostor);
    const BleTablet t = mock.addTablet(tablet("AA:03:00:00:00:02", -60));
    BleClient& a = newClient();
    EXPECT_EQ(open(a), -1) << "the open in which the impostor is found fails";
    EXPECT_EQ(mock.count("Disconnect " + other.device), 0) << "somebody else's, left connected";
    EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 0);

    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(mock.count("ReadValue " + other.manufacturer), 1) << "remembered, not asked again";
    EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 1);
}

// A maker name that could not be read (a radio hiccup) says nothing about the maker: the tablet
// keeps its link and the next open takes it.
TEST_F(BleSession, FailedMakerNameReadDoesNotMarkTheTabletForeign) {
    const BleTablet t = mock.addTablet(tablet("AA:03:00:00:01:01", -40));
    mock.failReads(t.manufacturer, 1);
    BleClient& a = newClient();
    EXPECT_EQ(open(a), -1);
    EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 1);
    ASSERT_EQ(open(a), 0);
    EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 2);
    EXPECT_EQ(mock.count("Disconnect"), 0);
}

// A user who switched Bluetooth off keeps it off, however often the core probes and opens.
TEST_F(BleSession, SwitchedOffAdapterStaysOff) {
    (void)mock.addTablet(tablet("AA:03:00:00:02:01", -40));
    mock.setPowered(false);
    BleClient& a = newClient();
    char path[ZV_PROBE_PATH_MAX] = "untouched";
    EXPECT_FALSE(api.checkBlz(path));
    EXPECT_EQ(open(a), -1);
    EXPECT_FALSE(mock.adapterPowered()) << mock.failure();
    EXPECT_EQ(mock.count("ReadValue"), 0);

    mock.setPowered(true);
    EXPECT_TRUE(api.checkBlz(path)) << "the same scene with the adapter on";
}

// Any local user may send on the system bus, also straight to the library's connection: only
// what the owner of "org.bluez" sends counts, as report, as answer and as a lost link.
TEST_F(BleSession, SignalsFromAnotherConnectionThanBluezAreIgnored) {
    const BleTablet t = mock.addTablet(tablet("AA:0E:00:00:00:01", -50));
    mock.setAnswer(t.command, 201, ble_answer(201, {'Z', 'V'}), 400);
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);

    // A report: pen input (and express keys) of the root daemon.
    const std::vector<uint8_t> genuine = {0, 0xE0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(mock.forgeValue(t.report, std::vector<uint8_t>(14, 0x66))) << mock.failure();
    ASSERT_TRUE(mock.notify(t.report, genuine));
    ASSERT_TRUE(a.waitReports(1));
    const BleClient::Report want = {8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0};
    ASSERT_EQ(a.reports().size(), 1u);
    EXPECT_EQ(a.reports()[0], want);

    // A command's answer, forged while the request waits for the tablet's.
    th_u8 buf[128];
    th_i16 result = 1;
    std::thread asker([&] { result = api.getStrDesc(&a, 201, buf, sizeof buf); });
    const auto until = Clock::now() + std::chrono::seconds(3);
    while (mock.count("WriteValue " + t.command) == 0 && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(mock.forgeValue(t.command, ble_answer(201, {'E', 'V', 'I', 'L'})));
    asker.join();
    ASSERT_EQ(result, 0);
    const th_u8 wantAnswer[] = {'Z', 0, 'V', 0, 0, 0};
    EXPECT_EQ(memcmp(buf, wantAnswer, sizeof wantAnswer), 0) << "the forged answer was taken";

    // A lost link. The genuine report behind it shows that it was seen.
    ASSERT_TRUE(mock.forgeConnected(t.device, false));
    ASSERT_TRUE(mock.notify(t.report, genuine));
    ASSERT_TRUE(a.waitReports(2));
    th_u8 rbuf[ZV_TABLET_REPORT_LEN];
    EXPECT_EQ(api.read(&a, rbuf, sizeof rbuf), ZV_READ_NO_REPORT);
    mock.dropLink(t.device);
    EXPECT_TRUE(readBecomes(api, &a, ZV_ER_BLE_GONE, 3000)) << "the genuine one still counts";
}

// The dispatcher's state query and the worker's 205 may meet on one session.
TEST_F(BleSession, TwoCommandsAtOnceGetTheirOwnAnswers) {
    const BleTablet t = mock.addTablet(tablet("AA:0F:00:00:00:01", -50));
    mock.setAnswer(t.command, 201, ble_answer(201, {'Z', 'V'}), 300);
    mock.setAnswer(t.command, 209, ble_answer(209, {10, 5}), 50);
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);
    th_u8 model[128], battery[128];
    th_i16 rModel = 1, rBattery = 1;
    std::atomic<int> ready{0};
    auto ask = [&](th_u8 cmd, th_u8* buf, th_i16* r) {
        ++ready;
        while (ready.load() < 2) {
        }
        *r = api.getStrDesc(&a, cmd, buf, 128);
    };
    std::thread first(ask, 201, model, &rModel);
    std::thread second(ask, 209, battery, &rBattery);
    first.join();
    second.join();
    ASSERT_EQ(rModel, 0);
    ASSERT_EQ(rBattery, 0);
    const th_u8 wantModel[] = {'Z', 0, 'V', 0, 0, 0};
    EXPECT_EQ(memcmp(model, wantModel, sizeof wantModel), 0);
    EXPECT_EQ(battery[0], 10);
    EXPECT_EQ(battery[1], 5);
    EXPECT_EQ(battery[2], 0);
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

// The tablet was connected before the library came; it keeps its link, as a USB tablet stays
// plugged.
TEST_F(BleSession, CloseWithSilentTabletReturnsPromptlyAndKeepsTheLink) {
    const BleTablet t = mock.addTablet(tablet("AA:08:00:00:00:01", -50));
    BleClient& a = newClient();
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);
    const auto t0 = Clock::now();
    api.close(&a);
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(500))
        << "report thread woken, not waited out";
    EXPECT_EQ(mock.count("Disconnect " + t.device), 0);
    EXPECT_EQ(mock.count("StopNotify " + t.report), 1);
    EXPECT_FALSE(mock.notify(t.report, std::vector<uint8_t>(14, 0))) << "notifications stopped";
    EXPECT_TRUE(a.reports().empty());
}

// The core may close its session from inside onRead (the tablet said goodbye).
TEST_F(BleSession, CloseFromInsideOnReadReturnsAndALaterCloseIsHarmless) {
    const BleTablet t = mock.addTablet(tablet("AA:10:00:00:00:01", -50));
    BleClient& a = newClient();
    std::atomic<int> calls{0};
    std::atomic<bool> returned{false};
    a.hook = [&](const th_u8*) {
        if (calls++ == 0) {
            api.close(&a);
            returned = true;
        }
    };
    ASSERT_EQ(open(a), 0);
    ASSERT_EQ(api.startRead(&a, 0), 0);
    ASSERT_TRUE(mock.notify(t.report, std::vector<uint8_t>(14, 1)));
    const auto until = Clock::now() + std::chrono::seconds(3);
    while (!returned && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(returned);
    th_u8 buf[ZV_TABLET_REPORT_LEN];
    EXPECT_EQ(api.read(&a, buf, sizeof buf), ZV_ER_CONTEXT);
    api.close(&a);
    (void)mock.notify(t.report, std::vector<uint8_t>(14, 2));
    // The session and the tablet are free again: another caller opens them.
    BleClient& b = newClient();
    ASSERT_EQ(open(b), 0);
    ASSERT_EQ(api.startRead(&b, 0), 0);
    ASSERT_TRUE(mock.notify(t.report, std::vector<uint8_t>(14, 3)));
    ASSERT_TRUE(b.waitReports(1));
    EXPECT_EQ(calls, 1) << "nothing reached the closed session";
}

TEST_F(BleSession, UsbOnlyBuildNeverReachesBluez) {
    (void)mock.addTablet(tablet("AA:09:00:00:00:01", -50));
    use(BleBuild::UsbOnly);
    BleClient& a = newClient();
    char path[ZV_PROBE_PATH_MAX] = "untouched";
    EXPECT_FALSE(api.checkBlz(path));
    EXPECT_EQ(open(a), -1);
    EXPECT_TRUE(mock.events().empty());

    // The same scene with the build with Bluetooth, so that the mock is known to work.
    use(BleBuild::Bluetooth);
    EXPECT_TRUE(api.checkBlz(path));
}

} // namespace
} // namespace zvtest
