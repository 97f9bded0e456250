#include "BenchApp.h"

#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "config/ColorConfig.h"
#include "link/MeterLink.h"
#include "live/RecordingController.h"

#include <QCoreApplication>

#include <fstream>
#include <string>

namespace {

// The resident set of this process in KiB, from /proc (0 where there is none).
double residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6));
    return 0;
}

// The program's main window, shown, before and after a recording of 40,000
// samples (ticked directly rather than at 0.1 s for more than an hour), the
// table and the curve brought up to date on the way as the event loop does.
void BM_MainWindowMemoryAfter40000Samples(benchmark::State& state) {
    setAppDataFolderOverride(std::filesystem::temp_directory_path() / "vrel-bench-no-config");
    for (auto _ : state) {
        CMainFrame frame;
        frame.resize(1280, 800);
        frame.show();
        QCoreApplication::processEvents();
        const double idle = residentKiB();

        CMyVrelView* view = frame.view();
        RecordingController& c = recordingFeature(*view)->controller();
        // No port is open, so the tick rule would take nothing: the meter is
        // the level this loop puts in the decoder.
        c.setLiveLookup([view] {
            return LiveSample{view->link().snapshot().state.level, true, false, true};
        });
        c.start();
        for (int i = 0; i < 40000; ++i) {
            view->link().withDecoder(
                [i](MeterDecoder& d) { d.state.level = 40 + (i * 7 % 600) / 10.0; });
            c.tick();
            if (i % 100 == 0)
                QCoreApplication::processEvents();
        }
        c.stop();
        QCoreApplication::processEvents();
        const double recorded = residentKiB();
        state.counters["samples"] = view->realTimeRecords().count();
        state.counters["rss_idle_MiB"] = idle / 1024;
        state.counters["rss_after_MiB"] = recorded / 1024;
        state.counters["growth_MiB"] = (recorded - idle) / 1024;
    }
}

} // namespace

BENCHMARK(BM_MainWindowMemoryAfter40000Samples)->Iterations(1)->Unit(benchmark::kMillisecond);

VREL_WIDGET_BENCHMARK_MAIN()
