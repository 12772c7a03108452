#include "BleSessionFixture.h"

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

const PadSessionLib& library(BleBuild b) {
    static std::map<BleBuild, std::unique_ptr<PadSessionLib>> loaded;
    auto& lib = loaded[b];
    if (!lib) {
        const std::string path = std::string(ZV_DIST_DIR) +
                                 (b == BleBuild::Bluetooth ? "/libs/libpadsession.so"
                                                           : "/libs/usb-only/libpadsession.so");
        std::string error;
        lib = PadSessionLib::load(path, &error);
        if (!lib) {
            ADD_FAILURE() << path << ": " << error;
            abort();
        }
        lib->api().setLogHandler(capture);
    }
    return *lib;
}

} // namespace

ZvTabletOpenPatam BleClient::param() {
    ZvTabletOpenPatam p;
    p.onOpened = ignore;
    p.onClosed = ignore;
    p.onGot = ignoreDesc;
    p.onRead = onRead;
    p.context = this;
    p.tsfafBits = 0xFFFFFFFFu;
    p.tspfFlag = 0xEE;
    return p;
}

void BleClient::onRead(void* context, th_u8* buf) {
    BleClient* self = static_cast<BleClient*>(context);
    if (self->hook)
        self->hook(buf);
    Report r;
    // The library hands over as many bytes as the USB road does.
    memcpy(r.data(), buf, r.size());
    std::lock_guard<std::mutex> lock(self->_m);
    self->_reports.push_back(r);
    self->_cv.notify_all();
}

std::vector<BleClient::Report> BleClient::reports() {
    std::lock_guard<std::mutex> lock(_m);
    return _reports;
}

bool BleClient::waitReports(size_t n, int ms) {
    std::unique_lock<std::mutex> lock(_m);
    return _cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return _reports.size() >= n; });
}

void BleSession::SetUp() {
    MockBluezTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    use(BleBuild::Bluetooth);
    std::lock_guard<std::mutex> lock(g_logLock);
    g_log.clear();
}

void BleSession::TearDown() {
    for (auto& c : _clients)
        if (api.close != nullptr)
            api.close(c.get());
    _clients.clear();
    MockBluezTest::TearDown();
}

void BleSession::use(BleBuild build) {
    api = library(build).api();
}

BleClient& BleSession::newClient() {
    _clients.push_back(std::make_unique<BleClient>());
    return *_clients.back();
}

th_i16 BleSession::open(BleClient& c, ZvTabletOpenPatam* out) {
    ZvTabletOpenPatam p = c.param();
    const th_i16 r = api.open(&p);
    if (out != nullptr)
        *out = p;
    return r;
}

std::vector<std::string> BleSession::logLines() {
    std::lock_guard<std::mutex> lock(g_logLock);
    return g_log;
}

bool BleSession::waitLog(const std::string& needle, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        for (const std::string& l : logLines())
            if (l.find(needle) != std::string::npos)
                return true;
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace zvtest
