// Where the running program lives: the core finds libs/, res/ and log.conf beside itself.
#pragma once

#include <stddef.h>

// The directory of /proc/self/exe without the trailing "/" into buf. False, with buf untouched,
// when the link cannot be read, is too long, or does not fit buf.
bool zv_exe_dir(char* buf, size_t size);
