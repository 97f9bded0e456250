// All workplace and environmental figures of a series, and the report of one.
#include "layout/ReportLayout.h"
#include "model/NoiseRules.h"
#include "model/TimeLabels.h"
#include "print/ReportRenderer.h"
#include "print/ReportTexts.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// n readings a second apart from 07-12-2026 06:00, a slow wave with noise,
// and an outage of ten minutes every six hours.
RecordList series(int n) {
    RecordList list;
    list.reserve(static_cast<std::size_t>(n));
    const DateTime start{7, 12, 2026, 6, 0, 0};
    std::int64_t t = 0;
    for (int i = 0; i < n; ++i, ++t) {
        if (i > 0 && i % 21600 == 0)
            t += 600;
        const double v = 62.0 + 12.0 * std::sin(i / 900.0) + (i * 7919 % 97) / 10.0;
        list.append(
            CObjData(std::round(v * 10) / 10, formatDateTime(addSeconds(start, t)), "dBA", 0, 1.0));
    }
    return list;
}

void BM_AllNoiseFigures(benchmark::State& state) {
    const RecordList s = series(static_cast<int>(state.range(0)));
    NoiseSettings settings;
    settings.shiftHours = 8.0;
    settings.intervalSeconds = static_cast<int>(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(computeNoiseFigures(s, 0, s.size(), settings));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AllNoiseFigures)
    ->Args({40000, 60})
    ->Args({40000, 900})
    ->Args({1000000, 60})
    ->Args({1000000, 900})
    ->Unit(benchmark::kMillisecond);

// Layout and PDF of the report, as "Rapor" and vrel-cli report make it.
void BM_ReportPdf(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    const RecordList s = series(static_cast<int>(state.range(0)));
    ReportInput in;
    in.series = &s;
    in.stats.samplingRate = 1.0;
    in.limit = 80.0;
    in.settings.intervalSeconds = 900;
    in.title = {"Bench", "Vrel", "Meter", "Notes"};
    in.texts = reportTexts();
    std::size_t pages = 0, bytes = 0;
    for (auto _ : state) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QPdfWriter writer(&out);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        const auto laidOut = layoutReport(in);
        renderReport(writer, laidOut);
        pages = laidOut.size();
        bytes = static_cast<std::size_t>(out.size());
    }
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReportPdf)->Arg(40000)->Unit(benchmark::kMillisecond);

} // namespace
