// The driver on a real kernel: a tablet the kernel enumerated over USB/IP, opened through
// hidapi's libusb back end, and the virtual devices as evdev and libinput see them.
#include "KernelFixture.h"

#include <libinput.h>
#include <linux/input.h>

#include <algorithm>
#include <cmath>
#include <signal.h>
#include <thread>

namespace {

using tabletsim::Bytes;
using tabletsim::kPenBelow;
using tabletsim::kPenHover;
using tabletsim::kPenTip;

void play(usbipsim::Server& t, const std::vector<Bytes>& reports, int periodUs = 5000) {
    for (const Bytes& r : reports) {
        ASSERT_TRUE(t.inject(0, r));
        std::this_thread::sleep_for(std::chrono::microseconds(periodUs));
    }
}

size_t count_of(const std::vector<ZvLiEvent>& ev, int type) {
    return static_cast<size_t>(
        std::count_if(ev.begin(), ev.end(), [&](const ZvLiEvent& e) { return e.type == type; }));
}

std::string describe(const std::vector<ZvLiEvent>& ev) {
    std::string s;
    for (const ZvLiEvent& e : ev)
        s += std::string(zv_li_type_name(e.type)) + " " + e.device + " code " +
             std::to_string(e.code) + " state " + std::to_string(e.state) + " x " +
             std::to_string(e.x) + " p " + std::to_string(e.pressure) + "\n";
    return s;
}

} // namespace

class KernelTier : public KernelTest {};

// The hot-plug road end to end: the kernel's uevent of the new hidraw node wakes the waiting
// core, which opens the tablet through libusb (the kernel's usbhid lets go of the interface),
// identifies it over control transfers and tells the settings application.
TEST_F(KernelTier, PluggedTabletIsOpenedOverTheUsbStack) {
    startCoreReady();
    plug(tabletScenario());
    ZvMsg open;
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000, &open)) << output();
    EXPECT_STREQ(open.body.tabletOpen.sModel, kModel);
    const long model = tablet->trace().waitFor("feature-get 0 201 ", 0, 0);
    const long params = tablet->trace().waitFor("feature-get 0 200 ", 0, 0);
    ASSERT_GE(model, 0) << traceText();
    EXPECT_GT(params, model) << "the model is asked before the parameters";
    EXPECT_GE(tablet->trace().waitFor("string 1 ok", 0, 0), 0) << traceText();
    EXPECT_GE(tablet->trace().waitFor("open 0", 0, 5000), 0) << "nobody reads the tablet's reports";
}

