// res/ is writable by the desktop user while the core reads and writes there as root: whatever the
// user puts under a file's name (a link, a FIFO, a device) is neither followed nor opened in a way
// that can block, nothing it names is changed, and a refused write keeps what was there.
#include "StoreFixture.h"

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <future>
#include <memory>
#include <pwd.h>
#include <thread>
#include <unistd.h>

using namespace cstest;

namespace {

const char* const MODEL = "ZVM1060SLD";

// The desktop user of these tests: nobody when we are root and can hand files over, else us.
uid_t desktop_uid() {
    const struct passwd* pw = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    return pw != nullptr ? pw->pw_uid : geteuid();
}

Bytes user_file(uint8_t fill) {
    Bytes b = head_bytes(ZV_CFG_VER_2, 1, sizeof(ZvUserConfig));
    append(b, Bytes(sizeof(ZvUserConfig), fill));
    return b;
}

std::unique_ptr<ZvUserConfig> filled(uint8_t fill) {
    std::unique_ptr<ZvUserConfig> c(new ZvUserConfig);
    memset(c.get(), fill, sizeof *c);
    set_str(c->base.sModel, ZV_MODEL_LEN, MODEL);
    return c;
}

struct Snapshot {
    Bytes content;
    uid_t uid = 0;
    mode_t mode = 0;
    bool operator==(const Snapshot& o) const {
        return content == o.content && uid == o.uid && mode == o.mode;
    }
};

Snapshot snapshot(const std::string& path) {
    Snapshot s;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        s.uid = st.st_uid;
        s.mode = st.st_mode;
        if (S_ISREG(st.st_mode))
            s.content = read_file(path);
    }
    return s;
}

// Runs op on a thread of its own; false when it had not returned after two seconds. A call stuck
// in the open of a FIFO is then let go by opening the other end; one that still does not return
// (reading a device that never ends) cannot be stopped, and the program aborts.
bool returns_in_time(const std::function<void()>& op, const std::string& fifo) {
    std::packaged_task<void()> task(op);
    std::future<void> done = task.get_future();
    std::thread t(std::move(task));
    const bool inTime = done.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!inTime) {
        const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            close(fd);
        if (done.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
            fprintf(stderr, "a store call on %s hangs\n", fifo.c_str());
            abort();
        }
    }
    t.join();
    return inTime;
}

class HostileFile : public StoreTest {
protected:
    std::string elsewhere(const std::string& name) const { return _dir + "/" + name; }

    // Names in res/ other than the given ones: a temporary file left behind, or a file the store
    // made in place of a refused one.
    std::vector<std::string> strays(const std::vector<std::string>& expected) const {
        std::vector<std::string> out;
        const std::string cmd = "ls -A '" + res("") + "' > '" + _dir + "/listing'";
        EXPECT_EQ(system(cmd.c_str()), 0);
        std::ifstream in(_dir + "/listing");
        for (std::string name; std::getline(in, name);) {
            if (std::find(expected.begin(), expected.end(), name) == expected.end())
                out.push_back(name);
        }
        return out;
    }
};

} // namespace

