// The dispatcher's timers: queued before the loop, started with it, delivered on the main thread
// as (0, null, ID), restarted and stopped from other threads.
#include "BusHarness.h"
#include "ZvUcTimers.h"

#include <gtest/gtest.h>

namespace {

size_t ticks(const std::vector<SinkEvent>& ev, int id) {
    size_t n = 0;
    for (const SinkEvent& e : ev)
        n += e.value == id;
    return n;
}

class Timers : public ::testing::Test {
protected:
    void SetUp() override { ZV_DBUS_OR_SKIP(privateBus()); }
};

} // namespace

TEST_F(Timers, TimerQueuedBeforeTheLoopRepeatsOnTheMainThread) {
    const size_t before = ticks(sink::events(), kEarlyTimerId);
    ASSERT_TRUE(sink::waitUntil(
        [&](const auto& ev) { return ticks(ev, kEarlyTimerId) >= before + 3; }, 5000));
    for (const SinkEvent& e : sink::events()) {
        if (e.value != kEarlyTimerId)
            continue;
        EXPECT_EQ(e.size, 0);
        EXPECT_FALSE(e.hasData);
        EXPECT_EQ(e.thread, mainThreadId());
    }
    EXPECT_EQ(zvuc::requestStopTimer(kEarlyTimerId), 1);
    EXPECT_EQ(zvuc::requestStopTimer(kEarlyTimerId), 0);
}

TEST_F(Timers, StartFromAnotherThreadAndRestartReplacesTheTimer) {
    const int id = 11;
    ASSERT_EQ(zvuc::requestStartTimer(id, 10), 0);
    ASSERT_TRUE(sink::waitUntil([&](const auto& ev) { return ticks(ev, id) >= 3; }, 5000));
    // The same ID again with a long period: the 10 ms timer is gone.
    ASSERT_EQ(zvuc::requestStartTimer(id, 60000), 0);
    const size_t after = ticks(sink::events(), id);
    // Nothing may arrive; waiting for a tick that must not come is the check.
    EXPECT_FALSE(sink::waitUntil([&](const auto& ev) { return ticks(ev, id) > after + 1; }, 300));
    EXPECT_EQ(zvuc::requestStopTimer(id), 1);
    EXPECT_EQ(zvuc::requestStopTimer(id), 0);
}

TEST_F(Timers, StoppedTimerDeliversNothingMore) {
    const int id = 12;
    ASSERT_EQ(zvuc::requestStartTimer(id, 5), 0);
    ASSERT_TRUE(sink::waitUntil([&](const auto& ev) { return ticks(ev, id) >= 2; }, 5000));
    ASSERT_EQ(zvuc::requestStopTimer(id), 1);
    const size_t after = ticks(sink::events(), id);
    EXPECT_FALSE(sink::waitUntil([&](const auto& ev) { return ticks(ev, id) > after + 1; }, 200));
}

TEST_F(Timers, BadRequestsAreRefused) {
    EXPECT_EQ(zvuc::requestStopTimer(99), 0);
    EXPECT_EQ(zvuc::requestStartTimer(0, 100), -1);
    EXPECT_EQ(zvuc::requestStartTimer(-3, 100), -1);
    EXPECT_EQ(zvuc::requestStartTimer(13, -1), -1);
    EXPECT_EQ(zvuc::requestStopTimer(13), 0);
}
