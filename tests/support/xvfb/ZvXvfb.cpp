#include "ZvXvfb.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <utility>

namespace {

const char kXvfb[] = "/usr/bin/Xvfb";
const char kXrandr[] = "/usr/bin/xrandr";
// Xvfb's single RandR output. Giving it to the first monitor removes the whole-screen monitor
// the server would otherwise list beside ours (an output's own monitor cannot be deleted).
const char kXvfbOutput[] = "screen";
// The fd on which Xvfb writes its display number once it accepts connections.
const int kDisplayFd = 3;
const int kStartMs = 10000;
const int kStopMs = 5000;

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

long long nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

// 96 dpi, which is what the server assumes for a monitor of unknown size.
int toMm(int px) {
    const int mm = px * 254 / 960;
    return mm > 0 ? mm : 1;
}

// Runs argv[0] with these arguments and waits for it; its standard output goes to /dev/null,
// its errors stay on ours so that a failing xrandr explains itself in the test log.
int runAndWait(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0)
            dup2(null, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

ZvXvfb::ZvXvfb(int width, int height, std::vector<std::string> extraArgs)
    : _width(width), _height(height), _extraArgs(std::move(extraArgs)) {
    if (access(kXvfb, X_OK) != 0) {
        _reason = std::string(kXvfb) + " is not installed";
        _missing = true;
        return;
    }
    if (!start())
        return;
    const char* old = getenv("DISPLAY");
    _hadDisplay = old != nullptr;
    if (old)
        _savedDisplay = old;
    setenv("DISPLAY", _display.c_str(), 1);
}

ZvXvfb::~ZvXvfb() {
    if (!available())
        return;
    stop();
    if (_hadDisplay)
        setenv("DISPLAY", _savedDisplay.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

// Xvfb picks the display number itself (-displayfd): it tries the numbers in turn and takes the
// first whose lock file it can create, which no other process can race, and writes the number to
// the pipe only once it accepts connections. So readiness is an event to wait for, not a guess.
bool ZvXvfb::start() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        _reason = std::string("pipe: ") + strerror(errno);
        return false;
    }
    // Everything the child needs is built before fork: the child only calls async-signal-safe
    // functions.
    const std::string geometry = std::to_string(_width) + "x" + std::to_string(_height) + "x24";
    const std::string displayFd = std::to_string(kDisplayFd);
    std::vector<const char*> argv{"Xvfb",     "-displayfd", displayFd.c_str(),
                                  "-noreset", "-nolisten",  "tcp",
                                  "-screen",  "0",          geometry.c_str()};
    for (const std::string& a : _extraArgs)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    // The server's complaints, kept for reason() when it does not come up.
    const int errFd = memfd_create("xvfb-stderr", MFD_CLOEXEC);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        _reason = std::string("fork: ") + strerror(errno);
        close(fds[0]);
        close(fds[1]);
        if (errFd >= 0)
            close(errFd);
        return false;
    }
    if (pid == 0) {
        (void)prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        if (fds[1] == kDisplayFd)
            (void)fcntl(kDisplayFd, F_SETFD, 0);
        else if (dup2(fds[1], kDisplayFd) < 0)
            _exit(126);
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(errFd >= 0 ? errFd : null, STDERR_FILENO);
        }
        execv(kXvfb, const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    close(fds[1]);
    _pid = pid;
    _pidfd = int(syscall(SYS_pidfd_open, pid, 0));

    std::string number;
    const long long deadline = nowMs() + kStartMs;
    bool done = false;
    while (!done) {
        const long long left = deadline - nowMs();
        if (left <= 0) {
            _reason = "Xvfb did not report a display within 10 s";
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int n = poll(&p, 1, int(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            continue;
        char buf[32];
        const ssize_t got = read(fds[0], buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            _reason = "Xvfb exited before accepting connections";
            break;
        }
        for (ssize_t i = 0; i < got && !done; ++i) {
            if (buf[i] == '\n')
                done = true;
            else if (buf[i] >= '0' && buf[i] <= '9' && number.size() < 8)
                number += buf[i];
        }
    }
    close(fds[0]);
    if (done && !number.empty()) {
        _display = ":" + number;
        // The number came from the server, but a test needs the connection: prove it.
        if (DisplayPtr(XOpenDisplay(_display.c_str()))) {
            if (errFd >= 0)
                close(errFd);
            return true;
        }
        _reason = "Xvfb reported " + _display + " but XOpenDisplay failed";
    } else if (done) {
        _reason = "Xvfb reported no display number";
    }
    stop();
    if (errFd >= 0) {
        char text[512];
        const ssize_t got = pread(errFd, text, sizeof text - 1, 0);
        if (got > 0)
            _reason += ": " + std::string(text, size_t(got));
        close(errFd);
    }
    return false;
}

void ZvXvfb::stop() {
    if (_pid <= 0)
        return;
    (void)kill(_pid, SIGTERM);
    bool exited = false;
    if (_pidfd >= 0) {
        pollfd p{_pidfd, POLLIN, 0};
        int n;
        while ((n = poll(&p, 1, kStopMs)) < 0 && errno == EINTR) {
        }
        exited = n > 0;
    }
    if (!exited && _pidfd >= 0)
        (void)kill(_pid, SIGKILL);
    int status = 0;
    while (waitpid(_pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (_pidfd >= 0)
        close(_pidfd);
    _pidfd = -1;
    _pid = -1;
}

bool ZvXvfb::runXrandr(const std::vector<std::string>& args) {
    if (access(kXrandr, X_OK) != 0) {
        _reason = std::string(kXrandr) + " is not installed";
        return false;
    }
    std::vector<std::string> all{kXrandr, "-display", _display};
    all.insert(all.end(), args.begin(), args.end());
    const int rc = runAndWait(all);
    if (rc != 0) {
        _reason = "xrandr failed with status " + std::to_string(rc);
        return false;
    }
    return true;
}

bool ZvXvfb::setMonitors(const std::vector<ZvXvfbMonitor>& monitors) {
    if (!available() || monitors.empty() || monitors.size() > 16)
        return false;
    // Delete first: the new first monitor takes the output, and a monitor's name is its key.
    if (_monitorCount > 0) {
        std::vector<std::string> del;
        for (unsigned i = 0; i < _monitorCount; ++i) {
            del.push_back("--delmonitor");
            del.push_back("ZV" + std::to_string(i));
        }
        if (!runXrandr(del))
            return false;
        _monitorCount = 0;
    }
    std::vector<std::string> set;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const ZvXvfbMonitor& m = monitors[i];
        char geometry[96];
        // "+-1920" is how xrandr takes a negative position; "-1920" is refused.
        snprintf(geometry, sizeof geometry, "%d/%dx%d/%d+%d+%d", m.width, toMm(m.width), m.height,
                 toMm(m.height), m.x, m.y);
        set.push_back("--setmonitor");
        set.push_back("ZV" + std::to_string(i));
        set.push_back(geometry);
        set.push_back(i == 0 ? kXvfbOutput : "none");
    }
    if (!runXrandr(set))
        return false;
    _monitorCount = unsigned(monitors.size());
    return true;
}

bool ZvXvfb::warpPointer(int x, int y) {
    if (!available())
        return false;
    DisplayPtr d(XOpenDisplay(_display.c_str()));
    if (!d)
        return false;
    XWarpPointer(d.get(), None, DefaultRootWindow(d.get()), 0, 0, 0, 0, x, y);
    XSync(d.get(), False);
    return true;
}

std::vector<ZvXvfbMonitor> ZvXvfb::one() {
    return {{0, 0, 1920, 1080}};
}

std::vector<ZvXvfbMonitor> ZvXvfb::sideBySide() {
    return {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}};
}

std::vector<ZvXvfbMonitor> ZvXvfb::stacked() {
    return {{0, 0, 1920, 1080}, {0, 1080, 1920, 1080}};
}

std::vector<ZvXvfbMonitor> ZvXvfb::negative() {
    return {{0, 0, 1920, 1080}, {-1920, 0, 1920, 1080}};
}
