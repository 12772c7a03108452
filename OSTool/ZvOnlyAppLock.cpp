#include "ZvOnlyAppLock.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

ZvOnlyAppLock::~ZvOnlyAppLock() {
    if (_fd > 0)
        (void)close(_fd);
}

int ZvOnlyAppLock::isOnly(const char* /*ignored*/) {
    // Not O_TRUNC: a second instance must not empty the first one's file before finding it locked.
    const int fd = open(_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    printf(" 1 ");
    _fd = fd;
    // An open-file-description lock, not a classic record lock: a record lock belongs to the
    // process and is dropped when the process closes any descriptor of the file, so reading our
    // own pid file back (getPid) would silently unlock it. A description lock also conflicts
    // with a second lock of the same process, and with record locks of other processes.
    struct flock fl;
    memset(&fl, 0, sizeof fl);
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    if (fcntl(fd, F_OFD_SETLK, &fl) < 0) {
        const int err = errno;
        (void)close(fd);
        _fd = 0;
        return err == EACCES || err == EAGAIN ? -2 : -3;
    }
    printf(" 2 ");
    char text[32];
    const int len = snprintf(text, sizeof text, "%ld", static_cast<long>(getpid()));
    // The digits and their NUL, at offset 0, replacing whatever an earlier run left.
    if (ftruncate(fd, 0) != 0 || pwrite(fd, text, static_cast<size_t>(len) + 1, 0) != len + 1) {
        // Whoever reads the file would find no pid or a stale one: do not claim the instance.
        (void)close(fd);
        _fd = 0;
        return -3;
    }
    printf(" 3 ");
    return 0;
}

int ZvOnlyAppLock::readPid(const char* path) {
    FILE* f = fopen(path, "rbe");
    if (f == nullptr)
        return -1;
    long length = -1;
    if (fseek(f, 0, SEEK_END) == 0)
        length = ftell(f);
    rewind(f);
    char buf[32];
    memset(buf, 0, sizeof buf);
    // The last byte stays NUL whatever the file holds.
    const size_t want =
        length < 0 ? 0 : std::min<size_t>(static_cast<size_t>(length), sizeof buf - 1);
    const size_t got = fread(buf, 1, want, f);
    (void)fclose(f);
    if (length < 0 || got < want)
        return -2;
    return atoi(buf);
}
