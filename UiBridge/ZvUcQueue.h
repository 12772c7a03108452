// The hand-over between the bus side and the library's worker threads: a FIFO that wakes its
// single consumer through a condition, so an idle thread sleeps until there is work or it is
// stopped (no polling).
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

namespace zvuc {

template <class T> class ZvUcQueue {
public:
    // False (and the item dropped) once the queue has been stopped.
    bool push(const T& item) {
        {
            std::lock_guard<std::mutex> lock(_mu);
            if (_stopped)
                return false;
            _items.push_back(item);
        }
        _cv.notify_one();
        return true;
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

private:
    std::mutex _mu;
    std::condition_variable _cv;
    std::deque<T> _items;
    bool _stopped = false;
};

} // namespace zvuc
