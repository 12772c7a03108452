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
    // The active pen device. Written to only under a DcPenHold and replaced only through
    // dc_swap_pen_fd, so that no writer ever uses a handle after it was closed.
    std::atomic<int> gFdUhid{0};
    // Generation of gFdUhid (one more per swap) and the writers of the pen device counted in
    // under each parity of it (DcPenHold).
    std::atomic<unsigned> gPenGen{0};
    std::atomic<unsigned> gPenWriters[2]{};
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

// A writer's hold on the active pen device: the handle fd() returns (0 when there is none) stays
// open until the hold ends. Hold it for one write, never across a wait.
//
// Pen samples of two tablets and button events pass here on every report, so the hold never
// waits: it counts itself in under the generation of gFdUhid it saw and makes sure no swap came
// in between before it reads the handle; a swap publishes the new handle, moves to the next
// generation and closes the old handle only once the writers counted in under the old one are
// gone. Without that, a handle read just before a swap could be written after its number went
// to a newly opened file or socket.
class DcPenHold {
public:
    DcPenHold() noexcept {
        for (;;) {
            _gen = g_g.gPenGen.load();
            g_g.gPenWriters[_gen & 1].fetch_add(1);
            if (g_g.gPenGen.load() == _gen)
                break;
            // A swap came in between: our count may be one the swap is not waiting for.
            g_g.gPenWriters[_gen & 1].fetch_sub(1, std::memory_order_release);
        }
        _fd = g_g.gFdUhid.load();
    }
    ~DcPenHold() { g_g.gPenWriters[_gen & 1].fetch_sub(1, std::memory_order_release); }
    DcPenHold(const DcPenHold&) = delete;
    DcPenHold& operator=(const DcPenHold&) = delete;

    int fd() const { return _fd; }

private:
    unsigned _gen = 0;
    int _fd = 0;
};

// Makes fd (or 0) the active pen device and returns the handle it replaced, once no writer can
// use that any more; the caller closes it. Waits only for writes already under way (a write to
// the non-blocking handle, microseconds), never for a lock a writer holds; swaps of several
// threads take turns. Never call it while holding a DcPenHold.
int dc_swap_pen_fd(int fd);
