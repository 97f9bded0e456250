// Every menu command and button of the program's windows, pressed one after
// another as a curious user would: first with every question cancelled, then
// with every question accepted as it comes. Nothing may crash; under the
// sanitizers nothing may be reported either. The windows are reached the way
// a user reaches them: the main window's menu, the file dialog, the broker
// dialog, a double click.
#include "Broker.h"
#include "app/DataLoggerCommands.h"
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "link/MeterSimulator.h"
#include "logger/DataLogDlg.h"
#include "mqtt/MqttClient.h"
#include "network/MeterWindow.h"
#include "network/NetworkWindow.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/CommandIds.h"
#include "ui/Prompt.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

// Help pages and links (where the help is installed) are caught here instead
// of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    Q_INVOKABLE void open(const QUrl& url) { opened << url; }
    QList<QUrl> opened;
};

// Answers the program's own dialogs that do not go through the prompt (the
// port and colour dialogs, About, the download's progress) and closes popup
// menus, so that no press waits for a hand.
class DialogCloser {
  public:
    DialogCloser() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                accept_ ? dialog->accept() : dialog->reject();
        });
        timer_.start();
    }
    void accepting(bool accept) { accept_ = accept; }

  private:
    QTimer timer_;
    bool accept_ = false;
};

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const std::string header = "Kovra Sound Level Meter SamplingRate:1.0;\r\n";

class WindowCrawl : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(VREL_TEST_TMP) / "crawl";
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "accepted");
        broker_ = std::make_unique<Broker>(dir_ / "broker");
        ASSERT_TRUE(broker_->ready());
        ASSERT_TRUE(broker_->start()) << broker_->log();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &urls_, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &urls_, "open");
        QApplication::setQuitOnLastWindowClosed(false);

        writeFile(dir_ / "measurement.txt",
                  header + "07-12-2026,09:00:00, 55.20, dBA\r\n07-12-2026,09:00:01, 56.10, dBA\r\n"
                           "07-12-2026,09:00:02, 57.30, dBA\r\n");
        const fs::path survey = dir_ / "survey";
        fs::create_directories(survey);
        std::string lines;
        for (int s = 0; s < 120; ++s) {
            char line[64];
            std::snprintf(line, sizeof line, "08-12-2026,14:%02d:%02d, %.2f, dBA\r\n", s / 60,
                          s % 60, 50.0 + s % 7);
            lines += line;
        }
        writeFile(survey / "survey-2026-12-08T14.txt", header + lines);
        writeFile(survey / "summary.csv",
                  "start,end,samples,coverage,Leq,Lmax,Lmin,L10,L50,L90,weighting\r\n"
                  "2026-12-08T14:00:00+00:00,2026-12-08T14:01:00+00:00,60,1.0000,53.40,56.00,"
                  "50.00,55.00,53.00,50.00,dBA\r\n");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    // Presses every enabled command and visible button under root once; stops
    // when a press closes root for good.
    void crawl(QWidget* root) {
        if (!root)
            return; // closed by a press in another window
        const QPointer<QWidget> alive(root);
        std::vector<QPointer<QAction>> actions;
        for (QAction* a : root->findChildren<QAction*>())
            actions.emplace_back(a);
        std::vector<QPointer<QAbstractButton>> buttons;
        for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
            buttons.emplace_back(b);
        for (const QPointer<QAction>& a : actions) {
            if (!alive)
                return;
            if (!a || a->isSeparator() || a->menu() || !a->isEnabled())
                continue;
            a->trigger();
            QTest::qWait(30);
            ++presses_;
        }
        for (const QPointer<QAbstractButton>& b : buttons) {
            if (!alive)
                return;
            if (!b || !b->isVisible() || !b->isEnabled())
                continue;
            b->click();
            QTest::qWait(30);
            ++presses_;
        }
    }

    template <class Window> static QList<Window*> shown() {
        QList<Window*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<Window*>(w); window && window->isVisible())
                found << window;
        return found;
    }
    // The window of that kind that the command opens.
    template <class Window> static Window* opens(const std::function<void()>& command) {
        const QList<Window*> before = shown<Window>();
        command();
        for (Window* w : shown<Window>())
            if (!before.contains(w))
                return w;
        return nullptr;
    }

    fs::path dir_;
    std::unique_ptr<Broker> broker_;
    UrlCatcher urls_;
    int presses_ = 0;
};

