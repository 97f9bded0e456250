#include "model/Clock.h"
#include "protocol/LoggerEncoder.h"
#include "protocol/MeterDecoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// A memory of n readings in sets of 100 (the meter holds 32,000).
std::vector<std::uint8_t> fullMemory(std::int64_t n) {
    std::vector<LoggerSet> sets;
    for (std::int64_t i = 0; i < n; ++i) {
        if (i % 100 == 0) {
            LoggerSet s;
            s.start = {2026, 12, 1 + static_cast<int>(sets.size() % 28), 23, 59, 0};
            s.weightingA = sets.size() % 2 == 0;
            s.interval = 1 + static_cast<int>(sets.size() % 10);
            sets.push_back(s);
        }
        sets.back().tenths.push_back(400 + static_cast<int>(i % 700));
    }
    return EncodeLoggerDump(sets);
}

// The decoding of a whole dump's text, from the first set header to the end marker.
void BM_DecodeLoggerDump(benchmark::State& state) {
    const auto bytes = fullMemory(state.range(0));
    const std::string text = toHexText(bytes.data() + 3, bytes.size() - 3);
    ManualClock clock;
    MeterDecoder decoder(clock);
    for (auto _ : state) {
        decoder.beginLoggerDownload();
        decoder.DecodeLoggerDump(text);
        benchmark::DoNotOptimize(decoder.takeLoggerRecords().size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DecodeLoggerDump)
    ->Arg(8000)
    ->Arg(16000)
    ->Arg(32000)
    ->Arg(64000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The whole receive path of a download as the port delivers it, 20 bytes a read.
void BM_ReceiveLoggerDownload(benchmark::State& state) {
    const auto bytes = fullMemory(state.range(0));
    ManualClock clock;
    MeterDecoder decoder(clock);
    for (auto _ : state) {
        decoder.beginLoggerDownload();
        for (std::size_t i = 0; i < bytes.size(); i += 20)
            decoder.OnMeterData(bytes.data() + i, std::min<std::size_t>(20, bytes.size() - i));
        benchmark::DoNotOptimize(decoder.takeLoggerRecords().size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReceiveLoggerDownload)
    ->Arg(8000)
    ->Arg(16000)
    ->Arg(32000)
    ->Arg(64000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
