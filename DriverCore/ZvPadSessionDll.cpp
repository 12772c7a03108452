#include "ZvPadSessionDll.h"

#include "ZvExePath.h"
#include "ZvLog.h"
#include "ZvLogCore.h"

#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

G_DLL_FUNC_HANDLE g_handle;

namespace {

template <typename Fn> bool resolve(void* dll, const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(dlsym(dll, name));
    return *out != nullptr;
}

} // namespace

int zvcb_get_app_path(char* buf, unsigned size) {
    return zv_exe_dir(buf, size) ? 1 : 0;
}

int load_padsession_dll_path(const char* path) {
    g_handle = G_DLL_FUNC_HANDLE();
    g_handle.sessiondll = dlopen(path, RTLD_LAZY);
    zv_log_out(ZV_LL_INFO, "Load padsession dll _dll= %p \n", g_handle.sessiondll);
    if (g_handle.sessiondll == nullptr) {
        const char* why = dlerror();
        zv_log_out(ZV_LL_ERR, " %s ", why ? why : path);
        return -1;
    }
    void* dll = g_handle.sessiondll;
    G_DLL_FUNC_HANDLE& h = g_handle;
    // Every name is looked up, so the log shows the whole picture of a broken library.
    bool ok = resolve(dll, "zvtc_open", &h.zvtc_open);
    ok = resolve(dll, "zvtc_close", &h.zvtc_close) && ok;
    ok = resolve(dll, "zvtc_read", &h.zvtc_read) && ok;
    ok = resolve(dll, "zvtc_start_read", &h.zvtc_start_read) && ok;
    ok = resolve(dll, "zvtc_get_str_desc", &h.zvtc_get_str_desc) && ok;
    ok = resolve(dll, "zvtc_alive", &h.zvtc_alive) && ok;
    ok = resolve(dll, "zvtc_check_usb_device", &h.zvtc_check_usb_dev) && ok;
    ok = resolve(dll, "zvtc_check_blz_device", &h.zvtc_check_blz_dev) && ok;
    ok = resolve(dll, "zv_set_log_handler", &h.zvtc_set_log_handler) && ok;
    if (!ok) {
        zv_log_out(ZV_LL_ERR, "load  padsession dll error! %s", path);
        return -2;
    }
    // Without it a tablet the core gives back is offered again at once; everything else works.
    if (!resolve(dll, "zvtc_hold_back", &h.zvtc_hold_back))
        zv_log_out(ZV_LL_WARN, "padsession: no zvtc_hold_back in %s", path);
    h.zvtc_set_log_handler(log_handler_fun_arg);
    zv_log_out(ZV_LL_INFO, "load padsession OK ");
    return 1;
}

int load_padsession_dll() {
    char path[600];
    if (!zv_lib_path("libpadsession.so", path, sizeof path)) {
        zv_log_out(ZV_LL_ERR, " %s ", "libpadsession.so: the program's directory is unknown");
        return -1;
    }
    return load_padsession_dll_path(path);
}

int unload_padsession_dll() {
    if (g_handle.sessiondll != nullptr)
        dlclose(g_handle.sessiondll);
    g_handle = G_DLL_FUNC_HANDLE();
    return 0;
}
