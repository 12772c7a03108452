// What the guest's readers share: a log of the events a reader thread collected, for the test
// thread to look at and wait on, and the reader thread itself, which wakes only when its
// descriptor has something to read or when it is told to stop.
#pragma once

#include <chrono>
#include <condition_variable>
#include <errno.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <stdint.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

template <typename Event> class ZvEventLog {
public:
    using Events = std::vector<Event>;

    void add(Event e) {
        std::lock_guard<std::mutex> g(_lock);
        _events.push_back(std::move(e));
        _cv.notify_all();
    }
    Events all() const {
        std::lock_guard<std::mutex> g(_lock);
        return _events;
    }
    // Waits until pred holds for the events so far, up to ms; the events either way.
    Events waitUntil(const std::function<bool(const Events&)>& pred, int ms) {
        std::unique_lock<std::mutex> g(_lock);
        (void)_cv.wait_for(g, std::chrono::milliseconds(ms), [&] { return pred(_events); });
        return _events;
    }
    void clear() {
        std::lock_guard<std::mutex> g(_lock);
        _events.clear();
    }

private:
    mutable std::mutex _lock;
    std::condition_variable _cv;
    Events _events;
};

// Calls onReadable on a thread of its own whenever fd is readable, until stop() (or the
// destructor), or until fd fails or hangs up.
class ZvFdWatcher {
public:
    ZvFdWatcher() = default;
    ~ZvFdWatcher() { stop(); }
    ZvFdWatcher(const ZvFdWatcher&) = delete;
    ZvFdWatcher& operator=(const ZvFdWatcher&) = delete;

    bool start(int fd, std::function<void()> onReadable) {
        _stop = eventfd(0, EFD_CLOEXEC);
        if (_stop < 0)
            return false;
        _thread = std::thread([this, fd, onReadable] {
            pollfd fds[2] = {{fd, POLLIN, 0}, {_stop, POLLIN, 0}};
            for (;;) {
                if (poll(fds, 2, -1) < 0) {
                    if (errno == EINTR)
                        continue;
                    return;
                }
                if (fds[1].revents != 0 || (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
                    return;
                onReadable();
            }
        });
        return true;
    }
    // Joins the thread: once it returns, onReadable runs no more.
    void stop() {
        if (_thread.joinable()) {
            const uint64_t one = 1;
            (void)!write(_stop, &one, sizeof one);
            _thread.join();
        }
        if (_stop >= 0)
            close(_stop);
        _stop = -1;
    }

private:
    int _stop = -1;
    std::thread _thread;
};
