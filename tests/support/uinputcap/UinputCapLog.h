// Reads the log of the uinput capture (tools/uinputcap) back into records, so that tests can
// assert on what reached the virtual devices: which devices were created with which capabilities,
// and every event group written to them, in order.
#pragma once

#include <map>
#include <set>
#include <stdint.h>
#include <string>
#include <vector>

struct ZvCapAbs {
    int min = 0;
    int max = 0;
    int fuzz = 0;
    int flat = 0;
    int res = 0;
};

struct ZvCapDevice {
    long pid = 0;
    unsigned id = 0; // numbered per process, in order of creation
    int fd = -1;
    unsigned bus = 0;
    unsigned vendor = 0;
    unsigned product = 0;
    unsigned version = 0;
    std::set<unsigned> ev, key, rel, msc, led, snd, sw, ff, prop;
    std::map<unsigned, ZvCapAbs> abs;
    std::string name;
    long long createdNs = 0; // monotonic clock
    bool destroyed = false;
    long long destroyedNs = 0;
};

struct ZvCapEvent {
    uint16_t type = 0;
    uint16_t code = 0;
    int32_t value = 0;
    // False for an event of a type or code the device did not declare: the kernel drops those.
    bool accepted = true;
    // True for a declared event the input core filters out because it changes nothing (a value
    // the device already has), and for the SYN_REPORT of a group left empty by that.
    bool filtered = false;

    // Whether readers of the device (evdev, libinput) get this event.
    bool passes() const { return accepted && !filtered; }

    // What was written and whether it was declared; `filtered` depends on the device's earlier
    // groups and is asked separately (passes(), ZvCapGroup::delivered()).
    bool operator==(const ZvCapEvent& o) const {
        return type == o.type && code == o.code && value == o.value && accepted == o.accepted;
    }
};

// One group of events up to and including its SYN_REPORT (a group cut short by the closing of
// its device has none).
struct ZvCapGroup {
    long pid = 0;
    unsigned device = 0;
    unsigned writes = 0; // write calls that carried the group
    long long atNs = 0;  // monotonic clock when the group was complete
    long long tvSec = 0; // time stamp of the group's first event, as the writer set it
    long tvUsec = 0;
    std::vector<ZvCapEvent> events;

    // The value of the first event of this type and code, or `absent`.
    int32_t value(uint16_t type, uint16_t code, int32_t absent = -1) const;
    bool has(uint16_t type, uint16_t code) const;
    // Whether the group reaches readers of the device as a frame: it ends with its SYN_REPORT
    // and something else in it passed the input core.
    bool delivered() const;
};

class ZvCapLog {
public:
    explicit ZvCapLog(std::string path) : _path(std::move(path)) {}
    // The log named by ZV_UINPUTCAP_LOG; an empty path when it is not set.
    static ZvCapLog fromEnv();

    const std::string& path() const { return _path; }
    // Later reads start at the current end of the file: records of earlier tests are skipped.
    void skipExisting();
    // Whether the capture is really in front of this process's C library: the open() that the
    // program calls is the capture's. Tests assert it, since without the capture the code under
    // test merely finds no /dev/uinput.
    static bool preloaded();

    // Reads the lines appended since the last read; returns how many records they held.
    size_t read();

    const std::vector<ZvCapDevice>& devices() const { return _devices; }
    const std::vector<ZvCapGroup>& groups() const { return _groups; }
    // Lines that did not parse (always 0 unless the capture and this reader disagree).
    size_t badLines() const { return _badLines; }

    // The most recently created device with this name, or null.
    const ZvCapDevice* device(const std::string& name) const;
    // The device that held descriptor fd most recently in this process, or null.
    const ZvCapDevice* deviceByFd(int fd) const;
    std::vector<ZvCapGroup> groupsOf(const ZvCapDevice& dev) const;

    // One line of the log. Exposed for the reader's own tests.
    enum class Kind { Device, Group, Destroy, Invalid };
    static Kind parseLine(const std::string& line, ZvCapDevice& dev, ZvCapGroup& group, long& pid,
                          unsigned& id, long long& atNs);

private:
    std::string _path;
    long long _offset = 0;
    std::string _partial; // an unfinished last line, completed by the next read
    std::vector<ZvCapDevice> _devices;
    std::vector<ZvCapGroup> _groups;
    size_t _badLines = 0;
};
