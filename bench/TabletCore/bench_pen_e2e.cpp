// End to end: a pen report queued on the simulated tablet's interface until its event group is
// complete on the captured pen device, through the real libpadsession, the worker and
// libzervahid. Reports the added latency (p50, p99) over a stroke at 500 reports a second. The
// program runs itself again with both doubles preloaded when started without them.
#include "DcGlobal.h"
#include "TabletSim.h"
#include "UinputCapLog.h"
#include "ZvPadSessionDll.h"
#include "ZvTabletThread.h"
#include "ZvVirtualDevices.h"
#include "ZvXvfb.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <stdlib.h>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

long long now_ns() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

std::vector<unsigned char> pen(unsigned x, unsigned y, unsigned p) {
    return {8,
            0x81,
            static_cast<unsigned char>(x & 0xFF),
            static_cast<unsigned char>((x >> 8) & 0xFF),
            static_cast<unsigned char>(y & 0xFF),
            static_cast<unsigned char>((y >> 8) & 0xFF),
            static_cast<unsigned char>(p & 0xFF),
            static_cast<unsigned char>((p >> 8) & 0xFF),
            0,
            0,
            0,
            0};
}

void BM_PenEndToEnd(benchmark::State& state) {
    zvtest::TabletSim sim;
    std::string error;
    if (!sim.bind(&error) || !ZvCapLog::preloaded()) {
        state.SkipWithError("the simulated tablet and the capture are not preloaded");
        return;
    }
    ZvXvfb xvfb;
    if (!xvfb.available() || !xvfb.setMonitors(ZvXvfb::sideBySide())) {
        state.SkipWithError(("no X server: " + xvfb.reason()).c_str());
        return;
    }
    if (load_padsession_dll() != 1 || !zerva_pen_event_init()) {
        state.SkipWithError("no session library or pen device");
        return;
    }
    const std::string scenario = "device t\n  pid 0x0950\n  path 1-1:1\n  interface 0\n"
                                 "  feature 200 params maxx 55880 maxy 34925 maxp 8191 lpi 5080 "
                                 "pens 2 keys 0 soft 0 flags 0\n"
                                 "  feature 201 model \"ZVM1160TCH\"\n  feature 205 byte 1\nend\n";
    if (!sim.loadText(scenario, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::unique_ptr<ZvTabletThread> worker(new ZvTabletThread());
    g_pt[0] = worker.get();
    worker->start("bench");
    const long line = sim.waitFor("open ", 0, 3000);
    if (line < 0) {
        state.SkipWithError("the tablet was not opened");
        return;
    }
    const std::string open = sim.traceLines()[size_t(line)]; // "open <path> ok"
    const std::string path = open.substr(5, open.find(' ', 5) - 5);
    for (int i = 0; i < 300 && !worker->initDone(); ++i)
        usleep(10000);
    if (!worker->initDone()) {
        state.SkipWithError("the worker did not open the tablet");
        return;
    }
    ZvCapLog log = ZvCapLog::fromEnv();
    (void)log.read();
    (void)sim.inject(path, pen(1000, 1000, 0)); // swallowed: the pen just arrived
    usleep(20000);
    (void)log.read();
    const size_t baseline = log.groups().size();

    const int kReports = 1000;
    std::vector<long long> sent;
    sent.reserve(kReports);
    for (auto _ : state) {
        for (int i = 0; i < kReports; ++i) {
            sent.push_back(now_ns());
            (void)sim.inject(path, pen(2000 + unsigned(i) * 40, 3000 + unsigned(i) * 25, 4000));
            std::this_thread::sleep_for(std::chrono::microseconds(2000));
        }
    }
    usleep(200000);
    (void)log.read();
    const ZvCapDevice* dev = log.deviceByFd(g_g.gFdUhid.load());
    std::vector<long long> latency;
    if (dev != nullptr) {
        size_t k = 0;
        for (size_t i = baseline; i < log.groups().size() && k < sent.size(); ++i) {
            const ZvCapGroup& g = log.groups()[i];
            if (g.device == dev->id && g.pid == dev->pid)
                latency.push_back(g.atNs - sent[k++]);
        }
    }
    worker->waitQuit();
    g_pt[0] = nullptr;
    worker.reset();
    zerva_pen_event_exit();
    if (latency.size() != sent.size()) {
        state.SkipWithError("not every report reached the pen device");
        return;
    }
    std::sort(latency.begin(), latency.end());
    state.counters["p50_us"] = double(latency[latency.size() / 2]) / 1000.0;
    state.counters["p99_us"] = double(latency[latency.size() * 99 / 100]) / 1000.0;
    state.counters["reports"] = double(latency.size());
}

BENCHMARK(BM_PenEndToEnd)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Both doubles must be in front of the C library and hidapi from the start.
    if (getenv("ZV_BENCH_PRELOADED") == nullptr) {
        setenv("ZV_BENCH_PRELOADED", "1", 1);
        setenv("LD_PRELOAD", ZV_TABLETSIM_SO " " ZV_UINPUTCAP_SO, 1);
        const std::string log = "/tmp/zv_bench_pen_e2e." + std::to_string(getpid()) + ".caplog";
        setenv("ZV_UINPUTCAP_LOG", log.c_str(), 1);
        execv("/proc/self/exe", argv);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const char* log = getenv("ZV_UINPUTCAP_LOG");
    if (log != nullptr)
        (void)unlink(log);
    return 0;
}
