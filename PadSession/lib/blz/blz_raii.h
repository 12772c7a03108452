// Owners for the sd-bus objects and descriptors of the client, declared once.
#pragma once

#include <systemd/sd-bus.h>

#include <memory>
#include <unistd.h>

struct BlzBusUnref {
    // flush_close_unref: a connection dropped with calls still queued sends them first.
    void operator()(sd_bus* b) const { (void)sd_bus_flush_close_unref(b); }
};
struct BlzMessageUnref {
    void operator()(sd_bus_message* m) const { (void)sd_bus_message_unref(m); }
};
struct BlzSlotUnref {
    void operator()(sd_bus_slot* s) const { (void)sd_bus_slot_unref(s); }
};

using BlzBus = std::unique_ptr<sd_bus, BlzBusUnref>;
using BlzMessage = std::unique_ptr<sd_bus_message, BlzMessageUnref>;
using BlzSlot = std::unique_ptr<sd_bus_slot, BlzSlotUnref>;

// sd_bus_error has no destructor of its own.
class BlzError {
public:
    BlzError() = default;
    ~BlzError() { sd_bus_error_free(&_e); }
    BlzError(const BlzError&) = delete;
    BlzError& operator=(const BlzError&) = delete;
    sd_bus_error* get() { return &_e; }
    const char* message() const { return _e.message ? _e.message : "(no message)"; }
    bool is(const char* name) const { return sd_bus_error_has_name(&_e, name) > 0; }

private:
    sd_bus_error _e = SD_BUS_ERROR_NULL;
};

class BlzFd {
public:
    BlzFd() = default;
    explicit BlzFd(int fd) : _fd(fd) {}
    ~BlzFd() { reset(); }
    BlzFd(BlzFd&& o) noexcept : _fd(o._fd) { o._fd = -1; }
    BlzFd& operator=(BlzFd&& o) noexcept {
        if (this != &o) {
            reset();
            _fd = o._fd;
            o._fd = -1;
        }
        return *this;
    }
    BlzFd(const BlzFd&) = delete;
    BlzFd& operator=(const BlzFd&) = delete;
    int get() const { return _fd; }
    void reset() {
        if (_fd >= 0)
            (void)::close(_fd);
        _fd = -1;
    }

private:
    int _fd = -1;
};
