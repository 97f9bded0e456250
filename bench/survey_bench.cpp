// What a survey's sampling tick costs beyond reading the meter: the sample's
// way into the data file, and the interval summary.
#include "recording/Recording.h"
#include "survey/Survey.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

// 2026-12-08T14:00:00Z
constexpr SurveyMs start = SurveyMs(1796738400) * 1000;

// Takes every write and keeps nothing: the survey's own share of the write path.
class NullFileSystem final : public SurveyFileSystem {
  public:
    bool exists(const std::string&) const override { return false; }
    bool endsMidLine(const std::string&) const override { return false; }
    std::unique_ptr<SurveyFile> openAppend(const std::string&, std::string&) override {
        return std::make_unique<File>();
    }

  private:
    class File final : public SurveyFile {
      public:
        std::size_t write(std::string_view bytes, std::string&) override {
            benchmark::DoNotOptimize(bytes.data());
            return bytes.size();
        }
        bool syncAndClose(std::string&) override { return true; }
    };
};

// One sample at 0.1 s: its time stamp, its line, the file it belongs to, the write.
void writeSamples(benchmark::State& state, SurveyFileSystem& fs, const std::string& dir) {
    const ManualClock clock;
    SurveyStore store(fs, clock, dir, SurveySplit::Hour, 0.1, 864000);
    SurveyMs t = start;
    double level = 60.0;
    for (auto _ : state) {
        const CObjData sample(
            level, recordTimeStamp(clock.local(static_cast<std::time_t>(t / 1000))), "dBA", 0, 0.1);
        store.addSample(sample, t);
        store.flush(t);
        t += 100;
        level = level > 90.0 ? 60.0 : level + 0.1;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SurveySampleToDisk(benchmark::State& state) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vrel-survey-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    writeSamples(state, diskFileSystem(), dir.string());
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SurveySampleToDisk);

void BM_SurveySampleWithoutTheSystemCall(benchmark::State& state) {
    NullFileSystem fs;
    writeSamples(state, fs, "d");
}
BENCHMARK(BM_SurveySampleWithoutTheSystemCall);

// A sample into the 15-minute summary, a row made every 9000 samples.
void BM_SurveyIntervalSummaryPerSample(benchmark::State& state) {
    const ManualClock clock;
    IntervalSummary summary(clock, 900, 0.1);
    SurveyMs t = start;
    double level = 60.0;
    std::size_t rows = 0;
    for (auto _ : state) {
        if (auto row = summary.advance(t)) {
            benchmark::DoNotOptimize(row->data());
            ++rows;
        }
        summary.add(level, "dBA");
        t += 100;
        level = level > 90.0 ? 60.0 : level + 0.1;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SurveyIntervalSummaryPerSample);

// The running Leq of the status line, asked for once a tick.
void BM_SurveyStatusSummary(benchmark::State& state) {
    const ManualClock clock;
    IntervalSummary summary(clock, 900, 0.1);
    summary.advance(start);
    for (int i = 0; i < 9000; ++i)
        summary.add(60.0 + (i % 300) / 10.0, "dBA");
    for (auto _ : state)
        benchmark::DoNotOptimize(summary.current());
}
BENCHMARK(BM_SurveyStatusSummary);

} // namespace
