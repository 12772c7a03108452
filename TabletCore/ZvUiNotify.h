// The seams from the tablet workers to the daemon's dispatcher: messages to the settings
// application and the foreground-application probe. Each has one definition: the dispatcher's
// in the daemon, a recording stand-in in the tests (tests/support/notify).
#pragma once

#include "ZvMsg.h"
#include "ZvType.h"

// Painting applications the probe can name; the pen handler and the key actions adapt to some.
typedef enum ZvAppID {
    ZVPA_NONE = 0,
    ZVPA_PS = 1,
    ZVPA_AI = 2,
    ZVPA_KRITA = 3,
    ZVPA_CLIP = 4,
    ZVPA_SKETCH_BOOK = 5,
    ZVPA_AFFINITY_PHOTO = 6,
    ZVPA_AFFINITY_DESIGNER = 7,
    ZVPA_SAI = 8,
    ZVPA_MEDIBANG = 9,
    ZVPA_PAINTSTORM = 10,
    ZVPA_FIREALPACA = 11,
    ZVPA_REBELLE = 12,
    ZVPA_ZERVA_TABLET = 13, // the settings application itself
    ZVPA_FINDER = 19,
} ZvAppID;

// Sends message `cmd` with a copy of `body` to the settings application. Called from tablet
// worker threads; the message is queued, never waited for.
void notify_ui_msg(th_u16 cmd, const ZvMsgBody& body);

// Fills appPath (512 bytes), *curApp and the 64-bit id at lastAppID and returns non-zero when a
// new foreground application was identified; 0 leaves the worker's profile as it is.
int zvcb_identify_curr_app(char* appPath, ZvAppID* curApp, void* lastAppID);
