// One evdev node of the guest, read back through libevdev as a desktop's input stack reads it:
// the node is found by its device name, events carry CLOCK_MONOTONIC stamps (the clock of the
// USB/IP server and of the tests), and a thread of its own collects them until destruction.
#pragma once

#include "EventLog.h"

#include <stdint.h>
#include <string>
#include <utility>
#include <vector>

struct libevdev;

struct ZvEvdevEvent {
    int64_t ns = 0; // CLOCK_MONOTONIC
    uint16_t type = 0;
    uint16_t code = 0;
    int32_t value = 0;
};

class ZvEvdevReader {
public:
    ZvEvdevReader() = default;
    ~ZvEvdevReader();
    ZvEvdevReader(const ZvEvdevReader&) = delete;
    ZvEvdevReader& operator=(const ZvEvdevReader&) = delete;

    // The /dev/input/eventN node of the input device with this name (or, with `prefix`, a name
    // that starts with it), waiting up to ms for it; "" when none appears.
    static std::string findNode(const std::string& name, int ms, bool prefix = false);
    // Opens the node and starts reading. False with reason() on failure.
    bool open(const std::string& node);
    const std::string& node() const { return _node; }
    const std::string& reason() const { return _reason; }
    bool hasCode(unsigned type, unsigned code) const;
    // The range of an absolute axis (0, 0 when the node has none).
    int absMin(unsigned code) const;
    int absMax(unsigned code) const;

    // Every event so far (SYN_REPORT included), waiting and clearing: see ZvEventLog.
    ZvEventLog<ZvEvdevEvent>& log() { return _log; }

private:
    void drain();

    std::string _node;
    std::string _reason;
    int _fd = -1;
    libevdev* _dev = nullptr;
    ZvEventLog<ZvEvdevEvent> _log;
    ZvFdWatcher _watch;
};

// The key events (EV_KEY code and value) among events, in order.
std::vector<std::pair<int, int>> zv_key_events(const std::vector<ZvEvdevEvent>& events);
