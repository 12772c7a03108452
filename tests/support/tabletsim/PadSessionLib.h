// A build of libpadsession loaded by path and bound by name, as the core does it.
#pragma once

#include "ZvLog.h"
#include "ZvPadSessionApi.h"

#include <memory>
#include <string>

namespace zvtest {

struct PadSessionApi {
    th_i16 (*open)(PZvTabletOpenPatam) = nullptr;
    void (*close)(void*) = nullptr;
    th_i16 (*read)(void*, th_u8*, th_u16) = nullptr;
    th_i16 (*startRead)(void*, th_u8) = nullptr;
    th_i16 (*getStrDesc)(void*, th_u8, th_u8*, th_u16) = nullptr;
    th_i16 (*alive)(void*) = nullptr;
    th_i16 (*holdBack)(void*) = nullptr;
    bool (*checkUsb)(char*) = nullptr;
    bool (*checkBlz)(char*) = nullptr;
    void (*setLogHandler)(ZV_LOG_HANDLER) = nullptr;
};

class PadSessionLib {
public:
    // dlopen with lazy binding, then the ten exports; null with the reason in *error.
    static std::unique_ptr<PadSessionLib> load(const std::string& path, std::string* error);
    ~PadSessionLib();
    PadSessionLib(const PadSessionLib&) = delete;
    PadSessionLib& operator=(const PadSessionLib&) = delete;

    const PadSessionApi& api() const { return _api; }
    const std::string& path() const { return _path; }

private:
    PadSessionLib() = default;
    void* _handle = nullptr;
    std::string _path;
    PadSessionApi _api;
};

} // namespace zvtest