TEST_F(WindowCrawl, EveryCommandAndButtonOfEveryWindowCancelledAndThenAccepted) {
    ScriptedPrompt script;
    const ScopedPrompt scoped(script);
    DialogCloser closer;
    MeterSimulator meter;
    meter.setPattern(MeterSimulator::Pattern::RandomWalk);
    QString error;
    ASSERT_TRUE(meter.start(&error)) << error.toStdString();
    CMainFrame frame;
    frame.setDemo(meter.devicePath());
    frame.view()->useFixedPort(meter.devicePath());
    frame.view()->initialUpdate();
    frame.resize(1000, 700);
    frame.show();

    auto publisher = std::make_unique<MqttClient>([&] {
        MqttSettings s;
        s.broker = *parseBrokerUrl(broker_->url());
        s.user = Broker::user;
        s.password = Broker::password;
        s.clientId = "crawl-meter";
        return s;
    }());
    std::string why;
    ASSERT_TRUE(publisher->start(why)) << why;
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher->connected(); }, 30'000));
    const SystemClock clock;
    publisher->publish(mqttTopic("north", "m1", MqttTopic::Status), statusOnline, 1, true);

    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept ? "accepted" : "cancelled");
        script.acceptDefaultsIn(accept ? QString::fromStdString((dir_ / "accepted").string())
                                       : QString());
        closer.accepting(accept);

        crawl(&frame);
        frame.show();

        // The DATALOGGER window, as "Aç" opens a data file.
        script.fileNext(QString::fromStdString((dir_ / "measurement.txt").string()));
        frame.action(CommandId::OpenDataFile)->trigger();
        CDataLogDlg* logger = dataLoggerOf(*frame.view())->window();
        ASSERT_TRUE(logger && logger->isVisible());
        crawl(logger);

        // The survey window, as "Aç" opens a survey folder.
        script.fileNext(QString::fromStdString((dir_ / "survey" / "summary.csv").string()), 1);
        const QPointer<CSurveyWnd> survey =
            opens<CSurveyWnd>([&] { frame.action(CommandId::OpenDataFile)->trigger(); });
        ASSERT_TRUE(survey);
        ASSERT_TRUE(QTest::qWaitFor([&] { return survey->loaded(); }, 30'000));
        crawl(survey);

        // The network window from its menu, and a meter's own by a double click.
        script.connectionNext({QString::fromStdString(broker_->url()),
                               Broker::user,
                               Broker::password,
                               {},
                               false,
                               {},
                               {},
                               {}});
        const QPointer<CNetworkWnd> network =
            opens<CNetworkWnd>([&] { frame.action(CommandId::OpenNetwork)->trigger(); });
        ASSERT_TRUE(network);
        ASSERT_TRUE(QTest::qWaitFor([&] { return network->rows()->rowCount() >= 1; }, 30'000));
        publisher->publish(mqttTopic("north", "m1", MqttTopic::Level),
                           encodeLevel({isoLocalTime(clock, clock.nowMs()), 61.5, "dBA"}), 1,
                           false);
        const QPointer<CMeterWnd> meterWindow = network->openMeter(0);
        ASSERT_TRUE(meterWindow);
        crawl(meterWindow);
        crawl(network);

        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != &frame && w->isVisible())
                w->close();
        QTest::qWait(100);
    }
    EXPECT_GT(presses_, 60);
}

} // namespace

#include "window_crawl_test.moc"
