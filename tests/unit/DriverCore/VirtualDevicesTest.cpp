// The core's virtual keyboard, mouse and pen handles, over the uinput capture.
#include "DeviceFixture.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace {

class VirtualDevices : public DeviceFixture {};

bool isOpen(int fd) {
    return fcntl(fd, F_GETFD) != -1;
}

std::set<unsigned> range(unsigned first, unsigned last) {
    std::set<unsigned> out;
    for (unsigned c = first; c <= last; ++c)
        out.insert(c);
    return out;
}

} // namespace

TEST_F(VirtualDevices, KeyboardAndMouseCarryTheirExactIdentity) {
    createAll();
    const ZvCapDevice* kbd = deviceOf(g_g.gFdKbd);
    ASSERT_NE(kbd, nullptr);
    EXPECT_EQ(kbd->name, "Zerva keyboard");
    EXPECT_EQ(kbd->bus, 3u);
    EXPECT_EQ(kbd->vendor, 0x7d3au);
    EXPECT_EQ(kbd->product, 0xffffu);
    EXPECT_EQ(kbd->version, 0u);
    EXPECT_EQ(kbd->ev, (std::set<unsigned>{EV_KEY}));
    EXPECT_EQ(kbd->key, range(0, 248));
    EXPECT_TRUE(kbd->rel.empty());

    const ZvCapDevice* mouse = deviceOf(g_g.gFdMouse);
    ASSERT_NE(mouse, nullptr);
    EXPECT_EQ(mouse->name, "Zerva mouse");
    EXPECT_EQ(mouse->bus, 3u);
    EXPECT_EQ(mouse->vendor, 0x7d3au);
    EXPECT_EQ(mouse->product, 0xeeeeu);
    EXPECT_EQ(mouse->version, 0u);
    EXPECT_EQ(mouse->ev, (std::set<unsigned>{EV_KEY, EV_REL}));
    EXPECT_EQ(mouse->key, range(272, 275));
    EXPECT_EQ(mouse->rel, (std::set<unsigned>{REL_X, REL_Y, REL_WHEEL}));
}

TEST_F(VirtualDevices, WritersSendOneStampedGroupPerRecord) {
    createAll();
    timeval before;
    gettimeofday(&before, nullptr);
    EXPECT_EQ(zerva_send_key_event(KEY_S, 1), 0);
    EXPECT_EQ(zerva_send_mouse_input(BTN_RIGHT, 1), 0);
    EXPECT_EQ(zerva_send_mouse_wheel_input(REL_WHEEL, -1), 0);

    const std::vector<ZvCapGroup> kbd = groups(g_g.gFdKbd);
    ASSERT_EQ(kbd.size(), 2u);
    // The scan code first; the keyboard does not declare EV_MSC, so the kernel drops it.
    EXPECT_EQ(kbd[0].events, (std::vector<ZvCapEvent>{{EV_MSC, MSC_SCAN, KEY_S, false},
                                                      {EV_SYN, SYN_REPORT, 0, true}}));
    EXPECT_EQ(kbd[1].events,
              (std::vector<ZvCapEvent>{{EV_KEY, KEY_S, 1, true}, {EV_SYN, SYN_REPORT, 0, true}}));
    const std::vector<ZvCapGroup> mouse = groups(g_g.gFdMouse);
    ASSERT_EQ(mouse.size(), 2u);
    EXPECT_EQ(mouse[0].events, (std::vector<ZvCapEvent>{{EV_KEY, BTN_RIGHT, 1, true},
                                                        {EV_SYN, SYN_REPORT, 0, true}}));
    EXPECT_EQ(mouse[1].events, (std::vector<ZvCapEvent>{{EV_REL, REL_WHEEL, -1, true},
                                                        {EV_SYN, SYN_REPORT, 0, true}}));
    for (const auto* list : {&kbd, &mouse}) {
        for (const ZvCapGroup& g : *list) {
            EXPECT_EQ(g.writes, 1u);
            // Stamped with the wall clock of the moment of writing.
            EXPECT_GE(g.tvSec, before.tv_sec);
            EXPECT_LE(g.tvSec, before.tv_sec + 5);
        }
    }
}

