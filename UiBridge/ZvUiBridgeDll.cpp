#include "ZvUiBridgeDll.h"

#include "ZvExePath.h"
#include "ZvMsgSender.h"

#include <atomic>
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

G_UC_DLL_HANDLE g_uc_handle;

namespace {

template <typename Fn> bool resolve(void* dll, const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(dlsym(dll, name));
    return *out != nullptr;
}

// The callback the core gave to zvuc_init or zvuc_init_call, for the relay below.
std::atomic<ZVUC_RECV_MSG_CB> g_coreRecvMsg{nullptr};
std::atomic<ZVUC_EVENT_CB> g_coreEvent{nullptr};

// A record from the settings application reaches the core's own callback as any record does,
// with the uid of its sender stated for the length of the call (ZvMsgSender.h).
void relay_peer_record(const tagZVMsg* msg, long long uid) {
    if (msg == nullptr)
        return;
    const ZvMsgSenderScope sender(uid);
    if (ZVUC_RECV_MSG_CB cb = g_coreRecvMsg.load())
        cb(msg);
    else if (ZVUC_EVENT_CB onEvent = g_coreEvent.load())
        onEvent(int(sizeof *msg), reinterpret_cast<const char*>(msg), 0);
}

void bind_peer_relay() {
    if (g_uc_handle.zvuc_init_peer == nullptr) {
        zv_log_out(ZV_LL_WARN, "the messaging library does not name the senders of records: "
                               "the desktop user comes from the settings files only");
        return;
    }
    if (g_uc_handle.zvuc_init_peer(relay_peer_record) != 0)
        zv_log_out(ZV_LL_ERR, "the messaging library refused the record relay");
}

} // namespace

int zvuc_dll_load_path(const char* path) {
    g_uc_handle = G_UC_DLL_HANDLE();
    G_UC_DLL_HANDLE& h = g_uc_handle;
    h.uidll = dlopen(path, RTLD_LAZY);
    zv_log_out(ZV_LL_INFO, "zvuc_dll_load ld = %p", h.uidll);
    if (h.uidll == nullptr) {
        zv_log_out(ZV_LL_INFO, "load dll error! %s", path);
        return -1;
    }
    void* dll = h.uidll;
    // Every name is looked up, so the log shows the whole picture of a broken library.
    bool ok = resolve(dll, "zvuc_init", &h.zvuc_init);
    ok = resolve(dll, "zvuc_init_call", &h.zvuc_init_call) && ok;
    (void)resolve(dll, "zvuc_init_peer", &h.zvuc_init_peer);
    ok = resolve(dll, "zvuc_uninit", &h.zvuc_uninit) && ok;
    ok = resolve(dll, "zvuc_send_msg", &h.zvuc_send_msg) && ok;
    ok = resolve(dll, "zvuc_send_self_msg", &h.zvuc_send_self_msg) && ok;
    (void)resolve(dll, "zvuc_start_ui", &h.zvuc_start_ui);
    ok = resolve(dll, "zvuc_is_ui_running", &h.zvuc_is_ui_running) && ok;
    ok = resolve(dll, "zvuc_has_calibrating_window", &h.zvuc_has_calibrating_window) && ok;
    ok = resolve(dll, "zvuc_send_calibrating_point", &h.zvuc_send_calibrating_point) && ok;
    ok = resolve(dll, "zvuc_get_screen_info", &h.zvuc_get_screen_info) && ok;
    ok = resolve(dll, "zvuc_start_timer", &h.zvuc_start_timer) && ok;
    ok = resolve(dll, "zvuc_stop_timer", &h.zvuc_stop_timer) && ok;
    ok = resolve(dll, "zvuc_start_qt_app", &h.zvuc_start_qt_app) && ok;
    (void)resolve(dll, "zvuc_stop_qt_app", &h.zvuc_stop_qt_app);
    (void)resolve(dll, "zv_set_log_handler", &h.zv_set_log_handler);
    if (!ok) {
        zv_log_out(ZV_LL_INFO, "load dll functions error! %s", path);
        zv_log_out(ZV_LL_ERR, "%p,%p,%p,%p,%p,| %p,%p,%p,%p,%p,|%p ,%p",
                   reinterpret_cast<void*>(h.zvuc_init), reinterpret_cast<void*>(h.zvuc_init_call),
                   reinterpret_cast<void*>(h.zvuc_uninit), reinterpret_cast<void*>(h.zvuc_send_msg),
                   reinterpret_cast<void*>(h.zvuc_send_self_msg),
                   reinterpret_cast<void*>(h.zvuc_is_ui_running),
                   reinterpret_cast<void*>(h.zvuc_has_calibrating_window),
                   reinterpret_cast<void*>(h.zvuc_send_calibrating_point),
                   reinterpret_cast<void*>(h.zvuc_get_screen_info),
                   reinterpret_cast<void*>(h.zvuc_start_timer),
                   reinterpret_cast<void*>(h.zvuc_stop_timer),
                   reinterpret_cast<void*>(h.zvuc_start_qt_app));
        return -2;
    }
    return 1;
}

