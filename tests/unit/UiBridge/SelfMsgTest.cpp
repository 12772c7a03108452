// Self messages: delivered on the main thread in the order they were sent; a caller on another
// thread never waits for the main thread, and the main thread itself handles its own at once.
#include "BusHarness.h"
#include "ZvUcApp.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <future>

namespace {

size_t recordsWith(const std::vector<SinkEvent>& ev, th_u16 cmd, th_u64 tag) {
    size_t n = 0;
    for (const SinkEvent& e : ev)
        n += e.value == 0 && e.msg.head.cmd == cmd && e.msg.head.hwnd == tag;
    return n;
}

class SelfMsg : public ::testing::Test {
protected:
    void SetUp() override { ZV_DBUS_OR_SKIP(privateBus()); }
};

} // namespace

// The tags of the records with cmd, in the order they were handled.
std::vector<th_u64> tagsOf(const std::vector<SinkEvent>& ev, th_u16 cmd) {
    std::vector<th_u64> tags;
    for (const SinkEvent& e : ev)
        if (e.value == 0 && e.msg.head.cmd == cmd)
            tags.push_back(e.msg.head.hwnd);
    return tags;
}

TEST_F(SelfMsg, FromAnotherThreadIsHandledOnTheMainThreadInOrder) {
    sink::clear();
    std::vector<th_u64> sent;
    for (th_u64 tag = 1; tag <= 20; ++tag) {
        ZvMsg m = makeMsg(ZVMC_CORE_WHEEL_FORWARD, nullptr);
        m.head.hwnd = tag;
        ASSERT_EQ(zvuc::sendSelf(m), 0);
        sent.push_back(tag);
    }
    ASSERT_TRUE(sink::waitUntil(
        [](const std::vector<SinkEvent>& ev) {
            return tagsOf(ev, ZVMC_CORE_WHEEL_FORWARD).size() >= 20;
        },
        5000));
    const auto ev = sink::events();
    EXPECT_EQ(tagsOf(ev, ZVMC_CORE_WHEEL_FORWARD), sent);
    for (const SinkEvent& e : ev)
        if (e.value == 0 && e.msg.head.cmd == ZVMC_CORE_WHEEL_FORWARD) {
            EXPECT_EQ(e.thread, mainThreadId());
        }
}

// A report thread posting a wheel step while the main thread waits for something (at quit: for
// that very thread to end) must go on at once.
TEST_F(SelfMsg, NeverWaitsForABusyMainThread) {
    sink::clear();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [released] { released.wait(); }, Qt::QueuedConnection);
    auto call = std::async(std::launch::async, [] {
        ZvMsg m = makeMsg(ZVMC_CORE_WHEEL_BACKWARD, nullptr);
        m.head.hwnd = 4242;
        return zvuc::sendSelf(m);
    });
    const bool returned = call.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    const size_t handledWhileBusy = tagsOf(sink::events(), ZVMC_CORE_WHEEL_BACKWARD).size();
    release.set_value();
    EXPECT_TRUE(returned) << "the caller waited for the main thread";
    EXPECT_EQ(call.get(), 0);
    EXPECT_EQ(handledWhileBusy, 0u);
    EXPECT_TRUE(sink::waitUntil(
        [](const std::vector<SinkEvent>& ev) {
            return tagsOf(ev, ZVMC_CORE_WHEEL_BACKWARD) == std::vector<th_u64>{4242};
        },
        5000));
}

TEST_F(SelfMsg, FromTheMainThreadDoesNotDeadlock) {
    std::atomic<int> rc{-99};
    std::atomic<size_t> seenAtReturn{0};
    ZvMsg m = makeMsg(ZVMC_CORE_USB_ON, nullptr);
    m.head.hwnd = 777;
    // Runs on the main thread, as the dispatcher's start-up check does.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            rc = zvuc::sendSelf(m);
            seenAtReturn = recordsWith(sink::events(), ZVMC_CORE_USB_ON, 777);
        },
        Qt::BlockingQueuedConnection);
    EXPECT_EQ(rc.load(), 0);
    EXPECT_EQ(seenAtReturn.load(), 1u);
}

TEST_F(SelfMsg, ManyThreadsAtOnceEachGetTheirRecordsHandledInTheirOrder) {
    sink::clear();
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 25; ++i) {
                ZvMsg m = makeMsg(ZVMC_CORE_WHEEL_BACKWARD, nullptr);
                m.head.hwnd = th_u64(1000 + t * 100 + i);
                if (zvuc::sendSelf(m) != 0)
                    ++failures;
            }
        });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
    ASSERT_TRUE(sink::waitUntil(
        [](const std::vector<SinkEvent>& ev) {
            return tagsOf(ev, ZVMC_CORE_WHEEL_BACKWARD).size() >= 100;
        },
        5000));
    const auto tags = tagsOf(sink::events(), ZVMC_CORE_WHEEL_BACKWARD);
    ASSERT_EQ(tags.size(), 100u);
    th_u64 last[4] = {0, 0, 0, 0};
    for (th_u64 tag : tags) {
        const int t = static_cast<int>((tag - 1000) / 100);
        ASSERT_TRUE(t >= 0 && t < 4) << tag;
        EXPECT_GT(tag, last[t]) << "out of order";
        last[t] = tag;
    }
}
