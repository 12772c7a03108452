// The uinput plumbing of the core's keyboard and mouse: opening, declaring and writing.
#pragma once

#include "ZvUniqueFd.h"

#include <atomic>

// /dev/uinput opened write-only and non-blocking; not usable() when it cannot be opened.
ZvUniqueFd zv_uinput_open();

// Declares identity (bus USB, vendor 7D3A, version 0) and creates the device on a handle whose
// capabilities are set. Returns false (and logs) when the system refuses the device.
bool zv_uinput_create(int fd, unsigned short product, const char* name);

// Writes one event group, the record (type, code, value) and its SYN_REPORT, with a single write
// call, both stamped with the wall clock: a group from another thread on the same device can come
// before or after it, never inside. Returns 0, or the failed write's result.
int zv_uinput_emit(int fd, unsigned type, unsigned code, int value);

// Stores a new handle in a slot of g_g, closing the handle it replaces (if any).
void zv_publish_fd(std::atomic<int>& slot, int fd);

// Empties a slot of g_g and closes its handle. Returns false when the slot was not open.
bool zv_close_fd(std::atomic<int>& slot);