int zvuc_dll_load() {
    char path[600];
    if (!zv_lib_path("libuibridge.so.1.0.0", path, sizeof path)) {
        zv_log_out(ZV_LL_INFO, "load dll error! %s", "libuibridge.so.1.0.0");
        return -1;
    }
    return zvuc_dll_load_path(path);
}

int zvuc_dll_unload() {
    if (g_uc_handle.uidll != nullptr)
        dlclose(g_uc_handle.uidll);
    g_uc_handle = G_UC_DLL_HANDLE();
    return 0;
}

int zvuc_dll_set_log_handler(ZV_LOG_HANDLER cb) {
    if (g_uc_handle.zv_set_log_handler == nullptr)
        return -1;
    g_uc_handle.zv_set_log_handler(cb);
    return 0;
}

// The wrappers the core calls by the library's own names.
extern "C" {

int zvuc_init(ZVUC_RECV_MSG_CB onRecvMsg, ZVUC_SCREEN_INFO_CB onScreenInfo) {
    if (g_uc_handle.zvuc_init == nullptr)
        return -1;
    const int rc = g_uc_handle.zvuc_init(onRecvMsg, onScreenInfo);
    if (rc == 0) {
        g_coreEvent.store(nullptr);
        g_coreRecvMsg.store(onRecvMsg);
        bind_peer_relay();
    }
    return rc;
}

int zvuc_init_call(ZVUC_EVENT_CB onEvent, ZVUC_SCREEN_INFO_CB onScreenInfo, ZVUC_TIMER_CB onTimer) {
    if (g_uc_handle.zvuc_init_call == nullptr)
        return -1;
    const int rc = g_uc_handle.zvuc_init_call(onEvent, onScreenInfo, onTimer);
    if (rc == 0) {
        g_coreRecvMsg.store(nullptr);
        g_coreEvent.store(onEvent);
        bind_peer_relay();
    }
    return rc;
}

int zvuc_init_peer(ZVUC_PEER_MSG_CB onPeerMsg) {
    return g_uc_handle.zvuc_init_peer ? g_uc_handle.zvuc_init_peer(onPeerMsg) : -1;
}

int zvuc_uninit(void) {
    if (g_uc_handle.zvuc_uninit == nullptr)
        return -1;
    const int rc = g_uc_handle.zvuc_uninit();
    g_coreRecvMsg.store(nullptr);
    g_coreEvent.store(nullptr);
    return rc;
}

int zvuc_send_msg(const tagZVMsg* msg) {
    return g_uc_handle.zvuc_send_msg ? g_uc_handle.zvuc_send_msg(msg) : -3;
}

int zvuc_send_self_msg(const tagZVMsg* msg) {
    return g_uc_handle.zvuc_send_self_msg ? g_uc_handle.zvuc_send_self_msg(msg) : -3;
}

int zvuc_start_ui(void) {
    return g_uc_handle.zvuc_start_ui ? g_uc_handle.zvuc_start_ui() : -1;
}

int zvuc_is_ui_running(void) {
    return g_uc_handle.zvuc_is_ui_running ? g_uc_handle.zvuc_is_ui_running() : -1;
}

int zvuc_has_calibrating_window(void) {
    return g_uc_handle.zvuc_has_calibrating_window ? g_uc_handle.zvuc_has_calibrating_window() : -1;
}

int zvuc_send_calibrating_point(const ZvPoint* pt) {
    return g_uc_handle.zvuc_send_calibrating_point ? g_uc_handle.zvuc_send_calibrating_point(pt)
                                                   : -1;
}

int zvuc_get_screen_info(ZvRect* rects, unsigned num) {
    return g_uc_handle.zvuc_get_screen_info ? g_uc_handle.zvuc_get_screen_info(rects, num) : -1;
}

int zvuc_start_timer(int ID, int interval) {
    return g_uc_handle.zvuc_start_timer ? g_uc_handle.zvuc_start_timer(ID, interval) : -1;
}

int zvuc_stop_timer(int ID) {
    return g_uc_handle.zvuc_stop_timer ? g_uc_handle.zvuc_stop_timer(ID) : -1;
}

int zvuc_start_qt_app(int argc, char** argv) {
    return g_uc_handle.zvuc_start_qt_app ? g_uc_handle.zvuc_start_qt_app(argc, argv) : -1;
}

int zvuc_stop_qt_app(void) {
    return g_uc_handle.zvuc_stop_qt_app ? g_uc_handle.zvuc_stop_qt_app() : -1;
}

} // extern "C"
