#include "ZvEvent.h"
#include "ZvLock.h"
#include "ZvPLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sys/sem.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

namespace {

long ms_since(Clock::time_point t) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

} // namespace

TEST(ZvEvent, TimesOutWhenNobodyWakes) {
    ZvEvent ev;
    auto t = Clock::now();
    EXPECT_TRUE(ev.wait(1500));
    const long took = ms_since(t);
    EXPECT_GE(took, 1490);
    EXPECT_LT(took, 2500);
}

TEST(ZvEvent, WakeupEndsTheWaitEarly) {
    ZvEvent ev;
    std::atomic<bool> waiting{false};
    std::thread waker([&] {
        while (!waiting)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ev.wakeup();
    });
    auto t = Clock::now();
    waiting = true;
    EXPECT_FALSE(ev.wait(5000));
    EXPECT_LT(ms_since(t), 2000);
    waker.join();
}

TEST(ZvEvent, WaitWithoutDeadlineEndsOnWakeup) {
    ZvEvent ev;
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        EXPECT_FALSE(ev.wait(0));
        done = true;
    });
    // Keep waking until the waiter has seen one: a wake-up before it waits is lost.
    while (!done) {
        ev.wakeup();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    waiter.join();
}

TEST(ZvEvent, WakeupWithNobodyWaitingIsLost) {
    ZvEvent ev;
    ev.wakeup();
    EXPECT_TRUE(ev.wait(30));
}

TEST(ZvLock, ExcludesOtherThreads) {
    ZvLock lock;
    long counter = 0;
    auto bump = [&] {
        for (int i = 0; i < 100000; ++i) {
            ASSERT_EQ(lock.lock(), 0);
            ++counter;
            ASSERT_EQ(lock.unlock(), 0);
        }
    };
    std::thread a(bump), b(bump);
    a.join();
    b.join();
    EXPECT_EQ(counter, 200000);
}

TEST(ZvPLock, ExcludesAnotherProcess) {
    char path[] = "/tmp/zvplock.XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        ZvPLock lock(path);
        if (!lock.valid())
            GTEST_SKIP() << "no System V semaphores here";
        ASSERT_EQ(lock.lock(), 0);
        int pipefd[2];
        ASSERT_EQ(pipe(pipefd), 0);
        pid_t child = fork();
        if (child == 0) {
            // The child joins the same semaphore without resetting it, then blocks on it.
            int sid = semget(ftok(path, 2), 1, 0);
            sembuf op{0, -1, SEM_UNDO};
            semop(sid, &op, 1);
            char c = 'x';
            (void)write(pipefd[1], &c, 1);
            _exit(0);
        }
        close(pipefd[1]);
        // While the parent holds the lock the child cannot get it.
        struct timeval tv {
            0, 200000
        };
        fd_set set;
        FD_ZERO(&set);
        FD_SET(pipefd[0], &set);
        EXPECT_EQ(select(pipefd[0] + 1, &set, nullptr, nullptr, &tv), 0);
        ASSERT_EQ(lock.unlock(), 0);
        char c;
        EXPECT_EQ(read(pipefd[0], &c, 1), 1);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        close(pipefd[0]);
    }
    unlink(path);
}
