#include "blz_internal.h"

#include <atomic>
#include <stdio.h>

namespace {
std::atomic<blz_log_handler_t> g_handler{nullptr};
}

void blz_set_log_handler(blz_log_handler_t handler) {
    g_handler.store(handler, std::memory_order_release);
}

void blz_log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    blz_log_handler_t h = g_handler.load(std::memory_order_acquire);
    if (h != nullptr) {
        h(format, args);
    } else {
        vprintf(format, args);
        putchar('\n');
    }
    va_end(args);
}
