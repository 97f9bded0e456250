#include "app/MainForm.h"
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "link/KeySender.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "link/MeterSimulator.h"
#include "live/MeterPanel.h"
#include "live/PanelArt.h"
#include "model/Clock.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

constexpr int generousMs = 10000;

bool waitFor(const std::function<bool()>& condition, int timeoutMs = generousMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// The program against the simulated meter on a pseudo-terminal.
class LiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QString error;
        if (!sim.start(&error))
            GTEST_SKIP() << "no pseudo-terminal: " << error.toStdString();
        sim.setPattern(MeterSimulator::Pattern::Constant);
        sim.setConstantLevel(72.4);
        frame = std::make_unique<CMainFrame>();
        view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
        view()->initialUpdate();
        frame->resize(1100, 720);
        frame->show();
    }

    void TearDown() override { frame.reset(); }

    CMyVrelView* view() { return frame->view(); }
    MeterLink::Snapshot snap() { return view()->link().snapshot(); }

    void connectToSimulator() {
        ASSERT_TRUE(view()->useFixedPort(sim.devicePath()));
        ASSERT_TRUE(waitFor([this] { return snap().connected && snap().state.range != 0; }));
    }

    ScriptedPrompt answers;
    ScopedPrompt scope{answers};
    MeterSimulator sim;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(LiveTest, ThePanelShowsTheMetersLevel) {
    connectToSimulator();
    CMeterPanel* panel = view()->panel();
    ASSERT_TRUE(waitFor([panel] {
        return panel->livePaints() > 0 && std::abs(panel->values().digitValue - 72.4) < 1e-9;
    }));
    EXPECT_DOUBLE_EQ(snap().state.level, 72.4);
    EXPECT_FALSE(panel->showedOff());
    // the display is lit: it differs from the switched-off picture there
    const QImage shown = panel->grab().toImage();
    const QImage off = PanelArt::instance().bodyOff.toImage();
    EXPECT_NE(shown.pixel(50, 50), off.pixel(50, 50));
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(LiveTest, SilenceSwitchesThePanelOffAndStopsTheRecording) {
    connectToSimulator();
    std::vector<GapCause> stops;
    QObject::connect(view(), &CMyVrelView::meterEndsRecording,
                     [&stops](GapCause cause) { stops.push_back(cause); });
    view()->link().withDecoder([](MeterDecoder& d) { d.recording = true; });
    sim.silence(60);
    ASSERT_TRUE(waitFor([this] { return !snap().connected; }));
    ASSERT_TRUE(waitFor([this] { return view()->panel()->showedOff(); }));
    ASSERT_GE(stops.size(), 1u);
    EXPECT_EQ(stops[0], GapCause::Silence);
    EXPECT_TRUE(answers.messages().empty()); // no download was running

    // a key while the meter is silent is not sent
    const QByteArray before = sim.received();
    view()->pressMeterKey(3);
    EXPECT_EQ(view()->keySenders().running(), 0);
    EXPECT_EQ(sim.received(), before);
}

TEST_F(LiveTest, FastSlowKeyFlipsTheMeterAndTheSenderStops) {
    connectToSimulator();
    const bool fastBefore = snap().state.fast;
    CMeterButton* key = view()->meterButton(3);
    ASSERT_NE(key, nullptr);
    QTest::mouseClick(key, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return sim.reading().fast != fastBefore; }));
    ASSERT_TRUE(waitFor([&] { return snap().state.fast != fastBefore; }));
    ASSERT_TRUE(waitFor([this] { return view()->keySenders().running() == 0; }));
    const QByteArray sent = sim.received();
    EXPECT_GE(sent.count(char(0x77)), 1);
    EXPECT_LE(sent.count(char(0x77)), 10);
    EXPECT_EQ(sent.count(char(0x77)), sent.size());
}

TEST_F(LiveTest, HoldKeyEndsWhenTheMeterHolds) {
    connectToSimulator();
    view()->pressMeterKey(0);
    ASSERT_TRUE(waitFor([this] { return sim.hold(); }));
    ASSERT_TRUE(waitFor([this] { return view()->keySenders().running() == 0; }));
    EXPECT_LE(sim.received().count(char(0x33)), 10);
}

TEST_F(LiveTest, ASilentDownloadEndsWithOneErrorMessage) {
    connectToSimulator();
    QSignalSpy ended(view(), &CMyVrelView::loggerDownloadEnded);
    QSignalSpy ticks(&view()->timer(2), &QTimer::timeout);
    view()->link().withDecoder([](MeterDecoder& d) { d.loggerBusy = true; });
    sim.silence(60);
    ASSERT_TRUE(waitFor([&ended] { return ended.count() == 1; }));
    const int ticksAtEnd = static_cast<int>(ticks.count());
    ASSERT_TRUE(waitFor([&] { return ticks.count() >= ticksAtEnd + 2; }));
    EXPECT_EQ(ended.count(), 1);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].text, QStringLiteral("Occur an error"));
    EXPECT_EQ(answers.messages()[0].caption, QStringLiteral("error"));
    EXPECT_FALSE(snap().loggerBusy);
}

