#include "BenchApp.h"

#include "config/ColorConfig.h"
#include "graph/CGraphicsBtn.h"
#include "graph/PlotPainter.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// A plot area of 1000 x 500 pixels.
constexpr int clientWidth = 1090;
constexpr int clientHeight = 530;

RecordList meterSeries(int n) {
    std::mt19937 rng(7);
    std::normal_distribution<double> step(0, 1.5);
    RecordList s;
    s.reserve(static_cast<std::size_t>(n));
    double level = 65;
    for (int i = 0; i < n; ++i) {
        level = std::clamp(level + step(rng), 30.0, 120.0);
        char time[32];
        std::snprintf(time, sizeof time, "07-12-2026,%.2d:%.2d:%.2d", 9 + i / 36000, i / 600 % 60,
                      i / 10 % 60);
        s.append(CObjData(std::round(level * 10) / 10, time, "dBA", 0, 0.1));
    }
    return s;
}

// What one Redraw of the unzoomed view costs: the range and labels, then the
// whole control painted into an image of the window's format.
void redraw(benchmark::State& state, CurveDrawing drawing) {
    const RecordList series = meterSeries(static_cast<int>(state.range(0)));
    PlotView view;
    view.resetView(clientWidth, clientHeight);
    QImage image(clientWidth, clientHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.prepareRedraw(series);
        const TickLabels labels =
            computeTickLabels(series, view.plotWidth, view.xScale, view.xOrigin, view.xMin);
        QPainter p(&image);
        paintPlot(p, view, series, labels, drawing);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_RedrawColumns(benchmark::State& state) {
    redraw(state, CurveDrawing::Columns);
}
void BM_RedrawEverySegment(benchmark::State& state) {
    redraw(state, CurveDrawing::EverySegment);
}

// The widget itself: Redraw, then the paint it asks for, onto its window.
void BM_WidgetRedrawAndPaint(benchmark::State& state) {
    setAppDataFolderOverride(std::filesystem::temp_directory_path() / "vrel-bench-no-config");
    const RecordList series = meterSeries(static_cast<int>(state.range(0)));
    CGraphicsBtn graph;
    graph.resize(clientWidth, clientHeight);
    graph.show();
    QCoreApplication::processEvents(); // shown and laid out before the first paint
    for (auto _ : state) {
        graph.Redraw(series);
        graph.repaint();
    }
}

// The curve alone, the part the two ways of drawing differ in.
void BM_CurveOnly(benchmark::State& state) {
    const RecordList series = meterSeries(static_cast<int>(state.range(0)));
    PlotView view;
    view.resetView(clientWidth, clientHeight);
    view.prepareRedraw(series);
    QImage image(clientWidth, clientHeight, QImage::Format_ARGB32_Premultiplied);
    const CurveDrawing drawing =
        state.range(1) ? CurveDrawing::Columns : CurveDrawing::EverySegment;
    for (auto _ : state) {
        QPainter p(&image);
        paintCurve(p, view, series, drawing);
    }
}

} // namespace

// The machine is shared: the fastest of several repetitions is the figure
// least disturbed by other work.
void minOfRepetitions(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMicrosecond)->Repetitions(8)->ReportAggregatesOnly(true);
    b->ComputeStatistics(
        "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(BM_RedrawColumns)->Arg(100)->Arg(1000)->Arg(40000)->Apply(minOfRepetitions);
BENCHMARK(BM_RedrawEverySegment)->Arg(100)->Arg(40000)->Apply(minOfRepetitions);
BENCHMARK(BM_WidgetRedrawAndPaint)->Arg(40000)->Apply(minOfRepetitions);
// {samples, 1: per pixel column / 0: every segment}
BENCHMARK(BM_CurveOnly)->Args({40000, 1})->Args({40000, 0})->Apply(minOfRepetitions);

VREL_WIDGET_BENCHMARK_MAIN()
