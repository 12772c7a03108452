// A Bluetooth LE tablet served by the simulated BlueZ while no USB tablet is plugged: the
// start-up check finds it, the core opens it, its report notifications drive the pen, and the
// quit signal hands it back over the command characteristic.
#include "DaemonFixture.h"
#include "MockBluez.h"
#include "SimReports.h"
#include "ZvTestSkip.h"

#include <chrono>
#include <linux/input.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const kModel = "ZVD1560RNG";

// The request the core writes for command cmd, as the mock records it.
std::string request(const std::string& charPath, uint8_t cmd) {
    char text[64];
    snprintf(text, sizeof text, " cd %02x 00 00 00 00 00 00", cmd);
    return "WriteValue " + charPath + text;
}

class BluetoothDaemonTest : public DaemonTest {
protected:
    void SetUp() override {
        std::string why;
        if (!zvtest::MockBluez::available(&why)) {
            zvtest_exit_77_on_skip();
            GTEST_SKIP() << "no simulated BlueZ here: " << why;
        }
        DaemonTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // Sets DBUS_SYSTEM_BUS_ADDRESS here, and the core inherits this environment.
        std::string error;
        ASSERT_TRUE(mock.start(&error)) << error;
    }
    void TearDown() override {
        DaemonTest::TearDown();
        mock.stop();
    }

    bool waitEvent(const std::string& prefix, int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (mock.count(prefix) == 0) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    zvtest::MockBluez mock;
};

TEST_F(BluetoothDaemonTest, BleTabletAloneIsOpenedDrawsWithThePenAndIsHandedBackOnQuit) {
    zvtest::BleTabletDesc desc;
    desc.address = "AA:0D:00:00:00:01";
    const zvtest::BleTablet t = mock.addTablet(desc);
    const std::string full = std::string(kModel) + "_230101";
    mock.setAnswer(t.command, 201,
                   zvtest::ble_answer(201, std::vector<uint8_t>(full.begin(), full.end())));
    // maxx 50800, maxy 31750, maxp 8191, lpi 5080, 2 pen and 8 express keys.
    mock.setAnswer(t.command, 200,
                   zvtest::ble_answer(200, {0x70, 0xC6, 0x00, 0x06, 0x7C, 0x00, 0xFF, 0x1F, 0xD8,
                                            0x13, 0x02, 0x08, 0x00, 0x00, 0x00}));
    mock.setAnswer(t.command, 205, zvtest::ble_answer(205, {1}));
    ASSERT_FALSE(mock.failed()) << mock.failure();

    core = startCore(""); // no USB tablet
    ASSERT_GT(core, 0);
    ZvMsg open;
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 8000, &open)) << output();
    EXPECT_STREQ(open.body.tabletOpen.sModel, kModel);
    EXPECT_EQ(open.body.tabletOpen.bUnknowTablet, 0);
    EXPECT_EQ(mock.count("ReadValue " + t.manufacturer), 1) << "one session took it, once";
    EXPECT_EQ(mock.count(request(t.command, 201)), 1);
    EXPECT_EQ(mock.count(request(t.command, 200)), 1);

    // The core subscribes to the reports after it announced the tablet.
    ASSERT_TRUE(waitEvent("StartNotify " + t.report, 5000)) << output();
    // The pen comes into range above the start of the line, then draws it at its own pace.
    tabletsim::PenSample above;
    above.x = 10000;
    above.y = 8000;
    std::vector<tabletsim::TimedReport> reports{{0, tabletsim::pen_report(above)}};
    tabletsim::Stroke s;
    s.samples = 40;
    s.rateHz = 200;
    s.pressureFrom = 200;
    s.pressureTo = 8000;
    const auto stroke = tabletsim::line(10000, 8000, 30000, 20000, s, 5000);
    reports.insert(reports.end(), stroke.begin(), stroke.end());
    const auto t0 = std::chrono::steady_clock::now();
    for (const tabletsim::TimedReport& r : reports) {
        ASSERT_EQ(r.bytes.size(), tabletsim::kReportLen);
        uint8_t report[12];
        memcpy(report, r.bytes.data(), sizeof report);
        std::this_thread::sleep_until(t0 + std::chrono::microseconds(r.atUs));
        ASSERT_TRUE(mock.notify(t.report, zvtest::ble_notification_for(report)));
    }

    // Every sample of the line reaches the pen, in order: pressure rising, moving right and
    // down as drawn. (The core may have moved the pen before, hovering; only contact counts.)
    const auto contact = penContactGroups(stroke.size(), 5000);
    EXPECT_EQ(contact.size(), stroke.size()) << output();
    int lastPressure = 0, lastX = -1, lastY = -1;
    bool rising = true, rightwards = true, downwards = true;
    for (const ZvCapGroup& g : contact) {
        const int p = g.value(EV_ABS, ABS_PRESSURE);
        const int x = g.value(EV_ABS, ABS_X, lastX);
        const int y = g.value(EV_ABS, ABS_Y, lastY);
        rising = rising && p > lastPressure;
        rightwards = rightwards && x > lastX;
        downwards = downwards && y > lastY;
        lastPressure = p;
        lastX = x;
        lastY = y;
    }
    EXPECT_TRUE(rising);
    EXPECT_TRUE(rightwards);
    EXPECT_TRUE(downwards);

    // The quit signal hands the tablet back to its own mode: one 205 on the command
    // characteristic. It is answered at once, so no answer's time-out holds the exit up.
    EXPECT_EQ(mock.count(request(t.command, 205)), 0);
    ASSERT_EQ(kill(core, SIGUSR1), 0);
    const double q0 = now();
    EXPECT_EQ(waitExit(core, 5000), 0) << output();
    EXPECT_LT(now() - q0, 3.0);
    EXPECT_EQ(mock.count(request(t.command, 205)), 1);
    bool closed = false;
    for (const ZvMsg& m : ui->received())
        closed =
            closed || (m.head.cmd == ZVMC_CORE_TABLET_CLOSE && strcmp(m.body.sModel, kModel) == 0);
    EXPECT_TRUE(closed);
}

} // namespace
