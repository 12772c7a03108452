// The core's binding to libconfstore: tablet descriptions, key layouts and user settings. One
// instance exists, ZvTabletThread::_cfg, built before main; without a complete library the
// program cannot serve any tablet, so the constructor ends it (status 1, a line on stderr).
#pragma once

#include "ZvConfStoreDll.h"

class ZvDriverCfg : public ZvConfStoreDll {
public:
    ZvDriverCfg();

    // The program's folder: the shipped descriptions and templates are read from its res/.
    const char* appPath() const { return _appPath; }
    // The folder whose res/ holds the per-model user files (the settings application's too).
    const char* settingsPath() const { return _settingsPath; }

private:
    char _appPath[512] = {};
    char _settingsPath[512] = {};
};
