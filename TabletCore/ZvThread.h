// The thread base of the core's workers: init once, run repeatedly, uninit once, on a POSIX
// thread that its owner stops by clearing the run flag and joining.
#pragma once

#include <atomic>
#include <pthread.h>
#include <stdint.h>

class ZvThread {
public:
    ZvThread();
    virtual ~ZvThread();
    ZvThread(const ZvThread&) = delete;
    ZvThread& operator=(const ZvThread&) = delete;

    // Starts the thread and returns once it has run init(); false when it could not be created.
    // A failed init still counts as started: the thread then runs straight to uninit() and ends.
    bool start(const char* callFuncName);
    // Asks the loop to stop; it does so after the current run() returns.
    ZvThread& reqQuit();
    // reqQuit, then joins. Safe to call twice, on a thread never started, and from the thread
    // itself (which then only asks to stop).
    void waitQuit();
    // True from a successful start until the thread function has finished.
    bool isRunning() const { return m_running.load(std::memory_order_acquire); }
    void suspend() {}
    // Wakes a run() that waits for work; reqQuit calls it so that a stop takes effect at once.
    virtual void resume() {}

    // waitQuit, delete and null the pointer.
    static void zero(ZvThread** ppt);

protected:
    virtual bool init() { return true; }
    virtual void uninit() {}
    // One unit of work; a run that blocks (a device read with a time-out) sets the pace.
    virtual void run() = 0;

    // 1 while the thread should keep calling run; run() may clear it to end the thread itself.
    std::atomic<int64_t> m_runFlag{0};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_reqQuit{false};
    int m_handle = 0;
    pthread_t m_tid{};
    bool m_started = false;
    pthread_barrier_t m_barrier;

private:
    static void* threadFunc(void* arg);
};
