// The simulation's clock, scripts, trace and test controls. The hidapi side is SimWorldHid.cpp.
#include "SimWorld.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

namespace tabletsim {

namespace {

// hidapi's libusb back end keeps at most this many unread input reports and drops the oldest.
constexpr size_t kQueueMax = 30;

} // namespace

World& World::get() {
    // Never destroyed: the library's input threads may still read while the process exits.
    static World* world = [] {
        World* w = new World();
        const char* path = getenv("ZV_TABLETSIM_SCENARIO");
        Scenario s;
        std::string err;
        if (path == nullptr || *path == '\0') {
            w->load(Scenario(), "(none)");
        } else if (load_scenario_file(path, &s, &err)) {
            w->load(std::move(s), path);
        } else {
            fprintf(stderr, "tabletsim: %s\n", err.c_str());
            w->load(Scenario(), "(broken)");
            std::lock_guard<std::mutex> lock(w->_m);
            w->trace("scenario-error " + err);
        }
        return w;
    }();
    return *world;
}

World::World() : _t0(Clock::now()) {
    const char* tracePath = getenv("ZV_TABLETSIM_TRACE");
    if (tracePath != nullptr && *tracePath != '\0') {
        _traceFd = ::open(tracePath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (_traceFd < 0)
            fprintf(stderr, "tabletsim: cannot write trace %s\n", tracePath);
    }
}

int64_t World::nowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - _t0).count();
}

void World::load(Scenario scenario, const std::string& origin) {
    std::lock_guard<std::mutex> lock(_m);
    ++_epoch;
    for (auto& h : _handles) {
        if (!h->closed) {
            h->gone = true;
            h->error = L"scenario replaced";
        }
    }
    _scenario = std::move(scenario);
    _plugged.clear();
    for (const SimDevice& d : _scenario.devices)
        _plugged.push_back(d.plugged);
    _runs.assign(_scenario.scripts.size(), ScriptRun());
    const int64_t now = nowUs();
    for (size_t k = 0; k < _runs.size(); ++k) {
        if (_scenario.scripts[k].start == Script::Start::Load) {
            _runs[k].anchored = true;
            _runs[k].anchorUs = now;
        }
    }
    _trace.clear();
    _violations = 0;
    trace("load " + origin);
    _cv.notify_all();
}

bool World::nextDue(int64_t* us) const {
    bool any = false;
    for (size_t k = 0; k < _runs.size(); ++k) {
        const ScriptRun& r = _runs[k];
        const auto& steps = _scenario.scripts[k].steps;
        if (!r.anchored || r.next >= steps.size())
            continue;
        const int64_t due = r.anchorUs + steps[r.next].atUs;
        if (!any || due < *us)
            *us = due;
        any = true;
    }
    return any;
}

void World::advance() {
    const int64_t now = nowUs();
    bool changed = false;
    for (;;) {
        size_t best = _runs.size();
        int64_t bestDue = 0;
        for (size_t k = 0; k < _runs.size(); ++k) {
            const ScriptRun& r = _runs[k];
            const auto& steps = _scenario.scripts[k].steps;
            if (!r.anchored || r.next >= steps.size())
                continue;
            const int64_t due = r.anchorUs + steps[r.next].atUs;
            if (due <= now && (best == _runs.size() || due < bestDue)) {
                best = k;
                bestDue = due;
            }
        }
        if (best == _runs.size())
            break;
        const Step& step = _scenario.scripts[best].steps[_runs[best].next++];
        apply(best, step);
        changed = true;
    }
    if (changed)
        _cv.notify_all();
}

void World::sleep(std::unique_lock<std::mutex>& lock, int64_t deadlineUs) {
    int64_t wake = deadlineUs;
    int64_t due = 0;
    if (nextDue(&due) && (wake < 0 || due < wake))
        wake = due;
    if (wake < 0)
        _cv.wait(lock);
    else
        _cv.wait_until(lock, at(wake));
    advance();
}

