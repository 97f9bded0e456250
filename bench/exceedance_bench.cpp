// What finding noise events adds to a survey's tick: the sample's line
// placed on the series clock and the event rules, per sample at 0.1 s.
// Against the tick's 100 ms this is the added CPU share of live detection.
#include "recording/Recording.h"
#include "session/ExceedanceOutput.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

// 2026-12-08T14:00:00Z
constexpr std::time_t start = 1796738400;

void BM_ExceedanceOutputPerSample(benchmark::State& state) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "vrel-exceedance-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const ManualClock clock;
    {
        ExceedanceOutput out(dir.string(), EventRules{75, 3, 0, 1}, 0.1, clock);
        long long events = 0;
        out.onEvent = [&events](int, const SeriesEvent&) { ++events; };
        std::int64_t k = 0;
        for (auto _ : state) {
            // A level that rises above the threshold for 4 s of every 30.
            const double level = k % 300 < 40 ? 82.0 : 60.0 + static_cast<double>(k % 7);
            const CObjData sample(level, recordTimeStamp(clock.local(start + k / 10)), "dBA", 0,
                                  0.1);
            out.sample(0, sample);
            ++k;
        }
        state.SetItemsProcessed(state.iterations());
        state.counters["events"] = static_cast<double>(events);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ExceedanceOutputPerSample);

} // namespace
