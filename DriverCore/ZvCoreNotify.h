// The seam from the core's workers to its dispatcher.
#pragma once

#include "ZvType.h"

// Posts the self message `cmd` to the dispatcher, which handles it on the main thread.
// Defined once by the daemon frame; programs that link the devices without the daemon (tests)
// define a recording stand-in.
void notify_core_msg(th_u16 cmd);
