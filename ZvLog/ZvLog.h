// The logging front end. Every deliverable carries its own copy with its own handler slot: with
// no handler a module prints its lines on standard output; with one, the lines go to the handler.
#pragma once

#include "ZvType.h"

#include <stdarg.h>

#define ZV_EXPORT __attribute__((visibility("default")))

// Syslog-style levels.
enum zvloglevel {
    ZV_LL_CRIT = 2,
    ZV_LL_ERR = 3,
    ZV_LL_WARN = 4,
    ZV_LL_NOTICE = 5,
    ZV_LL_INFO = 6,
    ZV_LL_DEBUG = 7,
};

// Debug categories, used as the level of hex dumps; all of them are logged at ZV_LL_INFO.
enum ZvLogLevel {
    ZVLL_ERROR = 0x1,
    ZVLL_WARNING = 0x2,
    ZVLL_D_THREAD = 0x4,
    ZVLL_D_TC = 0x100,
    ZVLL_D_TC_EKEY = 0x200,
    ZVLL_D_TC_PEN = 0x400,
    ZVLL_D_TC_COORD = 0x800,
    ZVLL_D_TS = 0x1000,
    ZVLL_D_DC = 0x2000,
    ZVLL_D_CONFSTORE = 0x4000,
    ZVLL_D_WT = 0x10000,
    ZVLL_D_WT_APP = 0x20000,
    ZVLL_D_WT_LINEAR = 0x40000,
    ZVLL_D_DC_MSG = 0x100000,
    ZVLL_D_UI = 0x200000,
    ZVLL_D_SVR = 0x1000000,
};

// Largest dump zv_logb accepts; larger ones are refused, never truncated.
enum { ZV_LOGB_MAX = 100 };

typedef void (*ZV_LOG_HANDLER)(int level, const char* format, va_list args);

extern "C" {

// Logs one line at level: through the module's handler, or on standard output followed by a
// newline when the module has none.
void zv_log_out(unsigned level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Installs this module's handler; null removes it. Exported by every shared library so that the
// core can hand its log sink to each of them.
ZV_EXPORT void zv_set_log_handler(ZV_LOG_HANDLER cb);

// Hex dump of 1..100 bytes; other sizes log "error log buf size %d!" at ZV_LL_ERR instead.
void zv_logb(unsigned level, const th_u8* buf, unsigned size);
}

// The most verbose syslog level this module still emits (default ZV_LL_DEBUG: everything).
// Lines above it are dropped before any formatting, so a disabled debug line costs one load.
void zv_set_log_threshold(unsigned maxLevel);

// Whether a line at this level (or a dump with this category) would be emitted at all.
bool zv_log_enabled(unsigned level);
