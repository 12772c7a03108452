// The monitors of the desktop, from the X server: the rectangles the coordinate map spreads the
// tablet over.
#pragma once

#include "ZvStruct.h"

enum { ZV_MAX_MONITORS = 8 };

// Fills up to ZV_MAX_MONITORS rectangles (desktop pixels, right and bottom exclusive) and their
// count from the default display ($DISPLAY): first one rectangle per X screen, then, when the
// server has XRandR 1.5 and lists at least one monitor, the XRandR monitors instead, in the
// order the server lists them. Without a display both outputs are left untouched (and a failure
// is logged once until a display opens again). Both pointers must be valid; displayRects holds
// ZV_MAX_MONITORS entries.
void zvcb_enum_display(ZvRect* displayRects, unsigned* displayNum);

// The XRandR part of the above, on its own display connection. True when the monitors were read
// (the count may then be 0); false, leaving both outputs untouched, when no display opens or the
// server lacks XRandR 1.5.
bool zvcb_enum_display_Xrandr(ZvRect* displayRects, unsigned* displayNum);
