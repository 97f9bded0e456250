#include "app/DataLoggerCommands.h"
#include "app/MyVrelView.h"
#include "config/ColorConfig.h"
#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
#include "logger/DataLogDlg.h"
#include "logger/LogState.h"
#include "model/Clock.h"
#include "model/DataSets.h"
#include "protocol/LoggerEncoder.h"
#include "ui/Prompt.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr int generousMs = 20000;

bool waitFor(const std::function<bool()>& condition, int timeoutMs = generousMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// One long set: several seconds on the wire at the meter's pace.
std::vector<LoggerSet> longMemory() {
    LoggerSet set;
    set.start = {2026, 12, 7, 9, 0, 0};
    set.interval = 1;
    for (int i = 0; i < 3000; ++i)
        set.tenths.push_back(400 + i % 300);
    return {set};
}

// The main view against the simulated meter on a pseudo-terminal.
class LoggerDownloadCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        setAppDataFolderOverride(std::filesystem::path(configDir.path().toStdString()));
        QString error;
        if (!sim.start(&error))
            GTEST_SKIP() << "no pseudo-terminal: " << error.toStdString();
    }
    void TearDown() override {
        view.reset();
        sim.stop();
        setAppDataFolderOverride(std::nullopt);
        setAppClock(nullptr);
    }

    // The view reads the clock it is made with.
    void makeView() {
        view = std::make_unique<CMyVrelView>();
        view->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
        view->resize(1100, 720);
        view->show();
        attachDataLogger(*view);
        logger = dataLoggerOf(*view);
        ASSERT_NE(logger, nullptr);
    }
    void connectToSimulator() {
        makeView();
        ASSERT_TRUE(view->useFixedPort(sim.devicePath()));
        ASSERT_TRUE(waitFor([this] { return view->link().snapshot().connected; }));
    }
    bool headerSeen() {
        bool seen = false;
        view->link().withDecoder([&seen](MeterDecoder& d) { seen = d.loggerHeaderSeen; });
        return seen;
    }
    int requestsReceived() const { return sim.received().count("\x5a\xac"); }
    int rows() const { return logger->window()->dataSetList()->model()->rowCount(); }

    QTemporaryDir configDir;
    ScriptedPrompt answers;
    ScopedPrompt scope{answers};
    MeterSimulator sim;
    // A clock the tests may stand still: the view's reader thread reads it
    // until TearDown closes the view, so it lives as long as the fixture.
    ManualClock clock{1796634000};
    std::unique_ptr<CMyVrelView> view;
    DataLoggerCommands* logger = nullptr;
};

} // namespace

TEST_F(LoggerDownloadCommand, DownloadsTheDemoMemoryIntoTheWindow) {
    connectToSimulator();
    QSignalSpy shown(logger, &DataLoggerCommands::windowShown);
    view->loggerRecords().append(CObjData(1.0, "01-01-2026,0:00:00", "dBA", 9, 1.0));

    EXPECT_TRUE(view->command(CommandId::DownloadLogger));
    EXPECT_TRUE(view->loggerRecords().empty()) << "a download starts from an empty list";
    ASSERT_NE(logger->progressDialog(), nullptr);
    EXPECT_TRUE(logger->progressDialog()->isVisible());
    EXPECT_TRUE(view->timer(4).isActive());
    QDir().mkpath(VREL_SCREENSHOT_DIR);
    EXPECT_TRUE(logger->progressDialog()->grab().save(VREL_SCREENSHOT_DIR "/logstate.png"));
    // The program stays responsive: the command has returned while the dump arrives.
    EXPECT_TRUE(logger->download().running());

    ASSERT_TRUE(shown.wait(generousMs));
    EXPECT_FALSE(logger->progressDialog()->isVisible());
    EXPECT_FALSE(view->timer(4).isActive());
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_EQ(sim.dumpsSent(), 1);
    EXPECT_GE(requestsReceived(), 1);

    // The records are those the memory holds, in the view's list.
    ASSERT_EQ(view->loggerRecords().size(), 120u);
    EXPECT_EQ(view->loggerRecords()[0], CObjData(45.2, "07-12-2026,9:00:00", "dBA", 1, 1.0));
    EXPECT_EQ(view->loggerRecords()[119].dateTime(), "08-12-2026,0:01:40");

    CDataLogDlg* window = logger->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(rows(), 3);
    const QAbstractItemModel* list = window->dataSetList()->model();
    EXPECT_EQ(list->index(1, 0).data().toString(), "2");
    EXPECT_EQ(list->index(1, 1).data().toString(), "07-12-2026,12:30:00");
    EXPECT_EQ(list->index(1, 2).data().toString(), "dBC");
    EXPECT_EQ(list->index(1, 3).data().toString(), "2.00");
    EXPECT_EQ(list->index(1, 4).data().toString(), "40");
    window->chooseRow(2);
    EXPECT_EQ(window->selection().size(), 20u);

    // A second download makes the same window anew; the progress bar ran to its end.
    EXPECT_EQ(logger->progressDialog()->progressBar()->value(),
              logger->progressDialog()->progressBar()->maximum());
    view->command(CommandId::DownloadLogger);
    ASSERT_TRUE(shown.wait(generousMs));
    EXPECT_EQ(logger->window(), window);
    EXPECT_TRUE(window->selection().empty());
    EXPECT_EQ(view->loggerRecords().size(), 120u);
    EXPECT_EQ(sim.dumpsSent(), 2);
}

