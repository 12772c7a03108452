// Self messages: delivered on the main thread and already handled when the call returns, also
// when the caller is the main thread itself.
#include "BusHarness.h"
#include "ZvUcApp.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>

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

TEST_F(SelfMsg, FromAnotherThreadIsHandledOnTheMainThreadBeforeReturning) {
    for (th_u64 tag = 1; tag <= 20; ++tag) {
        ZvMsg m = makeMsg(ZVMC_CORE_WHEEL_FORWARD, nullptr);
        m.head.hwnd = tag;
        ASSERT_EQ(zvuc::sendSelf(m), 0);
        // No waiting: it must be there already.
        const auto ev = sink::events();
        ASSERT_EQ(recordsWith(ev, ZVMC_CORE_WHEEL_FORWARD, tag), 1u) << tag;
        for (const SinkEvent& e : ev)
            if (e.value == 0 && e.msg.head.cmd == ZVMC_CORE_WHEEL_FORWARD) {
                EXPECT_EQ(e.thread, mainThreadId());
            }
    }
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

TEST_F(SelfMsg, ManyThreadsAtOnceEachGetTheirRecordHandled) {
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 25; ++i) {
                ZvMsg m = makeMsg(ZVMC_CORE_WHEEL_BACKWARD, nullptr);
                m.head.hwnd = th_u64(1000 + t * 100 + i);
                if (zvuc::sendSelf(m) != 0 ||
                    recordsWith(sink::events(), ZVMC_CORE_WHEEL_BACKWARD, m.head.hwnd) != 1)
                    ++failures;
            }
        });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
}