void World::apply(size_t script, const Step& step) {
    const Script& s = _scenario.scripts[script];
    const SimDevice& dev = _scenario.devices[s.device];
    const std::string& path = dev.interfaces[s.interface].path;
    hid_device* h = holder(s.device, s.interface);
    switch (step.kind) {
    case Step::Kind::Report:
        if (h == nullptr || !_plugged[s.device]) {
            trace("lost " + path);
            break;
        }
        if (h->queue.size() >= kQueueMax) {
            h->queue.pop_front();
            trace("drop " + path);
        }
        h->queue.push_back(step.report);
        break;
    case Step::Kind::Unplug:
        unplug(s.device);
        break;
    case Step::Kind::Plug:
        _plugged[s.device] = true;
        trace("plug " + dev.name);
        break;
    case Step::Kind::ReadError:
        if (h != nullptr)
            h->pendingError = true;
        break;
    }
}

void World::unplug(size_t device) {
    _plugged[device] = false;
    for (auto& h : _handles) {
        if (h->epoch == _epoch && h->device == device && !h->closed) {
            h->gone = true;
            h->error = L"device disconnected";
        }
    }
    trace("unplug " + _scenario.devices[device].name);
    _cv.notify_all();
}

hid_device* World::holder(size_t device, size_t interface) {
    for (auto& h : _handles)
        if (h->epoch == _epoch && h->device == device && h->interface == interface && !h->closed &&
            !h->gone)
            return h.get();
    return nullptr;
}

void World::trace(const std::string& line) {
    _trace.push_back(line);
    if (_traceFd >= 0) {
        struct timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        char stamp[40];
        const int n =
            snprintf(stamp, sizeof stamp, "%ld.%06ld ", long(ts.tv_sec), long(ts.tv_nsec / 1000));
        const std::string out = std::string(stamp, size_t(n)) + line + "\n";
        (void)!::write(_traceFd, out.data(), out.size());
    }
    _cv.notify_all();
}

void World::violation(const std::string& what) {
    ++_violations;
    fprintf(stderr, "tabletsim: misuse of hidapi: %s\n", what.c_str());
    trace("violation " + what);
}

bool World::setPlugged(const std::string& device, bool plugged) {
    std::lock_guard<std::mutex> lock(_m);
    advance();
    for (size_t d = 0; d < _scenario.devices.size(); ++d) {
        if (_scenario.devices[d].name != device)
            continue;
        if (!plugged) {
            unplug(d);
        } else {
            _plugged[d] = true;
            trace("plug " + device);
        }
        return true;
    }
    return false;
}

bool World::inject(const std::string& path, const Bytes& report) {
    std::lock_guard<std::mutex> lock(_m);
    advance();
    for (auto& h : _handles) {
        if (h->epoch == _epoch && h->path == path && !h->closed && !h->gone) {
            h->queue.push_back(report);
            _cv.notify_all();
            return true;
        }
    }
    return false;
}

size_t World::traceLines() {
    std::lock_guard<std::mutex> lock(_m);
    return _trace.size();
}

std::string World::traceText() {
    std::lock_guard<std::mutex> lock(_m);
    std::string out;
    for (const std::string& l : _trace)
        out += l + "\n";
    return out;
}

long World::waitTrace(const std::string& needle, size_t fromLine, int timeoutMs) {
    std::unique_lock<std::mutex> lock(_m);
    const int64_t deadline = timeoutMs < 0 ? -1 : nowUs() + int64_t(timeoutMs) * 1000;
    for (;;) {
        advance();
        for (size_t i = fromLine; i < _trace.size(); ++i)
            if (_trace[i].compare(0, needle.size(), needle) == 0)
                return long(i);
        if (deadline >= 0 && nowUs() >= deadline)
            return -1;
        sleep(lock, deadline);
    }
}

unsigned World::violations() {
    std::lock_guard<std::mutex> lock(_m);
    return _violations;
}

} // namespace tabletsim