// A stroke as the desktop's input stack sees it: libinput takes the virtual pen for a tablet
// tool, and the stroke arrives in order, where the pen was, with the pressure rising. libinput
// decides contact by pressure and smooths positions over its last few events, so the tip events
// carry a sample's own position and the motion between them trails the pen by a few samples.
TEST_F(KernelTier, StrokeReachesLibinputWithRisingPressure) {
    ZvLibinputReader li;
    ASSERT_TRUE(li.start(kScreenW, kScreenH)) << li.reason();
    startCoreReady();
    plug(tabletScenario());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000)) << output();
    ASSERT_TRUE(li.waitDevice("Zerva pen", LIBINPUT_DEVICE_CAP_TABLET_TOOL, 10000))
        << "libinput did not take the virtual pen for a tablet\n"
        << describe(li.log().all());

    const int n = 40;
    auto xAt = [](int i) { return 5080 + i * 1000; };
    auto yAt = [](int i) { return 6350 + i * 500; };
    auto px = [](int x) { return static_cast<double>(x) / kMaxX * kScreenW; };
    auto py = [](int y) { return static_cast<double>(y) / kMaxY * kScreenH; };
    std::vector<Bytes> stroke{pen_at(kPenHover, xAt(0), yAt(0))};
    for (int i = 0; i < n; ++i)
        stroke.push_back(
            pen_at(kPenHover | kPenTip, xAt(i), yAt(i), static_cast<uint16_t>(200 + i * 200)));
    stroke.push_back(pen_at(kPenHover, xAt(n), yAt(n)));
    play(*tablet, stroke);
    const auto ev = li.log().waitUntil(
        [](const std::vector<ZvLiEvent>& e) {
            return std::count_if(e.begin(), e.end(), [](const ZvLiEvent& x) {
                       return x.type == LIBINPUT_EVENT_TABLET_TOOL_TIP && x.tip == 0;
                   }) > 0;
        },
        10000);

    // In proximity, tip down, axis events, tip up: in this order.
    std::vector<ZvLiEvent> tool;
    for (const ZvLiEvent& e : ev)
        if (e.device == "Zerva pen" && e.type != LIBINPUT_EVENT_DEVICE_ADDED &&
            e.type != LIBINPUT_EVENT_DEVICE_REMOVED)
            tool.push_back(e);
    ASSERT_FALSE(tool.empty()) << describe(ev);
    EXPECT_EQ(tool.front().type, LIBINPUT_EVENT_TABLET_TOOL_PROXIMITY) << describe(ev);
    EXPECT_EQ(tool.front().proximity, 1) << describe(ev);
    auto down = std::find_if(tool.begin(), tool.end(), [](const ZvLiEvent& e) {
        return e.type == LIBINPUT_EVENT_TABLET_TOOL_TIP && e.tip == 1;
    });
    auto up = std::find_if(tool.begin(), tool.end(), [](const ZvLiEvent& e) {
        return e.type == LIBINPUT_EVENT_TABLET_TOOL_TIP && e.tip == 0;
    });
    ASSERT_TRUE(down != tool.end() && up != tool.end() && down < up) << describe(ev);

    // The whole tablet covers the only monitor: a point of the tablet is that fraction of it.
    // Contact starts at one of the first samples and ends where the pen was lifted.
    int first = -1;
    for (int i = 0; i < 6 && first < 0; ++i)
        if (std::abs(down->x - px(xAt(i))) < 1.5 && std::abs(down->y - py(yAt(i))) < 1.5)
            first = i;
    EXPECT_GE(first, 0) << "contact began away from the stroke's first samples\n" << describe(ev);
    EXPECT_NEAR(up->x, px(xAt(n)), 1.5) << describe(ev);
    EXPECT_NEAR(up->y, py(yAt(n)), 1.5) << describe(ev);
    double lastX = down->x, lastP = down->pressure;
    size_t moves = 0;
    for (auto it = down + 1; it < up; ++it) {
        if (it->type != LIBINPUT_EVENT_TABLET_TOOL_AXIS)
            continue;
        EXPECT_GE(it->x, lastX) << describe(ev);
        EXPECT_GE(it->pressure, lastP) << describe(ev);
        lastX = it->x;
        lastP = it->pressure;
        ++moves;
    }
    EXPECT_GE(moves, static_cast<size_t>(n - 8)) << describe(ev);
    // The last motion trails the last sample by less than the smoothing's few samples.
    EXPECT_LE(lastX, px(xAt(n - 1)) + 1.5) << describe(ev);
    EXPECT_GE(lastX, px(xAt(n - 5))) << describe(ev);
    EXPECT_GT(lastP, down->pressure + 0.5) << "the pressure did not rise";
}

// A lower barrel button press is the binding's click, once, and nothing the desktop would turn
// into a second click: no stylus button beside it. The click goes to the pen device while the
// pen is near (libinput reports a tool button) and to the mouse otherwise; the pen approaches
// first, as a real one does, sending hover reports at its rate.
TEST_F(KernelTier, LowerBarrelButtonIsOneRightClick) {
    ZvLibinputReader li;
    ASSERT_TRUE(li.start(kScreenW, kScreenH)) << li.reason();
    startCoreReady();
    plug(tabletScenario());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000)) << output();
    std::vector<Bytes> reports;
    for (int i = 0; i < 6; ++i)
        reports.push_back(pen_at(kPenHover, 20000, 15000));
    for (int i = 0; i < 6; ++i)
        reports.push_back(pen_at(kPenHover | kPenBelow, 20000, 15000));
    for (int i = 0; i < 6; ++i)
        reports.push_back(pen_at(kPenHover, 20000, 15000));
    play(*tablet, reports);
    auto released = [](const std::vector<ZvLiEvent>& e) {
        return std::count_if(e.begin(), e.end(), [](const ZvLiEvent& x) {
                   return (x.type == LIBINPUT_EVENT_POINTER_BUTTON ||
                           x.type == LIBINPUT_EVENT_TABLET_TOOL_BUTTON) &&
                          x.state == 0;
               }) > 0;
    };
    (void)li.log().waitUntil(released, 5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // anything that follows late
    std::vector<std::pair<unsigned, int>> buttons;
    for (const ZvLiEvent& e : li.log().all())
        if (e.type == LIBINPUT_EVENT_POINTER_BUTTON || e.type == LIBINPUT_EVENT_TABLET_TOOL_BUTTON)
            buttons.emplace_back(e.code, e.state);
    const std::vector<std::pair<unsigned, int>> one{{BTN_RIGHT, 1}, {BTN_RIGHT, 0}};
    EXPECT_EQ(buttons, one) << describe(li.log().all());
}

