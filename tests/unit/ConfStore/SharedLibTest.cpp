// libconfstore as its callers see it: loaded by path and bound by name, exporting exactly the
// store's functions and its log handler slot.
#include "ZvConfStore.h"
#include "ZvExports.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <set>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const std::string kLib = std::string(ZV_DIST_DIR) + "/libs/libconfstore.so";

std::vector<std::string> lines;
void keep(int, const char* format, va_list args) {
    char buf[1024];
    vsnprintf(buf, sizeof buf, format, args);
    lines.push_back(buf);
}

struct Lib {
    void* h = dlopen(kLib.c_str(), RTLD_NOW);
    ~Lib() {
        if (h)
            dlclose(h);
    }
    template <class F> F sym(const char* name) { return reinterpret_cast<F>(dlsym(h, name)); }
};

} // namespace

TEST(ConfStoreLib, ExportsExactlyTheStoreFunctions) {
    const std::set<std::string> want = {
        "zv_set_log_handler",
        "zvdc_read_a_pen_config",
        "zvdc_read_a_pen_layout",
        "zvdc_read_a_tablet_config",
        "zvdc_read_a_tablet_layout",
        "zvdc_read_a_user_config",
        "zvdc_read_a_user_config_from_file",
        "zvdc_read_pen_config",
        "zvdc_read_pen_layout",
        "zvdc_read_tablet_config",
        "zvdc_read_tablet_layout",
        "zvdc_read_user_config",
        "zvdc_set_cfg_path",
        "zvdc_write_a_user_config",
        "zvdc_write_pen_config",
        "zvdc_write_pen_layout",
        "zvdc_write_tablet_config",
        "zvdc_write_tablet_layout",
        "zvdc_write_user_config",
    };
    std::string error;
    EXPECT_EQ(zvtest_defined_dynamic_symbols(kLib, &error), want);
    EXPECT_EQ(error, "");
}

TEST(ConfStoreLib, LoadsByPathAndWorksThroughTheBoundNames) {
    Lib lib;
    ASSERT_NE(lib.h, nullptr) << dlerror();
    // The names the core and the settings application resolve.
    for (const char* name :
         {"zvdc_set_cfg_path", "zvdc_read_a_tablet_config", "zvdc_read_a_pen_config",
          "zvdc_read_a_tablet_layout", "zvdc_read_a_pen_layout", "zvdc_read_a_user_config",
          "zvdc_write_a_user_config", "zv_set_log_handler"})
        EXPECT_NE(dlsym(lib.h, name), nullptr) << name;

    auto setPath = lib.sym<zvdc_set_cfg_path_fn>("zvdc_set_cfg_path");
    auto setLog = lib.sym<zv_set_log_handler_fn>("zv_set_log_handler");
    auto writeTablets = lib.sym<decltype(&zvdc_write_tablet_config)>("zvdc_write_tablet_config");
    auto readTablet = lib.sym<zvdc_read_a_tablet_config_fn>("zvdc_read_a_tablet_config");
    auto readUser = lib.sym<zvdc_read_a_user_config_fn>("zvdc_read_a_user_config");
    auto writeUser = lib.sym<zvdc_write_a_user_config_fn>("zvdc_write_a_user_config");
    ASSERT_TRUE(setPath && setLog && writeTablets && readTablet && readUser && writeUser);

    char dir[] = "/tmp/zvcs-lib-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(mkdir((std::string(dir) + "/res").c_str(), 0755), 0);
    setLog(&keep);
    setPath(dir, dir);

    ZvTabletCfg t{};
    t.maxX = 4242;
    memcpy(t.sModel,
           "Z\0V\0M\0"
           "1\0"
           "0\0"
           "6\0"
           "0\0S\0L\0D\0",
           20); // stored wide
    ASSERT_EQ(writeTablets(&t, 1), 0);
    ZvTabletCfg out{};
    EXPECT_EQ(readTablet("ZVM1060SLD", &out), 0);
    EXPECT_EQ(out.maxX, 4242u);
    EXPECT_STREQ(out.sModel, "ZVM1060SLD");
    EXPECT_EQ(readTablet("ZVM1060SLX", &out), -1);

    // Argument checks at the boundary.
    EXPECT_EQ(readTablet(nullptr, &out), ZVDC_BAD_ARG);
    EXPECT_EQ(readTablet("ZVM1060SLD", nullptr), ZVDC_BAD_ARG);
    EXPECT_EQ(writeUser("ZVM1060SLD", nullptr), ZVDC_BAD_ARG);
    EXPECT_EQ(writeTablets(nullptr, 1), ZVDC_BAD_ARG);
    EXPECT_EQ(readUser("ZVM1060SLD", nullptr), ZVDC_BAD_ARG);

    // The library logs through the handler it was given, not through the test's own slot.
    bool seen = false;
    for (const std::string& l : lines)
        seen = seen || l == "read_a_config(ZvTabletCfg,) read ZVM1060SLD success";
    EXPECT_TRUE(seen);
    setLog(nullptr);
    ASSERT_EQ(system((std::string("rm -rf '") + dir + "'").c_str()), 0);
}
