// The core's Qt event loop and the bus side that lives as long as it runs.
#pragma once

#include "ZvMsg.h"

namespace zvuc {

// zvuc_start_qt_app: builds the application, starts the requested timers and the bus threads,
// runs the loop on the calling thread. 0 when it ended, -1 when a loop already runs.
int runEventLoop(int argc, char** argv);
// zvuc_stop_qt_app: 0, -1 when no loop runs.
int stopEventLoop();
// zvuc_send_msg: queues a copy for the sender thread; dropped when no loop runs or when
// CoreSenderThread::kQueueLimit records already wait (logged once per burst).
void sendToUi(const ZvMsg& msg);
// zvuc_send_self_msg: hands the record to the event callback on the main thread. Called there,
// it is handled before the call returns; from any other thread it is queued (in order) and the
// call returns at once. 0, or 1 when no loop runs.
int sendSelf(const ZvMsg& msg);
// zvuc_uninit's bus part: stops the bus threads and leaves the bus (idempotent).
void stopBusSide();

// For tests: waits until the core's service is registered on the bus (or registration gave up).
bool waitBusReady(int timeoutMs);
// For tests: true while the event loop runs.
bool loopRunning();

} // namespace zvuc