// An express key bound to Undo types Ctrl+Z on the virtual keyboard, as evdev and libinput see.
TEST_F(KernelTier, ExpressKeyBoundToUndoTypesCtrlZ) {
    ZvLibinputReader li;
    ASSERT_TRUE(li.start(kScreenW, kScreenH)) << li.reason();
    startCoreReady();
    ZvEvdevReader kbd;
    openEvdev(kbd, "Zerva keyboard");
    plug(tabletScenario());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000)) << output();
    play(*tablet, {tabletsim::keys_report(0x02), tabletsim::keys_report(0)}, 50000);
    const std::vector<std::pair<int, int>> ctrlZ{
        {KEY_LEFTCTRL, 1}, {KEY_Z, 1}, {KEY_Z, 0}, {KEY_LEFTCTRL, 0}};
    const auto keys = zv_key_events(kbd.log().waitUntil(
        [](const std::vector<ZvEvdevEvent>& e) { return zv_key_events(e).size() >= 4; }, 5000));
    EXPECT_EQ(keys, ctrlZ);
    const auto ev = li.log().waitUntil(
        [](const std::vector<ZvLiEvent>& e) {
            return count_of(e, LIBINPUT_EVENT_KEYBOARD_KEY) >= 4;
        },
        5000);
    std::vector<std::pair<int, int>> seen;
    for (const ZvLiEvent& e : ev)
        if (e.type == LIBINPUT_EVENT_KEYBOARD_KEY)
            seen.emplace_back(static_cast<int>(e.code), e.state);
    EXPECT_EQ(seen, ctrlZ) << describe(ev);
}

// Unplugging ends the worker; plugging in again opens the tablet again.
TEST_F(KernelTier, UnplugEndsTheWorkerAndAReplugOpensAgain) {
    startCoreReady();
    plug(tabletScenario());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000)) << output();
    tablet->detach();
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_CLOSE, 0, 10000)) << output();
    ASSERT_GE(tablet->attach(), 0);
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 1, 20000)) << output();
}

// Closing the tablet hands the interface back to the kernel, which announces a "new" hidraw
// node: neither the core's own close nor a start-up that fails may turn into a loop of opens.
// Unplugged and plugged in again, the tablet is a new one and is served.
TEST_F(KernelTier, TheCoresOwnCloseOpensNothingNewUntilAReplug) {
    startCoreReady();
    plug(tabletScenario());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000)) << output();
    // Message 1: the settings application went; the core closes its tablets and waits.
    ASSERT_TRUE(ui->send(ZVMC_UI_QUIT)) << ui->lastError();
    ASSERT_GE(tablet->trace().waitFor("feature-get 0 205 ", 0, 5000), 0) << traceText();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    EXPECT_EQ(commandCount(201), 1) << traceText();
    EXPECT_EQ(ui->count(ZVMC_CORE_TABLET_OPEN), 1u);

    tablet->detach();
    ASSERT_GE(tablet->attach(), 0);
    EXPECT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 1, 20000)) << output();
}

TEST_F(KernelTier, AFailingStartUpIsNotRetriedUntilAReplug) {
    startCoreReady();
    // A tablet that does not say which model it is: its start-up fails every time.
    plug(tabletScenario("  feature 201 stall\n"));
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const int tries = commandCount(201);
    EXPECT_GE(tries, 1) << "the core never tried the tablet\n" << output();
    EXPECT_LE(tries, 2) << traceText();
    EXPECT_EQ(ui->count(ZVMC_CORE_TABLET_OPEN), 0u);

    tablet->detach();
    ASSERT_GE(tablet->attach(), 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (commandCount(201) == tries && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GT(commandCount(201), tries) << "the tablet plugged in again was not tried\n"
                                        << output();
}

// SIGUSR1 hands the tablet back to its own mode (command 205) and the core exits cleanly.
TEST_F(KernelTier, Sigusr1HandsTheTabletBackAndExitsZero) {
    startCoreReady();
    plug(tabletScenario());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000)) << output();
    ASSERT_EQ(kill(core, SIGUSR1), 0);
    EXPECT_EQ(waitExit(core, 15000), 0) << output();
    EXPECT_EQ(commandCount(205), 1) << traceText();
}
