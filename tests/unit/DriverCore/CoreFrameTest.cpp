// The daemon frame's own pieces: uevent classification, the resume tick, the pid-file lock, the
// command line, the paths beside the executable and the quit signal.
#include "DcGlobal.h"
#include "EventDetect.h"
#include "ZvCoreStartup.h"
#include "ZvExePath.h"
#include "ZvMsg.h"
#include "ZvOnlyAppLock.h"
#include "ZvQuitSignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <linux/netlink.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct UeventCase {
    const char* header;
    th_u16 cmd;
};

const char* const kUsbTablet =
    "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:7D3A:006D.0001/hidraw/hidraw0";
const char* const kBleTablet = "/devices/virtual/misc/uhid/0005:7D3A:0101.0003/hidraw/hidraw2";

std::string ev(const char* action, const char* path) {
    return std::string(action) + "@" + path;
}

std::string read_file(const std::string& path) {
    std::string out;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char buf[64];
    ssize_t n;
    while (fd >= 0 && (n = read(fd, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<size_t>(n));
    if (fd >= 0)
        close(fd);
    return out;
}

// A fresh temporary folder.
std::string temp_dir() {
    char tmpl[] = "/tmp/zvcoreframe.XXXXXX";
    const char* d = mkdtemp(tmpl);
    return d ? d : "";
}

} // namespace

TEST(Uevent, ClassifiesByActionBusAndVendor) {
    const std::string usbAdd = ev("add", kUsbTablet);
    const std::string usbRemove = ev("remove", kUsbTablet);
    const std::string bleAdd = ev("add", kBleTablet);
    const std::string bleRemove = ev("remove", kBleTablet);
    const std::string keyboard =
        ev("add", kUsbTablet).replace(ev("add", kUsbTablet).find("7D3A"), 4, "046D");
    const std::string ownDevice = ev(
        "add", "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:7D3A:FFFF.0004/hidraw/h4");
    const std::string iface = "add@/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/"
                              "0003:7D3A:006D.0001";
    const std::string bind = ev("bind", kUsbTablet);
    const std::string change = ev("change", kUsbTablet);
    const UeventCase cases[] = {
        {usbAdd.c_str(), ZVMC_CORE_USB_ON},
        {usbRemove.c_str(), ZVMC_CORE_USB_OFF},
        {bleAdd.c_str(), ZVMC_CORE_BLZ_ON},
        {bleRemove.c_str(), ZVMC_CORE_BLZ_OFF},
        {keyboard.c_str(), 0},
        {ownDevice.c_str(), 0}, // the core's own virtual keyboard
        {iface.c_str(), 0},
        {bind.c_str(), 0},
        {change.c_str(), 0},
        {"", 0},
    };
    for (const UeventCase& c : cases) {
        EXPECT_EQ(zv_classify_uevent(c.header), c.cmd) << c.header;
        EXPECT_EQ(check_do_command(c.header), c.cmd) << c.header;
    }
    EXPECT_EQ(zv_classify_uevent(nullptr), 0);
}

TEST(Uevent, OnlyTheHeaderCounts) {
    // The properties after the first NUL never make an event relevant.
    char buf[256] = {};
    const std::string head = ev("change", kUsbTablet);
    memcpy(buf, head.c_str(), head.size());
    const char* props = "ACTION=add\0SUBSYSTEM=usb";
    memcpy(buf + head.size() + 1, props, 24);
    EXPECT_EQ(zv_classify_uevent(buf), 0);
}

TEST(ResumeTick, OnlyAGapOfMoreThanTwoSecondsPostsOnce) {
    int64_t last = 0;
    EXPECT_FALSE(zv_resume_tick(1'000'000, &last)); // first tick
    EXPECT_FALSE(zv_resume_tick(1'001'000, &last));
    EXPECT_FALSE(zv_resume_tick(1'003'000, &last)); // exactly 2000: not yet
    EXPECT_TRUE(zv_resume_tick(1'033'000, &last));  // 30 s asleep
    EXPECT_EQ(last, 1'033'000);
    EXPECT_FALSE(zv_resume_tick(1'034'000, &last));
}

TEST(ResumeTimer, RunsOncePerProcessAndStopsAtOnce) {
    ASSERT_EQ(zv_start_detection_timer(), 0);
    EXPECT_TRUE(zv_detection_timer_running());
    EXPECT_EQ(zv_start_detection_timer(), 0) << "a second start keeps the one thread";
    // A forked child does not own the parent's ticker and must not try to stop it.
    pid_t child = fork();
    if (child == 0) {
        const bool runs = zv_detection_timer_running();
        zv_stop_detection_timer();
        _exit(runs ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const auto t0 = std::chrono::steady_clock::now();
    zv_stop_detection_timer();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500))
        << "stopping wakes the one-second wait";
    EXPECT_FALSE(zv_detection_timer_running());
    zv_stop_detection_timer(); // a second stop does nothing
}

TEST(Watcher, StopsAtOnceWithoutATimeOut) {
    g_run_flag = 1;
    EventDetect detect(/* startTimer= */ false);
    ASSERT_TRUE(detect.start_detect());
    const auto t0 = std::chrono::steady_clock::now();
    g_run_flag = 0;
    detect.stop_detect();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(50));
}

