#include "ZvLog.h"

#include <atomic>
#include <stdio.h>

namespace {

std::atomic<ZV_LOG_HANDLER> g_handler{nullptr};
std::atomic<unsigned> g_threshold{ZV_LL_DEBUG};

// Dumps carry a syslog level or one of the debug categories; categories count as info.
unsigned dump_level(unsigned level) {
    return (level >= ZV_LL_CRIT && level <= ZV_LL_NOTICE) ? level : unsigned(ZV_LL_INFO);
}

} // namespace

void zv_set_log_threshold(unsigned maxLevel) {
    g_threshold.store(maxLevel, std::memory_order_relaxed);
}

bool zv_log_enabled(unsigned level) {
    const unsigned effective = level > ZV_LL_DEBUG ? unsigned(ZV_LL_INFO) : level;
    return effective <= g_threshold.load(std::memory_order_relaxed);
}

extern "C" void zv_log_out(unsigned level, const char* format, ...) {
    if (!zv_log_enabled(level))
        return;
    va_list args;
    va_start(args, format);
    if (ZV_LOG_HANDLER handler = g_handler.load(std::memory_order_acquire)) {
        handler(static_cast<int>(level), format, args);
    } else {
        // One line at a time even when several threads log at once.
        flockfile(stdout);
        vfprintf(stdout, format, args);
        fputc('\n', stdout);
        fflush(stdout);
        funlockfile(stdout);
    }
    va_end(args);
}

extern "C" ZV_EXPORT void zv_set_log_handler(ZV_LOG_HANDLER cb) {
    g_handler.store(cb, std::memory_order_release);
}

extern "C" void zv_logb(unsigned level, const th_u8* buf, unsigned size) {
    if (buf == nullptr)
        return;
    if (size == 0 || size > ZV_LOGB_MAX) {
        zv_log_out(ZV_LL_ERR, "error log buf size %d!", static_cast<int>(size));
        return;
    }
    const unsigned out = dump_level(level);
    if (!zv_log_enabled(out))
        return;
    // Header, five characters a byte, a newline every 16 bytes and the closing bar.
    char text[32 + ZV_LOGB_MAX * 5 + ZV_LOGB_MAX / 16 + 8];
    int n = snprintf(text, sizeof text, "bufLen %u:\n|", size);
    static const char hex[] = "0123456789abcdef";
    for (unsigned i = 0; i < size; ++i) {
        text[n++] = '0';
        text[n++] = 'x';
        text[n++] = hex[buf[i] >> 4];
        text[n++] = hex[buf[i] & 0xf];
        text[n++] = ' ';
        if ((i + 1) % 16 == 0)
            text[n++] = '\n';
    }
    text[n++] = '|';
    text[n] = '\0';
    zv_log_out(out, "%s", text);
}
