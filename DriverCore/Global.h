// System helpers of the key actions: starting programs, system commands, the brush/eraser key,
// and the core's tick counter.
#pragma once

#include "ZvType.h"

// The wall clock in microseconds, truncated to 32 bits (wraps every 71.6 minutes). Compare two
// ticks by their unsigned difference.
th_u32 GetTickCount();

// Starts the bound program `path` (a shell command line, at most 500 characters) in the
// background as the desktop user (ZvDesktopUser.h); userCfgPath is the model's per-model settings
// file, whose owner is the user when the settings application has not talked to the core.
// Never runs anything as root. Returns 0 when started, -1 for a null or too long path, -3 when
// no desktop user is known (nothing runs), -2 when the process cannot be started.
int zvcb_start_app(const char* path, const char* userCfgPath);

// Runs a system command through the shell as the core (root) and waits for it. Returns -1 for a
// null command, -2 when the shell cannot be run, otherwise the exit status (128 + signal when
// the shell was killed); 127 means the shell could not find the command.
int runSystemCmd(const char* cmd);

// The brush/eraser switch of the painting applications: key 18 pressed and released. `flag`,
// the new state, is not needed for it.
void zvcb_switch_brush_eraser(th_u16 flag);

// 1 shuts the machine down ("shutdown -h now"), 2 presses the sleep key (142), 3 the screen-lock
// key (152); other values do nothing.
void zvcb_exec_private_cmd(th_u8 privateCmd);

// Multimedia keys are only logged on this platform.
void zvcb_exec_mmk_code(th_u16 code);
