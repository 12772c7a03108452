// One emulated /dev/uinput handle of the capture: what the program declared about its device, the
// state the input core keeps of it and the event group being written. Everything the kernel would
// take from the handle is turned into lines of the capture log (README.md beside this file
// describes them).
#pragma once

#include <linux/input.h>
#include <linux/uinput.h>

#include <bitset>
#include <stddef.h>
#include <string>
#include <vector>

class CapDevice {
public:
    CapDevice(int fd, unsigned serial) : _fd(fd), _serial(serial) {}

    // A uinput request; `failCreate` makes UI_DEV_CREATE fail the way a kernel without room for
    // another input device would. Returns 0 (or the request's non-negative result) or -errno.
    int ioctl(unsigned long request, void* arg, bool failCreate, std::string& out);
    // Bytes written to the handle: the legacy setup record before creation, whole input events
    // after it. Finished event groups are appended to `out` as lines. Returns size or -errno.
    long write(const void* buf, size_t size, std::string& out);
    // The handle is closed: an unfinished group is logged as it stands, then the device goes.
    void close(std::string& out);

private:
    // How the input core disposes of one event (the marks of the log).
    enum class Fate : char { Passed = 0, Undeclared = '!', Filtered = '~' };

    bool accepts(const input_event& ev) const;
    // Whether the input core hands a declared event on, updating the state it keeps.
    bool passes(const input_event& ev);
    void appendDevLine(std::string& out) const;
    void appendGroupLine(std::string& out);
    void appendDelLine(std::string& out) const;

    int _fd;
    unsigned _serial;
    bool _created = false;
    bool _setupDone = false;
    input_id _id{};
    std::string _name;
    std::bitset<EV_CNT> _ev;
    std::bitset<KEY_CNT> _key;
    std::bitset<REL_CNT> _rel;
    std::bitset<ABS_CNT> _abs;
    std::bitset<MSC_CNT> _msc;
    std::bitset<LED_CNT> _led;
    std::bitset<SND_CNT> _snd;
    std::bitset<SW_CNT> _sw;
    std::bitset<FF_CNT> _ff;
    std::bitset<INPUT_PROP_CNT> _prop;
    input_absinfo _absInfo[ABS_CNT]{};
    // What the input core remembers of the device to drop events that change nothing.
    std::bitset<KEY_CNT> _keyDown;
    std::bitset<SW_CNT> _swOn;
    std::bitset<LED_CNT> _ledOn;
    std::bitset<SND_CNT> _sndOn;
    int _absValue[ABS_CNT]{};
    // The group being written: its events, their fates, how many of them readers get and how
    // many write calls have carried them so far.
    std::vector<input_event> _group;
    std::vector<Fate> _fates;
    unsigned _groupPassed = 0;
    unsigned _groupWrites = 0;
};

// "<monotonic seconds>.<nanoseconds> <pid> " — the start of every log line.
void cap_line_head(std::string& out);
