#include "ZvThread.h"
#include "ZvLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

void quiet(int, const char*, va_list) {}

class Worker : public ZvThread {
public:
    explicit Worker(bool initOk) : _initOk(initOk) {}
    ~Worker() override { waitQuit(); }
    std::atomic<int> inits{0}, runs{0}, uninits{0};
    std::atomic<bool> initDoneBeforeStartReturned{false};
    // When set, run() blocks until released.
    std::atomic<bool> blockInRun{false};
    std::atomic<bool> inRun{false};
    std::atomic<int> stopAfterRuns{-1};

    void release() {
        std::lock_guard<std::mutex> g(_m);
        _released = true;
        _cv.notify_all();
    }

protected:
    bool init() override {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++inits;
        return _initOk;
    }
    void uninit() override { ++uninits; }
    void run() override {
        ++runs;
        if (stopAfterRuns >= 0 && runs >= stopAfterRuns)
            m_runFlag = 0; // a worker may end itself, as when its device goes away
        if (blockInRun) {
            inRun = true;
            std::unique_lock<std::mutex> l(_m);
            _cv.wait(l, [&] { return _released; });
        }
    }

private:
    bool _initOk;
    std::mutex _m;
    std::condition_variable _cv;
    bool _released = false;
};

bool eventually(const std::function<bool()>& cond, int ms = 2000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class ZvThreadTest : public ::testing::Test {
protected:
    void SetUp() override { zv_set_log_handler(&quiet); }
    void TearDown() override { zv_set_log_handler(nullptr); }
};

} // namespace

TEST_F(ZvThreadTest, StartReturnsAfterInitAndRunsUntilStopped) {
    Worker w(true);
    EXPECT_FALSE(w.isRunning());
    ASSERT_TRUE(w.start("test"));
    EXPECT_EQ(w.inits, 1) << "start returns only after init";
    EXPECT_TRUE(w.isRunning());
    EXPECT_TRUE(eventually([&] { return w.runs > 3; }));
    w.waitQuit();
    EXPECT_FALSE(w.isRunning());
    EXPECT_EQ(w.uninits, 1);
    const int runs = w.runs;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(w.runs, runs) << "no run after waitQuit";
}

TEST_F(ZvThreadTest, FailedInitSkipsRunButCallsUninit) {
    Worker w(false);
    EXPECT_TRUE(w.start("test")) << "the thread was created";
    EXPECT_TRUE(eventually([&] { return !w.isRunning(); }));
    EXPECT_EQ(w.runs, 0);
    EXPECT_EQ(w.uninits, 1);
    w.waitQuit();
    EXPECT_EQ(w.uninits, 1);
}

TEST_F(ZvThreadTest, StopWhileRunBlocksWaitsForRunToReturn) {
    Worker w(true);
    w.blockInRun = true;
    ASSERT_TRUE(w.start("test"));
    ASSERT_TRUE(eventually([&] { return w.inRun.load(); }));
    std::atomic<bool> joined{false};
    std::thread stopper([&] {
        w.waitQuit();
        joined = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(joined) << "waitQuit returned while run() was still blocked";
    EXPECT_TRUE(w.isRunning());
    w.release();
    stopper.join();
    EXPECT_TRUE(joined);
    EXPECT_EQ(w.runs, 1) << "the loop tests the flag before the next run";
    EXPECT_EQ(w.uninits, 1);
}

TEST_F(ZvThreadTest, WaitQuitTwiceAndOnANeverStartedThread) {
    Worker idle(true);
    idle.waitQuit(); // must not join anything
    idle.waitQuit();
    EXPECT_FALSE(idle.isRunning());

    Worker w(true);
    ASSERT_TRUE(w.start("test"));
    w.waitQuit();
    w.waitQuit();
    EXPECT_EQ(w.uninits, 1);
}

TEST_F(ZvThreadTest, RunMayEndTheThreadItself) {
    Worker w(true);
    w.stopAfterRuns = 3;
    ASSERT_TRUE(w.start("test"));
    EXPECT_TRUE(eventually([&] { return !w.isRunning(); }));
    EXPECT_EQ(w.runs, 3);
    EXPECT_EQ(w.uninits, 1);
}

TEST_F(ZvThreadTest, DestructorJoinsAFinishedThread) {
    // Under ThreadSanitizer a thread that is never joined is reported as a leak.
    auto w = std::make_unique<Worker>(false);
    ASSERT_TRUE(w->start("test"));
    EXPECT_TRUE(eventually([&] { return !w->isRunning(); }));
    w.reset();
}

TEST_F(ZvThreadTest, ZeroStopsDeletesAndNulls) {
    auto* w = new Worker(true);
    ASSERT_TRUE(w->start("test"));
    ZvThread* p = w;
    ZvThread::zero(&p);
    EXPECT_EQ(p, nullptr);
    ZvThread::zero(&p); // null is fine
    ZvThread::zero(nullptr);
}
