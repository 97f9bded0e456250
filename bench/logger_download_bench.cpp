// A download of the simulated meter's demo memory at the meter's line rate
// (9600 baud, 960 bytes a second), through the pseudo-terminal, the reader
// thread, the decoder and the shared download: the time from the first
// request to the records in hand, against the time the dump's bytes need on
// the wire alone. The difference is what the program adds: the wait for the
// meter to take the request, the reads and the hand-over.

#include "link/Download.h"
#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
#include "model/Clock.h"
#include "protocol/LoggerEncoder.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "logger_download_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

void BM_DemoMemoryDownloadAtLineRate(benchmark::State& state) {
    ensureApplication();
    MeterSimulator sim;
    QString error;
    if (!sim.start(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    SystemClock clock;
    MeterLink link{clock};
    if (!link.open(sim.devicePath(), &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const double wireMs = EncodeLoggerDump(DemoLoggerMemory()).size() / 960.0 * 1000.0;

    std::vector<double> overMs;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const LoggerDownloadResult result = downloadLoggerMemory(link, clock);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (!result.ok || result.records.size() != 120) {
            state.SkipWithError("the download failed");
            return;
        }
        state.SetIterationTime(took.count() / 1000.0);
        overMs.push_back(took.count() - wireMs);
    }
    std::sort(overMs.begin(), overMs.end());
    state.counters["wire_ms"] = wireMs;
    state.counters["over_wire_median_ms"] = overMs[overMs.size() / 2];
    state.counters["over_wire_worst_ms"] = overMs.back();
}
BENCHMARK(BM_DemoMemoryDownloadAtLineRate)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace
