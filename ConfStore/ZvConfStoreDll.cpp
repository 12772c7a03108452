#include "ZvConfStoreDll.h"

#include "ZvLog.h"

#include <dlfcn.h>
#include <string.h>

namespace {

template <typename Fn> void resolve(void* dll, const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(dlsym(dll, name));
}

} // namespace

ZvConfStoreDll::~ZvConfStoreDll() {
    unload();
}

bool ZvConfStoreDll::load(const char* path, std::string* error) {
    unload();
    _dll = dlopen(path, RTLD_LAZY);
    zv_log_out(ZV_LL_INFO, "_dll = %p,", _dll);
    if (_dll == nullptr) {
        const char* why = dlerror();
        zv_log_out(ZV_LL_ERR, "load {%s}error: %s", path, why != nullptr ? why : "");
        if (error != nullptr)
            *error = why != nullptr ? why : "cannot load";
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
        if (error != nullptr)
            *error = std::string(path) + ": a function of the store is missing";
        unload();
        return false;
    }
    return true;
}

void ZvConfStoreDll::unload() {
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

void ZvConfStoreDll::setLogHandler(ZV_LOG_HANDLER handler) {
    if (zvdc_set_log_handler)
        zvdc_set_log_handler(handler);
}

void ZvConfStoreDll::setCfgPath(const char* sDefaultPath, const char* sEditPath) {
    if (zvdc_set_cfg_path)
        zvdc_set_cfg_path(sDefaultPath, sEditPath);
}

th_i32 ZvConfStoreDll::readTabletCfg(const char* sModel, ZvTabletCfg* p) {
    return zvdc_read_a_tablet_config ? zvdc_read_a_tablet_config(sModel, p) : -17;
}

th_i32 ZvConfStoreDll::readPenCfg(const char* sModel, ZvPenCfg* p) {
    return zvdc_read_a_pen_config ? zvdc_read_a_pen_config(sModel, p) : -17;
}

th_i32 ZvConfStoreDll::readTabletLayout(const char* sModel, ZvLayoutTablet* p) {
    return zvdc_read_a_tablet_layout ? zvdc_read_a_tablet_layout(sModel, p) : -17;
}

th_i32 ZvConfStoreDll::readPenLayout(const char* sModel, ZvLayoutPen* p) {
    return zvdc_read_a_pen_layout ? zvdc_read_a_pen_layout(sModel, p) : -17;
}

th_i32 ZvConfStoreDll::readUserCfg(const char* sModel, ZvUserConfig* uc) {
    return zvdc_read_a_user_config ? zvdc_read_a_user_config(sModel, uc) : -17;
}

th_i32 ZvConfStoreDll::writeUserCfg(ZvUserConfig* uc) {
    if (uc == nullptr || strncmp(uc->base.sModel, ZV_GENERIC_MODEL, ZV_MODEL_LEN) == 0)
        return -1;
    return zvdc_write_a_user_config ? zvdc_write_a_user_config(uc->base.sModel, uc) : -17;
}
