// What logging costs where nothing records the line: the hot path logs at debug level and the
// shipped configuration keeps debug off.
#include "ZvLog.h"
#include "ZvLogCore.h"

#include <benchmark/benchmark.h>

namespace {

void count_only(int, const char*, va_list) {
    benchmark::ClobberMemory();
}

void BM_LogOutBelowThreshold(benchmark::State& state) {
    zv_set_log_handler(&count_only);
    zv_set_log_threshold(ZV_LL_INFO);
    int x = 0;
    for (auto _ : state) {
        ++x;
        zv_log_out(ZV_LL_DEBUG, "pen x=%d y=%d p=%d", x, x * 2, x * 3);
    }
    zv_set_log_threshold(ZV_LL_DEBUG);
    zv_set_log_handler(nullptr);
}
BENCHMARK(BM_LogOutBelowThreshold);

void BM_DumpBelowThreshold(benchmark::State& state) {
    zv_set_log_handler(&count_only);
    zv_set_log_threshold(ZV_LL_NOTICE);
    th_u8 report[12] = {8, 0x81, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (auto _ : state)
        zv_logb(ZVLL_D_TC_PEN, report, sizeof report);
    zv_set_log_threshold(ZV_LL_DEBUG);
    zv_set_log_handler(nullptr);
}
BENCHMARK(BM_DumpBelowThreshold);

// The core's sink with no category (log.conf missing): the line is dropped before formatting.
void BM_CoreHandlerWithoutCategory(benchmark::State& state) {
    zv_log_core_reset();
    zv_set_log_handler(&log_handler_fun_arg);
    int x = 0;
    for (auto _ : state)
        zv_log_out(ZV_LL_ERR, "pen x=%d", ++x);
    zv_set_log_handler(nullptr);
}
BENCHMARK(BM_CoreHandlerWithoutCategory);

} // namespace
