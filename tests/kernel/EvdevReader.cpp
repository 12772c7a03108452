#include "EvdevReader.h"

#include <libevdev/libevdev.h>

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fstream>
#include <string.h>
#include <time.h>
#include <unistd.h>

namespace {

std::string device_name(const std::string& eventDir) {
    std::ifstream in("/sys/class/input/" + eventDir + "/device/name");
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

ZvEvdevReader::~ZvEvdevReader() {
    _watch.stop(); // before the device it reads goes
    if (_dev != nullptr)
        libevdev_free(_dev);
    if (_fd >= 0)
        close(_fd);
}

std::string ZvEvdevReader::findNode(const std::string& name, int ms, bool prefix) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        std::vector<std::string> found;
        if (DIR* d = opendir("/sys/class/input")) {
            while (dirent* e = readdir(d)) {
                if (strncmp(e->d_name, "event", 5) != 0)
                    continue;
                const std::string n = device_name(e->d_name);
                if (prefix ? n.compare(0, name.size(), name) == 0 : n == name)
                    found.push_back(std::string("/dev/input/") + e->d_name);
            }
            closedir(d);
        }
        std::sort(found.begin(), found.end());
        for (const std::string& node : found) {
            if (access(node.c_str(), R_OK) == 0)
                return node;
        }
        if (std::chrono::steady_clock::now() > until)
            return "";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool ZvEvdevReader::open(const std::string& node) {
    _node = node;
    _fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (_fd < 0) {
        _reason = node + ": " + strerror(errno);
        return false;
    }
    const int r = libevdev_new_from_fd(_fd, &_dev);
    if (r < 0) {
        _reason = node + ": libevdev: " + strerror(-r);
        return false;
    }
    // The kernel stamps events with this clock from now on, so they compare with the server's.
    if (libevdev_set_clock_id(_dev, CLOCK_MONOTONIC) != 0) {
        _reason = node + ": cannot switch to the monotonic clock";
        return false;
    }
    if (!_watch.start(_fd, [this] { drain(); })) {
        _reason = std::string("no reader thread: ") + strerror(errno);
        return false;
    }
    return true;
}

bool ZvEvdevReader::hasCode(unsigned type, unsigned code) const {
    return _dev != nullptr && libevdev_has_event_code(_dev, type, code) != 0;
}

int ZvEvdevReader::absMin(unsigned code) const {
    return _dev != nullptr ? libevdev_get_abs_minimum(_dev, code) : 0;
}

int ZvEvdevReader::absMax(unsigned code) const {
    return _dev != nullptr ? libevdev_get_abs_maximum(_dev, code) : 0;
}

void ZvEvdevReader::drain() {
    input_event ev;
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
        const int rc = libevdev_next_event(_dev, flags, &ev);
        if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            flags = LIBEVDEV_READ_FLAG_SYNC; // the kernel dropped events: resynchronise
        } else if (rc == -EAGAIN && flags == LIBEVDEV_READ_FLAG_SYNC) {
            flags = LIBEVDEV_READ_FLAG_NORMAL;
            continue;
        } else if (rc != LIBEVDEV_READ_STATUS_SUCCESS) {
            return;
        }
        ZvEvdevEvent e;
        e.ns = static_cast<int64_t>(ev.input_event_sec) * 1000000000 +
               static_cast<int64_t>(ev.input_event_usec) * 1000;
        e.type = ev.type;
        e.code = ev.code;
        e.value = ev.value;
        _log.add(e);
    }
}

std::vector<std::pair<int, int>> zv_key_events(const std::vector<ZvEvdevEvent>& events) {
    std::vector<std::pair<int, int>> keys;
    for (const ZvEvdevEvent& e : events) {
        if (e.type == EV_KEY)
            keys.emplace_back(e.code, e.value);
    }
    return keys;
}
