// The core's binding to libconfstore: tablet descriptions, key layouts and user settings. One
// instance exists, ZvTabletThread::_cfg, built before main; without a complete library the
// program cannot serve any tablet, so the constructor ends it (status 1, a line on stderr).
#pragma once

#include "ZvConfStore.h"
#include "ZvStruct.h"

class ZvDriverCfg {
public:
    ZvDriverCfg();
    ~ZvDriverCfg();
    ZvDriverCfg(const ZvDriverCfg&) = delete;
    ZvDriverCfg& operator=(const ZvDriverCfg&) = delete;

    void setCfgPath(const char* sDefaultPath, const char* sEditPath);
    // Results are the store's (0 found, -1 not found, -17 no file, -22 bad argument).
    th_i32 readTabletCfg(const char* sModel, ZvTabletCfg* p);
    th_i32 readPenCfg(const char* sModel, ZvPenCfg* p);
    th_i32 readTabletLayout(const char* sModel, ZvLayoutTablet* p);
    th_i32 readPenLayout(const char* sModel, ZvLayoutPen* p);
    th_i32 readUserCfg(const char* sModel, ZvUserConfig* uc);
    // The unknown-model defaults ("OEMFF_FFFF") are never stored: -1 without writing.
    th_i32 writeUserCfg(ZvUserConfig* uc);

    // The directory both configuration paths point at.
    const char* appPath() const { return _appPath; }

    // Loads and binds the library at path; false (logged) when it or an export is missing.
    bool load(const char* path);

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
    char _appPath[512] = {};
};
