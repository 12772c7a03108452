// Keyboard and mouse actions of bound keys, on the core's virtual devices. The only state is
// which device each held mouse button went to.
#pragma once

#include "ZvStruct.h"

class ZvMouseKeyboard {
public:
    // Presses the modifiers that are set (Ctrl, Shift, Alt, Win), then either presses and keeps
    // down a single key, or types a sequence of keys (each pressed and released).
    static void keyboardDown(const ZvKbtn* kb);
    // Releases the single key of keyboardDown, then Alt, Shift, Ctrl and Win (those set).
    static void keyboardUp(const ZvKbtn* kb);

    // Buttons go to the virtual mouse while the pen is away, otherwise to the pen device, so that
    // a click lands where the pen is. A release goes to the device that got the press.
    static void mouseLeftDown();
    static void mouseLeftUp();
    static void mouseRightDown();
    static void mouseRightUp();
    static void mouseMidDown();
    static void mouseMidUp();
    // Two left clicks 30 ms apart on the virtual mouse.
    static void mouseLeftDBClick();
    // Two wheel steps, emitted by the dispatcher on the main thread; the arguments are unused.
    static void mouseWheelForward(th_u8 rollLevel, th_u8 direction);
    static void mouseWheelBackward(th_u8 rollLevel, th_u8 direction);

    // A single key: the first code is set and nothing follows it.
    static bool isSingleKey(const ZvKbtn& kb);
};
