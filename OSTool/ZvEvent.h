// A wake-up event with a timed wait. A wake-up that comes while nobody waits is lost.
#pragma once

#include <pthread.h>

class ZvEvent {
public:
    ZvEvent();
    ~ZvEvent();
    ZvEvent(const ZvEvent&) = delete;
    ZvEvent& operator=(const ZvEvent&) = delete;

    // Waits for a wake-up, at most ms milliseconds (0: without a deadline). Returns true only
    // when the wait timed out, false when it was woken.
    bool wait(unsigned ms);
    // Wakes one waiter.
    void wakeup();

private:
    pthread_mutex_t _mutex;
    pthread_cond_t _cond;
    // Counts wake-ups, so that a spurious return of the condition wait is not taken for one.
    unsigned long _generation = 0;
};
