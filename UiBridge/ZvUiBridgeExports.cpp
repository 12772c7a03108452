// The exported face of libuibridge: argument checks and result codes over the logic in the
// static library zvuibridge.
#include "ZvUiBridgeApi.h"

#include "ZvUcApp.h"
#include "ZvUcCallbacks.h"
#include "ZvUcTimers.h"

extern "C" {

ZV_EXPORT int zvuc_init(ZVUC_RECV_MSG_CB onRecvMsg, ZVUC_SCREEN_INFO_CB onScreenInfo) {
    return zvuc::init(onRecvMsg, onScreenInfo);
}

ZV_EXPORT int zvuc_init_call(ZVUC_EVENT_CB onEvent, ZVUC_SCREEN_INFO_CB onScreenInfo,
                             ZVUC_TIMER_CB onTimer) {
    return zvuc::initCall(onEvent, onScreenInfo, onTimer);
}

ZV_EXPORT int zvuc_init_peer(ZVUC_PEER_MSG_CB onPeerMsg) {
    return zvuc::initPeer(onPeerMsg);
}

ZV_EXPORT int zvuc_uninit(void) {
    zvuc::clearCallbacks();
    zvuc::stopBusSide();
    zv_log_out(ZV_LL_INFO, "Uninit Success");
    return 0;
}

ZV_EXPORT int zvuc_send_msg(const tagZVMsg* msg) {
    if (msg != nullptr)
        zvuc::sendToUi(*msg);
    return 0;
}

ZV_EXPORT int zvuc_send_self_msg(const tagZVMsg* msg) {
    if (msg == nullptr)
        return 1;
    return zvuc::sendSelf(*msg);
}

ZV_EXPORT int zvuc_start_ui(void) {
    return 0;
}

ZV_EXPORT int zvuc_is_ui_running(void) {
    zv_log_out(ZV_LL_DEBUG, "UI isRunning");
    return 1;
}

ZV_EXPORT int zvuc_has_calibrating_window(void) {
    zv_log_out(ZV_LL_DEBUG, "CalibratingWindow isRunning");
    return 1;
}

ZV_EXPORT int zvuc_send_calibrating_point(const ZvPoint* pt) {
    if (pt != nullptr)
        zv_log_out(ZV_LL_DEBUG, "CalibratingPoint x=%d, y=%d\n", int(pt->x), int(pt->y));
    return 1;
}

ZV_EXPORT int zvuc_get_screen_info(ZvRect* rects, unsigned num) {
    for (unsigned i = 0; rects != nullptr && i < num; ++i)
        zv_log_out(ZV_LL_DEBUG, "Rect%u left=%d, top=%d, right=%d, bottom=%d \n", i,
                   int(rects[i].left), int(rects[i].top), int(rects[i].right),
                   int(rects[i].bottom));
    return 1;
}

ZV_EXPORT int zvuc_start_timer(int ID, int interval) {
    return zvuc::requestStartTimer(ID, interval);
}

ZV_EXPORT int zvuc_stop_timer(int ID) {
    return zvuc::requestStopTimer(ID);
}

ZV_EXPORT int zvuc_start_qt_app(int argc, char** argv) {
    return zvuc::runEventLoop(argc, argv);
}

ZV_EXPORT int zvuc_stop_qt_app(void) {
    return zvuc::stopEventLoop();
}

} // extern "C"
