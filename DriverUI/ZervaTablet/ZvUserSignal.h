// A second start of the settings application asks the running one, with SIGUSR1, to show its
// window. The handler only sets a flag and writes one byte into a pipe; the GUI thread watches the
// pipe's read end and does the showing.
#pragma once

#include <signal.h>

// 1 after a SIGUSR1 until the request is taken.
extern volatile sig_atomic_t g_ShowMainWindowFlag;

// The handler (async-signal-safe).
void zv_signal_handler(int sig);

// Creates the pipe and installs the handler with sigaction. Idempotent; false when the pipe
// cannot be made or the handler installed (a second start then still ends, unanswered).
bool registUserSignal();

// The pipe's non-blocking read end, -1 before registUserSignal succeeded.
int zv_show_request_fd();

// Drains the pipe and clears the flag; true when a request was pending.
bool zv_take_show_request();
