// The hand-over between the bus side and the library's worker threads: a FIFO that wakes its
// single consumer through a condition, so an idle thread sleeps until there is work or it is
// stopped (no polling).
#pragma once

#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <stddef.h>

namespace zvuc {

enum class ZvUcPush { Queued, Full, Stopped };

template <class T> class ZvUcQueue {
public:
    // At most limit items wait at a time: a producer that outruns the consumer is refused rather
    // than growing the process without end.
    explicit ZvUcQueue(size_t limit = std::numeric_limits<size_t>::max()) : _limit(limit) {}

    // Full (the item dropped) while limit items wait; Stopped once the queue has been stopped.
    ZvUcPush push(const T& item) {
        {
            std::lock_guard<std::mutex> lock(_mu);
            if (_stopped)
                return ZvUcPush::Stopped;
            if (_items.size() >= _limit)
                return ZvUcPush::Full;
            _items.push_back(item);
        }
        _cv.notify_one();
        return ZvUcPush::Queued;
    }

    // Waits for the oldest item; false once stopped (items still queued are dropped then).
    bool pop(T* out) {
        std::unique_lock<std::mutex> lock(_mu);
        _cv.wait(lock, [this] { return _stopped || !_items.empty(); });
        if (_stopped)
            return false;
        *out = _items.front();
        _items.pop_front();
        return true;
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(_mu);
            _stopped = true;
            _items.clear();
        }
        _cv.notify_all();
    }

    size_t size() {
        std::lock_guard<std::mutex> lock(_mu);
        return _items.size();
    }

private:
    const size_t _limit;
    std::mutex _mu;
    std::condition_variable _cv;
    std::deque<T> _items;
    bool _stopped = false;
};

} // namespace zvuc
