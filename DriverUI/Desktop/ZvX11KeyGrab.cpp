#include "ZvX11KeyGrab.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/keysym.h>

namespace {

// Xlib's error handler is one per process: it is replaced only around our own grab requests,
// on the GUI thread, and errors that are not ours go on to the handler that was there.
bool g_grabRefused = false;
XErrorHandler g_previousHandler = nullptr;

int onGrabError(Display* display, XErrorEvent* error) {
    if (error->request_code == X_GrabKey && error->error_code == BadAccess) {
        g_grabRefused = true;
        return 0;
    }
    return g_previousHandler != nullptr ? g_previousHandler(display, error) : 0;
}

unsigned int numLockMask(Display* display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr || numLock == 0) {
        if (map != nullptr)
            XFreeModifiermap(map);
        return 0;
    }
    unsigned int mask = 0;
    for (int mod = 0; mod < 8 && mask == 0; ++mod)
        for (int i = 0; i < map->max_keypermod; ++i)
            if (map->modifiermap[mod * map->max_keypermod + i] == numLock) {
                mask = 1u << mod;
                break;
            }
    XFreeModifiermap(map);
    return mask;
}

} // namespace

ZvX11KeyGrab::ZvX11KeyGrab(Display* display, unsigned long root, const ZvHotKey& key)
    : _display(display), _root(root), _mods(key.mods) {
    if (_display == nullptr)
        return;
    _keycode = XKeysymToKeycode(_display, key.keysym);
    _numLock = numLockMask(_display);
}

ZvX11KeyGrab::~ZvX11KeyGrab() {
    ungrab();
}

bool ZvX11KeyGrab::grab(const char** why) {
    if (_display == nullptr) {
        *why = "no X display";
        return false;
    }
    if (_keycode == 0) {
        *why = "the keyboard has no such key";
        return false;
    }
    // Earlier errors must not be taken for ours, and ours arrive only once the server has
    // answered: sync before and after.
    XSync(_display, False);
    g_grabRefused = false;
    g_previousHandler = XSetErrorHandler(onGrabError);
    const unsigned int locks[] = {0, LockMask, _numLock, LockMask | _numLock};
    for (unsigned int lock : locks)
        XGrabKey(_display, static_cast<int>(_keycode), _mods | lock, _root, True, GrabModeAsync,
                 GrabModeAsync);
    XSync(_display, False);
    XSetErrorHandler(g_previousHandler);
    g_previousHandler = nullptr;
    _grabbed = true;
    if (g_grabRefused) {
        // The combinations the server did give us would keep the key half taken.
        ungrab();
        *why = "another program holds this key";
        return false;
    }
    return true;
}

bool ZvX11KeyGrab::matches(uint8_t keycode, uint16_t state) const {
    const unsigned int chordMods =
        ShiftMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;
    return _grabbed && keycode == _keycode && (state & chordMods & ~_numLock) == _mods;
}

void ZvX11KeyGrab::ungrab() {
    if (!_grabbed)
        return;
    _grabbed = false;
    const unsigned int locks[] = {0, LockMask, _numLock, LockMask | _numLock};
    for (unsigned int lock : locks)
        XUngrabKey(_display, static_cast<int>(_keycode), _mods | lock, _root);
    // A round trip, not just a flush: once we return, the key is free for other programs.
    XSync(_display, False);
}
