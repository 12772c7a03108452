#include "ZvAppInstance.h"

#include <fstream>
#include <stdlib.h>
#include <sys/stat.h>

namespace {

std::string commandName(const std::string& procDir) {
    std::ifstream in(procDir + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

std::string zv_app_lock_path() {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return std::string(runtime) + "/.DriverUI.pid";
    return "./.DriverUI.pid";
}

bool zv_runs_same_program(pid_t pid) {
    if (pid <= 0)
        return false;
    const std::string other = commandName("/proc/" + std::to_string(pid));
    return !other.empty() && other == commandName("/proc/self");
}