TEST_F(LiveTest, DetectionOpensTheLastBridgeAndReportsAPortItCannotOpen) {
    const std::string simPath = sim.devicePath().toStdString();
    view()->setPortEnumerator([simPath] {
        SSerInfo missing{
            "/dev/vrel-no-such-port", "ttyUSB7", "CP2102 (ttyUSB7)", true, "", 0x10C4, 0xEA60};
        SSerInfo meter{simPath, "ttyUSB8", "CP2102 (ttyUSB8)", true, "", 0x10C4, 0xEA60};
        return std::vector<SSerInfo>{missing, meter};
    });
    view()->chooseAutoPort();
    EXPECT_EQ(view()->portPath(), sim.devicePath());
    ASSERT_TRUE(waitFor([this] { return snap().connected; }));
    EXPECT_TRUE(frame->action(CommandId::AutomaticPort)->isChecked());

    view()->setPortEnumerator([] {
        return std::vector<SSerInfo>{
            {"/dev/vrel-no-such-port", "ttyUSB7", "CP2102 (ttyUSB7)", true, "", 0x10C4, 0xEA60}};
    });
    view()->DetectAndOpen();
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_TRUE(answers.messages()[0].text.startsWith(
        QStringLiteral("Warning:Can't open /dev/vrel-no-such-port!")));
    EXPECT_EQ(answers.messages()[0].icon, Prompt::Icon::Information);
}

