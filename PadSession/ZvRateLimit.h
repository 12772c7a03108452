// A budget for log lines that could otherwise come with every report: a burst, then a few a
// second. Not thread-safe; each user keeps its own.
#pragma once

#include <time.h>

class ZvRateLimit {
public:
    ZvRateLimit(unsigned burst = 16, unsigned perSecond = 2)
        : _burst(burst), _perSecond(perSecond), _tokens(burst) {}

    // True when one more line may be logged now. `suppressed` receives how many were refused
    // since the last allowed one, so the caller can say so.
    bool allow(unsigned* suppressed) {
        const long now = seconds();
        if (now != _second) {
            _second = now;
            if (_tokens < _burst)
                _tokens = _tokens + _perSecond > _burst ? _burst : _tokens + _perSecond;
        }
        if (_tokens == 0) {
            ++_dropped;
            return false;
        }
        --_tokens;
        *suppressed = _dropped;
        _dropped = 0;
        return true;
    }

private:
    static long seconds() {
        struct timespec ts;
        clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
        return static_cast<long>(ts.tv_sec);
    }

    unsigned _burst;
    unsigned _perSecond;
    unsigned _tokens;
    unsigned _dropped = 0;
    long _second = -1;
};
