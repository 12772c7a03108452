// Where the settings application keeps its single-instance lock, and the check that a pid read
// from it is really a running copy of this program before it is sent SIGUSR1.
#pragma once

#include <string>
#include <sys/types.h>

// "$XDG_RUNTIME_DIR/.DriverUI.pid": one running copy per user session, whatever folder it was
// started from. "./.DriverUI.pid" when XDG_RUNTIME_DIR is unset, relative (invalid by the base
// directory rules) or not a directory.
std::string zv_app_lock_path();

// True when pid is a process running the same program as this one (same executable file or
// command name). A pid file outlives its process, and the moment between a new owner's lock and
// its write leaves an earlier run's pid in it: SIGUSR1 ends any process that has no handler, so
// a stale pid must not be signalled.
bool zv_runs_same_program(pid_t pid);
