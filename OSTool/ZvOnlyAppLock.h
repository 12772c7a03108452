// The single-instance lock of a program and its pid file: the core's "./.ZervaCore.pid" (relative
// to the working directory) and the settings application's ".DriverUI.pid". Whoever wants to
// reach the running copy reads the pid from the file, so the content is exactly the decimal pid
// and one NUL byte. The file stays open and write-locked for the life of the object and is never
// deleted; the lock goes with the object or the process.
#pragma once

#include <string>
#include <utility>

class ZvOnlyAppLock {
public:
    static constexpr const char* kCorePidFile = "./.ZervaCore.pid";

    explicit ZvOnlyAppLock(std::string pidFile = kCorePidFile) : _path(std::move(pidFile)) {}
    // Closes the pid file, which releases the lock.
    ~ZvOnlyAppLock();
    ZvOnlyAppLock(const ZvOnlyAppLock&) = delete;
    ZvOnlyAppLock& operator=(const ZvOnlyAppLock&) = delete;

    // The argument is ignored: the path is the constructor's. 0 when this object owns the lock
    // now (pid written), -1 when the file cannot be opened or created, -2 when another holder has
    // the lock (its content is then left untouched), -3 when locking or writing failed otherwise
    // (the file is closed again, so no lock is held). Prints " 1 ", " 2 ", " 3 " as it passes
    // its stages.
    int isOnly(const char* ignored = nullptr);

    // The pid the file names (readPid on this object's path).
    int getPid() const { return readPid(_path.c_str()); }

    // Reads a pid file whole (at most 31 bytes of it count) and converts it with atoi: the pid,
    // 0 for an empty or non-numeric file, -1 when it cannot be opened, -2 when fewer bytes were
    // read than the file holds.
    static int readPid(const char* path);

    const std::string& path() const { return _path; }
    int fd() const { return _fd; }

private:
    std::string _path;
    int _fd = 0;
};