TEST_F(VirtualDevices, ButtonEventsReachThePenDeviceOnlyWhenItExists) {
    createAll();
    EXPECT_EQ(zerva_send_mouse_input_to_pen(BTN_MIDDLE, 1), 0);
    const std::vector<ZvCapGroup> pen = groups(g_g.gFdUhid);
    ASSERT_EQ(pen.size(), 1u);
    EXPECT_EQ(pen[0].events, (std::vector<ZvCapEvent>{{EV_KEY, BTN_MIDDLE, 1, true},
                                                      {EV_SYN, SYN_REPORT, 0, true}}));
    zerva_pen_event_exit();
    const size_t before = _log.groups().size();
    EXPECT_LT(zerva_send_mouse_input_to_pen(BTN_MIDDLE, 0), 0);
    _log.read();
    EXPECT_EQ(_log.groups().size(), before);
}

TEST_F(VirtualDevices, NothingIsWrittenWithoutDevices) {
    // Handles 0 must never be written: 0 is the core's standard input.
    EXPECT_LT(zerva_send_key_event(KEY_A, 1), 0);
    EXPECT_LT(zerva_send_mouse_input(BTN_LEFT, 1), 0);
    EXPECT_LT(zerva_send_mouse_wheel_input(REL_WHEEL, 1), 0);
    EXPECT_LT(zerva_send_mouse_input_to_pen(BTN_LEFT, 1), 0);
    g_g.gFdKbd = -1;
    EXPECT_LT(zerva_send_key_event(KEY_A, 1), 0);
    EXPECT_EQ(_log.read(), 0u);
}

TEST_F(VirtualDevices, DevicesThatCannotBeMadeLeaveNoHandle) {
    for (const char* failure : {"open", "create"}) {
        SCOPED_TRACE(failure);
        setenv("ZV_UINPUTCAP_FAIL", failure, 1);
        EXPECT_FALSE(zerva_keybroad_input_init());
        EXPECT_FALSE(zerva_mouse_input_init());
        EXPECT_FALSE(zerva_pen_event_init());
        EXPECT_EQ(g_g.gFdKbd.load(), 0);
        EXPECT_EQ(g_g.gFdMouse.load(), 0);
        EXPECT_EQ(g_g.gFdUhid.load(), 0);
    }
    EXPECT_EQ(_log.read(), 0u);
}

TEST_F(VirtualDevices, PenInitMakesTwoSparesAndTheActiveDevice) {
    ASSERT_TRUE(zerva_pen_event_init());
    const int spare0 = g_g.gFdUhid_0;
    const int spare1 = g_g.gFdUhid_1;
    const int active = g_g.gFdUhid;
    EXPECT_GT(spare0, 0);
    EXPECT_GT(spare1, 0);
    EXPECT_GT(active, 0);
    EXPECT_EQ((std::set<int>{spare0, spare1, active}).size(), 3u);
    _log.read();
    ASSERT_EQ(_log.devices().size(), 1u) << "only the active device is shown";
    EXPECT_EQ(_log.devices()[0].name, "Zerva pen");

    zerva_pen_event_exit();
    for (int fd : {spare0, spare1, active})
        EXPECT_FALSE(isOpen(fd)) << fd;
    EXPECT_EQ(g_g.gFdUhid_0.load() | g_g.gFdUhid_1.load() | g_g.gFdUhid.load(), 0);
    _log.read();
    EXPECT_TRUE(_log.devices()[0].destroyed);
}

