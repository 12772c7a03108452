// The uinput capture: put in front of a program with LD_PRELOAD, it answers every open of
// /dev/uinput with a handle of its own and logs what the program does with it (README.md).
// Every other file goes straight to the C library, found with dlsym(RTLD_NEXT).
//
// The handle is a real descriptor of /dev/null, so the number is the program's to keep and any
// call we do not wrap (fcntl, poll, read) still works on it.
#include "CapDevice.h"

#include <atomic>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <mutex>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

#define CAP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using OpenFn = int (*)(const char*, int, ...);
using OpenatFn = int (*)(int, const char*, int, ...);
using Open2Fn = int (*)(const char*, int);
using Openat2Fn = int (*)(int, const char*, int);
using IoctlFn = int (*)(int, unsigned long, ...);
using WriteFn = ssize_t (*)(int, const void*, size_t);
using CloseFn = int (*)(int);

template <typename Fn> Fn next(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// Resolved on first use: the wrappers can be called before this library's constructors run.
OpenFn real_open() {
    static const OpenFn fn = next<OpenFn>("open");
    return fn;
}
IoctlFn real_ioctl() {
    static const IoctlFn fn = next<IoctlFn>("ioctl");
    return fn;
}
WriteFn real_write() {
    static const WriteFn fn = next<WriteFn>("write");
    return fn;
}
CloseFn real_close() {
    static const CloseFn fn = next<CloseFn>("close");
    return fn;
}

constexpr int kMaxFd = 4096;

// Emulated handles by descriptor. The pointer is read without the lock so that calls on other
// files cost one load; everything that touches a device holds g_lock, which also makes each
// write one indivisible step, as it is in the kernel.
std::atomic<CapDevice*> g_devices[kMaxFd];
std::mutex g_lock;
unsigned g_serial = 0;
// -1: not opened yet; -2: no log wanted (variable unset) or the file cannot be opened.
int g_logFd = -1;

CapDevice* device_of(int fd) {
    if (fd < 0 || fd >= kMaxFd)
        return nullptr;
    return g_devices[fd].load(std::memory_order_acquire);
}

bool fails(const char* what) {
    const char* list = getenv("ZV_UINPUTCAP_FAIL");
    return list != nullptr && strstr(list, what) != nullptr;
}

bool is_uinput(const char* path) {
    return path != nullptr &&
           (strcmp(path, "/dev/uinput") == 0 || strcmp(path, "/dev/input/uinput") == 0);
}

// Called with g_lock held.
void emit(const std::string& lines) {
    if (lines.empty())
        return;
    if (g_logFd == -1) {
        const char* path = getenv("ZV_UINPUTCAP_LOG");
        int fd = -1;
        if (path != nullptr && *path != '\0')
            fd = real_open()(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        g_logFd = fd >= 0 ? fd : -2;
    }
    if (g_logFd < 0)
        return;
    // O_APPEND keeps lines of several processes sharing the log whole.
    const char* p = lines.data();
    size_t left = lines.size();
    while (left > 0) {
        const ssize_t n = real_write()(g_logFd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

int cap_open(int flags) {
    if (fails("open")) {
        errno = ENOENT;
        return -1;
    }
    const int fd = real_open()("/dev/null", O_RDWR | (flags & (O_CLOEXEC | O_NONBLOCK)));
    if (fd < 0)
        return -1;
    if (fd >= kMaxFd) {
        real_close()(fd);
        errno = EMFILE;
        return -1;
    }
    std::lock_guard<std::mutex> hold(g_lock);
    // A slot still in use means the descriptor was closed behind our back (dup2, close_range).
    delete g_devices[fd].exchange(new CapDevice(fd, ++g_serial), std::memory_order_acq_rel);
    return fd;
}

mode_t mode_arg(int flags, va_list args) {
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE)
        return static_cast<mode_t>(va_arg(args, unsigned));
    return 0;
}

int open_any(const char* name, const char* path, int flags, mode_t mode) {
    if (is_uinput(path))
        return cap_open(flags);
    static const OpenFn open64_fn = next<OpenFn>("open64");
    const OpenFn fn = strcmp(name, "open64") == 0 ? open64_fn : real_open();
    return fn(path, flags, mode);
}

int openat_any(const char* name, int dirfd, const char* path, int flags, mode_t mode) {
    if (is_uinput(path))
        return cap_open(flags);
    static const OpenatFn openat_fn = next<OpenatFn>("openat");
    static const OpenatFn openat64_fn = next<OpenatFn>("openat64");
    const OpenatFn fn = strcmp(name, "openat64") == 0 ? openat64_fn : openat_fn;
    return fn(dirfd, path, flags, mode);
}

} // namespace

CAP_EXPORT int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_arg(flags, args);
    va_end(args);
    return open_any("open", path, flags, mode);
}

CAP_EXPORT int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_arg(flags, args);
    va_end(args);
    return open_any("open64", path, flags, mode);
}

CAP_EXPORT int openat(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_arg(flags, args);
    va_end(args);
    return openat_any("openat", dirfd, path, flags, mode);
}

CAP_EXPORT int openat64(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_arg(flags, args);
    va_end(args);
    return openat_any("openat64", dirfd, path, flags, mode);
}

// The checked variants that _FORTIFY_SOURCE builds call instead of open and openat.
CAP_EXPORT int __open_2(const char* path, int flags) {
    if (is_uinput(path))
        return cap_open(flags);
    static const Open2Fn fn = next<Open2Fn>("__open_2");
    return fn(path, flags);
}

CAP_EXPORT int __open64_2(const char* path, int flags) {
    if (is_uinput(path))
        return cap_open(flags);
    static const Open2Fn fn = next<Open2Fn>("__open64_2");
    return fn(path, flags);
}

CAP_EXPORT int __openat_2(int dirfd, const char* path, int flags) {
    if (is_uinput(path))
        return cap_open(flags);
    static const Openat2Fn fn = next<Openat2Fn>("__openat_2");
    return fn(dirfd, path, flags);
}

CAP_EXPORT int __openat64_2(int dirfd, const char* path, int flags) {
    if (is_uinput(path))
        return cap_open(flags);
    static const Openat2Fn fn = next<Openat2Fn>("__openat64_2");
    return fn(dirfd, path, flags);
}

CAP_EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (device_of(fd) == nullptr)
        return real_ioctl()(fd, request, arg);
    std::lock_guard<std::mutex> hold(g_lock);
    CapDevice* dev = device_of(fd);
    if (dev == nullptr) {
        errno = EBADF;
        return -1;
    }
    std::string lines;
    const int result = dev->ioctl(request, arg, request == UI_DEV_CREATE && fails("create"), lines);
    emit(lines);
    if (result < 0) {
        errno = -result;
        return -1;
    }
    return result;
}

CAP_EXPORT ssize_t write(int fd, const void* buf, size_t size) {
    if (device_of(fd) == nullptr)
        return real_write()(fd, buf, size);
    std::lock_guard<std::mutex> hold(g_lock);
    CapDevice* dev = device_of(fd);
    if (dev == nullptr) {
        errno = EBADF;
        return -1;
    }
    std::string lines;
    const long result = dev->write(buf, size, lines);
    emit(lines);
    if (result < 0) {
        errno = static_cast<int>(-result);
        return -1;
    }
    return result;
}

CAP_EXPORT int close(int fd) {
    if (device_of(fd) != nullptr) {
        std::lock_guard<std::mutex> hold(g_lock);
        if (CapDevice* dev = g_devices[fd].exchange(nullptr, std::memory_order_acq_rel)) {
            std::string lines;
            dev->close(lines);
            emit(lines);
            delete dev;
        }
    }
    return real_close()(fd);
}
