#include "ZvDriverCfg.h"

#include "ZvExePath.h"
#include "ZvLog.h"
#include "ZvLogCore.h"
#include "ZvPadSessionDll.h"

#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {

template <typename Fn> void resolve(void* dll, const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(dlsym(dll, name));
}

} // namespace

ZvDriverCfg::ZvDriverCfg() {
    (void)zvcb_get_app_path(_appPath, sizeof _appPath);
    char path[sizeof _appPath + 32] = {};
    const bool located = zv_lib_path("libconfstore.so", path, sizeof path);
    zv_log_out(ZV_LL_INFO, "%s", path);
    if (!located || !load(path)) {
        // Built before main: nothing is running yet that an orderly shutdown would have to stop.
        fprintf(stderr, "ZervaCore: cannot use the configuration store %s\n", path);
        fflush(stderr);
        _exit(1);
    }
}

ZvDriverCfg::~ZvDriverCfg() {
    unload();
}

bool ZvDriverCfg::load(const char* path) {
    unload();
    _dll = dlopen(path, RTLD_LAZY);
    zv_log_out(ZV_LL_INFO, "_dll = %p,", _dll);
    if (_dll == nullptr) {
        zv_log_out(ZV_LL_ERR, "load {%s}error", path);
        return false;
    }
    resolve(_dll, "zvdc_set_cfg_path", &zvdc_set_cfg_path);
    resolve(_dll, "zvdc_read_a_tablet_config", &zvdc_read_a_tablet_config);
    resolve(_dll, "zvdc_read_a_pen_config", &zvdc_read_a_pen_config);
    resolve(_dll, "zvdc_read_a_tablet_layout", &zvdc_read_a_tablet_layout);
    resolve(_dll, "zvdc_read_a_pen_layout", &zvdc_read_a_pen_layout);
    resolve(_dll, "zvdc_read_a_user_config", &zvdc_read_a_user_config);
    resolve(_dll, "zvdc_write_a_user_config", &zvdc_write_a_user_config);
    resolve(_dll, "zv_set_log_handler", &zvdc_set_log_handler);
    if (!zvdc_set_cfg_path || !zvdc_read_a_tablet_config || !zvdc_read_a_pen_config ||
        !zvdc_read_a_tablet_layout || !zvdc_read_a_pen_layout || !zvdc_read_a_user_config ||
        !zvdc_write_a_user_config || !zvdc_set_log_handler) {
        zv_log_out(ZV_LL_ERR, "load {%s}error: export missing", path);
        unload();
        return false;
    }
    zvdc_set_log_handler(log_handler_fun_arg);
    zv_log_out(ZV_LL_INFO, "confstore dll load ok");
    setCfgPath(_appPath, _appPath);
    zv_log_out(ZV_LL_INFO, "after zvdc_set_cfg_path P(%s|%s) ", _appPath, _appPath);
    return true;
}

void ZvDriverCfg::unload() {
    if (_dll != nullptr)
        dlclose(_dll);
    _dll = nullptr;
    zvdc_set_cfg_path = nullptr;
    zvdc_read_a_tablet_config = nullptr;
    zvdc_read_a_pen_config = nullptr;
    zvdc_read_a_tablet_layout = nullptr;
    zvdc_read_a_pen_layout = nullptr;
    zvdc_read_a_user_config = nullptr;
    zvdc_write_a_user_config = nullptr;
    zvdc_set_log_handler = nullptr;
}

void ZvDriverCfg::setCfgPath(const char* sDefaultPath, const char* sEditPath) {
    if (zvdc_set_cfg_path)
        zvdc_set_cfg_path(sDefaultPath, sEditPath);
}

th_i32 ZvDriverCfg::readTabletCfg(const char* sModel, ZvTabletCfg* p) {
    return zvdc_read_a_tablet_config ? zvdc_read_a_tablet_config(sModel, p) : -17;
}

th_i32 ZvDriverCfg::readPenCfg(const char* sModel, ZvPenCfg* p) {
    return zvdc_read_a_pen_config ? zvdc_read_a_pen_config(sModel, p) : -17;
}

th_i32 ZvDriverCfg::readTabletLayout(const char* sModel, ZvLayoutTablet* p) {
    return zvdc_read_a_tablet_layout ? zvdc_read_a_tablet_layout(sModel, p) : -17;
}

th_i32 ZvDriverCfg::readPenLayout(const char* sModel, ZvLayoutPen* p) {
    return zvdc_read_a_pen_layout ? zvdc_read_a_pen_layout(sModel, p) : -17;
}

th_i32 ZvDriverCfg::readUserCfg(const char* sModel, ZvUserConfig* uc) {
    return zvdc_read_a_user_config ? zvdc_read_a_user_config(sModel, uc) : -17;
}

th_i32 ZvDriverCfg::writeUserCfg(ZvUserConfig* uc) {
    if (uc == nullptr || strncmp(uc->base.sModel, ZV_GENERIC_MODEL, ZV_MODEL_LEN) == 0)
        return -1;
    return zvdc_write_a_user_config ? zvdc_write_a_user_config(uc->base.sModel, uc) : -17;
}
