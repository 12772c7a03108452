#include "DaemonFixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/input.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>

extern char** environ;

ZvDBusDaemon* DaemonTest::bus = nullptr;
ZvXvfb* DaemonTest::xvfb = nullptr;
UiPeer* DaemonTest::ui = nullptr;
bool DaemonTest::withUiPeer = true;
bool DaemonTest::busForAllUsers = false;

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

namespace {

bool copy_file(const std::string& from, const std::string& to, mode_t mode) {
    const std::string data = read_all(from);
    if (data.empty())
        return false;
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << data;
    out.close();
    return chmod(to.c_str(), mode) == 0;
}

void remove_tree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..")
                    remove_tree(path + "/" + name);
            }
            closedir(d);
        }
        (void)rmdir(path.c_str());
    } else {
        (void)unlink(path.c_str());
    }
}

} // namespace

std::string tablet_device(const std::string& name, const std::string& model, unsigned pid,
                          const std::string& path, const std::string& extra) {
    char head[128];
    snprintf(head, sizeof head, "device %s\n  pid 0x%04x\n  path %s\n", name.c_str(), pid,
             path.c_str());
    return std::string(head) +
           "  feature 200 params maxx 50800 maxy 31750 maxp 8191 lpi 5080 pens 2 keys 8 soft 0 "
           "flags 0\n  feature 201 model \"" +
           model + "_230101\"\n  feature 205 byte 1\n" + extra + "end\n";
}

std::string scrolling_ring_script(const std::string& device, int waitMs, int steps) {
    std::string script = "script " + device + "\n  wait " + std::to_string(waitMs) +
                         "ms\n  keys 0x01\n  wait 20ms\n  keys 0\n  wait 50ms\n";
    for (int i = 0; i < steps; ++i)
        script += "  ring " + std::to_string(1 + i % 24) + "\n  wait 10ms\n";
    return script + "end\n";
}

void DaemonTest::SetUpTestSuite() {
    startDesktop(3840, 2160);
}

void DaemonTest::startDesktop(int width, int height) {
    // One bus for the whole program, since Qt reads its address once; the bus first.
    if (bus != nullptr)
        return;
    bus = new ZvDBusDaemon(busForAllUsers);
    xvfb = new ZvXvfb(width, height);
    if (xvfb->available())
        (void)xvfb->setMonitors(ZvXvfb::one());
    if (bus->available() && withUiPeer)
        ui = new UiPeer();
}

void DaemonTest::TearDownTestSuite() {}

void DaemonTest::tearDownProgram() {
    delete ui;
    ui = nullptr;
    delete xvfb;
    xvfb = nullptr;
    delete bus;
    bus = nullptr;
}

