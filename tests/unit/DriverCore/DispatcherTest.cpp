// The dispatcher base over a recording transport: the dispatch table, replies built from zero,
// the held-back list, the timers, the worker slots, and its lock against worker call-backs.
#include "ZvCoreNotify.h"
#include "ZvMsgDoer.h"
#include "ZvPadSessionDll.h"
#include "ZvTabletThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::mutex g_selfLock;
std::vector<th_u16> g_self;
// Self messages are handed to the dispatcher on the posting thread before the post returns, as
// the messaging library does on the main thread.
bool g_deliverSelf = false;

class RecordingDoer : public ZvMsgDoer {
public:
    RecordingDoer() : ZvMsgDoer(0x1234) {}
    ~RecordingDoer() override {
        stopJobs();
        free_tablet_thread();
    }

    void sendMsg(ZvMsg& msg) override {
        {
            std::lock_guard<std::mutex> hold(lock);
            sent.push_back(msg);
        }
        if (onSend)
            onSend(msg);
    }
    void startUI() override { ++uiStarts; }
    bool startTimer(unsigned id, unsigned ms) override {
        timers.push_back({id, ms});
        return true;
    }
    void stopTimer(unsigned id) override { stopped.push_back(id); }
    bool restartAsAdmin() override {
        ++restarts;
        return false;
    }
    bool isAdmin() override { return admin; }
    void reqQuitApp() override {}
    bool isUIRunning() override { return uiRunning; }

    std::vector<ZvMsg> sentCopy() {
        std::lock_guard<std::mutex> hold(lock);
        return sent;
    }

    std::mutex lock;
    std::vector<ZvMsg> sent;
    std::vector<std::pair<unsigned, unsigned>> timers;
    std::vector<unsigned> stopped;
    std::function<void(ZvMsg&)> onSend;
    int uiStarts = 0;
    int restarts = 0;
    bool admin = true;
    bool uiRunning = true;
};

ZvMsg ui_msg(th_u16 cmd, const char* model = "") {
    ZvMsg m;
    memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    m.head.pid = 4242;
    strncpy(m.body.sModel, model, sizeof m.body.sModel - 1);
    return m;
}

bool all_zero(const void* p, size_t n) {
    const unsigned char* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) {
        if (b[i] != 0)
            return false;
    }
    return true;
}

bool usb_present(char*) {
    return true;
}

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard<std::mutex> hold(g_selfLock);
        g_self.clear();
        g_deliverSelf = false;
    }
    void TearDown() override { g_handle = G_DLL_FUNC_HANDLE(); }
    RecordingDoer doer;
};

} // namespace

void notify_core_msg(th_u16 cmd) {
    {
        std::lock_guard<std::mutex> hold(g_selfLock);
        g_self.push_back(cmd);
    }
    if (g_deliverSelf)
        g_msgDoer.load()->onMsg(ui_msg(cmd));
}

TEST_F(Dispatcher, InitAsksForTheListTimerAndTheOneShotCheck) {
    EXPECT_EQ(g_msgDoer.load(), &doer);
    ASSERT_TRUE(doer.init());
    ASSERT_EQ(doer.timers.size(), 2u);
    EXPECT_EQ(doer.timers[0], std::make_pair(1u, 100u));
    EXPECT_EQ(doer.timers[1], std::make_pair(5u, 1000u));
}

TEST_F(Dispatcher, TabletListWithoutTabletsIsEmptyAndBuiltFromZero) {
    doer.onMsg(ui_msg(ZVMC_UI_TABLET_NUM, "garbage"));
    const auto sent = doer.sentCopy();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].head.cmd, 0x8002);
    EXPECT_EQ(th_u64{sent[0].head.pid}, static_cast<th_u64>(getpid()));
    EXPECT_EQ(th_u64{sent[0].head.hwnd}, 0x1234u);
    EXPECT_TRUE(all_zero(sent[0].head.pad0, sizeof sent[0].head.pad0));
    EXPECT_TRUE(all_zero(&sent[0].body, sizeof sent[0].body));
    EXPECT_EQ(doer.pidUI(), 4242u);
}

TEST_F(Dispatcher, AdminReplyFollowsIsAdmin) {
    doer.onMsg(ui_msg(ZVMC_UI_IF_ADMIN));
    doer.admin = false;
    doer.onMsg(ui_msg(ZVMC_UI_IF_ADMIN));
    const auto sent = doer.sentCopy();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].head.cmd, 0x8008);
    EXPECT_EQ(sent[0].body.bAdmin, 1);
    EXPECT_EQ(sent[1].body.bAdmin, 0);
}

