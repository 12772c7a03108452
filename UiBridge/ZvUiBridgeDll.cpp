#include "ZvUiBridgeDll.h"

#include "ZvExePath.h"

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
    return g_uc_handle.zvuc_init ? g_uc_handle.zvuc_init(onRecvMsg, onScreenInfo) : -1;
}

int zvuc_init_call(ZVUC_EVENT_CB onEvent, ZVUC_SCREEN_INFO_CB onScreenInfo, ZVUC_TIMER_CB onTimer) {
    return g_uc_handle.zvuc_init_call ? g_uc_handle.zvuc_init_call(onEvent, onScreenInfo, onTimer)
                                      : -1;
}

int zvuc_uninit(void) {
    return g_uc_handle.zvuc_uninit ? g_uc_handle.zvuc_uninit() : -1;
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
