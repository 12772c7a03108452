// The core's binding to libpadsession: loaded once by path from the libs folder beside the
// program, its nine exports resolved by name into g_handle before any tablet worker exists.
#pragma once

#include "ZvLog.h"
#include "ZvPadSessionApi.h"

struct G_DLL_FUNC_HANDLE {
    void* sessiondll = nullptr;
    th_i16 (*zvtc_open)(PZvTabletOpenPatam) = nullptr;
    void (*zvtc_close)(void*) = nullptr;
    th_i16 (*zvtc_read)(void*, th_u8*, th_u16) = nullptr;
    th_i16 (*zvtc_start_read)(void*, th_u8) = nullptr;
    th_i16 (*zvtc_get_str_desc)(void*, th_u8, th_u8*, th_u16) = nullptr;
    th_i16 (*zvtc_alive)(void*) = nullptr;
    th_i16 (*zvtc_hold_back)(void*) = nullptr; // optional
    bool (*zvtc_check_usb_dev)(char*) = nullptr;
    bool (*zvtc_check_blz_dev)(char*) = nullptr;
    void (*zvtc_set_log_handler)(ZV_LOG_HANDLER) = nullptr;
};

// Written by load_padsession_dll before any worker starts; read-only afterwards.
extern G_DLL_FUNC_HANDLE g_handle;

// Loads "<program dir>/libs/libpadsession.so" (never with RTLD_DEEPBIND: test doubles preloaded
// in front of hidapi must stay visible to it) and installs the core's log sink in it.
// Returns 1, -1 when the library cannot be loaded, -2 when an export is missing (the library
// then stays loaded, g_handle holds what was found).
int load_padsession_dll();
// As above with an explicit path (tests of the loader).
int load_padsession_dll_path(const char* path);
// Unloads the library when loaded and zeroes g_handle. Returns 0.
int unload_padsession_dll();

// The directory of the running program (no trailing '/'), at most size-1 characters. Returns 1,
// or 0 leaving buf untouched when /proc/self/exe cannot be read or is too long.
int zvcb_get_app_path(char* buf, unsigned size);
