#include "WorkerFixture.h"

#include "DcGlobal.h"
#include "ZvPadSessionDll.h"
#include "ZvVirtualDevices.h"

#include <chrono>
#include <dirent.h>
#include <linux/input.h>
#include <string.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zvtest {

ZvXvfb* WorkerTest::xvfb = nullptr;

namespace {

std::string exe_dir() {
    char dir[512] = {};
    (void)zvcb_get_app_path(dir, sizeof dir);
    return dir;
}

// Per-model files the store wrote into this program's res folder: real files, unlike the
// links to the compiled description files.
void remove_user_files() {
    const std::string res = exe_dir() + "/res";
    DIR* d = opendir(res.c_str());
    if (d == nullptr)
        return;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        const std::string full = res + "/" + name;
        struct stat st;
        if (lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            (void)unlink(full.c_str());
    }
    closedir(d);
}

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

size_t count_groups(const ZvCapLog& log) {
    return log.groups().size();
}

} // namespace

bool stored_tablet(const std::string& model, ZvTabletCfg& tc) {
    memset(&tc, 0, sizeof tc);
    return ZvTabletThread::_cfg.readTabletCfg(model.c_str(), &tc) == 0;
}

std::vector<std::string> shipped_models() {
    std::vector<std::string> models;
    DIR* d = opendir(ZV_SOURCE_DIR "/data/models");
    if (d == nullptr)
        return models;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        const size_t dot = name.rfind(".json");
        if (dot == std::string::npos || dot + 5 != name.size())
            continue;
        name.resize(dot);
        if (name != ZV_GENERIC_MODEL)
            models.push_back(name);
    }
    closedir(d);
    std::sort(models.begin(), models.end());
    return models;
}

void WorkerTest::SetUpTestSuite() {
    xvfb = new ZvXvfb();
    if (xvfb->available())
        (void)xvfb->setMonitors(ZvXvfb::one());
    // The libs folder beside this program links to the build's libraries, as beside the core.
    ASSERT_EQ(load_padsession_dll(), 1) << "libs/libpadsession.so beside " << exe_dir();
    ASSERT_TRUE(zerva_pen_event_init());
    ASSERT_TRUE(zerva_keybroad_input_init());
    ASSERT_TRUE(zerva_mouse_input_init());
}

void WorkerTest::TearDownTestSuite() {
    zerva_pen_event_exit();
    zerva_keybroad_input_exit();
    zerva_mouse_input_exit();
    (void)unload_padsession_dll();
    delete xvfb;
    xvfb = nullptr;
    ZvTabletThread::clear();
}

void WorkerTest::SetUp() {
    ZV_XVFB_OR_SKIP(*xvfb);
    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::one()));
    std::string error;
    ASSERT_TRUE(sim.bind(&error)) << error;
    ASSERT_TRUE(ZvCapLog::preloaded()) << "the uinput capture is not preloaded";
    remove_user_files();
    clear_ui_msgs();
    ZvCapLog log = ZvCapLog::fromEnv();
    (void)log.read();
    _baseline = count_groups(log);
}

void WorkerTest::TearDown() {
    stopWorker();
    EXPECT_EQ(sim.violations(), 0u) << sim.trace();
    remove_user_files();
}

void WorkerTest::plug(const SimTablet& t, bool expectOpen, bool keepStartup) {
    char params[200];
    snprintf(params, sizeof params,
             "feature 200 params maxx %u maxy %u maxp %u lpi 5080 pens 2 keys %u soft 0 flags "
             "0x%x\n",
             t.maxX, t.maxY, t.maxP, t.keys, t.flags);
    const std::string text = "device t\n  pid 0x0950\n  path 1-1:1\n  interface 0\n  " +
                             std::string(params) + "  feature 201 model \"" + t.model +
                             "\"\n  feature 205 byte 1\n" + t.extra + "end\n";
    std::string error;
    ASSERT_TRUE(sim.loadText(text, &error)) << error;
    worker.reset(new ZvTabletThread());
    g_pt[0] = worker.get();
    ASSERT_TRUE(worker->start("test"));
    const long line = sim.waitFor("open ", 0, 3000);
    ASSERT_GE(line, 0) << sim.trace();
    const std::string open = sim.traceLines()[static_cast<size_t>(line)];
    // "open <path> ok"
    const size_t sp = open.find(' ', 5);
    path = open.substr(5, sp - 5);
    if (expectOpen) {
        ASSERT_TRUE(wait_ui_msgs(ZVMC_CORE_TABLET_OPEN, 1)) << sim.trace();
        if (keepStartup)
            return;
        // What start-up wrote (a cursor wake-up) is not what the tests look at.
        ZvCapLog log = ZvCapLog::fromEnv();
        (void)log.read();
        _baseline = count_groups(log);
    }
}

void WorkerTest::stopWorker() {
    if (!worker)
        return;
    worker->waitQuit();
    g_pt[0] = nullptr;
    worker.reset();
}

void WorkerTest::inject(const std::vector<std::vector<unsigned char>>& reports, int gapMs) {
    for (const auto& r : reports) {
        ASSERT_TRUE(sim.inject(path, r)) << path;
        if (gapMs > 0)
            sleep_ms(gapMs);
    }
}

std::unique_ptr<ZvUserConfig> WorkerTest::userCfg(const std::string& model) {
    std::unique_ptr<ZvUserConfig> uc(new ZvUserConfig());
    EXPECT_EQ(ZvTabletThread::_cfg.readUserCfg(model.c_str(), uc.get()), 0) << model;
    return uc;
}

