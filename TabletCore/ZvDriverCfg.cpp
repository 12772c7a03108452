#include "ZvDriverCfg.h"

#include "ZvExePath.h"
#include "ZvLog.h"
#include "ZvLogCore.h"
#include "ZvPadSessionDll.h"
#include "ZvSettingsDir.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

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
    setLogHandler(log_handler_fun_arg);
    zv_log_out(ZV_LL_INFO, "confstore dll load ok");
    if (!zv_settings_dir(_appPath, _settingsPath, sizeof _settingsPath)) {
        // Without it every save would fail.
        fprintf(stderr, "ZervaCore: " ZV_NO_SETTINGS_DIR "\n");
        fflush(stderr);
        _exit(1);
    }
    setCfgPath(_appPath, _settingsPath);
    zv_log_out(ZV_LL_INFO, "after zvdc_set_cfg_path P(%s|%s) ", _appPath, _settingsPath);
}
