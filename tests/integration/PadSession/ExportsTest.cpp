// Each build exports exactly the interface the core binds, and nothing the standard library or
// the logic would otherwise leak.
#include "SessionFixture.h"

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

namespace zvtest {
namespace {

// The defined dynamic symbols of a shared library, sorted. nm runs without the preload.
std::vector<std::string> defined_dynamic_symbols(const std::string& path, std::string* error) {
    const std::string cmd = "env -u LD_PRELOAD nm -D --defined-only '" + path + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::vector<std::string> names;
    if (p == nullptr) {
        *error = "cannot run nm";
        return names;
    }
    char line[1024];
    while (fgets(line, sizeof line, p) != nullptr) {
        char addr[64], type[8], name[512];
        if (sscanf(line, "%63s %7s %511s", addr, type, name) == 3)
            names.push_back(name);
        else
            *error += line;
    }
    if (pclose(p) != 0)
        *error += "nm failed";
    std::sort(names.begin(), names.end());
    return names;
}

class Exports : public ::testing::TestWithParam<Build> {};

TEST_P(Exports, ExactlyTheSessionInterface) {
    std::vector<std::string> want = {
        "zv_set_log_handler",
        "zvtc_alive",
        "zvtc_check_blz_device",
        "zvtc_check_usb_device",
        "zvtc_close",
        "zvtc_get_str_desc",
        "zvtc_open",
        "zvtc_read",
        "zvtc_start_read",
    };
    std::sort(want.begin(), want.end());
    std::string error;
    EXPECT_EQ(defined_dynamic_symbols(build_path(GetParam()), &error), want);
    EXPECT_EQ(error, "");
}

TEST_P(Exports, LoadsByPathAndBindsEveryExport) {
    std::string error;
    auto lib = PadSessionLib::load(build_path(GetParam()), &error);
    EXPECT_NE(lib, nullptr) << error;
}

INSTANTIATE_TEST_SUITE_P(Builds, Exports, ::testing::Values(Build::Bluetooth, Build::UsbOnly),
                         build_name);

} // namespace
} // namespace zvtest