// Plugging a tablet in sends a burst of uevents; the watcher must see all of them, also when it
// reads slower than they come: the kernel drops a multicast message that does not fit the
// socket's buffer. The burst is multicast like the kernel's, from a thread in a network namespace
// of its own (namespaces belong to threads, and the watcher it starts inherits it), so that no
// other listener of this machine hears it. 0 all seen, 1 some lost, 77 no namespace or no right
// to send here.
int watch_burst_in_own_namespace(unsigned burst) {
    if (unshare(CLONE_NEWNET) != 0)
        return 77;
    g_run_flag = 1;
    EventDetect detect(/* startTimer= */ false);
    if (!detect.start_detect())
        return 77;
    ZvUniqueFd tx(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT));
    sockaddr_nl to;
    memset(&to, 0, sizeof to);
    to.nl_family = AF_NETLINK;
    to.nl_groups = 1; // the kernel's group
    std::string event = "add@/devices/virtual/input/input99";
    event.resize(400, 'x'); // a real uevent's size, with its variables
    unsigned sent = 0;
    for (unsigned i = 0; i < burst; ++i)
        sent += sendto(tx.get(), event.data(), event.size(), 0, reinterpret_cast<sockaddr*>(&to),
                       sizeof to) == static_cast<ssize_t>(event.size());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (sent != 0 && detect.eventsSeen() < sent && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const unsigned seen = detect.eventsSeen();
    g_run_flag = 0;
    detect.stop_detect();
    return sent != burst ? 77 : seen == burst ? 0 : 1;
}

TEST(Watcher, ABurstOfUeventsIsNotLost) {
    // The watcher prints every event it reads: not into the test's output.
    fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(saved, 0);
    ASSERT_GE(null, 0);
    (void)dup2(null, STDOUT_FILENO);
    int result = 0;
    std::thread([&] { result = watch_burst_in_own_namespace(64); }).join();
    fflush(stdout);
    (void)dup2(saved, STDOUT_FILENO);
    close(saved);
    close(null);
    if (result == 77)
        GTEST_SKIP() << "no network namespace of its own, or no right to send uevents";
    EXPECT_EQ(result, 0) << "uevents of the burst were lost";
}

TEST(PidFile, HoldsThePidAndOneNulAndSurvivesASecondInstance) {
    const std::string dir = temp_dir();
    ASSERT_FALSE(dir.empty());
    const std::string file = dir + "/.ZervaCore.pid";
    // Stale content from an earlier run is replaced, not appended to.
    {
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "999999999999", 12), 12);
        close(fd);
    }
    // Every instance is a process of its own: record locks do not conflict within one.
    int toFirst[2];
    ASSERT_EQ(pipe(toFirst), 0);
    const pid_t owner = fork();
    ASSERT_GE(owner, 0);
    if (owner == 0) {
        close(toFirst[1]);
        if (chdir(dir.c_str()) != 0)
            _exit(10);
        ZvOnlyAppLock lock;
        const int r = lock.isOnly(nullptr);
        char c;
        (void)!read(toFirst[0], &c, 1); // hold the lock until the parent is done
        _exit(r == 0 ? 0 : 20 - r);
    }
    close(toFirst[0]);
    const std::string expected = std::to_string(owner) + std::string(1, '\0');
    for (int i = 0; i < 500 && read_file(file) != expected; ++i)
        usleep(2000);
    EXPECT_EQ(read_file(file), expected);

    const pid_t second = fork();
    ASSERT_GE(second, 0);
    if (second == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(10);
        ZvOnlyAppLock lock;
        _exit(lock.isOnly(nullptr) == -2 ? 0 : 1);
    }
    int status = 0;
    waitpid(second, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "second instance not refused";
    EXPECT_EQ(read_file(file), expected);

    close(toFirst[1]);
    waitpid(owner, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << WEXITSTATUS(status);
    unlink(file.c_str());
    rmdir(dir.c_str());
}

TEST(PidFile, UnwritableFolderIsMinusOne) {
    // Not even root may create a file in /proc.
    char cwd[512];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir("/proc"), 0);
    ZvOnlyAppLock lock;
    EXPECT_EQ(lock.isOnly(nullptr), -1);
    ASSERT_EQ(chdir(cwd), 0);
}

