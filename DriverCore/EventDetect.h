// Hot-plug detection: a thread that reads the kernel's uevents from a netlink socket and posts a
// self message when a hidraw node of the maker's vendor id comes or goes, and, in a foreground
// run, a one-second timer that notices when the machine was asleep. Neither starts workers: the
// dispatcher does, on the main thread, when the self message arrives.
#pragma once

#include "ZvType.h"
#include "ZvUniqueFd.h"

#include <atomic>
#include <pthread.h>
#include <stdint.h>

// 1 while the dispatcher exists and the event loop runs; the watcher runs while it is set.
extern std::atomic<uint8_t> g_run_flag;

// The self message a uevent calls for (0x6001..0x6004), or 0 when it is not about a hidraw node
// of vendor 7D3A. Only the first string of buf (action@devpath) is looked at.
th_u16 zv_classify_uevent(const char* buf);
// Classifies, logs and posts. Returns the code posted, or 0.
th_u16 check_do_command(const char* buf);

// One resume-detection tick at wall-clock time nowMs: true (and 0x6001 is due) when more than
// two seconds passed since the previous tick. *lastMs is the previous tick, 0 before the first.
bool zv_resume_tick(int64_t nowMs, int64_t* lastMs);

// The one-second resume check of this process: 0 when it runs (or already ran), -1 when its
// thread cannot start. Stopping joins it; only the process that started it stops it.
int zv_start_detection_timer();
void zv_stop_detection_timer();
bool zv_detection_timer_running();

class EventDetect {
public:
    // Starts the resume-detection timer (startTimer false: tests without it).
    explicit EventDetect(bool startTimer = true);
    // Stops the watcher thread and the timer.
    ~EventDetect();
    EventDetect(const EventDetect&) = delete;
    EventDetect& operator=(const EventDetect&) = delete;

    // Starts the watcher and returns once it has its socket. False when the thread cannot start.
    bool start_detect();
    // Ends the watcher (after g_run_flag was cleared it leaves at once) and joins it.
    void stop_detect();
    // The uevents handled so far (tests).
    unsigned eventsSeen() const { return _seen.load(); }

    // The uevent socket's receive buffer: room for the bursts of a plug with a slow reader.
    static constexpr int kUeventBufferBytes = 256 * 1024;

private:
    static void* detect(void* self);
    void loop();

    int m_handle = -1;
    pthread_t m_tid{};
    pthread_barrier_t m_barrier;
    // Wakes the watcher's poll when it must stop, so it needs no periodic time-out.
    ZvUniqueFd _wake;
    std::atomic<unsigned> _seen{0};
};
