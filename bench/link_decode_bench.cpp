// Live decoding throughput: the receive callback fed 20-byte reads of encoded
// frames, as the reader thread hands them over. The line carries 960 bytes/s.

#include "model/Clock.h"
#include "protocol/LiveEncoder.h"
#include "protocol/MeterDecoder.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr double lineBytesPerSecond = 960.0;

std::vector<std::uint8_t> encodedStream(int states) {
    std::vector<std::uint8_t> bytes;
    MeterReading r;
    for (int i = 0; i < states; ++i) {
        r.tenths = 300 + (i * 7) % 1000;
        r.second = i % 60;
        r.fast = (i / 10) % 2 == 0;
        r.maxMode = i % 3 == 0;
        const auto f = EncodeLiveFrames(r);
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    return bytes;
}

void BM_LiveDecodeReadsOf20Bytes(benchmark::State& state) {
    const ManualClock clock{1796634000};
    const auto stream = encodedStream(240);
    MeterDecoder decoder{clock};
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += liveFrameBytes)
            benchmark::DoNotOptimize(decoder.OnMeterData(stream.data() + at, liveFrameBytes));
    }
    const auto bytes = static_cast<double>(state.iterations()) * static_cast<double>(stream.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["times_line_rate"] =
        benchmark::Counter(bytes / lineBytesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LiveDecodeReadsOf20Bytes);

} // namespace
