// The controls of the preloaded simulated tablet (tools/tabletsim), for tests. bind() fails when
// the process runs without the simulator, so a test that needs it cannot pass against real
// hidapi by finding no device.
#pragma once

#include "tabletsim.h"

#include <stddef.h>
#include <string>
#include <vector>

namespace zvtest {

class TabletSim {
public:
    // Looks the controls up in the running process; false (with *error) without the preload.
    bool bind(std::string* error);

    // Scenario files are looked up under tests/scenarios of the source tree.
    bool loadScenario(const std::string& name, std::string* error);
    bool loadText(const std::string& text, std::string* error);

    std::string trace() const;
    std::vector<std::string> traceLines() const;
    size_t lineCount() const { return _traceLines(); }
    // Lines since the last load that start with needle.
    int count(const std::string& needle) const;
    // Index of the first line at or after fromLine starting with needle, or -1 after timeoutMs.
    long waitFor(const std::string& needle, size_t fromLine = 0, int timeoutMs = 5000) const {
        return _waitTrace(needle.c_str(), fromLine, timeoutMs);
    }
    unsigned violations() const { return _violations(); }
    bool setPlugged(const std::string& device, bool plugged) const {
        return _setPlugged(device.c_str(), plugged ? 1 : 0) == 0;
    }
    bool inject(const std::string& path, const std::vector<unsigned char>& report) const {
        return _inject(path.c_str(), report.data(), report.size()) == 0;
    }

private:
    tabletsim_load_file_fn _loadFile = nullptr;
    tabletsim_load_text_fn _loadText = nullptr;
    tabletsim_error_fn _error = nullptr;
    tabletsim_set_plugged_fn _setPlugged = nullptr;
    tabletsim_inject_fn _inject = nullptr;
    tabletsim_trace_lines_fn _traceLines = nullptr;
    tabletsim_trace_copy_fn _traceCopy = nullptr;
    tabletsim_wait_trace_fn _waitTrace = nullptr;
    tabletsim_violations_fn _violations = nullptr;
};

} // namespace zvtest
