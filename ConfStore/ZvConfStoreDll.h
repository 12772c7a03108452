// libconfstore loaded at run time and bound by name, for the programs that use the store without
// linking it: the core and the settings application each load it from their libs/ folder, so the
// one library file decides the format of the files both of them read and write.
#pragma once

#include "ZvConfStore.h"
#include "ZvStruct.h"

#include <string>

class ZvConfStoreDll {
public:
    ZvConfStoreDll() = default;
    ~ZvConfStoreDll();
    ZvConfStoreDll(const ZvConfStoreDll&) = delete;
    ZvConfStoreDll& operator=(const ZvConfStoreDll&) = delete;

    // Loads and binds the library at path; false when it cannot be loaded or an export is
    // missing (logged; *error, when given, gets the loader's text). Nothing stays bound then.
    bool load(const char* path, std::string* error = nullptr);
    bool loaded() const { return _dll != nullptr; }

    void setLogHandler(ZV_LOG_HANDLER handler);
    void setCfgPath(const char* sDefaultPath, const char* sEditPath);
    // Results are the store's (0 found, -1 not found, -17 no file or no library, -22 bad
    // argument).
    th_i32 readTabletCfg(const char* sModel, ZvTabletCfg* p);
    th_i32 readPenCfg(const char* sModel, ZvPenCfg* p);
    th_i32 readTabletLayout(const char* sModel, ZvLayoutTablet* p);
    th_i32 readPenLayout(const char* sModel, ZvLayoutPen* p);
    th_i32 readUserCfg(const char* sModel, ZvUserConfig* uc);
    // Saves under uc->base.sModel. The unknown-model defaults ("OEMFF_FFFF") are never stored:
    // -1 without writing.
    th_i32 writeUserCfg(ZvUserConfig* uc);

private:
    void unload();

    void* _dll = nullptr;
    zvdc_set_cfg_path_fn zvdc_set_cfg_path = nullptr;
    zvdc_read_a_tablet_config_fn zvdc_read_a_tablet_config = nullptr;
    zvdc_read_a_pen_config_fn zvdc_read_a_pen_config = nullptr;
    zvdc_read_a_tablet_layout_fn zvdc_read_a_tablet_layout = nullptr;
    zvdc_read_a_pen_layout_fn zvdc_read_a_pen_layout = nullptr;
    zvdc_read_a_user_config_fn zvdc_read_a_user_config = nullptr;
    zvdc_write_a_user_config_fn zvdc_write_a_user_config = nullptr;
    zv_set_log_handler_fn zvdc_set_log_handler = nullptr;
};
