// The simulated device's record of what happened, one event a line, as the hidapi stand-in keeps
// it: in memory for tests that wait for a line, and optionally in a file with CLOCK_MONOTONIC
// stamps for people and for tests in another process.
#pragma once

#include "ZvUniqueFd.h"

#include <condition_variable>
#include <mutex>
#include <stdint.h>
#include <string>
#include <vector>

namespace usbipsim {

class Trace {
public:
    // path empty: memory only. A file that cannot be opened is reported on stderr and skipped.
    explicit Trace(const std::string& path = std::string());

    // Records one line stamped now, or at stampNs (CLOCK_MONOTONIC) when it is not negative.
    void add(const std::string& line, int64_t stampNs = -1);

    size_t size() const;
    std::vector<std::string> lines() const;
    // The index of the first line at fromLine or later that starts with prefix, waiting up to
    // timeoutMs for it (negative: no limit); -1 when none came.
    long waitFor(const std::string& prefix, size_t fromLine, int timeoutMs) const;
    // How many lines start with prefix.
    size_t count(const std::string& prefix) const;

private:
    mutable std::mutex _m;
    mutable std::condition_variable _cv;
    std::vector<std::string> _lines;
    ZvUniqueFd _file;
};

int64_t monotonic_ns();

} // namespace usbipsim
