#include "ZvSettingsDir.h"

#include <errno.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool set(const char* s) {
    return s != nullptr && s[0] != '\0';
}

bool fits(char* buf, size_t size, int n) {
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buf[0] = '\0';
        return false;
    }
    return true;
}

// Makes path a folder of mode 0700 when it does not exist; an existing one is left as it is.
bool make_dir(const char* path) {
    return mkdir(path, 0700) == 0 || errno == EEXIST;
}

// Creates every missing folder of path in turn (the user's ~/.config may not exist yet).
bool make_dirs(const char* path) {
    char part[1024];
    const size_t len = strlen(path);
    if (len == 0 || len >= sizeof part)
        return false;
    memcpy(part, path, len + 1);
    for (size_t i = 1; i < len; ++i) {
        if (part[i] != '/')
            continue;
        part[i] = '\0';
        if (!make_dir(part))
            return false;
        part[i] = '/';
    }
    struct stat st;
    return make_dir(part) && stat(part, &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

bool zv_settings_dir_of(const char* programDir, bool installed, const char* override,
                        const char* xdgConfigHome, const char* home, char* buf, size_t size) {
    if (buf == nullptr || size == 0)
        return false;
    buf[0] = '\0';
    // Relative paths would depend on the working folder, which differs between the two programs.
    if (set(override))
        return override[0] == '/' && fits(buf, size, snprintf(buf, size, "%s", override));
    if (!installed)
        return set(programDir) && programDir[0] == '/' &&
               fits(buf, size, snprintf(buf, size, "%s", programDir));
    // A relative XDG_CONFIG_HOME would depend on the working folder too: it is ignored.
    if (set(xdgConfigHome) && xdgConfigHome[0] == '/')
        return fits(buf, size, snprintf(buf, size, "%s/zerva", xdgConfigHome));
    if (set(home) && home[0] == '/')
        return fits(buf, size, snprintf(buf, size, "%s/.config/zerva", home));
    return false;
}

bool zv_settings_dir(const char* programDir, char* buf, size_t size) {
    if (buf == nullptr || size == 0)
        return false;
    buf[0] = '\0';
    if (!set(programDir))
        return false;
    char marker[1024];
    const int n = snprintf(marker, sizeof marker, "%s/res/" ZV_PER_USER_MARKER, programDir);
    const bool installed =
        n > 0 && static_cast<size_t>(n) < sizeof marker && access(marker, F_OK) == 0;
    const char* home = getenv("HOME");
    if (!set(home)) {
        const passwd* pw = getpwuid(getuid());
        home = pw != nullptr ? pw->pw_dir : nullptr;
    }
    const char* override = getenv("ZERVA_SETTINGS_DIR");
    if (!zv_settings_dir_of(programDir, installed, override, getenv("XDG_CONFIG_HOME"), home, buf,
                            size))
        return false;
    // The program's own folder has its res/ already; any other is the user's or the
    // administrator's and may be new.
    if (!installed && !set(override))
        return true;
    char res[1024];
    const int r = snprintf(res, sizeof res, "%s/res", buf);
    if (r < 0 || static_cast<size_t>(r) >= sizeof res || !make_dirs(res)) {
        buf[0] = '\0';
        return false;
    }
    return true;
}
