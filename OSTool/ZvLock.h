// A plain mutex of the core.
#pragma once

#include <pthread.h>

class ZvLock {
public:
    ZvLock() { pthread_mutex_init(&_mutex, nullptr); }
    ~ZvLock() { pthread_mutex_destroy(&_mutex); }
    ZvLock(const ZvLock&) = delete;
    ZvLock& operator=(const ZvLock&) = delete;

    // Both return the pthread result (0 on success).
    int lock() { return pthread_mutex_lock(&_mutex); }
    int unlock() { return pthread_mutex_unlock(&_mutex); }

private:
    pthread_mutex_t _mutex;
};
