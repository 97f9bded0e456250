// Latency of the live path: from the simulator writing the first frame of a new
// level to that level being readable through MeterLink::snapshot(), over the
// pseudo-terminal, the reader thread and the decoder. A frame is decoded only
// once data follows it, so at the line's pace the figure includes about one
// frame time (20 bytes at 960 bytes/s, 20.8 ms). Also the time Close takes to
// stop and join the reader.

#include "link/ComPort.h"
#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
#include "model/Clock.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

void ensureApplication() {
    static int argc = 1;
    static char name[] = "link_latency_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

std::uint8_t bcd(int v) {
    return static_cast<std::uint8_t>((v / 10 % 10) << 4 | v % 10);
}

void reportMillis(benchmark::State& state, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
    state.counters["best_ms"] = ms.front();
}

void BM_SimulatorToSnapshotLatency(benchmark::State& state) {
    ensureApplication();
    const bool fast = state.range(0) != 0;
    MeterSimulator sim;
    sim.setFast(fast);
    std::atomic<int> watched{-1};
    std::atomic<SteadyClock::rep> sentAt{0};
    sim.setSendObserver([&](const std::uint8_t* bytes, std::size_t count) {
        const int tenths = watched.load();
        if (tenths < 0 || sentAt.load() != 0)
            return;
        const std::uint8_t head[] = {0xA5, 0x0D, bcd(tenths / 100), bcd(tenths % 100)};
        if (std::search(bytes, bytes + count, head, head + 4) != bytes + count)
            sentAt = SteadyClock::now().time_since_epoch().count();
    });
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

    std::vector<double> ms;
    int i = 0;
    for (auto _ : state) {
        const int tenths = 300 + (i++ * 37) % 900;
        sentAt = 0;
        watched = tenths;
        sim.setConstantLevel(tenths / 10.0);
        const double level = tenths / 10.0;
        while (link.snapshot().state.level != level || sentAt.load() == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        const auto seen = SteadyClock::now().time_since_epoch().count();
        watched = -1;
        const double seconds =
            std::chrono::duration<double>(SteadyClock::duration(seen - sentAt.load())).count();
        state.SetIterationTime(seconds);
        ms.push_back(seconds * 1000.0);
        QCoreApplication::processEvents();
    }
    reportMillis(state, ms);
    link.close();
    sim.stop();
}
BENCHMARK(BM_SimulatorToSnapshotLatency)
    ->ArgName("fast")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_CloseStopsAndJoinsTheReader(benchmark::State& state) {
    MeterSimulator sim;
    QString error;
    if (!sim.start(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    CComPort port;
    std::vector<double> ms;
    for (auto _ : state) {
        if (!port.Open(sim.devicePath(), meterLine, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30)); // let it read
        const auto start = SteadyClock::now();
        port.Close();
        const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
        state.SetIterationTime(seconds);
        ms.push_back(seconds * 1000.0);
    }
    reportMillis(state, ms);
}
BENCHMARK(BM_CloseStopsAndJoinsTheReader)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
