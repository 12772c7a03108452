// The single-instance lock of the core and its pid file "./.ZervaCore.pid" (relative to the
// working directory). The settings application reads the pid from it to send SIGUSR1, so the
// content is exactly the decimal pid and one NUL byte. The file stays open and write-locked for
// the life of the process and is never deleted; the lock goes with the process.
#pragma once

class ZvOnlyAppLock {
public:
    ZvOnlyAppLock() = default;
    // Closes the pid file, which releases the lock.
    ~ZvOnlyAppLock();
    ZvOnlyAppLock(const ZvOnlyAppLock&) = delete;
    ZvOnlyAppLock& operator=(const ZvOnlyAppLock&) = delete;

    // pidFile is ignored: the path is fixed. 0 when this process owns the lock now, -1 when the
    // file cannot be opened or created, -2 when another process holds the lock (its content is
    // then left untouched), -3 when locking failed otherwise. Prints " 1 ", " 2 ", " 3 " as it
    // passes its stages.
    int isOnly(const char* pidFile);

    int fd() const { return _fd; }

private:
    int _fd = 0;
};
