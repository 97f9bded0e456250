// Records the simulated meter at 0.1 s in the real main window and prints the
// data line of every sample as it is taken; the journal test kills it with
// SIGKILL in the middle of the recording.
#include "app/MainForm.h"
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "config/ColorConfig.h"
#include "formats/TextDataFile.h"
#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
#include "live/RecordingController.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    setAppDataFolderOverride(std::filesystem::path(argv[1]));

    MeterSimulator sim;
    sim.setPattern(MeterSimulator::Pattern::Sine);
    sim.setConstantLevel(70.0);
    if (!sim.start())
        return 1;
    CMainFrame frame;
    CMyVrelView* view = frame.view();
    view->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
    view->initialUpdate();
    frame.show();
    if (!view->useFixedPort(sim.devicePath()) ||
        !QTest::qWaitFor([view] { return view->link().snapshot().state.range != 0; }, 15000))
        return 1;
    view->form().get<QComboBox>(MainFormId::interval)->setCurrentIndex(0); // 0.1 s
    RecordingFeature* feature = recordingFeature(*view);
    QObject::connect(&feature->controller(), &RecordingController::sampled,
                     [](const CObjData& sample) {
                         std::printf("%s\n", TextDataLine(sample).c_str());
                         std::fflush(stdout);
                     });
    view->command(CommandId::StartRecording);
    return QApplication::exec();
}
