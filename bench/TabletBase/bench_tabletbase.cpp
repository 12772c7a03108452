// One pen sample through the stateless stages under it: decode, pressure curve (each grade),
// nine-point correction, and the ratio, clamp and rotation math of the mapping. Samples cycle
// through a stroke of 256 recorded-like reports so that no stage sees a constant input.
#include "Calibrate9pt.h"
#include "CoordMath.h"
#include "Funcs.h"
#include "TabletParse.h"

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string.h>

namespace {

constexpr th_u32 kMaxX = 50800, kMaxY = 28575;
constexpr th_u16 kMaxP = 8191;
constexpr size_t kStroke = 256;

using Report = std::array<th_u8, ZV_REPORT_LEN>;

struct Fixture {
    std::array<Report, kStroke> reports;
    ZvTabletCfg tc;
    std::unique_ptr<ZvUserCfg> uc = std::make_unique<ZvUserCfg>();
    ZvRect work{0, 0, th_i32(kMaxX), th_i32(kMaxY)};

    Fixture() {
        for (size_t i = 0; i < kStroke; ++i) {
            const th_u32 x = 1000 + th_u32(i) * 190, y = 800 + th_u32(i) * 105;
            const th_u32 p = th_u32(i) * 32 % (kMaxP + 1u);
            reports[i] = Report{8,
                                0x81,
                                th_u8(x),
                                th_u8(x >> 8),
                                th_u8(y),
                                th_u8(y >> 8),
                                th_u8(p),
                                th_u8(p >> 8),
                                th_u8(x >> 16),
                                th_u8(y >> 16),
                                th_u8(i % 60),
                                th_u8(-int(i % 50))};
        }
        memset(&tc, 0, sizeof tc);
        tc.maxX = kMaxX;
        tc.maxY = kMaxY;
        tc.maxP = kMaxP;
        tc.bMonitor = 0x02;
        memset(uc.get(), 0, sizeof *uc);
        const th_i32 f[7] = {66000, 300, -350 * 65536, -200, 65100, 420 * 65536, 65536};
        memcpy(uc->calibrateFactors, f, sizeof f);
        uc->bCalibrated = 7;
        uc->app0.pressFactor = 1;
        uc->app0.pressCtrlPt[1] = ZvPoint{898, 2113};
        uc->app0.pressCtrlPt[2] = ZvPoint{1928, 6235};
        uc->app0.rotateAngle = 90;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_Decode(benchmark::State& state) {
    const Fixture& f = fixture();
    size_t i = 0;
    for (auto _ : state) {
        const Report& r = f.reports[i++ % kStroke];
        benchmark::DoNotOptimize(is_invalid_report(r.data(), r.size()));
        benchmark::DoNotOptimize(report_type(r.data(), r.size()));
        benchmark::DoNotOptimize(report_x(r.data(), r.size()));
        benchmark::DoNotOptimize(report_y(r.data(), r.size()));
        benchmark::DoNotOptimize(report_p(r.data(), r.size()));
        benchmark::DoNotOptimize(report_ax(r.data(), r.size()));
        benchmark::DoNotOptimize(report_ay(r.data(), r.size()));
    }
}
BENCHMARK(BM_Decode);

// Arguments: grade, pressFactor.
void BM_PressureCurve(benchmark::State& state) {
    Fixture& f = fixture();
    ZvTabletCfg tc = f.tc;
    tc.grade = th_u8(state.range(0));
    auto app = std::make_unique<ZvAppUserCfg>(f.uc->app0);
    app->pressFactor = th_i32(state.range(1));
    size_t i = 0;
    for (auto _ : state) {
        const Report& r = f.reports[i++ % kStroke];
        benchmark::DoNotOptimize(zv_calibrate_press(*app, tc, report_p(r.data(), r.size())));
    }
}
BENCHMARK(BM_PressureCurve)
    ->ArgNames({"grade", "factor"})
    ->Args({0, 1})  // power 2
    ->Args({0, -2}) // power 0.125
    ->Args({1, 1})  // hard circle
    ->Args({1, -2}) // soft quarter circle
    ->Args({1, 4})  // power 8
    ->Args({2, 1}); // Bezier

void BM_Calibration(benchmark::State& state) {
    const Fixture& f = fixture();
    size_t i = 0;
    for (auto _ : state) {
        const Report& r = f.reports[i++ % kStroke];
        CGPoint pt{float(report_x(r.data(), r.size())), float(report_y(r.data(), r.size()))};
        zv_calibrate_point(f.tc, *f.uc, pt);
        benchmark::DoNotOptimize(pt);
    }
}
BENCHMARK(BM_Calibration);

// Clamp into the work area, ratio, quarter turn of the ratio and the tilt, back to raw units.
void BM_RatioAndRotation(benchmark::State& state) {
    const Fixture& f = fixture();
    size_t i = 0;
    for (auto _ : state) {
        const Report& r = f.reports[i++ % kStroke];
        CGPoint pt{float(report_x(r.data(), r.size())), float(report_y(r.data(), r.size()))};
        th_i8 ax = report_ax(r.data(), r.size()), ay = report_ay(r.data(), r.size());
        ZvPtRatio pr;
        zv_bound_to_rect(f.work, pt);
        zv_ratio_pt_in_rect(pt, f.work, pr);
        zv_pt_ratio_rotate90(pr, pr);
        zv_angle_rotate90(ax, ay);
        pt.x = pr.x * float(kMaxX);
        pt.y = pr.y * float(kMaxY);
        benchmark::DoNotOptimize(pt);
        benchmark::DoNotOptimize(ax);
        benchmark::DoNotOptimize(ay);
    }
}
BENCHMARK(BM_RatioAndRotation);

// All stages of one sample, by pressure grade (factor 1).
void BM_PenSample(benchmark::State& state) {
    Fixture& f = fixture();
    ZvTabletCfg tc = f.tc;
    tc.grade = th_u8(state.range(0));
    size_t i = 0;
    for (auto _ : state) {
        const Report& r = f.reports[i++ % kStroke];
        if (is_invalid_report(r.data(), r.size()) || report_type(r.data(), r.size()) > 0x90)
            continue;
        ZvPenData pd;
        pd.pt = CGPoint{float(report_x(r.data(), r.size())), float(report_y(r.data(), r.size()))};
        pd.ax = report_ax(r.data(), r.size());
        pd.ay = report_ay(r.data(), r.size());
        pd.ps = zv_calibrate_press(f.uc->app0, tc, report_p(r.data(), r.size()));
        zv_calibrate_point(tc, *f.uc, pd.pt);
        zv_bound_to_rect(f.work, pd.pt);
        zv_ratio_pt_in_rect(pd.pt, f.work, pd.pr);
        zv_pt_ratio_rotate90(pd.pr, pd.pr);
        zv_angle_rotate90(pd.ax, pd.ay);
        pd.pt.x = pd.pr.x * float(kMaxX);
        pd.pt.y = pd.pr.y * float(kMaxY);
        benchmark::DoNotOptimize(pd);
    }
}
BENCHMARK(BM_PenSample)->ArgName("grade")->Arg(0)->Arg(1)->Arg(2);

} // namespace
