#include "BenchApp.h"

#include "config/ColorConfig.h"
#include "graph/CGraphicsBtn.h"
#include "live/RecordingController.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include <algorithm>
#include <memory>

namespace {

// The parts of the main view a tick touches: the graph with a 1000 x 500 plot,
// the table, the interval box and the summary boxes. As in the main view, the
// curve and the table take turns: one of them is shown.
struct TickForm {
    explicit TickForm(bool tableShown) {
        form.resize(1300, 1200);
        graph = new CGraphicsBtn(&form);
        graph->setGeometry(0, 0, 1090, 530);
        table = new QTableView(&form);
        table->setGeometry(0, 540, 600, 400);
        table->verticalHeader()->hide();
        table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        auto* interval = new QComboBox(&form);
        interval->setObjectName("1007");
        interval->addItem("0.1");
        interval->move(700, 540);
        for (int id : {1009, 1001, 1002, 1003, 1008, 1006, 1005}) {
            auto* edit = new QLineEdit(&form);
            edit->setObjectName(QString::number(id));
            edit->move(700, 560 + (id - 1000) * 20);
        }
        (tableShown ? static_cast<QWidget*>(graph) : table)->hide();
        form.show();
        QCoreApplication::processEvents();
    }
    QWidget form;
    CGraphicsBtn* graph;
    QTableView* table;
};

// One sampling tick (append, table row, statistics, redraw) with the window
// brought up to date as the event loop does after it, at about state.range(0)
// samples, with the curve shown (range(1) 0) or the table (1).
constexpr int ticks = 200;

void BM_RecordingTick(benchmark::State& state) {
    setAppDataFolderOverride(std::filesystem::temp_directory_path() / "vrel-bench-no-config");
    TickForm f(state.range(1) != 0);
    RecordList records;
    double level = 60;
    RecordingController c(records, &f.form, f.graph, f.table, [&level] {
        level = level > 100 ? 40 : level + 0.7;
        return LiveSample{level, true, false, true};
    });
    c.start();
    // the timed ticks run from about range(0) - ticks/2 samples on, within the limit
    const int before =
        std::clamp(static_cast<int>(state.range(0)) - ticks / 2, 1, maxSampleLimit - ticks);
    for (int i = 0; i < before; ++i)
        c.tick();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        c.tick();
        QCoreApplication::processEvents();
    }
    state.counters["samples"] = records.count();
}

} // namespace

BENCHMARK(BM_RecordingTick)
    ->ArgNames({"samples", "table"})
    ->ArgsProduct({{100, 40000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(ticks)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", [](const std::vector<double>& v) {
        return *std::min_element(v.begin(), v.end());
    });

VREL_WIDGET_BENCHMARK_MAIN()
