#include "ZvOnlyAppLock.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr const char* kPidFile = "./.ZervaCore.pid";
}

ZvOnlyAppLock::~ZvOnlyAppLock() {
    if (_fd > 0)
        (void)close(_fd);
}

int ZvOnlyAppLock::isOnly(const char* /*pidFile*/) {
    // Not O_TRUNC: a second instance must not empty the first one's file before finding it locked.
    const int fd = open(kPidFile, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    printf(" 1 ");
    _fd = fd;
    struct flock fl;
    memset(&fl, 0, sizeof fl);
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    if (fcntl(fd, F_SETLK, &fl) < 0) {
        const int err = errno;
        (void)close(fd);
        _fd = 0;
        return err == EACCES || err == EAGAIN ? -2 : -3;
    }
    printf(" 2 ");
    if (ftruncate(fd, 0) != 0)
        return -3;
    char text[32];
    const int len = snprintf(text, sizeof text, "%ld", static_cast<long>(getpid()));
    // The digits and their NUL, at offset 0.
    if (pwrite(fd, text, static_cast<size_t>(len) + 1, 0) != len + 1)
        return -3;
    printf(" 3 ");
    return 0;
}
