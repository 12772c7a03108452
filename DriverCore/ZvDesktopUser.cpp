#include "ZvDesktopUser.h"

#include "ZvLog.h"
#include "ZvUniqueFd.h"

#include <atomic>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr long kNoUser = -1;
// The user of the settings application that last talked to the core, as the bus names it.
std::atomic<long> g_settingsAppUid{kNoUser};

struct Account {
    std::string name;
    std::string home;
    gid_t gid = 0;
    std::vector<gid_t> groups;
};

bool lookup_account(uid_t uid, Account& out) {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd pw;
    passwd* found = nullptr;
    while (getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == ERANGE)
        buf.resize(buf.size() * 2);
    if (found == nullptr)
        return false;
    out.name = pw.pw_name;
    out.home = pw.pw_dir != nullptr && pw.pw_dir[0] != '\0' ? pw.pw_dir : "/";
    out.gid = pw.pw_gid;
    int count = 16;
    for (;;) {
        out.groups.resize(static_cast<size_t>(count));
        const int want = count;
        if (getgrouplist(pw.pw_name, pw.pw_gid, out.groups.data(), &count) >= 0) {
            out.groups.resize(static_cast<size_t>(count));
            return true;
        }
        if (count <= want)
            count = want * 2;
    }
}

} // namespace

void zv_set_desktop_user_uid(uid_t uid) {
    const long was = g_settingsAppUid.exchange(static_cast<long>(uid));
    if (was == static_cast<long>(uid))
        return;
    if (uid == 0)
        zv_log_out(ZV_LL_INFO, "the settings application runs as root: bound programs run as "
                               "the owner of the model's settings file");
    else
        zv_log_out(ZV_LL_INFO,
                   "the settings application runs as uid %u: bound programs run as "
                   "that user",
                   static_cast<unsigned>(uid));
}

void zv_forget_desktop_user() {
    g_settingsAppUid.store(kNoUser);
}

int zv_find_desktop_user(const char* userCfgPath, uid_t* uid) {
    const long app = g_settingsAppUid.load();
    if (app != kNoUser && app != 0) {
        *uid = static_cast<uid_t>(app);
        return 0;
    }
    struct stat st;
    if (userCfgPath != nullptr && stat(userCfgPath, &st) == 0 && st.st_uid != 0) {
        *uid = st.st_uid;
        return 0;
    }
    const char* app_state = app == kNoUser ? "has not talked to the core" : "runs as root";
    if (userCfgPath == nullptr)
        zv_log_out(ZV_LL_WARN, "no desktop user: the settings application %s", app_state);
    else
        zv_log_out(ZV_LL_WARN,
                   "no desktop user: the settings application %s and %s is missing or root's",
                   app_state, userCfgPath);
    return -3;
}

int zv_spawn_as_user(const char* cmd, uid_t uid) {
    if (cmd == nullptr || uid == 0)
        return -22;
    Account account;
    if (!lookup_account(uid, account)) {
        zv_log_out(ZV_LL_WARN, "user %u has no account entry; \"%s\" is not started",
                   static_cast<unsigned>(uid), cmd);
        return -3;
    }

    // Everything the child needs is prepared here: between fork and exec only async-signal-safe
    // calls are allowed, since another thread of the core may hold a lock (malloc's, stdio's)
    // that the child would wait on forever.
    std::vector<std::string> env = {"HOME=" + account.home, "USER=" + account.name,
                                    "LOGNAME=" + account.name, "PATH=/usr/local/bin:/usr/bin:/bin"};
    if (const char* display = getenv("DISPLAY"))
        env.push_back(std::string("DISPLAY=") + display);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);
    char sh[] = "/bin/sh";
    char dashC[] = "-c";
    std::string command = cmd;
    char* argv[] = {sh, dashC, &command[0], nullptr};
    const char* home = account.home.c_str();
    const gid_t gid = account.gid;
    const gid_t* groups = account.groups.data();
    const size_t groupCount = account.groups.size();
    ZvUniqueFd devNull(open("/dev/null", O_RDWR | O_CLOEXEC));
    const int nullFd = devNull.get();

    const pid_t child = fork();
    if (child < 0) {
        zv_log_out(ZV_LL_ERR, "cannot start \"%s\" (fork errno %d)", cmd, errno);
        return -2;
    }
    if (child == 0) {
        // The middle process only detaches the program into a session of its own and ends, so
        // the core has one short-lived child to reap and the program belongs to init.
        (void)setsid();
        const pid_t program = fork();
        if (program != 0)
            _exit(program < 0 ? 1 : 0);
        sigset_t none;
        sigemptyset(&none);
        (void)sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl;
        memset(&dfl, 0, sizeof dfl);
        dfl.sa_handler = SIG_DFL;
        (void)sigaction(SIGPIPE, &dfl, nullptr);
        (void)sigaction(SIGCHLD, &dfl, nullptr);
        // The daemon clears its umask; the user's program must not create world-writable files.
        (void)umask(022);
        if (nullFd >= 0) {
            (void)dup2(nullFd, STDIN_FILENO);
            (void)dup2(nullFd, STDOUT_FILENO);
            (void)dup2(nullFd, STDERR_FILENO);
        }
        // Groups first: after setuid the process may no longer change them. Any failure ends
        // the child rather than running the program with root's rights.
        if (setgroups(groupCount, groups) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(126);
        if (getuid() == 0 || geteuid() == 0 || getegid() != gid)
            _exit(126);
        if (chdir(home) != 0)
            (void)chdir("/");
        (void)close_range(3, ~0U, 0);
        execve(sh, argv, envp.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        zv_log_out(ZV_LL_ERR, "cannot start \"%s\" (fork failed in the child)", cmd);
        return -2;
    }
    return 0;
}
