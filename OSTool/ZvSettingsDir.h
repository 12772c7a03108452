// Where the per-model user files live ("<settings dir>/res/<model>.cfg"). The core and the
// settings application both ask this one function, so they always read and write the same files.
//
// - ZERVA_SETTINGS_DIR, when set to an absolute path: an administrator's choice (for example a
//   shared folder for a core run as root).
// - A tree that is not installed (build/dist, or a copy run as root): the program's own folder,
//   so the files sit in its res/ beside the shipped descriptions, as they always have.
// - An installed tree (it carries the marker res/per-user-settings): the desktop user's
//   $XDG_CONFIG_HOME/zerva, else ~/.config/zerva. The program's folder belongs to the package and
//   is not writable by the user; the home folder is, survives upgrades and is never touched by
//   the package.
#pragma once

#include <stddef.h>

// The marker an installed tree carries in its res/ folder.
#define ZV_PER_USER_MARKER "per-user-settings"
// What a program says when it gets no settings folder.
#define ZV_NO_SETTINGS_DIR                                                                         \
    "no folder for the settings (set HOME, XDG_CONFIG_HOME or ZERVA_SETTINGS_DIR)"

// The rule above on given inputs (null or empty for unset): the settings folder into buf without
// a trailing "/". False, with buf empty, when no folder can be named (installed without a home
// or configuration folder, a relative path) or it does not fit buf.
bool zv_settings_dir_of(const char* programDir, bool installed, const char* override,
                        const char* xdgConfigHome, const char* home, char* buf, size_t size);

// The rule for the running process: the environment, the marker under programDir, and the
// account's home when HOME is unset. Any folder but the program's own is created with its res/
// (mode 0700) when missing. False, with buf empty, when the folder cannot be named or created.
bool zv_settings_dir(const char* programDir, char* buf, size_t size);
