#include "ZvLogCore.h"

#include "ZvExePath.h"
#include "ZvLog.h"

#include <log4cplus/config.hxx>
#include <log4cplus/configurator.h>
#include <log4cplus/hierarchy.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kCategory = "my_cat";
// log4cplus has no notice level; it sits between warn and info.
constexpr log4cplus::LogLevel kNoticeLevel = 25000;
constexpr size_t kLineMax = 264;

std::mutex g_initLock;
log4cplus::Logger* g_cat = nullptr; // written under g_initLock, published through g_catReady
std::atomic<bool> g_catReady{false};

const log4cplus::tstring& notice_to_string(log4cplus::LogLevel level) {
    static const log4cplus::tstring name = LOG4CPLUS_TEXT("NOTICE");
    static const log4cplus::tstring none;
    return level == kNoticeLevel ? name : none;
}

log4cplus::LogLevel notice_from_string(const log4cplus::tstring& name) {
    return name == LOG4CPLUS_TEXT("NOTICE") ? kNoticeLevel : log4cplus::NOT_SET_LOG_LEVEL;
}

void ensure_log4cplus() {
    // Never destroyed: library threads may still log while the process exits.
    static log4cplus::Initializer* initializer = [] {
        auto* init = new log4cplus::Initializer();
        log4cplus::getLogLevelManager().pushToStringMethod(&notice_to_string);
        log4cplus::getLogLevelManager().pushFromStringMethod(&notice_from_string);
        return init;
    }();
    (void)initializer;
}

// A file that cannot be read, or that configures no logger at all, is not a configuration.
bool load_properties(const std::string& path, log4cplus::helpers::Properties& props) {
    std::ifstream in(path);
    if (!in)
        return false;
    props = log4cplus::helpers::Properties(in);
    for (const auto& name : props.propertyNames()) {
        if (name == LOG4CPLUS_TEXT("log4cplus.rootLogger") ||
            name.rfind(LOG4CPLUS_TEXT("log4cplus.logger."), 0) == 0)
            return true;
    }
    return false;
}

std::string exe_dir() {
    char dir[520];
    return zv_exe_dir(dir, sizeof dir) ? std::string(dir) + "/" : std::string();
}

} // namespace

int zv_log_core_level(int level) {
    switch (level) {
    case ZV_LL_CRIT:
        return log4cplus::FATAL_LOG_LEVEL;
    case ZV_LL_ERR:
        return log4cplus::ERROR_LOG_LEVEL;
    case ZV_LL_WARN:
        return log4cplus::WARN_LOG_LEVEL;
    case ZV_LL_NOTICE:
        return kNoticeLevel;
    case ZV_LL_INFO:
        return log4cplus::INFO_LOG_LEVEL;
    default:
        return log4cplus::DEBUG_LOG_LEVEL;
    }
}

void zv_log_core_before_fork() {
    // A child forked with them running has none of them, and log4cplus waits for them at exit:
    // the detached daemon would hang on its way out.
    log4cplus::deinitialize();
}

void zv_log_core_reset() {
    std::lock_guard<std::mutex> guard(g_initLock);
    g_catReady.store(false, std::memory_order_release);
    ensure_log4cplus();
    log4cplus::Logger::getDefaultHierarchy().resetConfiguration();
}

int zv_log_init_file(const char* fullPath) {
    printf("XXXXXlog cfgPath={%s}\n", fullPath);
    fflush(stdout);
    zv_log_core_reset();
    std::lock_guard<std::mutex> guard(g_initLock);

    log4cplus::helpers::Properties props;
    if (!load_properties(fullPath, props)) {
        printf("init failed");
        fflush(stdout);
        return -1;
    }
    // The category exists only when the file declares it; loggers made by earlier
    // configurations live on in the hierarchy and do not count.
    if (!props.exists(LOG4CPLUS_TEXT("log4cplus.logger.") + log4cplus::tstring(kCategory))) {
        printf("get cat fail");
        fflush(stdout);
        return -2;
    }
    log4cplus::PropertyConfigurator(props).configure();
    if (g_cat == nullptr)
        g_cat = new log4cplus::Logger(log4cplus::Logger::getInstance(LOG4CPLUS_TEXT(kCategory)));
    g_catReady.store(true, std::memory_order_release);
    printf("zv_log_init OKOKOK ! ");
    fflush(stdout);
    g_cat->log(log4cplus::INFO_LOG_LEVEL,
               LOG4CPLUS_TEXT("log test start" + std::string(83, '-') + ">"));
    g_cat->log(log4cplus::INFO_LOG_LEVEL, LOG4CPLUS_TEXT("log test end " + std::string(88, '-')));
    return 0;
}

int zv_log_init(const char* /*cfgPath*/, const char* /*category*/) {
    // The user service points at a configuration that writes where its user can (the journal);
    // the shipped one writes to /var/log/zerva, which only root can.
    const char* chosen = getenv("ZERVA_LOG_CONF");
    if (chosen != nullptr && chosen[0] == '/')
        return zv_log_init_file(chosen);
    return zv_log_init_file((exe_dir() + "log.conf").c_str());
}

void log_handler_fun_arg(int level, const char* format, va_list args) {
    if (!g_catReady.load(std::memory_order_acquire))
        return;
    const log4cplus::LogLevel ll = zv_log_core_level(level);
    if (!g_cat->isEnabledFor(ll))
        return;
    char line[kLineMax];
    vsnprintf(line, sizeof line, format, args);
    g_cat->forcedLog(ll, LOG4CPLUS_TEXT(line));
}
