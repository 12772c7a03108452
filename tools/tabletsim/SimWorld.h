// The running simulation: which devices are plugged in, the open handles with their queued
// reports, the scripts' clocks and the trace of everything the library did. One instance per
// process, shared by the hidapi stand-in and the control functions.
#pragma once

#include "SimScenario.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <stdint.h>
#include <string>
#include <vector>
#include <wchar.h>

struct hid_device_info;

// The handle hidapi hands out. Never freed, so that a late call on a closed handle is seen and
// reported instead of reading freed memory.
struct hid_device_ {
    uint64_t epoch = 0; // the scenario load it belongs to
    size_t device = 0;
    size_t interface = 0;
    std::string path;
    bool closed = false;
    bool gone = false; // unplugged, hid_exit, or the scenario was replaced
    bool pendingError = false;
    bool nonblocking = false;
    int readers = 0;
    std::deque<tabletsim::Bytes> queue;
    const wchar_t* error = L"Success";
};
typedef struct hid_device_ hid_device;

namespace tabletsim {

enum class StringKind { Manufacturer, Product, Serial, Indexed };

class World {
public:
    // Loads the scenario named by ZV_TABLETSIM_SCENARIO on first use.
    static World& get();

    // Replaces the scenario. Handles of the previous one stay valid memory but are gone.
    void load(Scenario scenario, const std::string& origin);

    // hidapi, with its results.
    int init();
    int exit();
    hid_device_info* enumerate(uint16_t vid, uint16_t pid);
    static void freeEnumeration(hid_device_info* list);
    hid_device* open(const char* path);
    hid_device* openFirst(uint16_t vid, uint16_t pid);
    void close(hid_device* h);
    // timeoutMs < 0 blocks; kReadByMode follows hid_set_nonblocking, as hid_read does.
    static constexpr int kReadByMode = -2;
    int read(hid_device* h, uint8_t* data, size_t len, int timeoutMs);
    int setNonblocking(hid_device* h, int nonblock);
    int getFeature(hid_device* h, uint8_t* data, size_t len);
    // hid_send_feature_report and hid_write: recorded, accepted while the device is there.
    int send(hid_device* h, const uint8_t* data, size_t len, const char* what);
    int getString(hid_device* h, StringKind kind, int index, wchar_t* out, size_t maxlen);
    const wchar_t* error(hid_device* h);

    // Control from tests.
    bool setPlugged(const std::string& device, bool plugged);
    bool inject(const std::string& path, const Bytes& report);
    size_t traceLines();
    std::string traceText();
    long waitTrace(const std::string& needle, size_t fromLine, int timeoutMs);
    unsigned violations();

private:
    using Clock = std::chrono::steady_clock;
    struct ScriptRun {
        bool anchored = false;
        int64_t anchorUs = 0;
        size_t next = 0;
    };

    World();
    int64_t nowUs() const;
    Clock::time_point at(int64_t us) const { return _t0 + std::chrono::microseconds(us); }
    // Plays every script step that is due. With _m held, as are all the helpers below.
    void advance();
    // When the next script step is due; false when none is scheduled.
    bool nextDue(int64_t* us) const;
    // Waits for a change, the next scripted step or deadlineUs (-1: none), then advances.
    void sleep(std::unique_lock<std::mutex>& lock, int64_t deadlineUs);
    void apply(size_t script, const Step& step);
    void unplug(size_t device);
    hid_device* holder(size_t device, size_t interface);
    bool usable(hid_device* h, const char* op);
    void trace(const std::string& line);
    void violation(const std::string& what);

    mutable std::mutex _m;
    std::condition_variable _cv;
    const Clock::time_point _t0;
    Scenario _scenario;
    std::vector<bool> _plugged;
    std::vector<ScriptRun> _runs;
    uint64_t _epoch = 1;
    std::vector<std::unique_ptr<hid_device>> _handles;
    std::vector<std::string> _trace;
    unsigned _violations = 0;
    int _traceFd = -1;
};

} // namespace tabletsim
