#include "TabletSim.h"

#include <dlfcn.h>
#include <sstream>

#ifndef ZV_SCENARIO_DIR
#error "ZV_SCENARIO_DIR names tests/scenarios"
#endif

namespace zvtest {

namespace {

template <typename Fn> bool find(const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
    return *out != nullptr;
}

} // namespace

bool TabletSim::bind(std::string* error) {
    tabletsim_active_fn active = nullptr;
    if (!find("tabletsim_active", &active) || !find("tabletsim_load_file", &_loadFile) ||
        !find("tabletsim_load_text", &_loadText) || !find("tabletsim_error", &_error) ||
        !find("tabletsim_set_plugged", &_setPlugged) || !find("tabletsim_inject", &_inject) ||
        !find("tabletsim_trace_lines", &_traceLines) ||
        !find("tabletsim_trace_copy", &_traceCopy) || !find("tabletsim_wait_trace", &_waitTrace) ||
        !find("tabletsim_violations", &_violations)) {
        *error = "the simulated tablet is not preloaded (LD_PRELOAD=libtabletsim.so)";
        return false;
    }
    return active() == 1;
}

bool TabletSim::loadScenario(const std::string& name, std::string* error) {
    const std::string path = std::string(ZV_SCENARIO_DIR) + "/" + name;
    if (_loadFile(path.c_str()) == 0)
        return true;
    *error = _error();
    return false;
}

bool TabletSim::loadText(const std::string& text, std::string* error) {
    if (_loadText(text.c_str()) == 0)
        return true;
    *error = _error();
    return false;
}

std::string TabletSim::trace() const {
    std::string text(_traceCopy(nullptr, 0) + 1, '\0');
    const size_t n = _traceCopy(&text[0], text.size());
    text.resize(n < text.size() ? n : text.size() - 1);
    return text;
}

std::vector<std::string> TabletSim::traceLines() const {
    std::vector<std::string> lines;
    std::istringstream in(trace());
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

int TabletSim::count(const std::string& needle) const {
    int n = 0;
    for (const std::string& line : traceLines())
        n += line.compare(0, needle.size(), needle) == 0 ? 1 : 0;
    return n;
}

} // namespace zvtest
