#include "UsbIpTrace.h"

#include <chrono>
#include <fcntl.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

namespace usbipsim {

int64_t monotonic_ns() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

Trace::Trace(const std::string& path) {
    if (path.empty())
        return;
    _file.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (_file.get() < 0)
        fprintf(stderr, "usbipsim: cannot write trace %s\n", path.c_str());
}

void Trace::add(const std::string& line, int64_t stampNs) {
    std::lock_guard<std::mutex> lock(_m);
    _lines.push_back(line);
    if (_file.get() >= 0) {
        const int64_t ns = stampNs >= 0 ? stampNs : monotonic_ns();
        char stamp[40];
        const int n = snprintf(stamp, sizeof stamp, "%lld.%06lld ", (long long)(ns / 1000000000),
                               (long long)(ns % 1000000000 / 1000));
        const std::string out = std::string(stamp, size_t(n)) + line + "\n";
        // One write per line keeps lines whole when another process appends to the same file.
        (void)!::write(_file.get(), out.data(), out.size());
    }
    _cv.notify_all();
}

size_t Trace::size() const {
    std::lock_guard<std::mutex> lock(_m);
    return _lines.size();
}

std::vector<std::string> Trace::lines() const {
    std::lock_guard<std::mutex> lock(_m);
    return _lines;
}

long Trace::waitFor(const std::string& prefix, size_t fromLine, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(_m);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t i = fromLine;
    for (;;) {
        for (; i < _lines.size(); ++i)
            if (_lines[i].compare(0, prefix.size(), prefix) == 0)
                return long(i);
        if (timeoutMs < 0)
            _cv.wait(lock);
        else if (_cv.wait_until(lock, deadline) == std::cv_status::timeout && i >= _lines.size())
            return -1;
    }
}

size_t Trace::count(const std::string& prefix) const {
    std::lock_guard<std::mutex> lock(_m);
    size_t n = 0;
    for (const std::string& l : _lines)
        n += l.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
}

} // namespace usbipsim
