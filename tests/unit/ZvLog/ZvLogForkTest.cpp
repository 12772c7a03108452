// The daemon forks to detach after log4cplus was loaded. Alone in its process, because it shuts
// log4cplus's worker threads down for good.
#include "ZvLog.h"
#include "ZvLogCore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <stdarg.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Threads of the sanitizer's runtime, which it carries over a fork itself.
#if defined(__SANITIZE_THREAD__)
constexpr int kRuntimeThreads = 1;
#else
constexpr int kRuntimeThreads = 0;
#endif

int thread_count() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(d))
            n += e->d_name[0] != '.' ? 1 : 0;
        closedir(d);
    }
    return n;
}

void emit(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    log_handler_fun_arg(level, format, args);
    va_end(args);
}

// The child's exit status, or -1 when it has not ended within ms (it is then killed).
int wait_child(pid_t pid, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (std::chrono::steady_clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

TEST(ZvLogFork, ChildOfADetachingProcessLogsAndExits) {
    char tmpl[] = "/tmp/zvlogfork.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string conf = dir + "/log.conf";
    const std::string log = dir + "/out.log";
    std::ofstream(conf) << "log4cplus.logger.my_cat=INFO, f\n"
                           "log4cplus.appender.f=log4cplus::FileAppender\n"
                           "log4cplus.appender.f.File="
                        << log
                        << "\n"
                           "log4cplus.appender.f.layout=log4cplus::PatternLayout\n"
                           "log4cplus.appender.f.layout.ConversionPattern=%p|%m%n\n";

    const int alone = 1 + kRuntimeThreads;
    ASSERT_GT(thread_count(), alone) << "log4cplus is expected to start threads when loaded";
    zv_log_core_before_fork();
    // A joined thread can stay listed for a moment after the join returned.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (thread_count() > alone && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(thread_count(), alone);

    fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // As the detached daemon: start logging, log, and leave through the normal exit path.
        if (zv_log_init_file(conf.c_str()) != 0)
            _exit(3);
        emit(ZV_LL_NOTICE, "detached %d", 7);
        exit(0);
    }
    EXPECT_EQ(wait_child(child, 10000), 0) << "the child hung on its way out, or failed";
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("NOTICE|detached 7\n"), std::string::npos) << text.str();
    (void)system(("rm -rf " + dir).c_str());
}
