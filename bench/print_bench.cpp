#include "model/DataSets.h"
#include "model/TimeLabels.h"
#include "print/PageRenderer.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void needApplication() {
    static int argc = 1;
    static char name[] = "print_bench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv); // lives as long as the program
    }
}

RecordList readings(int n) {
    RecordList list;
    for (int i = 0; i < n; ++i)
        list.append(CObjData(40.0 + (i % 700) / 10.0,
                             formatDateTime(addSeconds({7, 12, 2026, 9, 0, 0}, i)), "dBA", 0, 1.0));
    return list;
}

// The data printout of a 40,000-reading set, laid out and written to a PDF as
// vrel-cli print data does (A4, 600 dpi).
void BM_PrintDataTableToPdf(benchmark::State& state) {
    needApplication();
    const RecordList series = readings(static_cast<int>(state.range(0)));
    const SeriesStats stats = DataSetStats(series);
    QTemporaryDir dir;
    std::size_t pages = 0;
    for (auto _ : state) {
        QPdfWriter writer(dir.filePath(QStringLiteral("table.pdf")));
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        const auto laidOut = layoutDataPrintout(series, stats, printMetrics(writer), {});
        pages = laidOut.size();
        if (!renderPages(writer, laidOut))
            state.SkipWithError("the PDF writer failed");
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_PrintDataTableToPdf)->Arg(40000)->Unit(benchmark::kSecond)->Iterations(2);

// The layout alone.
void BM_LayoutDataTable(benchmark::State& state) {
    needApplication();
    const RecordList series = readings(static_cast<int>(state.range(0)));
    const SeriesStats stats = DataSetStats(series);
    QTemporaryDir dir;
    QPdfWriter writer(dir.filePath(QStringLiteral("metrics.pdf")));
    writer.setResolution(600);
    const PrintMetrics m = printMetrics(writer);
    for (auto _ : state)
        benchmark::DoNotOptimize(layoutDataPrintout(series, stats, m, {}).size());
}
BENCHMARK(BM_LayoutDataTable)->Arg(40000)->Unit(benchmark::kMillisecond);

} // namespace
