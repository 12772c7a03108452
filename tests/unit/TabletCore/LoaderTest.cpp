// Loading the two libraries by path: libpadsession into g_handle, libconfstore by the
// configuration binding built before main (which must end a program without it).
#include "ZvPadSessionDll.h"
#include "ZvTabletThread.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <sys/wait.h>

namespace {

TEST(PadSessionLoader, LoadsByPathAndRefusesIncompleteLibraries) {
    const std::string libs = std::string(ZvTabletThread::_cfg.appPath()) + "/libs/";
    struct Case {
        std::string path;
        int result;
    };
    const Case cases[] = {
        {libs + "libpadsession.so", 1},
        {libs + "libconfstore.so", -2}, // a library, but not the session library
        {libs + "no-such-library.so", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(load_padsession_dll_path(c.path.c_str()), c.result) << c.path;
        const bool complete = g_handle.zvtc_open && g_handle.zvtc_close && g_handle.zvtc_read &&
                              g_handle.zvtc_start_read && g_handle.zvtc_get_str_desc &&
                              g_handle.zvtc_alive && g_handle.zvtc_check_usb_dev &&
                              g_handle.zvtc_check_blz_dev && g_handle.zvtc_set_log_handler;
        EXPECT_EQ(complete, c.result == 1) << c.path;
        EXPECT_EQ(unload_padsession_dll(), 0);
        EXPECT_EQ(g_handle.sessiondll, nullptr);
    }
    EXPECT_EQ(load_padsession_dll(), 1) << "the libs folder beside the program";
    (void)unload_padsession_dll();
}

// A program that links the worker, run from a folder whose libs lack a usable store.
TEST(DriverCfg, ProgramWithoutAUsableStoreEndsBeforeMain) {
    for (const char* dir : {"nolibs", "badlibs"}) {
        const std::string cmd =
            std::string(ZV_BINARY_DIR "/tests/unit/TabletCore/") + dir + "/zvtest_cfgprobe 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        char buf[256];
        while (fgets(buf, sizeof buf, p) != nullptr)
            out += buf;
        const int status = pclose(p);
        ASSERT_TRUE(WIFEXITED(status)) << dir << ": " << out;
        EXPECT_EQ(WEXITSTATUS(status), 1) << dir << ": " << out;
        EXPECT_NE(out.find("cannot use the configuration store"), std::string::npos) << out;
        EXPECT_EQ(out.find("main ran"), std::string::npos) << dir << ": " << out;
    }
}

} // namespace
