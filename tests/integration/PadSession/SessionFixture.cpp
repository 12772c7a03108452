#include "SessionFixture.h"

#include <chrono>
#include <map>
#include <stdio.h>
#include <string.h>
#include <thread>

namespace zvtest {

namespace {

std::mutex g_logLock;
std::vector<std::string> g_log;

void capture(int, const char* format, va_list args) {
    char line[512];
    vsnprintf(line, sizeof line, format, args);
    std::lock_guard<std::mutex> lock(g_logLock);
    g_log.push_back(line);
}

} // namespace

std::string build_path(Build b) {
    return std::string(ZV_DIST_DIR) +
           (b == Build::Bluetooth ? "/libs/libpadsession.so" : "/libs/usb-only/libpadsession.so");
}

std::string build_name(const ::testing::TestParamInfo<Build>& info) {
    return info.param == Build::Bluetooth ? "WithBluetooth" : "UsbOnly";
}

const PadSessionLib& library(Build b) {
    static std::mutex lock;
    static std::map<Build, std::unique_ptr<PadSessionLib>> loaded;
    std::lock_guard<std::mutex> guard(lock);
    auto& lib = loaded[b];
    if (!lib) {
        std::string error;
        lib = PadSessionLib::load(build_path(b), &error);
        if (!lib) {
            ADD_FAILURE() << build_path(b) << ": " << error;
            abort();
        }
        lib->api().setLogHandler(capture);
    }
    return *lib;
}

std::vector<std::string> log_lines() {
    std::lock_guard<std::mutex> lock(g_logLock);
    return g_log;
}

bool eventually(const std::function<bool()>& cond, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

ZvTabletOpenPatam Client::param() {
    ZvTabletOpenPatam p;
    p.onOpened = ignore;
    p.onClosed = ignore;
    p.onGot = ignoreDesc;
    p.onRead = onRead;
    p.context = this;
    // Sentinels: the library must write both back on success.
    p.tsfafBits = 0xFFFFFFFFu;
    p.tspfFlag = 0xEE;
    return p;
}

void Client::onRead(void* context, th_u8* buf) {
    Client* self = static_cast<Client*>(context);
    if (self->hook)
        self->hook(buf);
    Report r;
    memcpy(r.data(), buf, r.size());
    std::lock_guard<std::mutex> lock(self->_m);
    self->_reports.push_back(r);
    self->_cv.notify_all();
}

std::vector<Report> Client::reports() {
    std::lock_guard<std::mutex> lock(_m);
    return _reports;
}

bool Client::waitReports(size_t n, int ms) {
    std::unique_lock<std::mutex> lock(_m);
    return _cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return _reports.size() >= n; });
}

void SimSession::SetUp() {
    std::string error;
    ASSERT_TRUE(sim.bind(&error)) << error;
    api = library(GetParam()).api();
}

void SimSession::TearDown() {
    for (auto& c : _clients)
        api.close(c.get());
    EXPECT_EQ(sim.violations(), 0u) << sim.trace();
}

void SimSession::load(const std::string& scenario) {
    std::string error;
    ASSERT_TRUE(sim.loadScenario(scenario, &error)) << error;
}

void SimSession::loadText(const std::string& text) {
    std::string error;
    ASSERT_TRUE(sim.loadText(text, &error)) << error;
}

Client& SimSession::newClient() {
    _clients.push_back(std::make_unique<Client>());
    return *_clients.back();
}

th_i16 SimSession::open(Client& c, ZvTabletOpenPatam* out) {
    ZvTabletOpenPatam p = c.param();
    const th_i16 r = api.open(&p);
    if (out != nullptr)
        *out = p;
    return r;
}

std::string SimSession::probe() {
    char path[ZV_PROBE_PATH_MAX];
    memset(path, 'x', sizeof path);
    path[sizeof path - 1] = '\0';
    const std::string untouched = path;
    if (!api.checkUsb(path)) {
        EXPECT_EQ(untouched, path) << "a probe that finds nothing must not write the path";
        return "";
    }
    return path;
}

} // namespace zvtest