TEST_F(LoggerDownloadCommand, AnEmptyMemoryOpensAnEmptyWindow) {
    sim.setMemory({});
    connectToSimulator();
    QSignalSpy shown(logger, &DataLoggerCommands::windowShown);
    view->command(CommandId::DownloadLogger);
    ASSERT_TRUE(shown.wait(generousMs));
    EXPECT_TRUE(view->loggerRecords().empty());
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(LoggerDownloadCommand, RefusedWhileRecordingAndIgnoredWhileNotConnected) {
    connectToSimulator();
    view->link().withDecoder([](MeterDecoder& d) { d.recording = true; });
    view->command(CommandId::DownloadLogger);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].text, "Please stop the Real Time Runing!");
    EXPECT_EQ(answers.messages()[0].caption, "Veri kaydedici");
    EXPECT_EQ(answers.messages()[0].buttons, Prompt::Buttons::Ok);
    EXPECT_FALSE(logger->download().running());
    EXPECT_EQ(logger->progressDialog(), nullptr);

    // Not connected: nothing at all, not even a message.
    // Closed first: a frame read before the close would mark the link connected again.
    answers.clear();
    view->link().close();
    view->link().withDecoder([](MeterDecoder& d) {
        d.recording = false;
        d.connected = false;
    });
    view->command(CommandId::DownloadLogger);
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_FALSE(logger->download().running());
    EXPECT_EQ(logger->progressDialog(), nullptr);
    EXPECT_EQ(requestsReceived(), 0);
}

TEST_F(LoggerDownloadCommand, SilenceInTheMiddleOfTheDumpFailsOnceWithAnEmptyList) {
    setAppClock(&clock);
    sim.setMemory(longMemory());
    connectToSimulator();
    QSignalSpy shown(logger, &DataLoggerCommands::windowShown);
    // What the user has before them when the message comes up.
    int windowsAtMessage = -1;
    bool progressAtMessage = true;
    answers.onMessage([&](const Prompt::Message&) {
        windowsAtMessage = static_cast<int>(shown.count());
        progressAtMessage = logger->progressDialog()->isVisible();
    });

    view->command(CommandId::DownloadLogger);
    ASSERT_TRUE(waitFor([this] { return headerSeen(); }));
    sim.silence(600);
    // Two seconds pass on the PC's clock without a byte; the watchdog ticks on.
    ASSERT_TRUE(waitFor([&] {
        clock.advance(1);
        return !answers.messages().empty();
    }));
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(answers.messages()[0].text, "Occur an error");
    EXPECT_EQ(answers.messages()[0].caption, "error");
    EXPECT_FALSE(progressAtMessage) << "the progress dialog closes first";
    EXPECT_EQ(windowsAtMessage, 0) << "the window opens after the message";
    EXPECT_FALSE(logger->progressDialog()->isVisible());
    EXPECT_TRUE(view->loggerRecords().empty());
    EXPECT_EQ(rows(), 0);

    // Further silent ticks do not repeat the message.
    QSignalSpy ticks(&view->timer(2), &QTimer::timeout);
    ASSERT_TRUE(waitFor([&] {
        clock.advance(1);
        return ticks.count() >= 3;
    }));
    EXPECT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(shown.count(), 1);
}

TEST_F(LoggerDownloadCommand, EscInTheProgressDialogEndsTheDownload) {
    sim.setMemory(longMemory());
    connectToSimulator();
    QSignalSpy shown(logger, &DataLoggerCommands::windowShown);
    view->command(CommandId::DownloadLogger);
    ASSERT_TRUE(waitFor([this] { return headerSeen(); }));
    QTest::keyClick(logger->progressDialog(), Qt::Key_Escape);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_FALSE(logger->download().running());
    EXPECT_FALSE(view->link().snapshot().loggerBusy);
    EXPECT_TRUE(view->loggerRecords().empty());
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_FALSE(view->timer(4).isActive());
}

TEST_F(LoggerDownloadCommand, TheDownloadTimeOutEndsALongDumpOnce) {
    // The PC's clock stands still, so only timer 4 can end the download.
    setAppClock(&clock);
    sim.setMemory(longMemory());
    connectToSimulator();
    QSignalSpy shown(logger, &DataLoggerCommands::windowShown);
    view->command(CommandId::DownloadLogger);
    ASSERT_TRUE(waitFor([this] { return headerSeen(); }));
    view->timer(4).setInterval(100); // rather than 250 s
    ASSERT_TRUE(waitFor([&] { return !answers.messages().empty(); }));
    EXPECT_EQ(answers.messages()[0].text, "Occur an error");
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(view->loggerRecords().empty());
    EXPECT_FALSE(view->timer(4).isActive());
    EXPECT_FALSE(view->link().snapshot().loggerBusy);
    EXPECT_FALSE(logger->download().running());
    EXPECT_EQ(answers.messages().size(), 1u);
}