TEST_F(Dispatcher, ModelAddressedMessagesWithoutAWorkerGetNoReply) {
    for (th_u16 cmd :
         {3, 4, 5, 6, 7, 10, 16, 32, 33, 48, 64, 80, 96, 112, 113, 129, 0x6002, 0x6004})
        doer.onMsg(ui_msg(cmd, "ZVM0640EKB"));
    EXPECT_TRUE(doer.sentCopy().empty());
    EXPECT_TRUE(doer.timers.empty());
}

TEST_F(Dispatcher, RunAsAdminStartsTimerFourWhichStopsItself) {
    doer.onMsg(ui_msg(ZVMC_UI_RUN_AS_ADMIN));
    ASSERT_EQ(doer.timers.size(), 1u);
    EXPECT_EQ(doer.timers[0], std::make_pair(4u, 100u));
    doer.onTimer(4);
    EXPECT_EQ(doer.stopped, std::vector<unsigned>{4});
    EXPECT_EQ(doer.restarts, 1);
}

TEST_F(Dispatcher, StartupCheckActsOnceAndPostsWhatTheLibraryFinds) {
    doer.onTimer(5); // nothing bound: nothing posted
    ASSERT_TRUE(doer.settle(3000));
    g_handle.zvtc_check_usb_dev = usb_present;
    doer.onTimer(5);
    ASSERT_TRUE(doer.settle(3000));
    std::lock_guard<std::mutex> hold(g_selfLock);
    EXPECT_EQ(g_self, std::vector<th_u16>{ZVMC_CORE_USB_ON});
    EXPECT_EQ(doer.stopped, (std::vector<unsigned>{5, 5}));
}

TEST_F(Dispatcher, OnlyMenuMessagesWaitForTheSettingsApplication) {
    doer.uiRunning = false;
    ZvMsgBody body{};
    notify_ui_msg(ZVMC_CORE_SWITCH_DISPLAY, body); // dropped
    notify_ui_msg(ZVMC_CORE_SWITCH_MEK_FUNC, body);
    notify_ui_msg(ZVMC_CORE_FINE_MODE, body);
    EXPECT_EQ(doer.heldBack(), 2u);
    EXPECT_EQ(doer.uiStarts, 2);
    doer.uiRunning = true;
    doer.onTimer(1);
    auto sent = doer.sentCopy();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].head.cmd, ZVMC_CORE_SWITCH_MEK_FUNC);
    // A tablet coming or going makes the rest stale.
    notify_ui_msg(ZVMC_CORE_TABLET_CLOSE, body);
    EXPECT_EQ(doer.heldBack(), 0u);
    doer.onTimer(1);
    sent = doer.sentCopy();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].head.cmd, ZVMC_CORE_TABLET_CLOSE);
}

TEST_F(Dispatcher, NotifyCopiesTheBodyBehindAZeroHead) {
    ZvMsgBody body;
    memset(&body, 0xA5, sizeof body);
    notify_ui_msg(ZVMC_CORE_SWITCH_GAME, body);
    const auto sent = doer.sentCopy();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].head.cmd, ZVMC_CORE_SWITCH_GAME);
    EXPECT_EQ(th_u64{sent[0].head.pid}, static_cast<th_u64>(getpid()));
    EXPECT_EQ(memcmp(&sent[0].body, &body, sizeof body), 0);
}

TEST_F(Dispatcher, AWorkerCallingBackUnderTheLockDoesNotDeadlock) {
    // While onMsg holds the dispatcher, another thread notifies and is waited for, as a worker
    // does when it is started or joined under the lock.
    bool once = true;
    doer.onSend = [&](ZvMsg&) {
        if (!once)
            return;
        once = false;
        std::thread worker([] { notify_ui_msg(ZVMC_CORE_TABLET_OPEN, ZvMsgBody{}); });
        worker.join();
    };
    doer.onMsg(ui_msg(ZVMC_UI_TABLET_NUM));
    const auto sent = doer.sentCopy();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].head.cmd, ZVMC_CORE_TABLET_OPEN);
}

// An open that completes later, on a session that delivers reports and answers by call-back:
// the worker never polls a read, so it runs until its one-second answer watchdog ends it, however
// late the scheduler lets it start.
th_i16 open_pending(PZvTabletOpenPatam p) {
    p->tsfafBits = 0x8 | 0x4;
    return -2;
}