void DaemonTest::SetUp() {
    ZV_DBUS_OR_SKIP(*bus);
    ZV_XVFB_OR_SKIP(*xvfb);
    if (withUiPeer) {
        ASSERT_TRUE(ui != nullptr && ui->ready()) << (ui ? ui->reason() : "");
        ui->clear();
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    _dir = runRoot() + "/" + info->name();
    remove_tree(_dir);
    ASSERT_EQ(system(("mkdir -p " + _dir + "/res " + _dir + "/libs").c_str()), 0);
    // A copy, not a link: the core finds libs/, res/ and log.conf through /proc/self/exe.
    ASSERT_TRUE(copy_file(ZV_DIST_DIR "/ZervaCore", _dir + "/ZervaCore", 0755));
    for (const char* lib :
         {"libconfstore.so", "libpadsession.so", "libuibridge.so.1.0.0", "libzervahid.so"})
        ASSERT_EQ(symlink((std::string(ZV_DIST_DIR "/libs/") + lib).c_str(),
                          (_dir + "/libs/" + lib).c_str()),
                  0);
    // Per-model user files land here, never in dist/res.
    for (const char* f :
         {"tablet.cfg", "pen.cfg", "layout_tablet.cfg", "layout_pen.cfg", "user.cfg"})
        ASSERT_EQ(
            symlink((std::string(ZV_DIST_DIR "/res/") + f).c_str(), (_dir + "/res/" + f).c_str()),
            0);
    std::string conf = read_all(ZV_DIST_DIR "/log.conf");
    const size_t at = conf.find("/var/log/zerva/ZervaCore.log");
    ASSERT_NE(at, std::string::npos);
    conf.replace(at, strlen("/var/log/zerva/ZervaCore.log"), _dir + "/core.log");
    writeLogConf(conf);
}

std::string DaemonTest::runRoot() const {
    return ZV_BINARY_DIR "/tests/integration/Daemon/run";
}

void DaemonTest::TearDown() {
    for (pid_t p : _started)
        killCore(p);
    _started.clear();
}

void DaemonTest::writeLogConf(const std::string& text) {
    std::ofstream out(_dir + "/log.conf", std::ios::trunc);
    out << text;
}

void DaemonTest::removeLib(const std::string& name) {
    ASSERT_EQ(unlink((_dir + "/libs/" + name).c_str()), 0);
}

pid_t DaemonTest::startCore(const std::string& scenario, std::vector<std::string> args) {
    {
        std::ofstream out(_dir + "/scenario.sim", std::ios::trunc);
        out << scenario;
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (strncmp(*e, "LD_PRELOAD=", 11) != 0 && strncmp(*e, "ASAN_OPTIONS=", 13) != 0)
            env.emplace_back(*e);
    }
    if (standIns()) {
        env.push_back(std::string("LD_PRELOAD=") + ZV_TABLETSIM_LIB + " " + ZV_UINPUTCAP_LIB);
        env.push_back("ZV_TABLETSIM_SCENARIO=" + _dir + "/scenario.sim");
        env.push_back("ZV_TABLETSIM_TRACE=" + _dir + "/trace");
        env.push_back("ZV_UINPUTCAP_LOG=" + _dir + "/cap");
    }
    env.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0");
    args.insert(args.begin(), _dir + "/ZervaCore");
    return spawn(std::move(args), std::move(env));
}

pid_t DaemonTest::spawn(std::vector<std::string> args, std::vector<std::string> env) {
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const std::string out = _dir + "/out.txt";
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    posix_spawn_file_actions_addchdir_np(&fa, _dir.c_str());
    pid_t pid = -1;
    _startedAt = now();
    const int r = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    if (r != 0)
        return -1;
    _started.push_back(pid);
    return pid;
}

int DaemonTest::waitExit(pid_t pid, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            for (auto& p : _started) {
                if (p == pid)
                    p = -1;
            }
            if (WIFEXITED(status))
                return WEXITSTATUS(status);
            return 128 + WTERMSIG(status);
        }
        if (r < 0 || std::chrono::steady_clock::now() > until)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void DaemonTest::killCore(pid_t pid) {
    if (pid <= 0)
        return;
    if (kill(pid, SIGKILL) == 0)
        (void)waitpid(pid, nullptr, 0);
}

std::string DaemonTest::output() const {
    return read_all(_dir + "/out.txt");
}

std::vector<std::string> DaemonTest::trace() const {
    std::vector<std::string> lines;
    std::istringstream in(read_all(_dir + "/trace"));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

long DaemonTest::waitTrace(const std::string& prefix, int ms, size_t from) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        const auto lines = trace();
        for (size_t i = from; i < lines.size(); ++i) {
            const size_t sp = lines[i].find(' ');
            if (sp != std::string::npos && lines[i].compare(sp + 1, prefix.size(), prefix) == 0)
                return static_cast<long>(i);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < until);
    return -1;
}

double DaemonTest::traceTime(long line) const {
    const auto lines = trace();
    return line < 0 || static_cast<size_t>(line) >= lines.size()
               ? 0
               : atof(lines[static_cast<size_t>(line)].c_str());
}

int DaemonTest::traceCount(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : trace()) {
        const size_t sp = l.find(' ');
        n += sp != std::string::npos && l.compare(sp + 1, prefix.size(), prefix) == 0 ? 1 : 0;
    }
    return n;
}

ZvCapLog DaemonTest::cap() const {
    ZvCapLog log(_dir + "/cap");
    (void)log.read();
    return log;
}

std::vector<ZvCapGroup> DaemonTest::penGroups(size_t n, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const ZvCapLog log = cap();
        std::vector<ZvCapGroup> out;
        if (const ZvCapDevice* pen = log.device("Zerva pen"))
            out = log.groupsOf(*pen);
        if (out.size() >= n || std::chrono::steady_clock::now() > until)
            return out;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<ZvCapGroup> DaemonTest::penContactGroups(size_t n, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        std::vector<ZvCapGroup> out;
        for (const ZvCapGroup& g : penGroups(0, 0))
            if (g.value(EV_ABS, ABS_PRESSURE, 0) > 0)
                out.push_back(g);
        if (out.size() >= n || std::chrono::steady_clock::now() > until)
            return out;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

double DaemonTest::now() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}
