// Tick counter, system commands and the key-tapping helpers of the key actions.
#include "DeviceFixture.h"
#include "Global.h"

#include <fstream>
#include <linux/input.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

class SystemHelpers : public DeviceFixture {
protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        createAll();
    }
};

using Keys = std::vector<std::pair<int, int>>;

} // namespace

TEST(GetTickCount, CountsWallClockMicrosecondsInThirtyTwoBits) {
    timeval before;
    gettimeofday(&before, nullptr);
    const th_u32 tick = GetTickCount();
    const th_u32 expected =
        static_cast<th_u32>(static_cast<uint64_t>(before.tv_sec) * 1000000u + before.tv_usec);
    // Unsigned difference: correct across the wrap every 71.6 minutes.
    EXPECT_LT(static_cast<th_u32>(tick - expected), 1000000u);
    usleep(20000);
    const th_u32 later = GetTickCount();
    EXPECT_GE(static_cast<th_u32>(later - tick), 20000u);
    EXPECT_LT(static_cast<th_u32>(later - tick), 2000000u);
}

TEST(RunSystemCmd, ReturnsTheShellsExitStatus) {
    struct Case {
        const char* cmd;
        int result;
    };
    for (const Case& c :
         {Case{nullptr, -1}, Case{"true", 0}, Case{"exit 3", 3},
          Case{"zv-no-such-command-here 2>/dev/null", 127}, Case{"kill -9 $$", 128 + 9}}) {
        EXPECT_EQ(runSystemCmd(c.cmd), c.result) << (c.cmd ? c.cmd : "(null)");
    }
}

TEST_F(SystemHelpers, KeysOfTheBrushSwitchAndThePrivateCommands) {
    zvcb_switch_brush_eraser(1);
    zvcb_exec_private_cmd(2);
    zvcb_exec_private_cmd(3);
    zvcb_exec_private_cmd(0);
    zvcb_exec_private_cmd(4);
    zvcb_exec_mmk_code(0xE9);
    EXPECT_EQ(keys(g_g.gFdKbd), (Keys{{KEY_E, 1},
                                      {KEY_E, 0},
                                      {KEY_SLEEP, 1},
                                      {KEY_SLEEP, 0},
                                      {KEY_SCREENLOCK, 1},
                                      {KEY_SCREENLOCK, 0}}));
    EXPECT_TRUE(keys(g_g.gFdMouse).empty());
}

// The shutdown command is looked up on PATH; a stand-in records how it was called. PATH holds
// nothing else, so the real command cannot be reached from this test.
TEST(PrivateCmd, ShutdownRunsTheSystemCommand) {
    char dir[] = "/tmp/zv-shutdownXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string stub = std::string(dir) + "/shutdown";
    const std::string out = std::string(dir) + "/called";
    {
        std::ofstream f(stub);
        f << "#!/bin/sh\necho \"$*\" > " << out << "\n";
    }
    ASSERT_EQ(chmod(stub.c_str(), 0755), 0);
    const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    ASSERT_EQ(setenv("PATH", dir, 1), 0);
    ASSERT_STREQ(getenv("PATH"), dir);
    zvcb_exec_private_cmd(1);
    setenv("PATH", oldPath.c_str(), 1);
    std::ifstream f(out);
    std::string args;
    std::getline(f, args);
    EXPECT_EQ(args, "-h now");
    unlink(out.c_str());
    unlink(stub.c_str());
    rmdir(dir);
}