TEST(CommandLine, DashDAnywhereInAnyCaseKeepsTheForeground) {
    struct Case {
        std::vector<std::string> args;
        bool daemon;
        const char* configFile;
    } cases[] = {
        {{"ZervaCore"}, true, ""},           {{"ZervaCore", "-d"}, false, "-d"},
        {{"ZervaCore", "-D"}, false, "-D"},  {{"ZervaCore", "x.cfg", "-d"}, false, "x.cfg"},
        {{"ZervaCore", "-dd"}, true, "-dd"}, {{"-d"}, false, ""},
    };
    for (auto& c : cases) {
        std::vector<char*> argv;
        for (auto& a : c.args)
            argv.push_back(&a[0]);
        g_g.reset();
        EXPECT_TRUE(parse_cmdline(static_cast<int>(argv.size()), argv.data()));
        EXPECT_EQ(g_g.daemon, c.daemon) << c.args.back();
        EXPECT_STREQ(g_g.configFile, c.configFile);
    }
    std::string longArg(400, 'a');
    char prog[] = "ZervaCore";
    char* argv[] = {prog, &longArg[0]};
    (void)parse_cmdline(2, argv);
    EXPECT_EQ(strlen(g_g.configFile), 255u);
}

TEST(Paths, LibsBesideTheExecutable) {
    const std::string app = zerva_get_app_path();
    ASSERT_FALSE(app.empty());
    EXPECT_NE(app.back(), '/');
    EXPECT_EQ(std::string(zerva_get_lib_path()), app + "/libs");
    EXPECT_EQ(access((app + "/test_coreframe").c_str(), X_OK), 0) << app;

    // Every library the core loads is named through the same folder; a path that does not fit
    // is refused whole, never cut into another name.
    char path[600];
    ASSERT_TRUE(zv_lib_path("libpadsession.so", path, sizeof path));
    EXPECT_EQ(std::string(path), app + "/libs/libpadsession.so");
    char small[12] = "untouched";
    EXPECT_FALSE(zv_lib_path("libpadsession.so", small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST(QuitSignal, FirstSignalExitsWithZeroSecondOnlyPrintsElse) {
    // The child side: this program started again by the parent side below.
    if (getenv("ZV_QUIT_CHILD") != nullptr) {
        g_g.reset(); // no dispatcher: nothing to hand back
        if (!zv_install_quit_handler(/* delayMs= */ 300))
            _exit(3);
        raise(SIGUSR1);
        raise(SIGUSR1);
        pause();
        _exit(4);
    }
    // A fresh process rather than a fork: the quit handler starts a thread, which a forked
    // child of a threaded program may not (ThreadSanitizer refuses it).
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    std::string exe = zerva_get_app_path() + std::string("/test_coreframe");
    std::string filter = "--gtest_filter=QuitSignal.FirstSignalExitsWithZeroSecondOnlyPrintsElse";
    char* argv[] = {&exe[0], &filter[0], nullptr};
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        env.emplace_back(*e);
    env.emplace_back("ZV_QUIT_CHILD=1");
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);
    pid_t child = -1;
    ASSERT_EQ(posix_spawn(&child, exe.c_str(), &fa, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    const auto t0 = std::chrono::steady_clock::now();
    int status = 0;
    waitpid(child, &status, 0);
    const auto took = std::chrono::steady_clock::now() - t0;
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(out[0]);
    ASSERT_TRUE(WIFEXITED(status)) << text;
    EXPECT_EQ(WEXITSTATUS(status), 0) << text;
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_NE(text.find(" -- Received quit signal 10, quiting"), std::string::npos) << text;
    EXPECT_NE(text.find(" --else Received quit signal 10, quiting"), std::string::npos) << text;
    EXPECT_NE(text.find("signal 10, quiting\n"), std::string::npos) << text;
}
