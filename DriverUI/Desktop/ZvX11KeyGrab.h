// A passive key grab on the root window: the key with its modifiers reaches this client from
// whatever window has the focus. Made on the GUI thread's display connection, so the key
// presses arrive through Qt's own event queue.
#pragma once

#include "ZvHotKeyText.h"

#include <cstdint>

typedef struct _XDisplay Display;

class ZvX11KeyGrab {
public:
    // Looks the key up on this display's keyboard map; grabs nothing yet. display must outlive
    // this object.
    ZvX11KeyGrab(Display* display, unsigned long root, const ZvHotKey& key);
    // Releases the grab, if one was made.
    ~ZvX11KeyGrab();
    ZvX11KeyGrab(const ZvX11KeyGrab&) = delete;
    ZvX11KeyGrab& operator=(const ZvX11KeyGrab&) = delete;

    // Grabs the key for its modifiers with every combination of Caps Lock and Num Lock, which
    // the server otherwise treats as different chords. False, with *why set and nothing left
    // grabbed, when the keyboard has no such key or another client already holds one of the
    // combinations (the server answers BadAccess).
    bool grab(const char** why);

    // The same physical chord: grabbing it again would only replace our own grab.
    bool sameChord(const ZvX11KeyGrab& other) const {
        return _keycode == other._keycode && _mods == other._mods;
    }

    // The display connection is closed: the server dropped the grab with it, and the
    // destructor must not touch the connection.
    void forget() { _grabbed = false; }

    // A KeyPress of the grabbed chord: the lock modifiers and mouse buttons do not count.
    bool matches(uint8_t keycode, uint16_t state) const;

private:
    void ungrab();

    Display* _display;
    unsigned long _root;
    unsigned int _keycode = 0;
    unsigned int _mods = 0;
    unsigned int _numLock = 0; // the modifier bit Num Lock sets on this keyboard map
    bool _grabbed = false;
};
