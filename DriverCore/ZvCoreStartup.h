// The steps of the core's start-up that are not the dispatcher's or the hot-plug watcher's:
// command line, detaching, the core-dump limit, the paths beside the executable and logging.
#pragma once

// Keeps the first argument in g_g.configFile; "-d" anywhere (any case) keeps the core in the
// foreground (g_g.daemon false), otherwise it detaches. Always true.
bool parse_cmdline(int argc, char** argv);
// fork, setsid, fork, umask 0, every descriptor closed and 0..2 on /dev/null. The parents exit
// with 0. The working directory stays: the pid file is relative to it.
void InitDeamon();
// Core dumps up to 50 MiB (soft limit one byte less).
void reset_limit();
// "<dir of the executable>/libs" and "<dir of the executable>", in static buffers; "" when
// /proc/self/exe cannot be read.
const char* zerva_get_lib_path();
const char* zerva_get_app_path();

// Starts log4cplus from log.conf beside the executable. When that works, the core's own lines go
// there too (a detached core's standard output is /dev/null), and the core drops lines below the
// level of the "my_cat" logger before formatting them. Returns zv_log_init's result.
int zv_core_log_start();
// The syslog level matching the "my_cat" logger's level (ZV_LL_DEBUG when it logs everything).
unsigned zv_core_log_threshold();
