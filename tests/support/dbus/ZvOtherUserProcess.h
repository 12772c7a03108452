// A process of another user than the test's (nobody's when the test runs as root), whose pid a
// forged record claims: a core that believed a record's pid would take that user for its
// sender. Without root, pid 1 (root's) plays the part.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

class ZvOtherUserProcess {
public:
    ZvOtherUserProcess() {
        const passwd* pw = getpwnam("nobody");
        if (geteuid() != 0 || pw == nullptr) {
            _pid = 1;
            return;
        }
        _uid = pw->pw_uid;
        const gid_t gid = pw->pw_gid;
        _child = fork();
        if (_child == 0) {
            if (setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(_uid) == 0)
                pause();
            _exit(1);
        }
        _pid = _child;
    }
    ~ZvOtherUserProcess() {
        if (_child > 0) {
            kill(_child, SIGKILL);
            waitpid(_child, nullptr, 0);
        }
    }
    ZvOtherUserProcess(const ZvOtherUserProcess&) = delete;
    ZvOtherUserProcess& operator=(const ZvOtherUserProcess&) = delete;

    pid_t pid() const { return _pid; }
    // The other user's uid; 0 when pid 1 stands in.
    uid_t uid() const { return _uid; }

private:
    pid_t _pid = 0;
    pid_t _child = 0;
    uid_t _uid = 0;
};
