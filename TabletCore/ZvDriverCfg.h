// The core's binding to libconfstore: tablet descriptions, key layouts and user settings. One
// instance exists, ZvTabletThread::_cfg, built before main; without a complete library the
// program cannot serve any tablet, so the constructor ends it (status 1, a line on stderr).
#pragma once

#include "ZvConfStoreDll.h"

class ZvDriverCfg : public ZvConfStoreDll {
public:
    ZvDriverCfg();

    // The directory both configuration paths point at.
    const char* appPath() const { return _appPath; }

private:
    char _appPath[512] = {};
};