TEST_F(LiveTest, ADeviceChangeWhileTheMeterSendsKeepsThePortOpen) {
    const std::string simPath = sim.devicePath().toStdString();
    view()->setPortEnumerator([simPath] {
        return std::vector<SSerInfo>{
            {simPath, "ttyUSB0", "CP2102 (ttyUSB0)", true, "", 0x10C4, 0xEA60}};
    });
    view()->chooseAutoPort();
    ASSERT_TRUE(waitFor([this] { return snap().connected; }));
    QSignalSpy reopened(view(), &CMyVrelView::portChanged);
    view()->Redetect();
    ASSERT_TRUE(view()->timer(1).isActive());
    ASSERT_TRUE(waitFor([this] { return !view()->timer(1).isActive(); }));
    EXPECT_EQ(reopened.count(), 0); // connected: no reopening
    EXPECT_TRUE(view()->timer(2).isActive());
    EXPECT_TRUE(view()->link().isOpen());
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(LiveTest, AScreenshotOfTheMainWindowWithTheDemoMeter) {
    sim.setPattern(MeterSimulator::Pattern::Sine);
    frame->setDemo(sim.devicePath());
    connectToSimulator();
    ASSERT_TRUE(waitFor([this] { return view()->panel()->livePaints() > 0; }));
    EXPECT_TRUE(frame->windowTitle().contains(QStringLiteral("DEMO")));
    const QString file = QStringLiteral(VREL_TEST_OUT "/main_window.png");
    EXPECT_TRUE(frame->grab().save(file, "PNG"));
}

TEST(ManualClockWatchdog, SilenceIsMeasuredOnTheProgramsClock) {
    ManualClock clock(1796634000);
    setAppClock(&clock);
    {
        ScriptedPrompt answers;
        ScopedPrompt scope(answers);
        MeterSimulator sim;
        QString error;
        if (!sim.start(&error)) {
            setAppClock(nullptr);
            GTEST_SKIP() << error.toStdString();
        }
        CMainFrame frame;
        CMyVrelView* view = frame.view();
        view->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
        view->initialUpdate();
        ASSERT_TRUE(view->useFixedPort(sim.devicePath()));
        ASSERT_TRUE(waitFor([view] { return view->link().snapshot().connected; }));
        sim.silence(120);
        // the meter is quiet, but on the program's clock no time passes: still connected
        QSignalSpy ticks(&view->timer(2), &QTimer::timeout);
        ASSERT_TRUE(waitFor([&ticks] { return ticks.count() >= 2; }));
        EXPECT_TRUE(view->link().snapshot().connected);
        clock.advance(2);
        ASSERT_TRUE(waitFor([view] { return !view->link().snapshot().connected; }));
    }
    setAppClock(nullptr);
}

// A pulled and replugged cable on the port the user chose: the window says it
// waits, records nothing the meter did not send, and reads the meter again as
// soon as its device is back, without a word from the user.
TEST_F(LiveTest, AChosenPortComesBackAfterAPullAndNothingStaleIsRecorded) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString linkPath = dir.filePath(QStringLiteral("meter"));
    sim.stop();
    sim.setLinkPath(linkPath);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    ASSERT_TRUE(view()->useFixedPort(linkPath));
    ASSERT_TRUE(waitFor([this] { return snap().connected && snap().state.range != 0; }));
    auto* pane = frame->findChild<QLabel*>(QStringLiteral("portPane"));
    ASSERT_NE(pane, nullptr);

    RecordingFeature* feature = recordingFeature(*view());
    ASSERT_NE(feature, nullptr);
    view()->form().get<QComboBox>(MainFormId::interval)->setCurrentIndex(0); // 0.1 s
    view()->command(CommandId::StartRecording);
    ASSERT_TRUE(feature->recording());
    ASSERT_TRUE(waitFor([&] { return view()->realTimeRecords().count() >= 5; }));

    int atLoss = -1;
    QObject::connect(&view()->session(), &MeterSession::portLost, view(),
                     [&] { atLoss = view()->realTimeRecords().count(); });
    sim.hangUp();
    ASSERT_TRUE(waitFor([&] { return atLoss >= 0; }));
    EXPECT_TRUE(view()->waitingForMeter());
    ASSERT_TRUE(waitFor([&] { return pane->text().contains(linkPath); }))
        << pane->text().toStdString();
    EXPECT_TRUE(pane->text().startsWith(QStringLiteral("Cihaz bekleniyor")))
        << pane->text().toStdString();
    // The watchdog ends the recording two seconds after the last byte, and
    // says the meter went away.
    ASSERT_TRUE(waitFor([&] { return !feature->recording(); }));
    EXPECT_EQ(view()->realTimeRecords().count(), atLoss) << "no tick took a level after the pull";
    auto* note = view()->form().get<QLabel>(MainFormId::stopNote);
    EXPECT_TRUE(note->text().contains(QStringLiteral("bağlantısı koptu")))
        << note->text().toStdString();
    EXPECT_EQ(frame->statusBar()->currentMessage(), note->text());

    sim.setConstantLevel(55.5);
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    ASSERT_TRUE(waitFor([this] { return snap().connected && snap().state.level == 55.5; }));
    EXPECT_FALSE(view()->waitingForMeter());
    EXPECT_EQ(view()->portPath(), linkPath);
    ASSERT_TRUE(waitFor([&] { return pane->text().startsWith(QStringLiteral("Port ")); }))
        << pane->text().toStdString();
    EXPECT_TRUE(answers.messages().empty()) << "a replug needs no word from the user";
    // The recording stays stopped, and the note says so until it starts again.
    EXPECT_FALSE(feature->recording());
    EXPECT_TRUE(note->text().contains(QStringLiteral("bağlantısı koptu")));
    // Started again by the user once the meter speaks (a start while its
    // connection is being made again is refused, as any start without one).
    ASSERT_TRUE(waitFor([this] {
        return view()->session().tickView().verdict.cause == GapCause::None;
    })) << static_cast<int>(view()->session().tickView().verdict.cause);
    answers.answerNext(Prompt::Answer::No);
    view()->command(CommandId::StartRecording);
    ASSERT_TRUE(feature->recording());
    EXPECT_TRUE(note->text().isEmpty());
}

// Automatic detection through a pull and a replug under the same name: the
// window follows the meter back without waiting for the next detection.
TEST_F(LiveTest, AutomaticDetectionFollowsTheMeterBackAfterAPull) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString linkPath = dir.filePath(QStringLiteral("meter"));
    sim.stop();
    sim.setLinkPath(linkPath);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    const std::string path = linkPath.toStdString();
    view()->setPortEnumerator([path] {
        std::vector<SSerInfo> ports;
        if (QFileInfo::exists(QString::fromStdString(path)))
            ports.push_back({path, "ttyUSB0", "CP2102 (ttyUSB0)", true, "", 0x10C4, 0xEA60});
        return ports;
    });
    view()->chooseAutoPort();
    ASSERT_TRUE(waitFor([this] { return snap().connected && snap().state.level == 72.4; }));

    sim.hangUp();
    ASSERT_TRUE(waitFor([this] { return view()->waitingForMeter(); }));
    EXPECT_FALSE(snap().connected) << "a pulled cable is not connected, watchdog or not";
    sim.setConstantLevel(48.8);
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    ASSERT_TRUE(waitFor([this] { return snap().connected && snap().state.level == 48.8; }));
    EXPECT_TRUE(view()->autoPort());
    EXPECT_EQ(view()->portPath(), linkPath);
    EXPECT_TRUE(answers.messages().empty());
}