TEST_F(VirtualDevices, ReloadMakesTheNewPenBeforeTheOldGoes) {
    ASSERT_TRUE(zerva_pen_event_init());
    const int old = g_g.gFdUhid;
    ASSERT_TRUE(zerva_reload_uhid_pen_event());
    const int now = g_g.gFdUhid;
    EXPECT_GT(now, 0);
    _log.read();
    ASSERT_EQ(_log.devices().size(), 2u);
    const ZvCapDevice& first = _log.devices()[0];
    const ZvCapDevice& second = _log.devices()[1];
    EXPECT_EQ(first.fd, old);
    EXPECT_EQ(second.fd, now);
    EXPECT_TRUE(first.destroyed);
    EXPECT_FALSE(second.destroyed);
    EXPECT_LT(second.createdNs, first.destroyedNs) << "the desktop always has a pen device";
}

TEST_F(VirtualDevices, FailedReloadKeepsTheWorkingPen) {
    ASSERT_TRUE(zerva_pen_event_init());
    const int old = g_g.gFdUhid;
    setenv("ZV_UINPUTCAP_FAIL", "create", 1);
    EXPECT_FALSE(zerva_reload_uhid_pen_event());
    EXPECT_EQ(g_g.gFdUhid.load(), old);
    EXPECT_TRUE(isOpen(old));
    _log.read();
    ASSERT_EQ(_log.devices().size(), 1u);
    EXPECT_FALSE(_log.devices()[0].destroyed);
}

TEST_F(VirtualDevices, SecondExitClosesNothing) {
    ASSERT_TRUE(zerva_keybroad_input_init());
    const int kbd = g_g.gFdKbd;
    zerva_keybroad_input_exit();
    EXPECT_FALSE(isOpen(kbd));
    // The descriptor number is free again and goes to the next file opened; the shutdown's
    // second keyboard exit must not close that file.
    const int other = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    zerva_keybroad_event_exit();
    zerva_mouse_input_exit();
    zerva_mouse_rel_event_exit();
    zerva_mouse_abs_event_exit();
    zerva_pen_event_exit();
    EXPECT_TRUE(isOpen(other));
    close(other);
}

TEST_F(VirtualDevices, NoRelativeEventDeviceWithoutInputDevices) {
    if (access("/dev/input", F_OK) == 0)
        GTEST_SKIP() << "this machine has input devices";
    EXPECT_EQ(getEventNum(EV_REL), -1);
    EXPECT_FALSE(zerva_mouse_rel_event_init());
    EXPECT_EQ(g_g.gFdRelMouse.load(), 0);
}

// Workers of two tablets and the main thread write to the same devices at once.
TEST_F(VirtualDevices, GroupsOfConcurrentWritersNeverInterleave) {
    createAll();
    constexpr int kRounds = 1000;
    auto worker = [](int key, int button) {
        for (int i = 0; i < kRounds; ++i) {
            EXPECT_EQ(zerva_send_key_event(key, i & 1), 0);
            EXPECT_EQ(zerva_send_mouse_input_to_pen(button, i & 1), 0);
        }
    };
    std::thread a(worker, KEY_A, BTN_LEFT);
    std::thread b(worker, KEY_B, BTN_RIGHT);
    a.join();
    b.join();
    std::map<int, int> perKey;
    for (const std::atomic<int>* slot : {&g_g.gFdKbd, &g_g.gFdUhid}) {
        for (const ZvCapGroup& g : groups(*slot)) {
            ASSERT_EQ(g.writes, 1u);
            ASSERT_EQ(g.events.size(), 2u);
            ASSERT_EQ(g.events[1], (ZvCapEvent{EV_SYN, SYN_REPORT, 0, true}));
            // A scan record carries its key as its value.
            const ZvCapEvent& e = g.events[0];
            ++perKey[e.type * 1000 + (e.type == EV_MSC ? e.value : e.code)];
        }
    }
    EXPECT_EQ(perKey[EV_MSC * 1000 + KEY_A], kRounds);
    EXPECT_EQ(perKey[EV_KEY * 1000 + KEY_A], kRounds);
    EXPECT_EQ(perKey[EV_KEY * 1000 + KEY_B], kRounds);
    EXPECT_EQ(perKey[EV_KEY * 1000 + BTN_LEFT], kRounds);
    EXPECT_EQ(perKey[EV_KEY * 1000 + BTN_RIGHT], kRounds);
}
