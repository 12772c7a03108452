#include "ZvUserSignal.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

volatile sig_atomic_t g_ShowMainWindowFlag = 0;

namespace {

// Made once and kept for the life of the process: the handler may run at any time.
int g_pipe[2] = {-1, -1};

} // namespace

void zv_signal_handler(int sig) {
    if (sig != SIGUSR1)
        return;
    const int saved = errno;
    g_ShowMainWindowFlag = 1;
    const char byte = 1;
    // A full pipe already holds a pending request: losing this byte loses nothing.
    (void)!write(g_pipe[1], &byte, 1);
    errno = saved;
}

bool registUserSignal() {
    if (g_pipe[0] < 0) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        g_pipe[0] = fds[0];
        g_pipe[1] = fds[1];
    }
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = zv_signal_handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return sigaction(SIGUSR1, &sa, nullptr) == 0;
}

int zv_show_request_fd() {
    return g_pipe[0];
}

bool zv_take_show_request() {
    bool pending = false;
    char buf[64];
    if (g_pipe[0] >= 0)
        while (read(g_pipe[0], buf, sizeof buf) > 0)
            pending = true;
    if (g_ShowMainWindowFlag != 0) {
        g_ShowMainWindowFlag = 0;
        pending = true;
    }
    return pending;
}
