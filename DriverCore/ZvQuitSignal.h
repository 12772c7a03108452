// SIGUSR1 stops the core: every tablet goes back to its own mode (command 205), about a second
// later the process exits with 0. The settings application relies on that sequence.
//
// The handler only records the signal: it writes one byte to a pipe that a dedicated thread
// waits on, and that thread does the work, which takes locks, talks to devices and sleeps (none
// of it allowed in a signal handler).
#pragma once

#include <atomic>
#include <stdint.h>

// Set by the first SIGUSR1; a second one only prints the "--else" line.
extern std::atomic<uint8_t> g_QuitFlag;

// The handler installed for SIGUSR1 (async-signal-safe).
void zv_signal_quit_handler(int sig);

// Creates the pipe and the quit thread, then installs the handler. `delayMs` is the pause
// between handing the tablets back and the exit (1000). False when the pipe or the thread
// cannot be made (logged; SIGUSR1 then keeps its default action, which also ends the process).
bool zv_install_quit_handler(unsigned delayMs = 1000);
