// Recording stand-ins for the two seams from the core's workers to its dispatcher:
// notify_core_msg (self messages) and notify_ui_msg (messages to the settings application),
// plus the foreground-application probe, which identifies nothing as on the real desktop.
#pragma once

#include "ZvMsg.h"

#include <stddef.h>
#include <vector>

std::vector<th_u16> recorded_core_msgs();
void clear_core_msgs();

struct ZvRecordedUiMsg {
    th_u16 cmd = 0;
    ZvMsgBody body{};
};

std::vector<ZvRecordedUiMsg> recorded_ui_msgs();
void clear_ui_msgs();
// Messages with this code recorded so far.
size_t count_ui_msgs(th_u16 cmd);
// Waits until at least n messages with this code were recorded; false after ms.
bool wait_ui_msgs(th_u16 cmd, size_t n, int ms = 5000);
// Times the probe zvcb_identify_curr_app was asked (proves the worker consulted it).
size_t identify_calls();
