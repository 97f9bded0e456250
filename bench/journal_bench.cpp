#include "formats/RecordingJournal.h"

#include <benchmark/benchmark.h>

#include <filesystem>

// What journalling adds to a sampling tick: one line written and flushed.
static void BM_JournalAppend(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "vrel-journal-bench.txt";
    RecordingJournal journal(path);
    journal.start(0.1);
    const CObjData sample(72.4, "08-12-2026,10:00:00", "dBA", 0, 0.1);
    for (auto _ : state)
        benchmark::DoNotOptimize(journal.append(sample));
    journal.stop();
    journal.discard();
}
BENCHMARK(BM_JournalAppend);
