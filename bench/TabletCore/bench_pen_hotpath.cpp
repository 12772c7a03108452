// One pen report from the session's read callback to the virtual pen write (argument 1, a pipe
// standing in for the pen device) or to the filled record only (argument 0): time per report
// (median and 99th percentile) and heap allocations per report, which must stay 0.
#include "DcGlobal.h"
#include "ZvPadSessionDll.h"
#include "ZvTabletThread.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <fcntl.h>
#include <new>
#include <stdlib.h>
#include <string.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<bool> g_counting{false};
std::atomic<size_t> g_allocs{0};

} // namespace

void* operator new(size_t n) {
    if (g_counting.load(std::memory_order_relaxed))
        g_allocs.fetch_add(1, std::memory_order_relaxed);
    if (void* p = malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) {
    return operator new(n);
}
void operator delete(void* p) noexcept {
    free(p);
}
void operator delete[](void* p) noexcept {
    free(p);
}
void operator delete(void* p, size_t) noexcept {
    free(p);
}
void operator delete[](void* p, size_t) noexcept {
    free(p);
}

namespace {

// A session table that opens asynchronously and takes commands without doing anything; the
// benchmark answers 201 and 200 itself through the callback.
ZvTabletOpenPatam g_param;
th_i16 s_open(PZvTabletOpenPatam p) {
    p->tsfafBits = 0x4 | 0x8;
    p->tspfFlag = 0;
    g_param = *p;
    return 0;
}
void s_close(void*) {}
th_i16 s_read(void*, th_u8*, th_u16) {
    return 2;
}
th_i16 s_start(void*, th_u8) {
    return 0;
}
th_i16 s_cmd(void*, th_u8, th_u8* buf, th_u16) {
    buf[0] = 0;
    return 0;
}
th_i16 s_alive(void*) {
    return 0;
}

void answer(th_u8 cmd, const std::vector<th_u8>& payload) {
    th_u8 buf[128] = {};
    buf[0] = 8;
    buf[1] = cmd;
    memcpy(buf + 2, payload.data(), payload.size());
    g_param.onGot(g_param.context, buf);
}

void pen_report(th_u8* r, unsigned x, unsigned y, unsigned p) {
    memset(r, 0, 14);
    r[0] = 8;
    r[1] = 0x81;
    r[2] = x & 0xFF;
    r[3] = (x >> 8) & 0xFF;
    r[4] = y & 0xFF;
    r[5] = (y >> 8) & 0xFF;
    r[6] = p & 0xFF;
    r[7] = (p >> 8) & 0xFF;
    r[8] = (x >> 16) & 0xFF;
    r[9] = (y >> 16) & 0xFF;
    r[10] = 12;
    r[11] = 0xF0;
}

long long now_ns() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void BM_PenReportToDeviceWrite(benchmark::State& state) {
    g_handle = G_DLL_FUNC_HANDLE();
    g_handle.zvtc_open = s_open;
    g_handle.zvtc_close = s_close;
    g_handle.zvtc_read = s_read;
    g_handle.zvtc_start_read = s_start;
    g_handle.zvtc_get_str_desc = s_cmd;
    g_handle.zvtc_alive = s_alive;

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        state.SkipWithError("pipe");
        return;
    }
    std::atomic<bool> draining{true};
    std::thread drain([&] {
        char buf[65536];
        while (draining.load() && read(fds[0], buf, sizeof buf) > 0) {
        }
    });
    // Arg 0: up to the filled record only; arg 1: including the write to the device.
    g_g.gFdUhid = state.range(0) ? fds[1] : 0;

    std::unique_ptr<ZvTabletThread> worker(new ZvTabletThread());
    g_pt[0] = worker.get();
    worker->start("bench");
    answer(201, {'Z', 'V', 'M', '1', '1', '6', '0', 'T', 'C', 'H'});
    answer(200, {0xC8, 0xDA, 0x00, 0x6D, 0x88, 0x00, 0xFF, 0x1F, 0xD8, 0x13, 2, 0, 0, 0, 0});
    if (!worker->initDone()) {
        state.SkipWithError("the worker did not open");
        return;
    }
    // Two monitors side by side, as the X server would report them.
    const ZvRect monitors[2] = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
    worker->coordMap().setMonitors(monitors, 2);

    // Precomputed reports: a stroke across the tablet with rising pressure.
    const size_t kReports = 4096;
    std::vector<std::array<th_u8, 14>> reports(kReports);
    for (size_t i = 0; i < kReports; ++i)
        pen_report(reports[i].data(), 1000 + unsigned(i) * 13, 2000 + unsigned(i) * 7,
                   unsigned(i * 2) % 8191);
    std::vector<long long> samples;
    samples.reserve(1 << 20);
    void* ctx = g_param.context;
    ZvTabletThread::on_read(ctx, reports[0].data()); // the first after arrival is swallowed

    size_t i = 0, done = 0;
    g_allocs = 0;
    g_counting = true;
    for (auto _ : state) {
        th_u8* r = reports[i].data();
        const long long t0 = now_ns();
        ZvTabletThread::on_read(ctx, r);
        const long long t1 = now_ns();
        if (samples.size() < samples.capacity())
            samples.push_back(t1 - t0);
        i = (i + 1) % kReports;
        ++done;
    }
    g_counting = false;
    const size_t allocs = g_allocs.load();

    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        state.counters["p50_ns"] = double(samples[samples.size() / 2]);
        state.counters["p99_ns"] = double(samples[samples.size() * 99 / 100]);
    }
    state.counters["allocs_per_report"] = done ? double(allocs) / double(done) : 0.0;
    if (worker->doerPen()._lastSent.DataType != 0x81)
        state.SkipWithError("no sample reached the pen device");

    worker->waitQuit();
    g_pt[0] = nullptr;
    worker.reset();
    g_g.gFdUhid = 0;
    draining = false;
    close(fds[1]);
    drain.join();
    close(fds[0]);
}

} // namespace

BENCHMARK(BM_PenReportToDeviceWrite)->Arg(0)->Arg(1)->UseRealTime();
