#include "ZvAppInstance.h"

#include <fstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string commandName(const std::string& procDir) {
    std::ifstream in(procDir + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

std::string executable(const std::string& procDir) {
    char buf[4096];
    const ssize_t n = readlink((procDir + "/exe").c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
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
    // The same file, or the same name: a start through a link runs the same file under another
    // name, and another installed copy runs another file under the same name.
    const std::string procDir = "/proc/" + std::to_string(pid);
    const std::string exe = executable(procDir);
    const std::string name = commandName(procDir);
    return (!exe.empty() && exe == executable("/proc/self")) ||
           (!name.empty() && name == commandName("/proc/self"));
}