void WorkerTest::storeUserCfg(const std::string& model, ZvUserConfig& uc) {
    memset(uc.base.sModel, 0, sizeof uc.base.sModel);
    strncpy(uc.base.sModel, model.c_str(), sizeof uc.base.sModel - 1);
    ASSERT_EQ(ZvTabletThread::_cfg.writeUserCfg(&uc), 0) << model;
}

std::vector<ZvCapGroup> WorkerTest::groupsOf(const char* which, size_t n, int ms) {
    // n 0: whatever arrived once in-flight reports had time to land.
    if (n == 0)
        sleep_ms(150);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        ZvCapLog log = ZvCapLog::fromEnv();
        (void)log.read();
        const ZvCapDevice* dev =
            strcmp(which, "pen") == 0 ? log.deviceByFd(g_g.gFdUhid.load()) : log.device(which);
        std::vector<ZvCapGroup> out;
        if (dev != nullptr) {
            const auto& all = log.groups();
            for (size_t i = _baseline; i < all.size(); ++i) {
                if (all[i].device == dev->id && all[i].pid == dev->pid)
                    out.push_back(all[i]);
            }
        }
        if (out.size() >= n || std::chrono::steady_clock::now() > until)
            return out;
        sleep_ms(2);
    }
}

std::vector<ZvCapGroup> WorkerTest::penGroups(size_t n, int ms) {
    return groupsOf("pen", n, ms);
}

std::vector<ZvCapGroup> WorkerTest::kbdGroups(size_t n, int ms) {
    return groupsOf("Zerva keyboard", n, ms);
}

std::vector<ZvCapGroup> WorkerTest::mouseGroups(size_t n, int ms) {
    return groupsOf("Zerva mouse", n, ms);
}

std::vector<KeyEvent> WorkerTest::keyEvents(size_t n, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::vector<KeyEvent> keys;
    do {
        keys.clear();
        for (const ZvCapGroup& g : kbdGroups(n == 0 ? 0 : 1, 0)) {
            for (const ZvCapEvent& e : g.events) {
                if (e.type == EV_KEY)
                    keys.emplace_back(e.code, e.value);
            }
        }
        if (keys.size() >= n)
            break;
        sleep_ms(5);
    } while (std::chrono::steady_clock::now() < until);
    return keys;
}

std::vector<unsigned char> pen(unsigned kind, unsigned x, unsigned y, unsigned p, int tx, int ty) {
    return {8,
            static_cast<unsigned char>(kind),
            static_cast<unsigned char>(x & 0xFF),
            static_cast<unsigned char>((x >> 8) & 0xFF),
            static_cast<unsigned char>(y & 0xFF),
            static_cast<unsigned char>((y >> 8) & 0xFF),
            static_cast<unsigned char>(p & 0xFF),
            static_cast<unsigned char>((p >> 8) & 0xFF),
            static_cast<unsigned char>((x >> 16) & 0xFF),
            static_cast<unsigned char>((y >> 16) & 0xFF),
            static_cast<unsigned char>(static_cast<signed char>(tx)),
            static_cast<unsigned char>(static_cast<signed char>(ty))};
}

std::vector<unsigned char> keys(unsigned mask, bool touch, unsigned char byte3) {
    return {8,
            static_cast<unsigned char>(touch ? 0xE2 : 0xE0),
            0,
            byte3,
            static_cast<unsigned char>(mask & 0xFF),
            static_cast<unsigned char>((mask >> 8) & 0xFF),
            static_cast<unsigned char>((mask >> 16) & 0xFF),
            static_cast<unsigned char>((mask >> 24) & 0xFF),
            0,
            0,
            0,
            0};
}

std::vector<unsigned char> slider(unsigned char pos, unsigned control) {
    return {8,
            0xF0,
            static_cast<unsigned char>(control & 0xFF),
            static_cast<unsigned char>((control >> 8) & 0xFF),
            0,
            pos,
            0,
            0,
            0,
            0,
            0,
            0};
}

std::vector<unsigned char> dial(unsigned char step, unsigned char number) {
    return {8, 0xF1, 0, number, 0, step, 0, 0, 0, 0, 0, 0};
}

std::vector<unsigned char> touch(unsigned id) {
    return {8,
            0xE1,
            0,
            0,
            static_cast<unsigned char>(id & 0xFF),
            static_cast<unsigned char>((id >> 8) & 0xFF),
            0,
            0,
            0,
            0,
            0,
            0};
}

ZvEkey binding(th_u32 funcBit, unsigned key, bool ctrl, bool shift) {
    ZvEkey ek;
    memset(&ek, 0, sizeof ek);
    ek.funcBit = funcBit;
    if (key != 0) {
        ek.kbtn.bCtrl = ctrl;
        ek.kbtn.bShift = shift;
        ek.kbtn.len = 1;
        ek.kbtn.kbKeys[0].code = static_cast<th_u8>(key);
    }
    return ek;
}

Buttons delivered_buttons(const std::vector<ZvCapGroup>& groups) {
    Buttons out;
    for (const ZvCapGroup& g : groups) {
        for (const ZvCapEvent& e : g.events) {
            const bool button = (e.code >= BTN_MOUSE && e.code <= BTN_TASK) ||
                                e.code == BTN_STYLUS || e.code == BTN_STYLUS2;
            if (e.passes() && e.type == EV_KEY && button)
                out.emplace_back(e.code, e.value);
        }
    }
    return out;
}

} // namespace zvtest
