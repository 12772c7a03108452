// The core and the settings application write and read the same per-model file from two
// processes: a reader must see the old file or the new one, and a failed write must keep the old.
#include "StoreFixture.h"

#include <atomic>
#include <memory>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <thread>

using namespace cstest;

namespace {

std::unique_ptr<ZvUserConfig> config(uint8_t fill) {
    std::unique_ptr<ZvUserConfig> c(new ZvUserConfig);
    memset(c.get(), fill, sizeof *c);
    set_str(c->base.sModel, 24, "ZVM1060SLD");
    return c;
}

class AtomicWrite : public StoreTest {};

} // namespace

TEST_F(AtomicWrite, ReaderNeverSeesAPartialFile) {
    auto a = config(0x11);
    auto b = config(0x22);
    ASSERT_EQ(zvcs::write_a_user_config("ZVM1060SLD", a.get()), 0);

    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    std::thread writer([&] {
        for (int i = 0; i < 200 && !stop; ++i) {
            if (zvcs::write_a_user_config("ZVM1060SLD", (i % 2) ? a.get() : b.get()) != 0)
                break;
            ++writes;
        }
        stop = true;
    });

    int reads = 0;
    int torn = 0;
    std::unique_ptr<ZvUserConfig> got(new ZvUserConfig);
    while (!stop) {
        // Both the raw bytes and the store's own reader see one whole version.
        const Bytes raw = read_file(res("ZVM1060SLD.cfg"));
        if (raw.size() != 84 + sizeof(ZvUserConfig))
            ++torn;
        memset(got.get(), 0, sizeof *got);
        ASSERT_EQ(zvcs::read_a_user_config("ZVM1060SLD", got.get()), 0);
        const uint8_t first = reinterpret_cast<const uint8_t*>(got.get())[0];
        const ZvUserConfig* want = first == 0x11 ? a.get() : b.get();
        if (memcmp(got.get(), want, sizeof *got) != 0)
            ++torn;
        ++reads;
    }
    writer.join();
    EXPECT_EQ(writes.load(), 200);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";

    // No temporary files are left behind.
    const Bytes listing = [&] {
        std::string cmd = "ls -A '" + res("") + "' | wc -l > '" + _dir + "/count'";
        EXPECT_EQ(system(cmd.c_str()), 0);
        return read_file(_dir + "/count");
    }();
    EXPECT_EQ(std::string(listing.begin(), listing.end()), "1\n");
}

TEST_F(AtomicWrite, FailedWriteKeepsTheOldFileAndReportsIt) {
    auto old = config(0x11);
    ASSERT_EQ(zvcs::write_a_user_config("ZVM1060SLD", old.get()), 0);
    const Bytes before = read_file(res("ZVM1060SLD.cfg"));

    // A full disk, as far as this process is concerned: writes past 64 KiB fail (EFBIG). Root
    // ignores file modes, so this is the failure a test can provoke everywhere.
    struct sigaction ignore {};
    struct sigaction saved {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &saved), 0);
    struct rlimit lim;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &lim), 0);
    const struct rlimit small = {65536, lim.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    auto now = config(0x22);
    const th_i32 user = zvcs::write_a_user_config("ZVM1060SLD", now.get());
    ZvUserCfg big[2] = {};
    const th_i32 list = zvcs::write_list(zvcs::CfgKind::UserTemplate, big, 2);

    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    ASSERT_EQ(sigaction(SIGXFSZ, &saved, nullptr), 0);

    EXPECT_EQ(user, -17);
    EXPECT_EQ(list, -17);
    EXPECT_EQ(read_file(res("ZVM1060SLD.cfg")), before);
    EXPECT_FALSE(std::ifstream(res("user.cfg")).good()) << "no half-written list file";
    EXPECT_TRUE(
        logged("write_a_user_config() write failed, " + res("ZVM1060SLD.cfg") + " left as it was"));
}

TEST_F(AtomicWrite, ReplacementKeepsTheFileMode) {
    // The settings application and the core share the file: its owner (the desktop user, when
    // the root core rewrites it) and permissions stay, but no set-id or sticky bit is carried.
    const struct passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    const uid_t owner = nobody != nullptr ? nobody->pw_uid : geteuid();
    const gid_t group = nobody != nullptr ? nobody->pw_gid : getegid();
    const struct {
        mode_t before;
        mode_t after;
    } cases[] = {{0664, 0664}, {0600, 0600}, {04755, 0755}, {02644, 0644}, {01666, 0666}};
    auto c = config(0x11);
    for (const auto& m : cases) {
        SCOPED_TRACE(m.before);
        ASSERT_EQ(zvcs::write_a_user_config("ZVM1060SLD", c.get()), 0);
        // chown first: it clears the set-id bits.
        ASSERT_EQ(chown(res("ZVM1060SLD.cfg").c_str(), owner, group), 0);
        ASSERT_EQ(chmod(res("ZVM1060SLD.cfg").c_str(), m.before), 0);
        ASSERT_EQ(zvcs::write_a_user_config("ZVM1060SLD", c.get()), 0);
        struct stat st;
        ASSERT_EQ(stat(res("ZVM1060SLD.cfg").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, m.after);
        EXPECT_EQ(st.st_uid, owner);
        EXPECT_EQ(st.st_gid, group);
    }
}
