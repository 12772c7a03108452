#include "CfgFile.h"

#include "ZvLog.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zvcs {
namespace {

// The mode fopen would give a new file: 0666 less the umask. The umask is read from /proc
// because umask() can only be read by changing it, which would race with other threads.
mode_t new_file_mode() {
    mode_t mask = 022;
    if (CfgFileHandle f{fopen("/proc/self/status", "re")}) {
        char line[128];
        while (fgets(line, sizeof line, f.get()) != nullptr) {
            unsigned m = 0;
            if (sscanf(line, "Umask: %o", &m) == 1) {
                mask = mode_t(m);
                break;
            }
        }
    }
    return 0666 & ~mask;
}

std::string dir_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

CfgFileHandle open_read(const char* path) {
    return CfgFileHandle{fopen(path, "rbe")};
}

size_t read_some(FILE* f, void* buf, size_t n) {
    return fread(buf, 1, n, f);
}

ZvCfgFileHead make_head(th_u32 size, th_u32 len) {
    ZvCfgFileHead h{};
    h.size = size;
    h.len = len;
    h.ver = ZV_CFG_VER_2;
    return h;
}

AtomicFile::~AtomicFile() {
    if (!_temp.empty()) {
        _file.reset();
        (void)unlink(_temp.c_str());
    }
}

bool AtomicFile::open(const char* target) {
    _target = target;
    std::string tmpl = _target + ".XXXXXX";
    const int fd = mkostemp(&tmpl[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    _temp = tmpl;

    struct stat old;
    if (stat(target, &old) == 0) {
        if (geteuid() == 0 && fchown(fd, old.st_uid, old.st_gid) != 0)
            zv_log_out(ZV_LL_WARN, "zvdc: cannot keep the owner of %s: %s", target,
                       strerror(errno));
        (void)fchmod(fd, old.st_mode & 07777);
    } else {
        (void)fchmod(fd, new_file_mode());
    }

    _file.reset(fdopen(fd, "wb"));
    if (!_file) {
        const int e = errno;
        (void)close(fd);
        errno = e;
        return false;
    }
    return true;
}

int AtomicFile::fd() const {
    return _file ? fileno(_file.get()) : -1;
}

bool AtomicFile::write(const void* buf, size_t n) {
    return _file && fwrite(buf, 1, n, _file.get()) == n;
}

bool AtomicFile::commit() {
    if (!_file)
        return false;
    bool ok = fflush(_file.get()) == 0;
    ok = ok && fsync(fileno(_file.get())) == 0;
    // fclose reports a write that failed only now; the handle is gone either way.
    ok = (fclose(_file.release()) == 0) && ok;
    if (!ok) {
        zv_log_out(ZV_LL_ERR, "zvdc: writing %s failed: %s", _temp.c_str(), strerror(errno));
        return false;
    }
    if (rename(_temp.c_str(), _target.c_str()) != 0) {
        zv_log_out(ZV_LL_ERR, "zvdc: rename to %s failed: %s", _target.c_str(), strerror(errno));
        return false;
    }
    _temp.clear();
    // The rename itself must reach the disk too, or a crash can bring the old file back.
    const int dir = ::open(dir_of(_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)fsync(dir);
        (void)close(dir);
    }
    return true;
}

} // namespace zvcs
