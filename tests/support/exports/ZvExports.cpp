#include "ZvExports.h"

#include <stdio.h>

std::set<std::string> zvtest_defined_dynamic_symbols(const std::string& path, std::string* error) {
    std::set<std::string> names;
    const std::string cmd = "env -u LD_PRELOAD nm -D --defined-only '" + path + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) {
        *error = "cannot run: " + cmd;
        return names;
    }
    char line[1024];
    while (fgets(line, sizeof line, p) != nullptr) {
        char addr[64], type[8], name[512];
        if (sscanf(line, "%63s %7s %511s", addr, type, name) == 3)
            names.insert(name);
        else
            *error += line;
    }
    if (pclose(p) != 0) {
        *error += "failed: " + cmd;
        names.clear();
    }
    return names;
}
