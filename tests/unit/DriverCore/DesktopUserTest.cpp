// Programs bound to keys run as the desktop user, never as root.
#include "Global.h"
#include "ZvDesktopUser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sstream>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

class DesktopUser : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "starting programs as another user needs root";
        const passwd* pw = getpwnam("nobody");
        ASSERT_NE(pw, nullptr);
        _nobody = pw->pw_uid;
        _nobodyGid = pw->pw_gid;
        zv_forget_desktop_user();
        // A folder and a pipe that the user can write to.
        ASSERT_NE(mkdtemp(_dir), nullptr);
        ASSERT_EQ(chmod(_dir, 0777), 0);
        _fifo = std::string(_dir) + "/out";
        ASSERT_EQ(mkfifo(_fifo.c_str(), 0666), 0);
        ASSERT_EQ(chmod(_fifo.c_str(), 0666), 0);
        _cfg = std::string(_dir) + "/OEMFF_FFFF.cfg";
        const int fd = open(_cfg.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        close(fd);
        // Opened before any writer: the program's open for writing then does not block.
        _reader = open(_fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(_reader, 0);
    }
    void TearDown() override {
        zv_forget_desktop_user();
        if (_reader >= 0)
            close(_reader);
        unlink(_fifo.c_str());
        unlink(_cfg.c_str());
        unlink((std::string(_dir) + "/marker").c_str());
        rmdir(_dir);
    }

    // Everything the started program wrote into the pipe, up to its end; empty on time-out.
    std::string output(int timeoutMs = 5000) {
        std::string text;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        bool opened = false;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                return text;
            pollfd p{_reader, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0)
                return text;
            char buf[512];
            const ssize_t n = read(_reader, buf, sizeof buf);
            if (n > 0) {
                text.append(buf, static_cast<size_t>(n));
                opened = true;
            } else if (n == 0 && opened) {
                return text;
            } else if (n == 0) {
                // Hang-up before any data: the writer has come and gone without output.
                return text;
            }
        }
    }

    std::string reportCommand() const {
        return "{ id -u; id -g; id -G; echo \"$HOME\"; echo \"$USER\"; echo \"$LOGNAME\"; "
               "echo \"$DISPLAY\"; pwd; } > " +
               _fifo;
    }

    std::string expectedReport(const char* display) const {
        const passwd* pw = getpwuid(_nobody);
        int n = 32;
        std::vector<gid_t> groups(static_cast<size_t>(n));
        EXPECT_GE(getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n), 0);
        std::ostringstream s;
        s << _nobody << "\n" << _nobodyGid << "\n";
        for (int i = 0; i < n; ++i)
            s << (i ? " " : "") << groups[static_cast<size_t>(i)];
        const std::string home = pw->pw_dir;
        s << "\n"
          << home << "\n"
          << pw->pw_name << "\n"
          << pw->pw_name << "\n"
          << display << "\n"
          << (access(home.c_str(), X_OK) == 0 ? home : std::string("/")) << "\n";
        return s.str();
    }

    char _dir[32] = "/tmp/zv-desktopXXXXXX";
    std::string _fifo;
    std::string _cfg;
    int _reader = -1;
    uid_t _nobody = 0;
    gid_t _nobodyGid = 0;
};

long uid_of(pid_t pid) {
    FILE* f = fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (f == nullptr)
        return -1;
    char line[256];
    long uid = -1;
    while (fgets(line, sizeof line, f) != nullptr) {
        if (sscanf(line, "Uid: %ld", &uid) == 1)
            break;
    }
    fclose(f);
    return uid;
}

} // namespace

TEST_F(DesktopUser, RunsAsTheUserOfTheSettingsApplication) {
    zv_set_desktop_user_uid(_nobody);
    setenv("DISPLAY", ":42", 1);
    EXPECT_EQ(zvcb_start_app(reportCommand().c_str(), _cfg.c_str()), 0);
    EXPECT_EQ(output(), expectedReport(":42"));
}

TEST_F(DesktopUser, FallsBackToTheOwnerOfTheSettingsFile) {
    ASSERT_EQ(chown(_cfg.c_str(), _nobody, _nobodyGid), 0);
    setenv("DISPLAY", ":7", 1);
    EXPECT_EQ(zvcb_start_app(reportCommand().c_str(), _cfg.c_str()), 0);
    EXPECT_EQ(output(), expectedReport(":7"));
}

