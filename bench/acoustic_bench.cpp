#include "model/AcousticStats.h"

#include <benchmark/benchmark.h>

// One new reading and a fresh summary at 40,000 readings, as a recording tick does.
static void BM_RunningStatsTickAt40k(benchmark::State& state) {
    RunningAcousticStats stats(0.1, 85.0);
    for (int i = 0; i < 40000; ++i)
        stats.add(60.0 + (i % 400) / 10.0, "dBA");
    double level = 70.0;
    for (auto _ : state) {
        stats.add(level, "dBA");
        benchmark::DoNotOptimize(stats.summary());
        level = level > 100.0 ? 60.0 : level + 0.1;
    }
}
BENCHMARK(BM_RunningStatsTickAt40k);
