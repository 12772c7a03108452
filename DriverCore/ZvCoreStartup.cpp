#include "ZvCoreStartup.h"

#include "DcGlobal.h"
#include "ZvExePath.h"
#include "ZvLog.h"
#include "ZvLogCore.h"
#include "ZvPadSessionDll.h"

#include <fcntl.h>
#include <log4cplus/logger.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

bool parse_cmdline(int argc, char** argv) {
    if (argc > 1 && argv[1] != nullptr) {
        strncpy(g_g.configFile, argv[1], sizeof g_g.configFile - 1);
        g_g.configFile[sizeof g_g.configFile - 1] = '\0';
    }
    g_g.daemon = true;
    for (int i = 0; i < argc; ++i) {
        if (argv[i] != nullptr && strcasecmp(argv[i], "-d") == 0) {
            g_g.daemon = false;
            break;
        }
    }
    return true;
}

void InitDeamon() {
    pid_t pid = fork();
    if (pid > 0)
        _exit(0);
    (void)setsid();
    pid = fork();
    if (pid > 0)
        _exit(0);
    umask(0);
    zv_log_out(ZV_LL_INFO, "InitDeamon 3 forkpid=%d pid-%d,ppid=%d !\n", pid, getpid(), getppid());
    printf("InitDeamon 4 forkpid=%d pid-%d,ppid=%d !\n", pid, getpid(), getppid());
    fflush(stdout);
    for (int fd = getdtablesize(); fd >= 0; --fd)
        (void)close(fd);
    const int null = open("/dev/null", O_RDWR);
    (void)dup(null);
    (void)dup(null);
}

void reset_limit() {
    struct rlimit rl;
    memset(&rl, 0, sizeof rl);
    (void)getrlimit(RLIMIT_CORE, &rl);
    zv_log_out(ZV_LL_INFO, "rlim_cur=%ld,rlim_max=%ld\n", static_cast<long>(rl.rlim_cur),
               static_cast<long>(rl.rlim_max));
    rl.rlim_cur = 0x31FFFFF;
    rl.rlim_max = 0x3200000;
    (void)setrlimit(RLIMIT_CORE, &rl);
    (void)getrlimit(RLIMIT_CORE, &rl);
    zv_log_out(ZV_LL_INFO, "rlim_cur=%ld,rlim_max=%ld\n", static_cast<long>(rl.rlim_cur),
               static_cast<long>(rl.rlim_max));
}

const char* zerva_get_app_path() {
    static char path[520];
    if (zvcb_get_app_path(path, sizeof path) != 1)
        path[0] = '\0';
    return path;
}

const char* zerva_get_lib_path() {
    static char path[520];
    (void)zv_lib_path(nullptr, path, sizeof path);
    return path;
}

unsigned zv_core_log_threshold() {
    const log4cplus::Logger cat = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("my_cat"));
    // The quietest front-end level the logger still takes.
    unsigned threshold = ZV_LL_CRIT;
    for (unsigned level = ZV_LL_CRIT; level <= ZV_LL_DEBUG; ++level) {
        if (cat.isEnabledFor(zv_log_core_level(static_cast<int>(level))))
            threshold = level;
    }
    return threshold;
}

int zv_core_log_start() {
    const int r = zv_log_init("log.conf", "my_cat");
    if (r == 0) {
        zv_set_log_handler(log_handler_fun_arg);
        zv_set_log_threshold(zv_core_log_threshold());
    }
    return r;
}
