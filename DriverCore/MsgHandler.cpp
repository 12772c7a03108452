#include "MsgHandler.h"

#include "ZvCoreCallbacks.h"
#include "ZvLog.h"
#include "ZvUiBridgeDll.h"

#include <unistd.h>

void MsgHandler::sendMsg(ZvMsg& msg) {
    (void)zvuc_send_msg(&msg);
    // Dumps are refused above 100 bytes, so this only says that a 376-byte body went out, and
    // only when the dispatcher's messages are being logged at all.
    if (msg.head.cmd != (ZVMC_REPLY | ZVMC_UI_TABLET_NUM) && zv_log_enabled(ZVLL_D_DC_MSG))
        zv_logb(ZVLL_D_DC_MSG, msg.body.raw, sizeof msg.body.raw);
}

void MsgHandler::startUI() {
    (void)zvuc_start_ui();
}

bool MsgHandler::startTimer(unsigned id, unsigned ms) {
    (void)zvuc_start_timer(static_cast<int>(id), static_cast<int>(ms));
    return true;
}

void MsgHandler::stopTimer(unsigned id) {
    (void)zvuc_stop_timer(static_cast<int>(id));
}

bool MsgHandler::isAdmin() {
    return geteuid() == 0;
}

bool MsgHandler::isUIRunning() {
    return zvuc_is_ui_running() != 0;
}

void MsgHandler::screenChanged() {
    on_screen_changed();
}
