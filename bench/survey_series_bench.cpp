// The series of a whole survey: parsing a data file, and what a picture and
// the figures of a span cost on 30 days at 0.1 s (25.9 million readings).
//
// VREL_SURVEY_DIR=DIR (a folder make-survey wrote) adds the reading of a
// whole folder from the disk.
#include "survey/SeriesFigures.h"
#include "survey/SeriesReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr SeriesMs hourMs = 3600 * 1000;

// An hour's file at 0.1 s, as the survey writes it.
const std::string& hourFile() {
    static const std::string text = [] {
        std::string t = "Kovra Sound Level Meter SamplingRate:0.1;\r\n";
        char line[64];
        for (int i = 0; i < 36000; ++i) {
            const int s = i / 10;
            std::snprintf(line, sizeof line, "25-10-2026,14:%02d:%02d, %5.2f, dBA\r\n", s / 60,
                          s % 60, 45.0 + (i * 37 % 300) / 10.0);
            t += line;
        }
        return t;
    }();
    return text;
}

// 30 days at 0.1 s with an outage of two hours on the fifth day.
const SeriesStore& month() {
    static const SeriesStore store = [] {
        SeriesStore s;
        constexpr std::int64_t seconds = 30LL * 86400;
        s.reserve(static_cast<std::size_t>(seconds) * 10);
        Centibel ten[10];
        const SeriesMs start = 1'792'000'000'000;
        for (std::int64_t t = 0; t < seconds; ++t) {
            if (t >= 4 * 86400 + 12 * 3600 && t < 4 * 86400 + 14 * 3600)
                continue;
            const bool day = t % 86400 >= 7 * 3600 && t % 86400 < 22 * 3600;
            for (int k = 0; k < 10; ++k)
                ten[k] = static_cast<Centibel>((day ? 6000 : 4500) + (t * 10 + k) * 37 % 600);
            s.appendStamp(start + t * 1000, ten, 10, 100, 'A');
        }
        s.finish();
        return s;
    }();
    return store;
}

void BM_ParseHourFile(benchmark::State& state) {
    const std::string& text = hourFile();
    for (auto _ : state) {
        SeriesFilePart part = parseSeriesFile(text);
        benchmark::DoNotOptimize(part.levels.data());
    }
    state.SetItemsProcessed(state.iterations() * 36000);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseHourFile)->Unit(benchmark::kMillisecond);

// A picture 1600 pixels wide of the whole month.
void BM_ColumnsWhole(benchmark::State& state) {
    const SeriesStore& s = month();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.columns(s.start(), s.end(), 1600).data());
    state.counters["bytesPerReading"] = static_cast<double>(s.bytesUsed()) / s.size();
}
BENCHMARK(BM_ColumnsWhole)->Unit(benchmark::kMicrosecond);

// One zoom step (a span a fifth smaller, around the middle) from a view of
// the given hours; pans cost the same, a picture of another span.
void BM_ColumnsZoomStep(benchmark::State& state) {
    const SeriesStore& s = month();
    const SeriesMs span = static_cast<SeriesMs>(state.range(0)) * hourMs / 60;
    const SeriesMs middle = s.start() + 12 * 86400 * 1000LL + 13 * hourMs;
    const SeriesMs smaller = span * 4 / 5;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            s.columns(middle - smaller / 2, middle + smaller / 2, 1600).data());
}
// Minutes shown: a month, a week, a day, an hour, a minute.
BENCHMARK(BM_ColumnsZoomStep)
    ->Arg(30 * 1440)
    ->Arg(7 * 1440)
    ->Arg(1440)
    ->Arg(60)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

// The A-B figures of a span of the given hours (the percentiles count the
// span's levels).
void BM_SpanFigures(benchmark::State& state) {
    const SeriesStore& s = month();
    const SeriesMs from = s.start() + 3 * hourMs;
    const SeriesMs to = from + state.range(0) * hourMs;
    for (auto _ : state) {
        const SpanFigures f = spanFigures(s, from, to);
        benchmark::DoNotOptimize(f.l90);
    }
}
BENCHMARK(BM_SpanFigures)->Arg(1)->Arg(24)->Arg(30 * 24 - 3)->Unit(benchmark::kMillisecond);

void BM_DailyFigures(benchmark::State& state) {
    const SeriesStore& s = month();
    for (auto _ : state)
        benchmark::DoNotOptimize(dailyFigures(s).size());
}
BENCHMARK(BM_DailyFigures)->Unit(benchmark::kMicrosecond);

// What a running survey adds to the month per reading: the line placed as
// its file would place it, and the block summary extended over it.
void BM_AppendLineAndExtend(benchmark::State& state) {
    static SeriesStore grown = month();
    SeriesAppender appender(grown);
    char line[64];
    std::int64_t i = 0;
    for (auto _ : state) {
        const std::int64_t s = i / 10;
        std::snprintf(line, sizeof line, "01-12-2026,%02lld:%02lld:%02lld, %5.2f, dBA",
                      static_cast<long long>(s / 3600 % 24), static_cast<long long>(s / 60 % 60),
                      static_cast<long long>(s % 60),
                      45.0 + static_cast<double>(i * 37 % 300) / 10);
        appender.addLine(line, 100);
        grown.extend();
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendLineAndExtend)->Unit(benchmark::kMicrosecond);

void BM_ReadFolder(benchmark::State& state) {
    const char* dir = std::getenv("VREL_SURVEY_DIR");
    if (!dir) {
        state.SkipWithError("VREL_SURVEY_DIR is not set");
        return;
    }
    std::size_t readings = 0;
    for (auto _ : state) {
        const SeriesRead read = readSurveySeries(dir);
        readings = read.series.size();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(readings));
}
BENCHMARK(BM_ReadFolder)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
