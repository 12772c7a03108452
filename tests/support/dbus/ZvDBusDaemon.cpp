#include "ZvDBusDaemon.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

const char kDaemon[] = "/usr/bin/dbus-daemon";
// The fd on which the daemon writes its address once it accepts connections.
const int kAddressFd = 3;
const int kStartMs = 10000;

const char kConfig[] =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>%s
  </policy>
</busconfig>
)";

long long nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

} // namespace

ZvDBusDaemon::ZvDBusDaemon(bool allUsers) : _allUsers(allUsers) {
    if (access(kDaemon, X_OK) != 0) {
        _reason = std::string(kDaemon) + " is not installed";
        _missing = true;
        return;
    }
    if (!start())
        return;
    const char* old = getenv("DBUS_SESSION_BUS_ADDRESS");
    _hadAddress = old != nullptr;
    if (old)
        _savedAddress = old;
    setenv("DBUS_SESSION_BUS_ADDRESS", _address.c_str(), 1);
}

ZvDBusDaemon::~ZvDBusDaemon() {
    if (available()) {
        stop();
        if (_hadAddress)
            setenv("DBUS_SESSION_BUS_ADDRESS", _savedAddress.c_str(), 1);
        else
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    if (!_dir.empty()) {
        (void)unlink((_dir + "/session.conf").c_str());
        (void)rmdir(_dir.c_str()); // the daemon removes its socket itself
    }
}

// --print-address writes the address only once the daemon listens, so readiness is an event to
// wait for rather than a guess.
bool ZvDBusDaemon::start() {
    char dir[] = "/tmp/zvdbus-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        _reason = std::string("mkdtemp: ") + strerror(errno);
        return false;
    }
    _dir = dir;
    const std::string conf = _dir + "/session.conf";
    FILE* f = fopen(conf.c_str(), "we");
    if (f == nullptr) {
        _reason = "cannot write " + conf;
        return false;
    }
    fprintf(f, kConfig, _dir.c_str(), _allUsers ? "\n    <allow user=\"*\"/>" : "");
    fclose(f);
    // The socket is made in this folder: others must be able to reach it.
    if (_allUsers)
        (void)chmod(_dir.c_str(), 0711);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        _reason = std::string("pipe: ") + strerror(errno);
        return false;
    }
    const std::string confArg = "--config-file=" + conf;
    const std::string printArg = "--print-address=" + std::to_string(kAddressFd);
    const char* argv[] = {"dbus-daemon", confArg.c_str(), printArg.c_str(),
                          "--nofork",    "--nosyslog",    nullptr};
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        _reason = std::string("fork: ") + strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        (void)prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        if (fds[1] == kAddressFd)
            (void)fcntl(kAddressFd, F_SETFD, 0);
        else if (dup2(fds[1], kAddressFd) < 0)
            _exit(126);
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
        }
        execv(kDaemon, const_cast<char* const*>(argv));
        _exit(127);
    }
    close(fds[1]);
    _pid = pid;

    std::string line;
    bool done = false;
    const long long deadline = nowMs() + kStartMs;
    while (!done) {
        const long long left = deadline - nowMs();
        if (left <= 0) {
            _reason = "dbus-daemon did not print its address within 10 s";
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int n = poll(&p, 1, int(left));
        if (n <= 0)
            continue;
        char buf[256];
        const ssize_t got = read(fds[0], buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            _reason = "dbus-daemon exited before listening";
            break;
        }
        for (ssize_t i = 0; i < got && !done; ++i) {
            if (buf[i] == '\n')
                done = true;
            else
                line += buf[i];
        }
    }
    close(fds[0]);
    if (done && !line.empty()) {
        _address = line;
        return true;
    }
    stop();
    return false;
}

void ZvDBusDaemon::stop() {
    if (_pid <= 0)
        return;
    (void)kill(_pid, SIGTERM);
    int status = 0;
    while (waitpid(_pid, &status, 0) < 0 && errno == EINTR) {
    }
    _pid = -1;
}
