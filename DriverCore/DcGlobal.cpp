#include "DcGlobal.h"

#include <initializer_list>
#include <string.h>

DcGlobal g_g;

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
