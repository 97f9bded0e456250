// Not a benchmark: a measured run of the survey window on a folder. Prints the
// time from opening to the first picture, the longest the event loop waited
// meanwhile (the window must never freeze), the resident memory after opening,
// and the time to draw the whole survey and to take a zoom or pan step.
//
//   survey_window_run DIR   (QT_QPA_PLATFORM=offscreen)

#include "surveywindow/SurveyPlot.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Milliseconds a paint of the plot takes, the median of n.
double paintMs(SurveyPlot* plot, int n = 9) {
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        t.start();
        plot->repaint();
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: survey_window_run DIR\n");
        return 2;
    }
    ScriptedPrompt answers;
    ScopedPrompt scope(answers);
    // The event loop's longest wait while the folder is read.
    QElapsedTimer sinceTick;
    qint64 longestWait = 0;
    QTimer beat;
    beat.setInterval(10);
    QObject::connect(&beat, &QTimer::timeout,
                     [&] { longestWait = std::max(longestWait, sinceTick.restart()); });
    sinceTick.start();
    beat.start();

    QElapsedTimer open;
    open.start();
    CSurveyWnd* w = CSurveyWnd::open(QString::fromLocal8Bit(argv[1]));
    if (!QTest::qWaitFor([w] { return w->loaded(); }, 600000))
        return 1;
    w->plot()->repaint();
    const qint64 firstPicture = open.elapsed();
    beat.stop();
    std::printf("readings\t%zu\n", w->series().size());
    std::printf("first picture\t%.2f s\n", firstPicture / 1000.0);
    std::printf("longest event-loop wait while reading\t%lld ms\n",
                static_cast<long long>(longestWait));
    std::printf("resident after opening\t%.0f MB\n", residentKb() / 1024.0);
    std::printf("store\t%.2f bytes a reading\n",
                static_cast<double>(w->series().bytesUsed()) / w->series().size());

    SurveyPlot* plot = w->plot();
    std::printf("draw the whole survey\t%.2f ms\n", paintMs(plot));
    // Zoom in step by step around the middle down to single readings, then pan.
    double worstZoom = 0;
    int steps = 0;
    while (plot->span().t1() - plot->span().t0() > TimeSpanView::minSpanMs) {
        const SeriesMs middle = plot->span().t0() + (plot->span().t1() - plot->span().t0()) / 2;
        plot->span().zoomAt(middle, 0.5);
        worstZoom = std::max(worstZoom, paintMs(plot, 3));
        ++steps;
    }
    double worstPan = 0;
    for (int i = 0; i < 20; ++i) {
        plot->span().pan((plot->span().t1() - plot->span().t0()) / 4);
        worstPan = std::max(worstPan, paintMs(plot, 3));
    }
    plot->showWhole();
    plot->span().zoomAt(plot->span().t0() + (plot->span().t1() - plot->span().t0()) / 3, 1.0 / 30);
    const double dayView = paintMs(plot);
    std::printf("zoom steps to one second\t%d, worst frame %.2f ms\n", steps, worstZoom);
    std::printf("pan step at one second, worst frame\t%.2f ms\n", worstPan);
    std::printf("draw a day\t%.2f ms\n", dayView);
    const SeriesStore& s = w->series();
    QElapsedTimer figures;
    figures.start();
    plot->setCursors(s.start() + (s.end() - s.start()) / 3,
                     s.start() + 2 * (s.end() - s.start()) / 3);
    std::printf("A-B figures over ten days\t%lld ms\n", static_cast<long long>(figures.elapsed()));

    // A mark over a day in the middle of the view, then Ctrl+Z: each time
    // markers.csv written, the figures, daily table and mark list brought up
    // to date and the curve drawn again. The folder's markers.csv changes.
    plot->setCursors(s.start() + (s.end() - s.start()) / 2,
                     s.start() + (s.end() - s.start()) / 2 + 86'400'000);
    answers.markNext({{}, QStringLiteral("exclude"), QStringLiteral("rain"), {}, {}});
    const std::size_t before = w->marks().marks().size();
    QElapsedTimer mark;
    mark.start();
    w->markSpan();
    plot->repaint();
    const qint64 added = mark.restart();
    w->marks().history().undo();
    plot->repaint();
    const qint64 undone = mark.elapsed();
    std::printf("add a mark to %zu marks, figures and redraw\t%lld ms\n", before,
                static_cast<long long>(added));
    std::printf("undo it, figures and redraw\t%lld ms\n", static_cast<long long>(undone));
    delete w;
    return 0;
}