TEST_F(HostileFile, PerModelFileThatIsNoRegularFileIsNeitherReadNorWritten) {
    ZvUserCfg generic{};
    set_str(generic.sModel, ZV_MODEL_LEN, ZV_GENERIC_MODEL);
    generic.curScreenIndex = 7;
    Bytes templ = head_bytes(ZV_CFG_VER_2, 1, sizeof generic);
    append(templ, stored(generic));
    write_file("user.cfg", templ);

    const uid_t user = desktop_uid();
    const std::string own = res(std::string(MODEL) + ".cfg");
    struct Case {
        const char* what;
        std::string target; // what a link names; empty: the thing is in res/ itself
        std::function<void(const std::string&)> make;
        const char* refusal; // the writer's log line
    };
    auto file_of = [&](mode_t mode, uint8_t fill) {
        return [=](const std::string& path) {
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(user_file(fill).data()),
                       std::streamsize(user_file(fill).size()));
            // chown first: it clears the set-id bits.
            ASSERT_EQ(chown(path.c_str(), user, gid_t(-1)), 0);
            ASSERT_EQ(chmod(path.c_str(), mode), 0);
        };
    };
    auto fifo = [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); };
    auto none = [](const std::string&) {};
    const char* const link = "a symbolic link";
    const Case cases[] = {
        {"a link to the user's set-id file", elsewhere("suid"), file_of(04755, 0x5A), link},
        {"a link to a file elsewhere", elsewhere("plain"), file_of(0644, 0x5B), link},
        {"a link to a FIFO elsewhere", elsewhere("fifo"), fifo, link},
        {"a link to /dev/zero", "/dev/zero", none, link},
        {"a link to /dev/null", "/dev/null", none, link},
        {"a FIFO", "", fifo, "not a regular file"},
        {"a folder", "", [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0755), 0); },
         "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.target.empty()) {
            c.make(own);
        } else {
            c.make(c.target);
            ASSERT_EQ(symlink(c.target.c_str(), own.c_str()), 0);
        }
        const Snapshot entry = snapshot(own);
        const Snapshot target = snapshot(c.target);

        // Read: the template stands in, nothing of what the name leads to.
        std::unique_ptr<ZvUserConfig> got = filled(0xA5);
        th_i32 rc = 1;
        EXPECT_TRUE(returns_in_time([&] { rc = zvcs::read_a_user_config(MODEL, got.get()); }, own));
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(got->base.curScreenIndex, 7u);
        EXPECT_TRUE(logged("zvdc: " + own + " is not a regular file, the template is used"));
        // The reader of a file by its path refuses it too.
        rc = 1;
        got = filled(0xA5);
        EXPECT_TRUE(returns_in_time(
            [&] { rc = zvcs::read_a_user_config_from_file(own.c_str(), got.get()); }, own));
        EXPECT_EQ(rc, -17);
        EXPECT_EQ(got->base.curScreenIndex, 0xA5A5A5A5u);

        // Write: refused, and neither the entry nor what it names changes.
        std::unique_ptr<ZvUserConfig> mine = filled(0x33);
        rc = 1;
        EXPECT_TRUE(
            returns_in_time([&] { rc = zvcs::write_a_user_config(MODEL, mine.get()); }, own));
        EXPECT_EQ(rc, -17);
        EXPECT_TRUE(logged("zvdc: " + own + " is " + c.refusal + ", not replaced"));
        EXPECT_TRUE(snapshot(own) == entry);
        EXPECT_TRUE(snapshot(c.target) == target);
        EXPECT_EQ(strays({"user.cfg", std::string(MODEL) + ".cfg"}), std::vector<std::string>{});

        ASSERT_EQ(remove(own.c_str()), 0);
        if (!c.target.empty() && c.target.compare(0, 5, "/dev/") != 0) {
            ASSERT_EQ(remove(c.target.c_str()), 0);
        }
    }
}

TEST_F(HostileFile, DescriptionFileLinkedInOnlyByRootOrOurselves) {
    ZvTabletCfg t{};
    set_str(t.sModel, ZV_MODEL_LEN, MODEL);
    Bytes shipped = head_bytes(ZV_CFG_VER_2, 1, sizeof t);
    append(shipped, stored(t));
    const std::string real = elsewhere("tablet.cfg");
    {
        std::ofstream out(real, std::ios::binary);
        out.write(reinterpret_cast<const char*>(shipped.data()), std::streamsize(shipped.size()));
    }
    const std::string name = res("tablet.cfg");
    const uid_t user = desktop_uid();
    struct Case {
        const char* what;
        const char* target; // null: a FIFO in res/
        uid_t linkOwner;
        bool readable;
    };
    const Case cases[] = {
        {"our link to the shipped file (an installation, a test folder)", real.c_str(), geteuid(),
         true},
        {"the desktop user's link to the same file", real.c_str(), user, false},
        {"our link to /dev/zero", "/dev/zero", geteuid(), false},
        {"a FIFO", nullptr, geteuid(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.linkOwner != geteuid() && user == geteuid())
            continue; // only root can hand a link to another user
        if (c.target == nullptr) {
            ASSERT_EQ(mkfifo(name.c_str(), 0644), 0);
        } else {
            ASSERT_EQ(symlink(c.target, name.c_str()), 0);
            ASSERT_EQ(lchown(name.c_str(), c.linkOwner, gid_t(-1)), 0);
        }
        ZvTabletCfg got{};
        th_i32 found = 1;
        th_i32 count = 1;
        EXPECT_TRUE(returns_in_time(
            [&] {
                found = zvcs::read_a_config(zvcs::CfgKind::Tablet, MODEL, &got);
                count = zvcs::read_list(zvcs::CfgKind::Tablet, nullptr, 0);
            },
            name));
        EXPECT_EQ(found, c.readable ? 0 : -17);
        EXPECT_EQ(count, c.readable ? 1 : -17);
        ASSERT_EQ(remove(name.c_str()), 0);
    }
    if (user == geteuid())
        GTEST_SKIP() << "not root: a link made by another user was not tried";
}
