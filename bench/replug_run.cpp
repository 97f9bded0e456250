// Not a benchmark: a measured run of the desktop program's main window against
// the paced simulator, its cable pulled and plugged back in a few times while a
// recording at 0.1 s runs. For each outage it prints the samples recorded after
// the pull (each one a level the meter never sent then) and the time from the
// replug to the live reading being back on the panel. It drives the window
// through the view's public calls and Qt's objects only, so the same source
// builds against an older tree.
//
//   replug_run [OUTAGES [OUTAGE_SECONDS]]   (QT_QPA_PLATFORM=offscreen)

#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
// The prompt moved folders; the run builds against trees from before and after.
#if __has_include("ui/Prompt.h")
#include "ui/Prompt.h"
#else
#include "app/Prompt.h"
#endif

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int outages = argc > 1 ? std::atoi(argv[1]) : 5;
    const int outageMs = (argc > 2 ? std::atoi(argv[2]) : 5) * 1000;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("meter"));
    MeterSimulator sim;
    sim.setLinkPath(link);
    sim.setPattern(MeterSimulator::Pattern::Constant);
    double level = 62.5;
    sim.setConstantLevel(level);
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "replug_run: %s\n", qPrintable(error));
        return 1;
    }
    // "Save the current data?" before each new recording: no.
    ScriptedPrompt answers;
    answers.setDefaultAnswer(Prompt::Answer::No);
    ScopedPrompt scope(answers);
    CMainFrame frame;
    CMyVrelView* view = frame.view();
    view->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
    view->initialUpdate();
    frame.resize(1100, 720);
    frame.show();
    if (!view->useFixedPort(link))
        return 1;
    auto readingIs = [&](double dB) {
        const MeterLink::Snapshot s = view->link().snapshot();
        return s.connected && s.state.range != 0 && s.state.level == dB;
    };
    auto* interval = frame.findChild<QComboBox*>(QStringLiteral("1007"));
    auto recording = [&] { return !interval->isEnabled(); };
    auto startRecording = [&] {
        interval->setCurrentIndex(0);
        view->command(CommandId::StartRecording);
    };
    if (!QTest::qWaitFor([&] { return readingIs(level); }, 10000))
        return 1;
    std::printf("outage\tsamples after the pull\treading back after the replug (ms)\n");
    for (int i = 1; i <= outages; ++i) {
        if (readingIs(level) && !recording())
            startRecording();
        QTest::qWait(2000);
        const int before = view->realTimeRecords().count();
        const bool wasRecording = recording();
        sim.hangUp();
        QTest::qWait(outageMs);
        const int after = view->realTimeRecords().count();
        level += 1;
        sim.setConstantLevel(level);
        if (!sim.start(&error))
            return 1;
        QElapsedTimer back;
        back.start();
        const bool returned = QTest::qWaitFor([&] { return readingIs(level); }, 15000);
        std::printf("%d\t%s\t%s\n", i,
                    wasRecording ? QByteArray::number(after - before).constData() : "-",
                    returned ? QByteArray::number(back.elapsed()).constData() : "never (15 s)");
        std::fflush(stdout);
    }
    sim.stop();
    return 0;
}
