#include "ZvQuitSignal.h"

#include "DcGlobal.h"
#include "MsgHandler.h"
#include "ZvLog.h"

#include <chrono>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <thread>
#include <unistd.h>

std::atomic<uint8_t> g_QuitFlag{0};

namespace {

// Both ends live as long as the process: the handler may run at any time.
int g_quitPipe[2] = {-1, -1};
unsigned g_delayMs = 1000;

// write(2) and nothing else: the text is assembled by hand.
void signal_safe_else_line(int sig) {
    char text[64] = "\n\n\n --else Received quit signal ";
    size_t n = strlen(text);
    char digits[12];
    size_t d = 0;
    unsigned v = static_cast<unsigned>(sig);
    do {
        digits[d++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 && d < sizeof digits);
    while (d > 0)
        text[n++] = digits[--d];
    memcpy(text + n, ", quiting \n", 11);
    n += 11;
    ssize_t w = write(STDOUT_FILENO, text, n);
    (void)w;
}

void* quit_thread(void*) {
    unsigned char sig = 0;
    for (;;) {
        const ssize_t r = read(g_quitPipe[0], &sig, 1);
        if (r == 1)
            break;
        if (r < 0 && errno == EINTR)
            continue;
        return nullptr; // the pipe is gone: nothing can signal any more
    }
    printf("\n\n\n -- Received quit signal %d, quiting\n", sig);
    fflush(stdout);
    zv_log_out(ZV_LL_NOTICE, "quit signal %d: tablets back to their own mode", sig);
    if (MsgHandler* h = g_g.msgHandler)
        h->requestNoDriverModeExit();
    std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    printf("signal %d, quiting\n", sig);
    fflush(stdout);
    // Not exit(): the event loop and the library threads still run, and static destructors
    // would pull their libraries from under them. The kernel removes the virtual devices and
    // releases the pid-file lock.
    _exit(0);
}

} // namespace

void zv_signal_quit_handler(int sig) {
    const int saved = errno;
    if (g_QuitFlag.exchange(1) != 0) {
        signal_safe_else_line(sig);
    } else {
        const unsigned char s = static_cast<unsigned char>(sig);
        ssize_t w = write(g_quitPipe[1], &s, 1);
        (void)w;
    }
    errno = saved;
}

bool zv_install_quit_handler(unsigned delayMs) {
    g_delayMs = delayMs;
    if (g_quitPipe[0] < 0 && pipe2(g_quitPipe, O_CLOEXEC) != 0) {
        zv_log_out(ZV_LL_ERR, "quit handler: no pipe: %s", strerror(errno));
        return false;
    }
    pthread_t tid;
    const int err = pthread_create(&tid, nullptr, quit_thread, nullptr);
    if (err != 0) {
        zv_log_out(ZV_LL_ERR, "quit handler: no thread: %s", strerror(err));
        return false;
    }
    // Runs until the process ends; nothing joins it.
    (void)pthread_detach(tid);
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = zv_signal_quit_handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (sigaction(SIGUSR1, &sa, nullptr) != 0) {
        zv_log_out(ZV_LL_ERR, "quit handler: sigaction: %s", strerror(errno));
        return false;
    }
    return true;
}
