#include "ZvEvent.h"

#include <errno.h>
#include <time.h>

ZvEvent::ZvEvent() {
    pthread_mutex_init(&_mutex, nullptr);
    // Deadlines on the monotonic clock, so that setting the wall clock does not stretch a wait.
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&_cond, &attr);
    pthread_condattr_destroy(&attr);
}

ZvEvent::~ZvEvent() {
    pthread_cond_destroy(&_cond);
    pthread_mutex_destroy(&_mutex);
}

bool ZvEvent::wait(unsigned ms) {
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }

    pthread_mutex_lock(&_mutex);
    const unsigned long start = _generation;
    bool timedOut = false;
    while (_generation == start) {
        int rc = ms == 0 ? pthread_cond_wait(&_cond, &_mutex)
                         : pthread_cond_timedwait(&_cond, &_mutex, &deadline);
        if (rc == ETIMEDOUT) {
            timedOut = _generation == start;
            break;
        }
    }
    pthread_mutex_unlock(&_mutex);
    return timedOut;
}

void ZvEvent::wakeup() {
    pthread_mutex_lock(&_mutex);
    ++_generation;
    pthread_mutex_unlock(&_mutex);
    pthread_cond_signal(&_cond);
}
