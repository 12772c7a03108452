// libzervahid as the core uses it: the built library, over the uinput capture.
#include "UinputCapLog.h"
#include "ZervaHid.h"
#include "ZvExports.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <iterator>
#include <linux/input.h>
#include <map>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

class PenDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ZvCapLog::preloaded()) << "run with LD_PRELOAD of libuinputcap.so";
        _log.skipExisting();
    }
    void TearDown() override {
        unsetenv("ZV_UINPUTCAP_FAIL");
        EXPECT_EQ(_log.badLines(), 0u);
    }

    // Sends one report to a fresh pen device and returns the group it became.
    ZvCapGroup sendOne(const HidDataShow& r) {
        int fd = 0;
        EXPECT_EQ(init_uinput_pen_test(&fd), 0);
        EXPECT_EQ(send_uinput_pen_event(fd, &r), 0);
        EXPECT_EQ(exit_uhid(fd), 0);
        _log.read();
        const ZvCapDevice* dev = _log.deviceByFd(fd);
        if (dev == nullptr)
            return ZvCapGroup();
        const std::vector<ZvCapGroup> groups = _log.groupsOf(*dev);
        EXPECT_EQ(groups.size(), 1u);
        return groups.empty() ? ZvCapGroup() : groups[0];
    }

    ZvCapLog _log = ZvCapLog::fromEnv();
};

HidDataShow report(th_u8 type, th_u16 x, th_u16 y, th_u16 p, th_i8 tx = 0, th_i8 ty = 0) {
    HidDataShow r{};
    r.DataType = type;
    r.XH = x;
    r.YH = y;
    r.Pressure = p;
    r.XAngle = tx;
    r.YAngle = ty;
    return r;
}

bool isOpen(int fd) {
    return fcntl(fd, F_GETFD) != -1;
}

} // namespace

TEST_F(PenDevice, DeclaredAsATabletLibinputAccepts) {
    int fd = 0;
    ASSERT_EQ(init_uinput_pen_test(&fd), 0);
    EXPECT_GT(fd, 0);
    _log.read();
    const ZvCapDevice* dev = _log.deviceByFd(fd);
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(dev->name, "Zerva pen");
    EXPECT_EQ(dev->vendor, 0x7d3au);
    EXPECT_EQ(dev->ev, (std::set<unsigned>{EV_KEY, EV_ABS, EV_MSC}));
    EXPECT_EQ(dev->msc, (std::set<unsigned>{MSC_SERIAL}));
    for (unsigned key :
         {BTN_TOOL_PEN, BTN_TOUCH, BTN_STYLUS, BTN_STYLUS2, BTN_LEFT, BTN_RIGHT, BTN_MIDDLE})
        EXPECT_EQ(dev->key.count(key), 1u) << key;
    ASSERT_EQ(dev->abs.size(), 5u);
    EXPECT_EQ(dev->abs.at(ABS_X).max, ZV_PEN_MAX_X);
    EXPECT_EQ(dev->abs.at(ABS_Y).max, ZV_PEN_MAX_Y);
    EXPECT_GT(dev->abs.at(ABS_X).res, 0) << "libinput needs a size";
    EXPECT_EQ(dev->abs.at(ABS_X).res, dev->abs.at(ABS_Y).res) << "square units";
    EXPECT_EQ(dev->abs.at(ABS_PRESSURE).min, 0);
    EXPECT_EQ(dev->abs.at(ABS_PRESSURE).max, 65535);
    EXPECT_LT(dev->abs.at(ABS_TILT_X).min, 0);
    EXPECT_GT(dev->abs.at(ABS_TILT_Y).max, 0);
    EXPECT_EQ(dev->prop, (std::set<unsigned>{INPUT_PROP_DIRECT}));
    EXPECT_EQ(exit_uhid(fd), 0);
    EXPECT_FALSE(isOpen(fd));
    _log.read();
    EXPECT_TRUE(_log.deviceByFd(fd)->destroyed);
}

