// The owner of one file descriptor: closes it when it goes out of scope, unless released.
#pragma once

#include <unistd.h>

class ZvUniqueFd {
public:
    ZvUniqueFd() = default;
    explicit ZvUniqueFd(int fd) : _fd(fd) {}
    ~ZvUniqueFd() { reset(); }
    ZvUniqueFd(ZvUniqueFd&& other) noexcept : _fd(other.release()) {}
    ZvUniqueFd& operator=(ZvUniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ZvUniqueFd(const ZvUniqueFd&) = delete;
    ZvUniqueFd& operator=(const ZvUniqueFd&) = delete;

    int get() const { return _fd; }
    // The core treats descriptor 0 as "not open" (its standard input is /dev/null), so 0 does
    // not count as a usable descriptor either; it is still closed.
    bool usable() const { return _fd > 0; }
    // Hands the descriptor to the caller, who closes it from now on.
    int release() {
        const int fd = _fd;
        _fd = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (_fd >= 0)
            (void)::close(_fd);
        _fd = fd;
    }

private:
    int _fd = -1;
};