TEST_F(DesktopUser, SettingsApplicationRunningAsRootDoesNotCount) {
    zv_set_desktop_user_uid(0);
    ASSERT_EQ(chown(_cfg.c_str(), _nobody, _nobodyGid), 0);
    uid_t uid = 0;
    EXPECT_EQ(zv_find_desktop_user(_cfg.c_str(), &uid), 0);
    EXPECT_EQ(uid, _nobody);
}

TEST_F(DesktopUser, WithoutAUserNothingRuns) {
    const std::string marker = std::string(_dir) + "/marker";
    const std::string cmd = "touch " + marker + "; echo ran > " + _fifo;
    struct Case {
        const char* what;
        bool rootApp;
        const char* cfg;
    };
    const Case cases[] = {
        {"nobody talked, no file", false, nullptr},
        {"nobody talked, the file is root's", false, _cfg.c_str()},
        {"a root settings application, the file is root's", true, _cfg.c_str()},
        {"the file does not exist", false, "/tmp/zv-no-such-folder/x.cfg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zv_forget_desktop_user();
        if (c.rootApp)
            zv_set_desktop_user_uid(0);
        uid_t uid = 12345;
        EXPECT_EQ(zv_find_desktop_user(c.cfg, &uid), -3);
        EXPECT_EQ(uid, 12345u);
        EXPECT_EQ(zvcb_start_app(cmd.c_str(), c.cfg), -3);
    }
    EXPECT_EQ(output(300), "");
    EXPECT_NE(access(marker.c_str(), F_OK), 0);
}

TEST_F(DesktopUser, ReturnsWhileTheProgramStillRuns) {
    zv_set_desktop_user_uid(_nobody);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(zvcb_start_app(("echo $$ > " + _fifo + "; exec sleep 30").c_str(), nullptr), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const pid_t program = static_cast<pid_t>(atol(output().c_str()));
    ASSERT_GT(program, 0);
    EXPECT_EQ(uid_of(program), static_cast<long>(_nobody));
    EXPECT_NE(getpgid(program), getpgid(0)) << "in a session of its own";
    EXPECT_EQ(kill(program, SIGKILL), 0);
}

TEST_F(DesktopUser, TheProgramGetsNoneOfTheCoresFiles) {
    ASSERT_EQ(chown(_cfg.c_str(), _nobody, _nobodyGid), 0);
    // A descriptor some library opened without close-on-exec.
    const int leaky = open("/dev/null", O_RDONLY);
    ASSERT_GT(leaky, 2);
    const std::string cmd = "if [ -e /proc/$$/fd/" + std::to_string(leaky) +
                            " ]; then echo leaked; else echo closed; fi > " + _fifo;
    EXPECT_EQ(zvcb_start_app(cmd.c_str(), _cfg.c_str()), 0);
    EXPECT_EQ(output(), "closed\n");
    close(leaky);
}

TEST_F(DesktopUser, PathLimits) {
    ASSERT_EQ(chown(_cfg.c_str(), _nobody, _nobodyGid), 0);
    EXPECT_EQ(zvcb_start_app(nullptr, _cfg.c_str()), -1);
    const std::string head = "echo ok > " + _fifo + " #";
    const std::string longest = head + std::string(500 - head.size(), 'x');
    EXPECT_EQ(zvcb_start_app((longest + "x").c_str(), _cfg.c_str()), -1);
    EXPECT_EQ(zvcb_start_app(longest.c_str(), _cfg.c_str()), 0);
    EXPECT_EQ(output(), "ok\n");
}

TEST(SpawnAsUser, RefusesRootAndUnknownUsers) {
    EXPECT_EQ(zv_spawn_as_user("true", 0), -22);
    EXPECT_EQ(zv_spawn_as_user(nullptr, 65534), -22);
    // No account entry: no name, home or groups to give the program.
    uid_t unknown = 4000000000u;
    while (getpwuid(unknown) != nullptr)
        ++unknown;
    EXPECT_EQ(zv_spawn_as_user("true", unknown), -3);
}
