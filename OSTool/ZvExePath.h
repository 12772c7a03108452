// Where the running program lives: the core finds libs/, res/ and log.conf beside itself.
#pragma once

#include <stddef.h>

// The directory of /proc/self/exe without the trailing "/" into buf. False, with buf untouched,
// when the link cannot be read, is too long, or does not fit buf.
bool zv_exe_dir(char* buf, size_t size);

// The folder the core loads its shared libraries from, "<program directory>/libs", or with name
// a library in it, "<program directory>/libs/<name>". False, with buf empty, when the program's
// directory cannot be read or the path does not fit buf (a cut path would name another file).
bool zv_lib_path(const char* name, char* buf, size_t size);
