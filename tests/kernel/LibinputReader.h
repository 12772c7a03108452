// What a desktop's compositor or X input driver makes of the guest's input devices: a libinput
// context on seat0 through udev (so udev's properties decide what each device is, as on a
// desktop), read on a thread of its own. Each event is kept as a small record.
#pragma once

#include "EventLog.h"

#include <string>
#include <vector>

struct libinput;
struct udev;

struct ZvLiEvent {
    int type = 0; // enum libinput_event_type
    std::string device;
    std::string sysname; // of the device's node, "event4"
    unsigned caps = 0;   // device added: 1 << each enum libinput_device_capability it has
    uint64_t usec = 0;
    // Tablet tool events: position in screen pixels of the screen size given to start(), the
    // normalised pressure, the tip state (1 down) and proximity (1 in).
    double x = 0, y = 0, pressure = 0;
    int tip = -1;
    int proximity = -1;
    // Buttons and keys: the code and 1 pressed / 0 released.
    unsigned code = 0;
    int state = -1;
};

class ZvLibinputReader {
public:
    ZvLibinputReader() = default;
    ~ZvLibinputReader();
    ZvLibinputReader(const ZvLibinputReader&) = delete;
    ZvLibinputReader& operator=(const ZvLibinputReader&) = delete;

    // Builds the context, assigns seat0 and starts reading. Positions are transformed to a
    // screen of width x height pixels. False with reason() on failure.
    bool start(int width, int height);
    const std::string& reason() const { return _reason; }

    // Waits up to ms until libinput holds the input device of this name that is there now (the
    // core replaces its pen device, so an earlier one of the same name does not count) with
    // this capability (enum libinput_device_capability).
    bool waitDevice(const std::string& name, int capability, int ms);

    ZvEventLog<ZvLiEvent>& log() { return _log; }

private:
    void drain();

    udev* _udev = nullptr;
    libinput* _li = nullptr;
    int _width = 0;
    int _height = 0;
    std::string _reason;
    ZvEventLog<ZvLiEvent> _log;
    ZvFdWatcher _watch;
};

// Readable name of an event type, for failure messages.
const char* zv_li_type_name(int type);
