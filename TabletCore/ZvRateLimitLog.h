// A budget for log lines that could come with every report: at most `perSecond` lines a second.
// Lock-free, so the report path never waits for it.
#pragma once

#include <atomic>
#include <time.h>

class ZvRateLimitLog {
public:
    explicit ZvRateLimitLog(unsigned perSecond = 4) : _perSecond(perSecond) {}

    bool allow() {
        struct timespec ts;
        clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
        const long now = static_cast<long>(ts.tv_sec);
        long seen = _second.load(std::memory_order_relaxed);
        if (seen != now && _second.compare_exchange_strong(seen, now))
            _count.store(0, std::memory_order_relaxed);
        return _count.fetch_add(1, std::memory_order_relaxed) < _perSecond;
    }

private:
    unsigned _perSecond;
    std::atomic<long> _second{0};
    std::atomic<unsigned> _count{0};
};
