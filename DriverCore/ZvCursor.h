// The pointer position from the X server, for mouse mode's anchor and the cursor wake-up of the
// pen handler.
#pragma once

#include "ZvStruct.h"

// The pointer in desktop pixels (the root window of the default display). True when read; false,
// leaving pt untouched, when no display can be opened (or the last attempt failed less than a
// second ago: see zv_open_display).
bool GetCursorPos(CGPoint& pt);

// The pointer scaled to the virtual pen's logical range of 40000 by 25000 over X screen 0:
// x = rootX / screen width x 40000, y = rootY / screen height x 25000, in float. True when read;
// false, leaving pt untouched, when no display can be opened (as GetCursorPos).
bool GetCursorPositionInLogicCoordinate(CGPoint& pt);
