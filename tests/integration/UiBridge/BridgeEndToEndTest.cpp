// The shipped libuibridge.so.1.0.0 as the core runs it: bound by path through the core's binding,
// its event loop on the main thread, a stand-in of the settings application on a private bus.
#include "ZvDBusDaemon.h"
#include "ZvMsgSender.h"
#include "ZvUiBridgeDll.h"
#include "ZvUiPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string kLib = std::string(ZV_DIST_DIR) + "/libs/libuibridge.so.1.0.0";
// The dispatcher's 100 ms timer, asked for before the loop runs.
const int kTimerId = 1;

struct Event {
    int value;
    ZvMsg msg;
    std::thread::id thread;
    long long sender; // the sender's uid as the binding states it for the call, -1 for none
};

std::mutex g_mu;
std::condition_variable g_cv;
std::vector<Event> g_events;
std::thread::id g_main;
ZvDBusDaemon* g_bus = nullptr;

void onEvent(int size, const char* data, int value) {
    Event e{value, ZvMsg(), std::this_thread::get_id(), -1};
    uid_t sender = 0;
    if (zv_msg_sender_uid(&sender))
        e.sender = sender;
    if (value == 0 && data != nullptr && size >= int(sizeof(ZvMsg)))
        std::memcpy(&e.msg, data, sizeof e.msg);
    {
        std::lock_guard<std::mutex> lock(g_mu);
        g_events.push_back(e);
    }
    g_cv.notify_all();
}

// The first event that matches, waiting up to timeoutMs for it.
bool waitEvent(th_u16 cmd, int value, Event* out, int timeoutMs) {
    std::unique_lock<std::mutex> lock(g_mu);
    return g_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const Event& e : g_events)
            if (e.value == value && (value != 0 || e.msg.head.cmd == cmd)) {
                *out = e;
                return true;
            }
        return false;
    });
}

ZvMsg makeMsg(th_u16 cmd, const char* model) {
    ZvMsg m;
    std::memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    if (model != nullptr)
        std::strncpy(m.body.sModel, model, sizeof m.body.sModel - 1);
    return m;
}

class Bridge : public ::testing::Test {
protected:
    void SetUp() override {
        ZV_DBUS_OR_SKIP(*g_bus);
        ASSERT_NE(g_uc_handle.uidll, nullptr);
    }
};

} // namespace

TEST_F(Bridge, TimerAskedBeforeTheLoopTicksOnTheMainThread) {
    Event e{};
    ASSERT_TRUE(waitEvent(0, kTimerId, &e, 5000));
    EXPECT_EQ(e.thread, g_main);
    EXPECT_EQ(e.sender, -1);
}

TEST_F(Bridge, RecordsBothWaysThroughTheSharedLibrary) {
    ZvUiPeer ui;
    ASSERT_TRUE(ui.waitCoreName(5000));
    ASSERT_TRUE(ui.claimName());

    ZvMsg ask = makeMsg(ZVMC_UI_TABLET_INFO, "ABC");
    ask.head.pid = 1; // claimed; the core is told the bus's answer
    ASSERT_TRUE(ui.callCore(ask));
    Event got{};
    ASSERT_TRUE(waitEvent(ZVMC_UI_TABLET_INFO, 0, &got, 5000));
    EXPECT_STREQ(got.msg.body.sModel, "ABC");
    const th_u64 pid = got.msg.head.pid; // packed field: compare a copy
    EXPECT_EQ(pid, th_u64(getpid()));
    // The dispatcher learns the desktop user from this, not from the record's pid.
    EXPECT_EQ(got.sender, static_cast<long long>(getuid()));

    ZvMsg reply = makeMsg(ZVMC_REPLY | ZVMC_UI_TABLET_INFO, nullptr);
    reply.body.tc.tc.maxX = 40000;
    std::strcpy(reply.body.tc.tc.sModel, "ABC");
    ASSERT_EQ(zvuc_send_msg(&reply), 0);
    const auto calls = ui.waitCalls(1, 5000);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].signature, QStringLiteral("(ay)"));
    EXPECT_EQ(std::memcmp(calls[0].wire.constData(), &reply, sizeof reply), 0);
    ASSERT_TRUE(ui.releaseName());
}

TEST_F(Bridge, SelfMessageIsHandledOnTheMainThread) {
    ZvMsg m = makeMsg(ZVMC_CORE_USB_ON, nullptr);
    ASSERT_EQ(zvuc_send_self_msg(&m), 0);
    Event e{};
    ASSERT_TRUE(waitEvent(ZVMC_CORE_USB_ON, 0, &e, 5000));
    EXPECT_EQ(e.thread, g_main);
    EXPECT_EQ(e.sender, -1) << "a self message has no sender";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ZvDBusDaemon bus;
    g_bus = &bus;
    g_main = std::this_thread::get_id();
    if (!bus.available())
        return RUN_ALL_TESTS();
    if (zvuc_dll_load_path(kLib.c_str()) != 1) {
        fprintf(stderr, "cannot bind %s\n", kLib.c_str());
        return 1;
    }
    if (zvuc_init_call(onEvent, nullptr, nullptr) != 0)
        return 1;
    (void)zvuc_start_timer(kTimerId, 100);

    int rc = 1;
    std::thread tests([&] {
        // The loop runs once the timer asked for before it ticks.
        Event first{};
        if (waitEvent(0, kTimerId, &first, 10000))
            rc = RUN_ALL_TESTS();
        else
            fprintf(stderr, "the event loop did not start\n");
        (void)zvuc_stop_qt_app();
    });
    const int loop = zvuc_start_qt_app(argc, argv);
    tests.join();
    (void)zvuc_uninit();
    // The library stays loaded: Qt cannot be unloaded from a process that ran it.
    return loop == 0 ? rc : 1;
}
