// The diagnosis of an installation, as lines a user can act on: each says what was found and,
// when something is wrong, what to do. The checks read the files a running system has (sysfs,
// device nodes, pid files, settings files) under roots that the tests point elsewhere.
#pragma once

#include <string>
#include <vector>

struct ZvCheckLine {
    enum Level { Ok, Warn, Fail } level = Ok;
    std::string what; // what was checked and found
    std::string todo; // what to do about it (empty when nothing)
};

struct ZvCheckPaths {
    std::string sys = "/sys";          // sysfs
    std::string dev = "/dev";          // device nodes
    std::vector<std::string> pidFiles; // where a running core's pid file may be
    std::string programDir;            // the shipped res/ and libs/
    std::string settingsDir; // the per-model user files' res/ (empty: none could be named)
};

void zv_check_add(std::vector<ZvCheckLine>& out, ZvCheckLine::Level level, std::string what,
                  std::string todo = std::string());

// The core's pid file: locked by a running core (the lock tells its pid).
void zv_check_core(const ZvCheckPaths& p, std::vector<ZvCheckLine>& out);
// The tablets of the maker's vendor id on the USB bus, and whether this user can open their USB
// device and hidraw nodes.
void zv_check_tablets(const ZvCheckPaths& p, std::vector<ZvCheckLine>& out);
// /dev/uinput exists and this user can write it.
void zv_check_uinput(const ZvCheckPaths& p, std::vector<ZvCheckLine>& out);
// The shipped description files hold whole records; the settings folder is writable and each
// per-model file has the size of a settings record.
void zv_check_settings(const ZvCheckPaths& p, std::vector<ZvCheckLine>& out);

// The lines as printed: "ok", "warn" or "FAIL", the finding, and an indented "->" line with the
// remedy. The exit status of the tool: 0 without failures, else 1.
std::string zv_check_text(const std::vector<ZvCheckLine>& lines);
int zv_check_status(const std::vector<ZvCheckLine>& lines);
