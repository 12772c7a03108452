#include "ZvDriverCfg.h"

#include "ZvExePath.h"
#include "ZvLog.h"
#include "ZvLogCore.h"
#include "ZvPadSessionDll.h"

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
    setCfgPath(_appPath, _appPath);
    zv_log_out(ZV_LL_INFO, "after zvdc_set_cfg_path P(%s|%s) ", _appPath, _appPath);
}
