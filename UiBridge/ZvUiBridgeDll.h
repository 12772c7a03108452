// The core's binding to libuibridge: the library is loaded once by path from the libs folder
// beside the program and its exports are resolved by name into g_uc_handle, before the event
// loop and any other thread exist; the pointers are read-only afterwards.
//
// The core calls the library through wrappers with the exported names (the functions declared in
// ZvUiBridgeApi.h are defined in the core by this binding): each calls the resolved function, or,
// when the library is not bound or lacks it, does nothing and returns -1 (zvuc_send_msg and
// zvuc_send_self_msg return -3).
//
// zvuc_init and zvuc_init_call also register, when the library offers zvuc_init_peer, a relay
// that hands each record from the settings application to the callback just given, with the
// uid the bus reports for its sender stated for the length of the call (ZvMsgSender.h): that is
// how the dispatcher learns the desktop user. A library without zvuc_init_peer still binds (the
// relay is then missing, which is logged, and no record names a desktop user).
#pragma once

#include "ZvUiBridgeApi.h"

struct G_UC_DLL_HANDLE {
    void* uidll = nullptr;
    zvuc_init_fn zvuc_init = nullptr;
    zvuc_init_call_fn zvuc_init_call = nullptr;
    zvuc_uninit_fn zvuc_uninit = nullptr;
    zvuc_send_msg_fn zvuc_send_msg = nullptr;
    zvuc_send_self_msg_fn zvuc_send_self_msg = nullptr;
    zvuc_start_ui_fn zvuc_start_ui = nullptr;
    zvuc_is_ui_running_fn zvuc_is_ui_running = nullptr;
    zvuc_has_calibrating_window_fn zvuc_has_calibrating_window = nullptr;
    zvuc_send_calibrating_point_fn zvuc_send_calibrating_point = nullptr;
    zvuc_get_screen_info_fn zvuc_get_screen_info = nullptr;
    zvuc_start_timer_fn zvuc_start_timer = nullptr;
    zvuc_stop_timer_fn zvuc_stop_timer = nullptr;
    zvuc_start_qt_app_fn zvuc_start_qt_app = nullptr;
    // Optional: a library without them still binds (the core does not need to stop the loop, to
    // route the library's lines into its own log, or to hear who sent a record).
    zvuc_stop_qt_app_fn zvuc_stop_qt_app = nullptr;
    zvuc_set_log_handler_fn zv_set_log_handler = nullptr;
    zvuc_init_peer_fn zvuc_init_peer = nullptr;
};

extern G_UC_DLL_HANDLE g_uc_handle;

// Loads "<program dir>/libs/libuibridge.so.1.0.0" lazily (never with RTLD_DEEPBIND). Returns 1
// when bound, -1 when the library cannot be loaded, -2 when one of the required exports is
// missing (every name but zvuc_start_ui and the optional ones above is required; the library then
// stays loaded and g_uc_handle holds what was found, so the wrappers of missing functions return
// their codes).
int zvuc_dll_load();
// As above with an explicit path (tests of the binding, other layouts).
int zvuc_dll_load_path(const char* path);
// Closes the library and forgets every pointer. Returns 0. Only safe once no library thread or
// event loop is running.
int zvuc_dll_unload();

// Installs the core's log sink in the library (its own zv_set_log_handler). 0, -1 when unbound.
int zvuc_dll_set_log_handler(ZV_LOG_HANDLER cb);
