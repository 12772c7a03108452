// The core's process-wide record of virtual device handles and flags (g_g).
#pragma once

#include <atomic>

class ZvOnlyAppLock;
class MsgHandler;

// Handles are 0 (or less) while their device is not open.
//
// The handles and the pen flags are atomic: tablet workers read them on every report while the
// main thread re-creates the pen device after a screen change, and one worker's pen-away flag
// steers the mouse buttons of the other's key actions.
struct DcGlobal {
    bool bAdmin = false; // reserved; always false
    ZvOnlyAppLock* onlyAppLock = nullptr;
    MsgHandler* msgHandler = nullptr;
    char configFile[256] = {}; // the first command-line argument, kept and never read
    bool daemon = false;
    std::atomic<int> gFdUhid_0{0}; // spare pen devices
    std::atomic<int> gFdUhid_1{0};
    std::atomic<int> gFdUhid{0}; // the active pen device
    std::atomic<int> gFdKbd{0};
    std::atomic<int> gFdMouse{0};
    std::atomic<int> gFdAbsMouse{0};
    std::atomic<int> gFdRelMouse{0};
    std::atomic<bool> gPenAwayFlag{false};
    std::atomic<bool> gWhellEventSendFlag{false};

    // Back to the state at program start: every handle 0, every flag false. Closes nothing.
    void reset();
};

extern DcGlobal g_g;
