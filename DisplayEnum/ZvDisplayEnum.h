// The monitors of the desktop, from the X server: the rectangles the coordinate map spreads the
// tablet over.
#pragma once

#include "ZvStruct.h"

enum { ZV_MAX_MONITORS = 8 };

// Fills up to ZV_MAX_MONITORS rectangles (desktop pixels, right and bottom exclusive) and their
// count from the default display ($DISPLAY): first one rectangle per X screen, then, when the
// server has XRandR 1.5 and lists at least one monitor, the XRandR monitors instead, in the
// order the server lists them. Without a display both outputs are left untouched; a failed
// attempt is logged once per outage and the next one waits about a second (zv_open_display in
// ZvXlibPtr.h), so this is cheap to call per pen sample. Both pointers must be valid;
// displayRects holds ZV_MAX_MONITORS entries.
void zvcb_enum_display(ZvRect* displayRects, unsigned* displayNum);

// The XRandR part of the above, on its own display connection. True when the monitors were read
// (the count may then be 0); false, leaving both outputs untouched, when no display opens or the
// server lacks XRandR 1.5.
bool zvcb_enum_display_Xrandr(ZvRect* displayRects, unsigned* displayNum);

// After a failed attempt to reach the X server the next one waits ZV_DISPLAY_RETRY_MS (see
// zv_open_display in ZvXlibPtr.h). zv_display_retry_now ends the wait: the next query tries at
// once: for a caller that learns the desktop has just come up, and for tests that take the
// display away and give it back.
enum { ZV_DISPLAY_RETRY_MS = 1000 };
void zv_display_retry_now();
