#include "DcGlobal.h"

#include <initializer_list>
#include <mutex>
#include <sched.h>
#include <string.h>

DcGlobal g_g;

int dc_swap_pen_fd(int fd) {
    // Swaps happen at start, exit and screen changes; writers never take this lock.
    static std::mutex swapping;
    std::lock_guard<std::mutex> hold(swapping);
    const int old = g_g.gFdUhid.exchange(fd);
    // Writers that count in from here on see the new generation and read the new handle; a
    // writer that saw the old generation is counted under its parity before it reads the handle
    // (all of this is sequentially consistent), so the loop below cannot miss it.
    const unsigned gen = g_g.gPenGen.fetch_add(1);
    std::atomic<unsigned>& before = g_g.gPenWriters[gen & 1];
    // A writer holds its count for one non-blocking write: yielding beats a wake-up that every
    // writer would have to pay for.
    while (before.load() != 0)
        sched_yield();
    return old;
}

void DcGlobal::reset() {
    bAdmin = false;
    onlyAppLock = nullptr;
    msgHandler = nullptr;
    memset(configFile, 0, sizeof configFile);
    daemon = false;
    for (std::atomic<int>* fd :
         {&gFdUhid_0, &gFdUhid_1, &gFdUhid, &gFdKbd, &gFdMouse, &gFdAbsMouse, &gFdRelMouse})
        fd->store(0);
    gPenAwayFlag = false;
    gWhellEventSendFlag = false;
}
