#include "CfgFile.h"

#include "ZvLog.h"
#include "ZvUniqueFd.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
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

const char* base_of(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash == nullptr ? path : slash + 1;
}

// Non-blocking only for the open: a FIFO would otherwise wait there for a writer.
constexpr int READ_FLAGS = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;

// The file a link names, opened when root or this process's own user made the link; -1 (errno
// ELOOP) for anyone else's. The link is read through a descriptor of its own, so one swapped in
// after its owner was checked is never the one followed.
int open_trusted_link(const char* path) {
    const ZvUniqueFd dir(::open(dir_of(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return -1;
    const ZvUniqueFd link(openat(dir.get(), base_of(path), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (link.get() < 0 || fstat(link.get(), &st) != 0)
        return -1;
    char target[PATH_MAX];
    const ssize_t n = S_ISLNK(st.st_mode) && (st.st_uid == 0 || st.st_uid == geteuid())
                          ? readlinkat(link.get(), "", target, sizeof target)
                          : -1;
    if (n <= 0 || size_t(n) >= sizeof target) {
        errno = ELOOP;
        return -1;
    }
    target[n] = '\0';
    return openat(dir.get(), target, READ_FLAGS);
}

CfgFileHandle open_regular(const char* path, bool trustOwnLinks) {
    ZvUniqueFd fd(::open(path, READ_FLAGS));
    if (fd.get() < 0 && errno == ELOOP && trustOwnLinks)
        fd.reset(open_trusted_link(path));
    if (fd.get() < 0) {
        const int e = errno;
        if (e == ELOOP)
            zv_log_out(ZV_LL_WARN, "zvdc: %s is a symbolic link, not read", path);
        errno = e;
        return nullptr;
    }
    struct stat st;
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        zv_log_out(ZV_LL_WARN, "zvdc: %s is not a regular file, not read", path);
        errno = EINVAL;
        return nullptr;
    }
    const int fl = fcntl(fd.get(), F_GETFL);
    if (fl >= 0)
        (void)fcntl(fd.get(), F_SETFL, fl & ~O_NONBLOCK);
    CfgFileHandle f{fdopen(fd.get(), "rb")};
    if (f)
        (void)fd.release();
    return f;
}

} // namespace

CfgFileHandle open_read(const char* path) {
    return open_regular(path, /* trustOwnLinks= */ true);
}

CfgFileHandle open_read_nofollow(const char* path) {
    return open_regular(path, /* trustOwnLinks= */ false);
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
    // The entry itself, not what a link there names: the desktop user can put anything in res/,
    // and the root core must neither copy the owner and mode of a file elsewhere nor turn a FIFO
    // or device into a file.
    struct stat old;
    const bool replacing = lstat(target, &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        const bool link = S_ISLNK(old.st_mode);
        zv_log_out(ZV_LL_ERR, "zvdc: %s is %s, not replaced", target,
                   link ? "a symbolic link" : "not a regular file");
        errno = link ? ELOOP : EINVAL;
        return false;
    }

    std::string tmpl = _target + ".XXXXXX";
    const int fd = mkostemp(&tmpl[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    _temp = tmpl;

    if (replacing) {
        // The desktop user's file stays theirs (the settings application writes it too); a
        // set-id or sticky bit is never carried, whoever set it.
        if (geteuid() == 0 && fchown(fd, old.st_uid, old.st_gid) != 0)
            zv_log_out(ZV_LL_WARN, "zvdc: cannot keep the owner of %s: %s", target,
                       strerror(errno));
        (void)fchmod(fd, old.st_mode & 0777);
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
