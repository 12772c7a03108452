#include "ZvExePath.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

bool zv_exe_dir(char* buf, size_t size) {
    char link[520] = {};
    const ssize_t n = readlink("/proc/self/exe", link, sizeof link);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof link)
        return false;
    link[n] = '\0';
    char* slash = strrchr(link, '/');
    if (slash == nullptr)
        return false;
    *slash = '\0';
    const size_t len = strlen(link) + 1;
    if (buf == nullptr || len > size)
        return false;
    memcpy(buf, link, len);
    return true;
}

bool zv_lib_path(const char* name, char* buf, size_t size) {
    if (buf == nullptr || size == 0)
        return false;
    buf[0] = '\0';
    char dir[520];
    if (!zv_exe_dir(dir, sizeof dir))
        return false;
    const bool folder = name == nullptr || name[0] == '\0';
    const int n =
        folder ? snprintf(buf, size, "%s/libs", dir) : snprintf(buf, size, "%s/libs/%s", dir, name);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buf[0] = '\0';
        return false;
    }
    return true;
}
