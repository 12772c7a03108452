#include "ZvExePath.h"

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
