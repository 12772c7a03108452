// The core's dispatcher on top of the messaging library: records go out through zvuc_send_msg,
// timers are the library's Qt timers.
#pragma once

#include "ZvMsgDoer.h"

class MsgHandler : public ZvMsgDoer {
public:
    explicit MsgHandler(th_u64 hwnd) : ZvMsgDoer(hwnd) {}
    // The dispatcher's own thread calls the timer operations below: it ends first.
    ~MsgHandler() override { stopJobs(); }

    void sendMsg(ZvMsg& msg) override;
    void startUI() override;
    bool startTimer(unsigned id, unsigned ms) override;
    void stopTimer(unsigned id) override;
    // The core has no way to restart itself with other rights.
    bool restartAsAdmin() override { return false; }
    // Whether the core runs as root, which is what "administrator rights" means here.
    bool isAdmin() override;
    void reqQuitApp() override {}
    bool isUIRunning() override;
    // Re-creates the pen device (its range follows the screens), then refreshes the workers.
    void screenChanged() override;
};
