#include "PadSessionLib.h"

#include <dlfcn.h>

namespace zvtest {

namespace {

template <typename Fn> bool bind(void* handle, const char* name, Fn* out, std::string* error) {
    void* sym = dlsym(handle, name);
    if (sym == nullptr) {
        *error = std::string("missing export ") + name;
        return false;
    }
    *out = reinterpret_cast<Fn>(sym);
    return true;
}

} // namespace

std::unique_ptr<PadSessionLib> PadSessionLib::load(const std::string& path, std::string* error) {
    std::unique_ptr<PadSessionLib> lib(new PadSessionLib());
    lib->_path = path;
    lib->_handle = dlopen(path.c_str(), RTLD_LAZY);
    if (lib->_handle == nullptr) {
        const char* why = dlerror();
        *error = why ? why : "dlopen failed";
        return nullptr;
    }
    PadSessionApi& a = lib->_api;
    void* h = lib->_handle;
    if (!bind(h, "zvtc_open", &a.open, error) || !bind(h, "zvtc_close", &a.close, error) ||
        !bind(h, "zvtc_read", &a.read, error) || !bind(h, "zvtc_start_read", &a.startRead, error) ||
        !bind(h, "zvtc_get_str_desc", &a.getStrDesc, error) ||
        !bind(h, "zvtc_alive", &a.alive, error) || !bind(h, "zvtc_hold_back", &a.holdBack, error) ||
        !bind(h, "zvtc_check_usb_device", &a.checkUsb, error) ||
        !bind(h, "zvtc_check_blz_device", &a.checkBlz, error) ||
        !bind(h, "zv_set_log_handler", &a.setLogHandler, error))
        return nullptr;
    return lib;
}

PadSessionLib::~PadSessionLib() {
    if (_handle != nullptr)
        dlclose(_handle);
}

} // namespace zvtest
