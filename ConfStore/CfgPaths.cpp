#include "CfgPaths.h"

#include "ZvLog.h"

#include <mutex>
#include <stdio.h>
#include <string.h>

namespace zvcs {
namespace {

// The core sets the paths once from its start-up object, but the settings application sets them
// again for every tablet while other threads may be reading: copies are taken under the lock.
struct Bases {
    std::mutex lock;
    char def[BASE_PATH_SIZE] = "";
    char edit[BASE_PATH_SIZE] = "";
    bool defOk = true;
    bool editOk = true;
};

Bases& bases() {
    static Bases b;
    return b;
}

bool copy_base(const char* src, char (&dst)[BASE_PATH_SIZE], const char* which) {
    if (src == nullptr) {
        zv_log_out(ZV_LL_ERR, "zvdc_set_cfg_path() %s path is null", which);
        dst[0] = '\0';
        return false;
    }
    const size_t n = strnlen(src, BASE_PATH_SIZE);
    if (n >= BASE_PATH_SIZE) {
        zv_log_out(ZV_LL_ERR, "zvdc_set_cfg_path() %s path longer than %u characters: %.64s...",
                   which, unsigned(BASE_PATH_SIZE - 1), src);
        dst[0] = '\0';
        return false;
    }
    memcpy(dst, src, n + 1);
    return true;
}

// snprintf into a buffer of `limit` bytes; false when the text would not fit.
bool compose(char* out, size_t limit, const char* fmt, const char* base, const char* name) {
    const int n = snprintf(out, limit, fmt, base, name);
    if (n < 0 || size_t(n) >= limit) {
        zv_log_out(ZV_LL_ERR, "zvdc: path longer than %u characters refused: %.64s...",
                   unsigned(limit - 1), out);
        out[0] = '\0';
        return false;
    }
    return true;
}

} // namespace

void paths_set(const char* sDefaultPath, const char* sEditPath) {
    Bases& b = bases();
    std::lock_guard<std::mutex> hold(b.lock);
    b.defOk = copy_base(sDefaultPath, b.def, "default");
    b.editOk = copy_base(sEditPath, b.edit, "edit");
}

bool compose_default_path(const char* file, CfgPath& out) {
    Bases& b = bases();
    std::lock_guard<std::mutex> hold(b.lock);
    if (!b.defOk) {
        zv_log_out(ZV_LL_ERR, "zvdc: default path unusable, %s not opened", file);
        out.s[0] = '\0';
        return false;
    }
    return compose(out.s, DESC_PATH_SIZE, "%s/res/%s", b.def, file);
}

bool compose_user_path(const char* sModel, CfgPath& out) {
    // The model names a file: one with a slash could reach outside res/ (the core runs as root).
    if (strchr(sModel, '/') != nullptr) {
        zv_log_out(ZV_LL_ERR, "zvdc: model {%.64s} is not a file name", sModel);
        out.s[0] = '\0';
        return false;
    }
    Bases& b = bases();
    std::lock_guard<std::mutex> hold(b.lock);
    if (!b.editOk) {
        zv_log_out(ZV_LL_ERR, "zvdc: edit path unusable, %.64s.cfg not opened", sModel);
        out.s[0] = '\0';
        return false;
    }
    return compose(out.s, USER_PATH_SIZE, "%s/res/%s.cfg", b.edit, sModel);
}

} // namespace zvcs
