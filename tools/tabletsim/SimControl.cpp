// The control functions of tabletsim.h.
#include "tabletsim.h"

#include "SimWorld.h"

#include <mutex>
#include <string.h>
#include <string>

using tabletsim::World;

namespace {

std::mutex g_errorLock;
std::string g_error;

int finish_load(bool ok, tabletsim::Scenario& s, const std::string& origin,
                const std::string& err) {
    if (!ok) {
        std::lock_guard<std::mutex> lock(g_errorLock);
        g_error = err;
        return -1;
    }
    World::get().load(std::move(s), origin);
    return 0;
}

} // namespace

#define SIM_EXPORT __attribute__((visibility("default")))

extern "C" {

SIM_EXPORT int tabletsim_active(void) {
    (void)World::get();
    return 1;
}

SIM_EXPORT int tabletsim_load_file(const char* path) {
    tabletsim::Scenario s;
    std::string err = "no path";
    const bool ok = path != nullptr && tabletsim::load_scenario_file(path, &s, &err);
    return finish_load(ok, s, path ? path : "", err);
}

SIM_EXPORT int tabletsim_load_text(const char* text) {
    tabletsim::Scenario s;
    std::string err = "no text";
    const bool ok = text != nullptr && tabletsim::parse_scenario(text, &s, &err);
    return finish_load(ok, s, "(text)", err);
}

SIM_EXPORT const char* tabletsim_error(void) {
    std::lock_guard<std::mutex> lock(g_errorLock);
    return g_error.c_str();
}

SIM_EXPORT int tabletsim_set_plugged(const char* device, int plugged) {
    return device != nullptr && World::get().setPlugged(device, plugged != 0) ? 0 : -1;
}

SIM_EXPORT int tabletsim_inject(const char* path, const unsigned char* data, size_t len) {
    if (path == nullptr || (data == nullptr && len > 0))
        return -1;
    return World::get().inject(path, tabletsim::Bytes(data, data + len)) ? 0 : -1;
}

SIM_EXPORT size_t tabletsim_trace_lines(void) {
    return World::get().traceLines();
}

SIM_EXPORT size_t tabletsim_trace_copy(char* buf, size_t size) {
    const std::string text = World::get().traceText();
    if (buf != nullptr && size > 0) {
        const size_t n = text.size() < size - 1 ? text.size() : size - 1;
        memcpy(buf, text.data(), n);
        buf[n] = '\0';
    }
    return text.size();
}

SIM_EXPORT long tabletsim_wait_trace(const char* needle, size_t fromLine, int timeoutMs) {
    return World::get().waitTrace(needle ? needle : "", fromLine, timeoutMs);
}

SIM_EXPORT unsigned tabletsim_violations(void) {
    return World::get().violations();
}
}
