// The core's log sink on log4cplus. "log.conf" beside the executable is a log4cplus property
// file; its logger "my_cat" is the category every library line is written to.
#pragma once

#include <stdarg.h>

// Starts logging from "log.conf" in the executable's directory, or from the file an absolute
// ZERVA_LOG_CONF names, with the category "my_cat"; the arguments are accepted for the callers'
// sake and otherwise ignored (the category is fixed). Returns 0, -1 when the file is missing or not a usable configuration ("init failed"),
// -2 when it declares no "my_cat" logger ("get cat fail").
int zv_log_init(const char* cfgPath, const char* category);

// As zv_log_init, with the configuration file given by its full path.
int zv_log_init_file(const char* fullPath);

// The handler the core installs into the libraries: formats into 264 characters (longer lines are
// cut) and writes to "my_cat" at the mapped level. Lines below the logger's level are not
// formatted; without a category (init failed) lines are dropped.
void log_handler_fun_arg(int level, const char* format, va_list args);

// The log4cplus level a front-end level maps to.
int zv_log_core_level(int level);

// Stops the worker threads log4cplus starts when it is loaded, so that a process about to fork
// (the daemon detaching) has a single thread. They serve only asynchronous appenders; without
// them every line is written on the caller's thread. Call before zv_log_init.
void zv_log_core_before_fork();

// Drops the category and the log4cplus configuration (start-up failures and tests).
void zv_log_core_reset();
