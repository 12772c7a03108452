// Each build exports exactly the interface the core binds, and nothing the standard library or
// the logic would otherwise leak.
#include "SessionFixture.h"
#include "ZvExports.h"

#include <set>
#include <string>

namespace zvtest {
namespace {

class Exports : public ::testing::TestWithParam<Build> {};

TEST_P(Exports, ExactlyTheSessionInterface) {
    const std::set<std::string> want = {
        "zv_set_log_handler",
        "zvtc_alive",
        "zvtc_hold_back",
        "zvtc_check_blz_device",
        "zvtc_check_usb_device",
        "zvtc_close",
        "zvtc_get_str_desc",
        "zvtc_open",
        "zvtc_read",
        "zvtc_start_read",
    };
    std::string error;
    EXPECT_EQ(zvtest_defined_dynamic_symbols(build_path(GetParam()), &error), want);
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
