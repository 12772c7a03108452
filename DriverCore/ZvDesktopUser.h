// Who programs bound to keys run as. The core runs as root, but the command line of a bound
// program comes from a settings file that the desktop user writes: running it as root would hand
// root to anyone who can edit that file. So bound programs run as the desktop user, and not at
// all when no such user is known.
#pragma once

#include <sys/types.h>

// The settings application has just talked to the core from a bus connection of user uid, as the
// session bus reports it: that user is now the desktop user. Call it for every record from the
// settings application whose sender the bus named. Never take uid from anything a record says
// about itself (any client of the bus can write any pid into a record), nor from the owner of a
// pid (a pid that has ended may be reused by another user's process). Logged when it changes.
void zv_set_desktop_user_uid(uid_t uid);

// Forgets the user learnt from the settings application.
void zv_forget_desktop_user();

// The desktop user: the owner of the settings application that last talked to the core, else the
// owner of userCfgPath (the model's per-model settings file; may be null). Root never counts.
// Returns 0 and stores the user in *uid, or -3 when there is no such user (logged, with why).
int zv_find_desktop_user(const char* userCfgPath, uid_t* uid);

// Starts `/bin/sh -c cmd` in the background as uid: with that user's groups, an environment of
// HOME, USER, LOGNAME and PATH of that user and the core's DISPLAY, in the user's home folder,
// standard streams on /dev/null, in a session of its own. Returns 0 once the program is on its
// way (not waiting for it), -22 for a null command or uid 0, -3 when the user has no account
// entry, -2 when the process cannot be started.
int zv_spawn_as_user(const char* cmd, uid_t uid);
