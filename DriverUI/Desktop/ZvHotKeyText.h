// The text of a hot key ("Ctrl+Shift+H") as the X server names it: a keysym and the modifier
// mask that must be held with it. Pure; the keycode is looked up on the display at grab time,
// because it depends on the keyboard map.
#pragma once

#include <QString>

struct ZvHotKey {
    unsigned long keysym = 0; // X keysym of the key (X11/keysym.h)
    unsigned int mods = 0;    // ShiftMask, ControlMask, Mod1Mask (Alt), Mod4Mask (Meta/Win)
};

// Parses one chord written as QKeySequence's portable text, with "Win" accepted for "Meta".
// The caller has removed the blanks. False (out untouched) for an empty or unparsable text,
// more than one chord, a chord of modifiers only, or a key with no X keysym.
bool zv_parse_hot_key(const QString& text, ZvHotKey* out);
