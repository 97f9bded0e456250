#include "formats/TextDataFile.h"
#include "model/TimeLabels.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace {

RecordList readings(std::int64_t n) {
    RecordList list;
    list.reserve(static_cast<std::size_t>(n));
    const DateTime start{7, 12, 2026, 9, 0, 0};
    for (std::int64_t i = 0; i < n; ++i)
        list.append(CObjData(40.0 + static_cast<double>(i % 700) / 10.0,
                             formatDateTime(addSeconds(start, i)), i % 3 ? "dBA" : "dBC", 0, 1.0));
    return list;
}

// Minor page faults so far: fresh memory the system hands out page by page.
double pageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_minflt);
}

std::string benchFile(const char* what, std::int64_t n) {
    return (std::filesystem::temp_directory_path() /
            ("vrel-bench-" + std::string(what) + "-" + std::to_string(n) + ".txt"))
        .string();
}

// Reading a file from disk as Open does: the file's bytes, then the records.
void BM_ReadTextDataFile(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    const std::string path = benchFile("read", n);
    if (!WriteTextDataFile(path, readings(n))) {
        state.SkipWithError("cannot write the file");
        return;
    }
    const double faultsBefore = pageFaults();
    for (auto _ : state) {
        const TextDataRead read = ReadTextDataFile(path);
        benchmark::DoNotOptimize(read.records.size());
    }
    // A big file's records need memory the allocator has not kept from the
    // iteration before, and the system fills it in page by page.
    state.counters["faults"] =
        benchmark::Counter((pageFaults() - faultsBefore) / static_cast<double>(state.iterations()));
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadTextDataFile)
    ->Arg(40000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_WriteTextDataFile(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    const RecordList series = readings(n);
    const std::string path = benchFile("write", n);
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteTextDataFile(path, series));
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteTextDataFile)
    ->Arg(40000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