// The probes and the starts wait for the bus and the tablet: they run on the dispatcher's own
// thread, and the timer or message that asked for them returns at once.
TEST_F(Dispatcher, StartUpCheckFillsTheSlotsOffTheCallingThread) {
    g_deliverSelf = true;
    g_handle.zvtc_check_usb_dev = usb_present;
    g_handle.zvtc_open = open_pending;
    doer.onTimer(5);
    ASSERT_TRUE(doer.settle(3000));
    ZvTabletThread* first = g_pt[0].load();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(g_pt[1].load(), nullptr);
    ASSERT_EQ(doer.timers.size(), 1u);
    EXPECT_EQ(doer.timers[0], std::make_pair(2u, 1000u));
    doer.onTimer(2);
    ASSERT_TRUE(doer.settle(3000));
    EXPECT_EQ(g_pt[0].load(), first);
    ZvTabletThread* second = g_pt[1].load();
    ASSERT_NE(second, nullptr);
    // The event found two free slots: two starts, no more.
    doer.onTimer(2);
    ASSERT_TRUE(doer.settle(3000));
    EXPECT_EQ(doer.timers.size(), 1u);
    // Both end by themselves (no answer comes); the next event replaces the dead workers.
    for (ZvTabletThread* t : {first, second})
        for (int i = 0; i < 600 && t->isRunning(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(first->isRunning());
    EXPECT_FALSE(second->isRunning());
    doer.onMsg(ui_msg(ZVMC_CORE_USB_ON));
    ASSERT_TRUE(doer.settle(3000));
    EXPECT_NE(g_pt[0].load(), nullptr);
    EXPECT_EQ(g_pt[1].load(), nullptr);
    EXPECT_EQ(doer.timers.size(), 2u);
    doer.onMsg(ui_msg(ZVMC_UI_QUIT));
    EXPECT_EQ(g_pt[0].load(), nullptr);
    EXPECT_EQ(g_pt[1].load(), nullptr);
    EXPECT_EQ(doer.stopped, (std::vector<unsigned>{5, 2, 2, 1, 2, 4}));
}

// A probe that takes its time (a slow BlueZ) holds up neither the timers nor other messages.
TEST_F(Dispatcher, ASlowProbeHoldsUpNoTimerAndNoMessage) {
    static std::atomic<bool> release{false};
    release = false;
    g_handle.zvtc_check_blz_dev = [](char*) {
        for (int i = 0; i < 500 && !release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return false;
    };
    const auto t0 = std::chrono::steady_clock::now();
    doer.onTimer(5);
    doer.onMsg(ui_msg(ZVMC_UI_IF_ADMIN));
    doer.onTimer(1);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_FALSE(doer.settle(50)) << "the probe did not run";
    release = true;
    EXPECT_TRUE(doer.settle(5000));
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_EQ(doer.sentCopy().size(), 1u);
}

bool usb_absent(char*) {
    return false;
}

// Closing a tablet hands it back to the kernel, which announces a hidraw node again; that, and
// a tablet the core gave back on purpose, is no new tablet. A plug starts a worker only when the
// session library sees a tablet waiting; a Bluetooth announcement is not a USB matter.
TEST_F(Dispatcher, AUsbAnnouncementStartsAWorkerOnlyForATabletWaiting) {
    struct Case {
        th_u16 cmd;
        bool (*usb)(char*);
        bool started;
    };
    const Case cases[] = {
        {ZVMC_CORE_USB_ON, usb_absent, false}, {ZVMC_CORE_USB_ON, usb_present, true},
        {ZVMC_CORE_USB_ON, nullptr, true}, // nothing to ask: as before
        {ZVMC_CORE_BLZ_ON, usb_absent, true},  {ZVMC_CORE_USB_OFF, usb_present, false},
    };
    for (const Case& c : cases) {
        g_handle.zvtc_check_usb_dev = c.usb;
        doer.onMsg(ui_msg(c.cmd));
        ASSERT_TRUE(doer.settle(3000));
        EXPECT_EQ(g_pt[0].load() != nullptr, c.started) << std::hex << c.cmd;
        doer.free_tablet_thread();
    }
}

TEST_F(Dispatcher, ConcurrentSendersKeepTheirOwnOrder) {
    constexpr int kEach = 200;
    std::thread a([] {
        for (int i = 0; i < kEach; ++i) {
            ZvMsgBody b{};
            b.raw[0] = static_cast<th_u8>(i);
            notify_ui_msg(ZVMC_CORE_SWITCH_DISPLAY, b);
        }
    });
    for (int i = 0; i < kEach; ++i)
        doer.onMsg(ui_msg(ZVMC_UI_IF_ADMIN));
    a.join();
    int nextWorker = 0;
    int replies = 0;
    for (const ZvMsg& m : doer.sentCopy()) {
        if (m.head.cmd == ZVMC_CORE_SWITCH_DISPLAY)
            EXPECT_EQ(m.body.raw[0], static_cast<th_u8>(nextWorker++));
        else
            ++replies;
    }
    EXPECT_EQ(nextWorker, kEach);
    EXPECT_EQ(replies, kEach);
}