TEST_F(PenDevice, ReportsBecomeOneCompleteGroupEach) {
    struct Case {
        const char* what;
        HidDataShow r;
        int x, y, p, tiltX, tool, touch;
    };
    // The barrel bits press no stylus button: the buttons' bindings are carried out instead.
    const Case cases[] = {
        {"hover", report(0x80, 100, 200, 0, 5, -5), 100, 200, 0, 5, 1, 0},
        {"contact", report(0x81, 40000, 25000, 30000), 40000, 25000, 30000, 0, 1, 1},
        {"hover drops a stale pressure", report(0x80, 1, 2, 500), 1, 2, 0, 0, 1, 0},
        {"lower button", report(0x82, 7, 8, 0), 7, 8, 0, 0, 1, 0},
        {"upper button in contact", report(0x85, 7, 8, 9), 7, 8, 9, 0, 1, 1},
        {"position beyond the range", report(0x80, 65535, 30000, 0), 40000, 25000, 0, 0, 1, 0},
        {"tilt beyond 90 degrees", report(0x80, 0, 0, 0, -128, 127), 0, 0, 0, -90, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ZvCapGroup g = sendOne(c.r);
        EXPECT_EQ(g.writes, 1u);
        ASSERT_FALSE(g.events.empty());
        EXPECT_EQ(g.events.back(), (ZvCapEvent{EV_SYN, SYN_REPORT, 0, true}));
        for (const ZvCapEvent& e : g.events)
            EXPECT_TRUE(e.accepted) << e.type << ":" << e.code;
        EXPECT_EQ(g.value(EV_ABS, ABS_X), c.x);
        EXPECT_EQ(g.value(EV_ABS, ABS_Y), c.y);
        EXPECT_EQ(g.value(EV_ABS, ABS_PRESSURE), c.p);
        EXPECT_EQ(g.value(EV_ABS, ABS_TILT_X), c.tiltX);
        EXPECT_EQ(g.value(EV_KEY, BTN_TOOL_PEN), c.tool);
        EXPECT_EQ(g.value(EV_KEY, BTN_TOUCH), c.touch);
        EXPECT_EQ(g.value(EV_KEY, BTN_STYLUS, 0), 0);
        EXPECT_EQ(g.value(EV_KEY, BTN_STYLUS2, 0), 0);
        EXPECT_EQ(g.value(EV_MSC, MSC_SERIAL, 0), -1) << "libinput's \"no serial\"";
    }
}

// What the desktop gets after the input core's filter: every sample of a pen held still is still
// a frame (libinput otherwise takes the pen out of proximity after 50 ms of silence), and the
// away record leaves nothing down, a button a binding pressed on the pen's handle included.
TEST_F(PenDevice, EverySampleReachesTheDesktopAndTheAwayLeavesNothingDown) {
    int fd = 0;
    ASSERT_EQ(init_uinput_pen_test(&fd), 0);
    const HidDataShow hover = report(0x80, 100, 200, 0);
    const HidDataShow still[] = {hover,
                                 hover,
                                 hover,
                                 report(0x81, 100, 200, 900),
                                 report(0x81, 100, 200, 900),
                                 report(0x82, 100, 200, 0)};
    for (const HidDataShow& r : still)
        ASSERT_EQ(send_uinput_pen_event(fd, &r), 0);
    // A binding's right click, as the core writes it while the pen is in range.
    input_event click[2] = {};
    click[0].type = EV_KEY;
    click[0].code = BTN_RIGHT;
    click[0].value = 1;
    click[1].type = EV_SYN;
    ASSERT_EQ(write(fd, click, sizeof click), static_cast<ssize_t>(sizeof click));
    const HidDataShow away = report(0x00, 100, 200, 0);
    ASSERT_EQ(send_uinput_pen_event(fd, &away), 0);
    EXPECT_EQ(exit_uhid(fd), 0);
    _log.read();
    const std::vector<ZvCapGroup> groups = _log.groupsOf(*_log.deviceByFd(fd));
    ASSERT_EQ(groups.size(), std::size(still) + 2);
    std::map<unsigned, int> keys; // what the desktop holds down at the end
    for (size_t i = 0; i < groups.size(); ++i) {
        EXPECT_TRUE(groups[i].delivered()) << "sample " << i;
        for (const ZvCapEvent& e : groups[i].events) {
            if (!e.passes() || e.type != EV_KEY)
                continue;
            keys[e.code] = e.value;
            const bool stylus = e.code == BTN_STYLUS || e.code == BTN_STYLUS2;
            EXPECT_FALSE(stylus && e.value != 0) << "sample " << i << " pressed a stylus button";
        }
    }
    EXPECT_EQ(keys.count(BTN_TOOL_PEN), 1u);
    for (const auto& key : keys)
        EXPECT_EQ(key.second, 0) << "key " << key.first << " outlives the away record";
}

TEST_F(PenDevice, AwayReleasesEverythingAndMovesNothing) {
    const ZvCapGroup g = sendOne(report(0x00, 123, 456, 789));
    EXPECT_FALSE(g.has(EV_ABS, ABS_X));
    EXPECT_FALSE(g.has(EV_ABS, ABS_Y));
    EXPECT_EQ(g.value(EV_ABS, ABS_PRESSURE), 0);
    EXPECT_EQ(g.value(EV_KEY, BTN_TOOL_PEN), 0);
    EXPECT_EQ(g.value(EV_KEY, BTN_TOUCH), 0);
    EXPECT_EQ(g.value(EV_KEY, BTN_STYLUS), 0);
    EXPECT_EQ(g.value(EV_KEY, BTN_STYLUS2), 0);
}

TEST_F(PenDevice, SparesExistWithoutShowingAndGoAgain) {
    int a = 0;
    int b = 0;
    ASSERT_EQ(init_uhid_backup(&a), 0);
    ASSERT_EQ(init_uhid_backup(&b), 0);
    EXPECT_GT(a, 0);
    EXPECT_GT(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(exit_uhid(a), 0);
    EXPECT_EQ(exit_uhid(b), 0);
    EXPECT_FALSE(isOpen(a));
    EXPECT_FALSE(isOpen(b));
    EXPECT_EQ(_log.read(), 0u) << "a spare is not shown to the desktop";
}

TEST_F(PenDevice, FailuresLeaveTheHandleUntouched) {
    const int sentinel = 4242;
    int fd = sentinel;
    EXPECT_EQ(init_uinput_pen_test(nullptr), -22);
    EXPECT_EQ(init_uhid_backup(nullptr), -22);
    setenv("ZV_UINPUTCAP_FAIL", "open", 1);
    EXPECT_EQ(init_uinput_pen_test(&fd), -19);
    EXPECT_EQ(init_uhid_backup(&fd), -19);
    EXPECT_EQ(fd, sentinel);
    setenv("ZV_UINPUTCAP_FAIL", "create", 1);
    EXPECT_EQ(init_uinput_pen_test(&fd), -1);
    EXPECT_EQ(fd, sentinel);
    unsetenv("ZV_UINPUTCAP_FAIL");

    const HidDataShow r = report(0x81, 1, 1, 1);
    EXPECT_EQ(send_uinput_pen_event(0, &r), -22);
    EXPECT_EQ(send_uinput_pen_event(-1, &r), -22);
    int live = 0;
    ASSERT_EQ(init_uinput_pen_test(&live), 0);
    EXPECT_EQ(send_uinput_pen_event(live, nullptr), -22);
    EXPECT_EQ(exit_uhid(live), 0);
    EXPECT_EQ(send_uinput_pen_event(live, &r), -1) << "a closed handle";
    EXPECT_EQ(exit_uhid(0), -22);
    EXPECT_EQ(exit_uhid(-3), -22);
    _log.read();
    EXPECT_TRUE(_log.groups().empty());
}

// Two tablets share the pen device: each sample must reach it whole, never mixed with the
// other tablet's.
TEST_F(PenDevice, TwoWritersNeverInterleave) {
    int fd = 0;
    ASSERT_EQ(init_uinput_pen_test(&fd), 0);
    constexpr int kReports = 2000;
    auto writer = [fd](th_u16 y) {
        for (int i = 0; i < kReports; ++i) {
            const HidDataShow r = report(0x81, static_cast<th_u16>(i % 40000), y, y);
            EXPECT_EQ(send_uinput_pen_event(fd, &r), 0);
        }
    };
    std::thread a(writer, th_u16(1111));
    std::thread b(writer, th_u16(2222));
    a.join();
    b.join();
    exit_uhid(fd);
    _log.read();
    const std::vector<ZvCapGroup> groups = _log.groupsOf(*_log.deviceByFd(fd));
    ASSERT_EQ(groups.size(), 2u * kReports);
    int seen[2] = {0, 0};
    for (const ZvCapGroup& g : groups) {
        ASSERT_EQ(g.writes, 1u);
        ASSERT_EQ(g.events.size(), 9u);
        const int y = g.value(EV_ABS, ABS_Y);
        ASSERT_TRUE(y == 1111 || y == 2222);
        ASSERT_EQ(g.value(EV_ABS, ABS_PRESSURE), y) << "pressure from the same report";
        ++seen[y == 2222];
    }
    EXPECT_EQ(seen[0], kReports);
    EXPECT_EQ(seen[1], kReports);
}

// The pressure axis is shared by tablets of any range.
TEST(PenPressure, EveryTabletRangeReachesFullTravel) {
    for (unsigned maxP = 1023; maxP <= 65535; ++maxP) {
        const th_u16 m = static_cast<th_u16>(maxP);
        ASSERT_EQ(zv_pen_pressure_to_axis(0, m), 0) << maxP;
        ASSERT_EQ(zv_pen_pressure_to_axis(maxP, m), 65535) << maxP;
        ASSERT_EQ(zv_pen_pressure_to_axis(maxP + 1000, m), 65535) << maxP;
        // Half pressure lands in the middle of the axis.
        ASSERT_NEAR(zv_pen_pressure_to_axis(maxP / 2, m), 65535.0 * (maxP / 2) / maxP, 0.5);
    }
}

TEST(PenPressure, EveryTabletLevelStaysDistinct) {
    for (unsigned maxP : {1023u, 1500u, 2047u, 4095u, 8191u, 16383u, 40000u, 65534u, 65535u}) {
        th_u16 last = zv_pen_pressure_to_axis(0, static_cast<th_u16>(maxP));
        for (unsigned p = 1; p <= maxP; ++p) {
            const th_u16 v = zv_pen_pressure_to_axis(p, static_cast<th_u16>(maxP));
            ASSERT_GT(v, last) << "maxP " << maxP << " level " << p;
            last = v;
        }
    }
}

TEST(PenPressure, UnknownRangePassesThrough) {
    EXPECT_EQ(zv_pen_pressure_to_axis(0, 0), 0);
    EXPECT_EQ(zv_pen_pressure_to_axis(1234, 0), 1234);
    EXPECT_EQ(zv_pen_pressure_to_axis(70000, 0), 65535);
}

// The library shows the core exactly its four functions; nothing it carries inside leaks.
TEST(ZervaHidLibrary, ExportsOnlyItsInterface) {
    std::string error;
    const std::set<std::string> symbols = zvtest_defined_dynamic_symbols(ZV_ZERVAHID_PATH, &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(symbols, (std::set<std::string>{"exit_uhid", "init_uhid_backup",
                                              "init_uinput_pen_test", "send_uinput_pen_event"}));
}
