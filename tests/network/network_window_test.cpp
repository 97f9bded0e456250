// The network window on Debian's real mosquitto: meters played by clients of
// the test, the rows and notifications as the user would see them.
#include "BrokerTest.h"
#include "ToolRunner.h"
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/Translation.h"
#include "config/ColorConfig.h"
#include "config/ProfileFile.h"
#include "link/MeterSession.h"
#include "link/MeterSimulator.h"
#include "model/Clock.h"
#include "mqtt/MqttArchive.h"
#include "mqtt/MqttProtocol.h"
#include "network/FleetTable.h"
#include "network/MeterWindow.h"
#include "network/NetworkStart.h"
#include "network/NetworkWindow.h"
#include "network/Notifier.h"
#include "network/PasswordStore.h"
#include "recording/Recording.h"
#include "session/Collector.h"
#include "survey/FolderOutbox.h"
#include "survey/SeriesEvents.h"
#include "survey/Survey.h"
#include "surveywindow/SurveyPlot.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/ConnectDlg.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace {

class SeenNotifier final : public Notifier {
  public:
    void notify(const QString& title, const QString& text) override {
        seen << title + QStringLiteral(": ") + text;
    }
    QStringList seen;
};

// A keyring in memory, or none at all.
class MemoryStore final : public PasswordStore {
  public:
    explicit MemoryStore(bool runs) : runs_(runs) {}
    std::optional<QString> read(const QString& key) override {
        if (!runs_ || !kept.contains(key))
            return std::nullopt;
        return kept.value(key);
    }
    bool write(const QString& key, const QString& password) override {
        if (!runs_)
            return false;
        kept.insert(key, password);
        return true;
    }
    bool available() const override { return runs_; }
    QMap<QString, QString> kept;

  private:
    bool runs_;
};

class NetworkWindow : public BrokerTest {
  protected:
    void SetUp() override { startBroker("network-"); }
    void TearDown() override { useLanguage(Language::Turkish); }

    std::unique_ptr<MqttClient> meter(const std::string& id) {
        auto c = std::make_unique<MqttClient>(settingsFor(*broker_, id));
        std::string error;
        EXPECT_TRUE(c->start(error)) << error;
        EXPECT_TRUE(QTest::qWaitFor([&] { return c->connected(); }, 30'000));
        return c;
    }
    void publishLevel(MqttClient& m, const std::string& site, const std::string& name, double db) {
        m.publish(mqttTopic(site, name, MqttTopic::Level),
                  encodeLevel({isoLocalTime(clock_, clock_.nowMs()), db, "dBA"}), 1, false);
    }
    static QString cell(const CNetworkWnd& w, int row, int column) {
        return w.rows()->index(row, column).data().toString();
    }
    static int rowOf(const CNetworkWnd& w, const QString& meter) {
        for (int r = 0; r < w.rows()->rowCount(); ++r)
            if (cell(w, r, FleetTable::Meter) == meter)
                return r;
        return -1;
    }

    SystemClock clock_;
    SeenNotifier notifier_;
};

TEST_F(NetworkWindow, MetersShowWithTheirLevelAndTheOneOverTheLimitIsMarked) {
    CNetworkWnd window(settingsFor(*broker_, "viewer"), 70.0, notifier_, clock_);
    QString error;
    ASSERT_TRUE(window.start(error)) << error.toStdString();
    window.show();
    // Levels are not kept by the broker: the window listens before they go.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.linkText().contains("ölçer:"); }, 30'000));

    auto publisher = meter("meters");
    const std::string sites[] = {"north", "north", "south"};
    const std::string names[] = {"m1", "m2", "m3"};
    for (int i = 0; i < 3; ++i)
        publisher->publish(mqttTopic(sites[i], names[i], MqttTopic::Status), statusOnline, 1, true);
    publishLevel(*publisher, "north", "m1", 55.2);
    publishLevel(*publisher, "north", "m2", 62.0);
    publishLevel(*publisher, "south", "m3", 74.6);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window.rows()->rowCount() == 3 && rowOf(window, "m3") >= 0 &&
                   !cell(window, rowOf(window, "m3"), FleetTable::Limit).isEmpty();
        },
        30'000));
    const int over = rowOf(window, "m3");
    EXPECT_EQ(cell(window, over, FleetTable::Level), "74.6 dBA");
    EXPECT_EQ(cell(window, over, FleetTable::Limit), "aşıldı");
    EXPECT_TRUE(cell(window, rowOf(window, "m1"), FleetTable::Limit).isEmpty());
    EXPECT_TRUE(cell(window, rowOf(window, "m1"), FleetTable::Status).startsWith("çevrimiçi"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier_.seen.size() == 1; }, 30'000));
    EXPECT_TRUE(notifier_.seen[0].contains("south / m3")) << notifier_.seen[0].toStdString();

    // Sorted by level, highest first; filtered to one site.
    window.table()->sortByColumn(FleetTable::Level, Qt::DescendingOrder);
    EXPECT_EQ(cell(window, 0, FleetTable::Meter), "m3");
    EXPECT_EQ(cell(window, 2, FleetTable::Meter), "m1");
    window.siteFilter()->setCurrentIndex(window.siteFilter()->findText("north"));
    EXPECT_EQ(window.rows()->rowCount(), 2);
    EXPECT_EQ(rowOf(window, "m3"), -1);
    window.siteFilter()->setCurrentIndex(0);
    EXPECT_EQ(window.rows()->rowCount(), 3);

    // Screenshots in both languages, nothing clipped in the header.
    for (const Language language : {Language::Turkish, Language::English}) {
        ASSERT_TRUE(useLanguage(language));
        CNetworkWnd shown(settingsFor(*broker_, "viewer-shot"), 70.0, notifier_, clock_);
        ASSERT_TRUE(shown.start(error));
        shown.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.rows()->rowCount() == 3; }, 30'000));
        // Levels are news, not retained: sent again for this window, with an interval.
        publishLevel(*publisher, "north", "m1", 55.2);
        publishLevel(*publisher, "north", "m2", 62.0);
        publishLevel(*publisher, "south", "m3", 74.6);
        const std::string row = isoLocalTime(clock_, clock_.nowMs() - 900'000) + "," +
                                isoLocalTime(clock_, clock_.nowMs()) +
                                ",900,0.9990,63.41,88.20,41.00,67.10,61.90,48.30,dBA";
        publisher->publish(mqttTopic("north", "m2", MqttTopic::SummaryLatest),
                           *encodeSummaryRow(4, row), 1, true);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                bool levels = true, interval = false;
                for (int r = 0; r < 3; ++r) {
                    levels = levels && cell(shown, r, FleetTable::Level).endsWith("dBA");
                    interval = interval || !cell(shown, r, FleetTable::Coverage).isEmpty();
                }
                return levels && interval;
            },
            30'000));
        for (int c = 0; c < FleetTable::Columns; ++c) {
            const QString title = shown.rows()->headerData(c, Qt::Horizontal).toString();
            const int width = shown.table()->horizontalHeader()->sectionSize(c);
            EXPECT_GE(width, shown.table()->fontMetrics().horizontalAdvance(title))
                << title.toStdString();
            for (int r = 0; r < 3; ++r)
                EXPECT_GT(width, shown.table()->fontMetrics().horizontalAdvance(cell(shown, r, c)))
                    << cell(shown, r, c).toStdString();
        }
        const QString file = QString::fromStdString(
            (fs::path(VREL_TEST_TMP) /
             (language == Language::English ? "network-en.png" : "network-tr.png"))
                .string());
        EXPECT_TRUE(shown.grab().save(file));
    }
}

TEST_F(NetworkWindow, AMeterGoesOfflineIsToldOnceAndAMalformedPayloadIsNamedOnce) {
    CNetworkWnd window(settingsFor(*broker_, "viewer"), std::nullopt, notifier_, clock_);
    QString error;
    ASSERT_TRUE(window.start(error)) << error.toStdString();
    QSignalSpy first(&window, &CNetworkWnd::firstMeterShown);

    auto publisher = meter("meters");
    const std::string status = mqttTopic("north", "m1", MqttTopic::Status);
    publisher->publish(status, statusOnline, 1, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.rows()->rowCount() == 1; }, 30'000));
    EXPECT_EQ(first.count(), 1);

    const std::string level = mqttTopic("north", "m1", MqttTopic::Level);
    publisher->publish(level, "{\"db\": oops", 1, false);
    publisher->publish(level, "{\"db\": oops", 1, false);
    publisher->publish(status, statusOffline, 1, true);
    publisher->publish(status, statusOffline, 1, true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cell(window, 0, FleetTable::Status).startsWith("çevrimdışı"); }, 30'000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.skippedText().isEmpty(); }, 30'000));
    EXPECT_EQ(window.skippedText().count(QString::fromStdString(level)), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier_.seen.size() == 1; }, 30'000));
    EXPECT_TRUE(notifier_.seen[0].contains("north / m1"));
    // Also in the window, for a desktop without a tray, until read.
    ASSERT_EQ(window.unreadNotices().size(), 1);
    EXPECT_TRUE(window.unreadNotices()[0].contains("north / m1"));

    publisher->publish(status, statusOnline, 1, true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cell(window, 0, FleetTable::Status).startsWith("çevrimiçi"); }, 30'000));
    EXPECT_EQ(notifier_.seen.size(), 1);
    EXPECT_EQ(first.count(), 1);
}

// The rows of exceedances.csv come at least once, a long event's start before
// them: each event is told once, and the meter's window lists its last hour.
TEST_F(NetworkWindow, EachExceedanceIsToldOnceAndTheMetersWindowListsThem) {
    ASSERT_TRUE(useLanguage(Language::English));
    CNetworkWnd window(settingsFor(*broker_, "viewer"), std::nullopt, notifier_, clock_);
    QString error;
    ASSERT_TRUE(window.start(error)) << error.toStdString();
    window.show();
    auto publisher = meter("meters");
    publisher->publish(mqttTopic("north", "m1", MqttTopic::Status), statusOnline, 1, true);
    publishLevel(*publisher, "north", "m1", 61.2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.rows()->rowCount() == 1; }, 30'000));

    const SurveyMs now = clock_.nowMs() / 1000 * 1000;
    const auto row = [&](long long n, SurveyMs start, int seconds, const char* lmax,
                         const char* sel) {
        return std::to_string(n) + "," + eventTimeText(clock_, start) + "," +
               eventTimeText(clock_, start + seconds * 1000LL) + "," + std::to_string(seconds) +
               ".0," + lmax + "," + eventTimeText(clock_, start + 2000) + ",88.10," + sel;
    };
    const std::string topic = mqttTopic("north", "m1", MqttTopic::Exceedance);
    const std::string first = *encodeExceedanceRow(1, row(1, now - 600'000, 12, "92.30", "101.20"));
    for (const std::string& payload :
         {first, first, *encodeExceedanceStarted(row(0, now - 200'000, 61, "85.00", "103.00")),
          *encodeExceedanceRow(2, row(2, now - 200'000, 95, "86.40", "105.70"))})
        publisher->publish(topic, payload, 1, false);
    publishLevel(*publisher, "north", "m1", 61.0); // after them: all of them are in
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cell(window, 0, FleetTable::Level).startsWith("61.0"); }, 30'000));
    QTest::qWait(2 * FleetModel::refreshEveryMs);
    EXPECT_EQ(notifier_.seen, (QStringList{"Exceedance: m1: 92.3 dBA, 12 s, SEL 101.2",
                                           "Exceedance: m1: 85.0 dBA, 61 s, SEL 103.0"}));
    ASSERT_EQ(window.unreadNotices().size(), 2);

    QPointer<CMeterWnd> shown = window.openMeter(0);
    ASSERT_TRUE(shown);
    const QListWidget* list = shown->exceedanceList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().contains("Lmax 86.4 dBA, 95 s, SEL 105.7"))
        << "newest first, ended: " << list->item(0)->text().toStdString();
    EXPECT_TRUE(list->item(1)->text().contains("Lmax 92.3 dBA, 12 s, SEL 101.2"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shown));
    EXPECT_TRUE(shown->grab().save(
        QString::fromStdString((fs::path(VREL_TEST_TMP) / "meter-exceedances.png").string())));
    EXPECT_TRUE(window.grab().save(
        QString::fromStdString((fs::path(VREL_TEST_TMP) / "network-exceedances.png").string())));
}

TEST_F(NetworkWindow, ABrokerOutageShowsTheMetersUnknownTellsNoneOfflineAndEndsByItself) {
    CNetworkWnd window(settingsFor(*broker_, "viewer"), std::nullopt, notifier_, clock_);
    QString error;
    ASSERT_TRUE(window.start(error)) << error.toStdString();
    window.show();
    // Two meters as a survey publishes: online (retained) at each connection,
    // offline as the last will.
    std::vector<std::unique_ptr<MqttClient>> meters;
    for (const char* name : {"m1", "m2"}) {
        MqttSettings s = settingsFor(*broker_, std::string("meter-") + name);
        s.willTopic = mqttTopic("north", name, MqttTopic::Status);
        s.willPayload = statusOffline;
        auto& c = meters.emplace_back(std::make_unique<MqttClient>(s));
        MqttClient* client = c.get();
        const std::string topic = s.willTopic;
        client->onConnected = [client, topic](bool) {
            client->publish(topic, statusOnline, 1, true);
        };
        std::string why;
        ASSERT_TRUE(client->start(why)) << why;
    }
    const auto statuses = [&](const QString& start) {
        if (window.rows()->rowCount() != 2)
            return false;
        for (int r = 0; r < 2; ++r)
            if (!cell(window, r, FleetTable::Status).startsWith(start))
                return false;
        return true;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return statuses("çevrimiçi"); }, 30'000));

    broker_->stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return statuses("bilinmiyor"); }, 30'000))
        << cell(window, 0, FleetTable::Status).toStdString();
    EXPECT_TRUE(window.linkText().contains("ölçerlerin durumu bilinmiyor"))
        << window.linkText().toStdString();
    EXPECT_EQ(window.rows()
                  ->index(0, FleetTable::Status)
                  .data(Qt::ForegroundRole)
                  .value<QBrush>()
                  .color(),
              QColor(150, 150, 150));
    QTest::qWait(static_cast<int>(FleetModel::offlineHoldMs) + 500);

    ASSERT_TRUE(broker_->start()) << broker_->log();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.linkText().contains("ölçer:") && statuses("çevrimiçi"); }, 60'000))
        << window.linkText().toStdString() << " "
        << cell(window, 0, FleetTable::Status).toStdString();
    QTest::qWait(static_cast<int>(FleetModel::settleMs) + 500);
    EXPECT_TRUE(statuses("çevrimiçi"));
    EXPECT_TRUE(notifier_.seen.isEmpty()) << notifier_.seen.join(" | ").toStdString();
    EXPECT_TRUE(window.unreadNotices().isEmpty())
        << window.unreadNotices().join(" | ").toStdString();
}

TEST_F(NetworkWindow, TheMenuCommandOpensTheWindowAsAUserDoes) {
    ScriptedPrompt script;
    const ScopedPrompt scoped(script);
    CMainFrame frame;
    frame.view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
    frame.view()->initialUpdate();
    frame.show();
    const QString url = QString::fromStdString(broker_->url());
    auto publisher = meter("meters");
    publisher->publish(mqttTopic("north", "m1", MqttTopic::Status), statusOnline, 1, true);
    // Twice: the second time the frame's keyring and tray are found again.
    for (int i = 1; i <= 2; ++i) {
        script.connectionNext({url, Broker::user, Broker::password, {}, false, {}, {}, {}});
        frame.action(CommandId::OpenNetwork)->trigger();
        ASSERT_EQ(script.connectionRequests().size(), static_cast<std::size_t>(i));
        const QList<CNetworkWnd*> windows = frame.findChildren<CNetworkWnd*>();
        ASSERT_EQ(windows.size(), i);
        CNetworkWnd* window = windows.back();
        EXPECT_TRUE(window->isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->rows()->rowCount() == 1; }, 30'000))
            << window->linkText().toStdString();
        EXPECT_EQ(cell(*window, 0, FleetTable::Meter), "m1");
    }
    // Cancelled: nothing more opens.
    frame.action(CommandId::OpenNetwork)->trigger();
    EXPECT_EQ(frame.findChildren<CNetworkWnd*>().size(), 2);
}

// The road a new user takes, in both languages, with a picture at each step
// (looked at by hand): the broker dialog, the fleet, a meter that went
// offline told in the window, the broker away.
TEST_F(NetworkWindow, AWalkFromTheMenuInBothLanguages) {
    const auto shot = [](QWidget& w, const std::string& name) {
        EXPECT_TRUE(w.grab().save(QString::fromStdString(
            (fs::path(VREL_TEST_TMP) / ("walk-" + name + ".png")).string())));
    };
    auto publisher = meter("meters");
    for (const Language language : {Language::Turkish, Language::English}) {
        ASSERT_TRUE(useLanguage(language));
        const std::string lang = language == Language::English ? "en" : "tr";
        if (language == Language::English) { // stopped at the end of the first round
            ASSERT_TRUE(broker_->start()) << broker_->log();
            ASSERT_TRUE(QTest::qWaitFor([&] { return publisher->connected(); }, 30'000));
        }
        for (const char* name : {"m1", "m2"}) {
            publisher->publish(mqttTopic("north", name, MqttTopic::Status), statusOnline, 1, true);
            publishLevel(*publisher, "north", name, 58.4);
        }
        {
            ConnectDlg dialog(
                nullptr, {QString::fromStdString(broker_->url()),
                          Broker::user,
                          Broker::password,
                          QCoreApplication::translate(
                              "NetworkStart", "Broker kullanıcı adını veya parolayı kabul etmedi."),
                          false,
                          {},
                          {},
                          {}});
            dialog.show();
            shot(dialog, lang + "-dialog");
        }
        ScriptedPrompt script;
        const ScopedPrompt scoped(script);
        CMainFrame frame;
        frame.view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
        frame.view()->initialUpdate();
        script.connectionNext({QString::fromStdString(broker_->url()),
                               Broker::user,
                               Broker::password,
                               {},
                               false,
                               {},
                               {},
                               {}});
        frame.action(CommandId::OpenNetwork)->trigger();
        CNetworkWnd* window = frame.findChild<CNetworkWnd*>();
        ASSERT_TRUE(window);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->rows()->rowCount() == 2; }, 30'000));
        publishLevel(*publisher, "north", "m1", 58.4);
        publishLevel(*publisher, "north", "m2", 61.0);
        QTest::qWait(600);
        shot(*window, lang + "-fleet");

        publisher->publish(mqttTopic("north", "m2", MqttTopic::Status), statusOffline, 1, true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->unreadNotices().isEmpty(); }, 30'000));
        QTest::qWait(300);
        shot(*window, lang + "-notice");
        publisher->publish(mqttTopic("north", "m2", MqttTopic::Status), statusOnline, 1, true);

        broker_->stop();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return cell(*window, 0, FleetTable::Status) ==
                       QCoreApplication::translate("FleetTable", "bilinmiyor");
            },
            30'000));
        QTest::qWait(300);
        shot(*window, lang + "-away");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !publisher->connected(); }, 30'000));
    }
}

// The PC's clock, started three seconds before a minute so that a one-minute
// summary row closes at once.
class MinuteClock final : public Clock {
  public:
    MinuteClock() : shiftMs_((system_.nowMs() / 60000 + 1) * 60000 - 3000 - system_.nowMs()) {}
    std::time_t now() const override { return static_cast<std::time_t>(nowMs() / 1000); }
    std::int64_t nowMs() const override { return system_.nowMs() + shiftMs_; }

  private:
    SystemClock system_;
    std::int64_t shiftMs_;
};

TEST_F(NetworkWindow, ASurveyStartedFromTheMenuPublishesEveryRowAndItsFolderToTheArchive) {
    MinuteClock clock;
    setAppClock(&clock);
    struct Restore {
        ~Restore() { setAppClock(nullptr); }
    } restore;
    MeterSimulator sim;
    sim.setConstantLevel(57.5);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    ScriptedPrompt script;
    const ScopedPrompt scoped(script);
    CMainFrame frame;
    frame.view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
    frame.view()->useFixedPort(sim.devicePath());
    frame.view()->initialUpdate();
    frame.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.view()->session().portOpen(); }, 30'000));

    // The broker is the one the network window was connected to.
    script.connectionNext({QString::fromStdString(broker_->url()),
                           Broker::user,
                           Broker::password,
                           {},
                           false,
                           {},
                           {},
                           {}});
    frame.action(CommandId::OpenNetwork)->trigger();
    ASSERT_EQ(frame.findChildren<CNetworkWnd*>().size(), 1);
    frame.findChildren<CNetworkWnd*>()[0]->close();

    std::mutex mutex;
    std::vector<std::string> received;
    MqttClient receiver(settingsFor(*broker_, "receiver"));
    receiver.onConnected = [&](bool) { receiver.subscribe("vrel/v1/yard/gate/summary", 1); };
    receiver.onMessage = [&](const std::string&, std::string_view payload) {
        const std::lock_guard lock(mutex);
        if (const auto row = decodeSummary(payload))
            received.push_back(row->csvRow);
    };
    std::string why;
    ASSERT_TRUE(receiver.start(why)) << why;
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.connected(); }, 30'000));

    // The collector the survey waits for, polled as vrel-cli collect does.
    const fs::path archive = dir_ / "archive";
    Collector collector(settingsFor(*broker_, "collector"),
                        CollectorArchives{archive.string(), {}, {}}, std::string("yard"), "north",
                        clock_);
    ASSERT_TRUE(collector.start(why)) << why;
    std::atomic<bool> collecting{true};
    std::thread collectingThread([&] {
        while (collecting)
            collector.poll(std::chrono::milliseconds(100));
    });

    const fs::path folder = dir_ / "survey";
    script.fileNext(QString::fromStdString(folder.string()));
    script.surveyNext([](Prompt::SurveyRequest& r) {
        EXPECT_FALSE(r.broker.isEmpty()) << "publishing is offered";
        EXPECT_FALSE(r.passwordKept);
        r.interval = 0.1;
        r.summarySeconds = 60;
        r.publish = true;
        r.site = "yard";
        r.meter = "gate";
        r.password = Broker::password;
        r.archivedBy = "north";
    });
    frame.action(CommandId::StartSurvey)->trigger();
    ASSERT_EQ(script.surveyRequests().size(), 1u);
    CSurveyWnd* survey = frame.findChild<CSurveyWnd*>();
    ASSERT_TRUE(survey && survey->surveyRunning()) << script.messages().size();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::lock_guard lock(mutex);
            return received.size() == 1;
        },
        30'000));
    EXPECT_TRUE(survey->statusLabel()->text().contains("yayında"))
        << survey->statusLabel()->text().toStdString();
    ASSERT_TRUE(survey->stopSurvey());

    // Every row of summary.csv, the one cut short by the stop too, reached the subscriber.
    std::ifstream in(folder / summaryFileName, std::ios::binary);
    std::vector<std::string> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line))
        rows.push_back(line + "\n");
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::lock_guard lock(mutex);
            return received.size() == rows.size();
        },
        30'000));
    {
        const std::lock_guard lock(mutex);
        EXPECT_EQ(received, rows);
    }

    // The archive is the folder file for file, and the survey knew it before it ended.
    const auto files = [](const fs::path& dir) {
        std::map<std::string, std::string> bytes;
        for (const auto& e : fs::directory_iterator(dir))
            if (isSurveyFolderFileName(e.path().filename().string()))
                bytes[e.path().filename().string()] = slurp(e.path());
        return bytes;
    };
    const fs::path gate = archive / archiveMeterFolder("yard", "gate");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return fs::exists(gate) && files(gate) == files(folder); }, 30'000));
    collecting = false;
    collectingThread.join();
    collector.stop();
    EXPECT_EQ(files(gate).size(), 3u);
    std::string cursor = slurp(folder / folderCursorFileName);
    EXPECT_TRUE(cursor.starts_with("to mqtt://127.0.0.1:" + std::to_string(broker_->port()) +
                                   " vrel/v1/yard/gate archived by north\n"))
        << cursor;
    for (const auto& [name, bytes] : files(folder))
        EXPECT_TRUE(cursor.find(name + " " + std::to_string(bytes.size()) + "\n") !=
                    std::string::npos)
            << name << "\n"
            << cursor;
}

TEST_F(NetworkWindow, ADoubleClickShowsTheMetersHourAndItsSurveyOpensFromTheArchive) {
    // The collector's archive, where the meter's survey is: its folder as the survey wrote it.
    const fs::path archive = dir_ / "archive";
    const fs::path archived = archive / archiveMeterFolder("north", "m1");
    fs::create_directories(archived);
    SurveyStore collected(diskFileSystem(), clock_, archived.string(), SurveySplit::Hour, 1.0,
                          1000);
    CNetworkWnd window(settingsFor(*broker_, "viewer"), 70.0, notifier_, clock_);
    window.setArchive(QString::fromStdString(archive.string()));
    QString error;
    ASSERT_TRUE(window.start(error)) << error.toStdString();
    window.show();

    auto publisher = meter("meters");
    publisher->publish(mqttTopic("north", "m1", MqttTopic::Status), statusOnline, 1, true);
    // Eight minutes of levels up to now with a silent minute after the fifth,
    // and the interval of the first five minutes.
    const SurveyMs now = clock_.nowMs() / 1000 * 1000;
    const auto levelOf = [](int s) { return 50.0 + s % 10; };
    for (int s = 0; s < 480; ++s)
        if (s < 300 || s >= 360) {
            const SurveyMs t = now - (480 - s) * 1000LL;
            publisher->publish(mqttTopic("north", "m1", MqttTopic::Level),
                               encodeLevel({isoLocalTime(clock_, t), levelOf(s), "dBA"}), 1, false);
            collected.addSample(
                CObjData(levelOf(s), recordTimeStamp(clock_.local(t / 1000)), "dBA", 0, 1.0), t);
        }
    const std::string row = isoLocalTime(clock_, now - 480'000) + "," +
                            isoLocalTime(clock_, now - 180'000) +
                            ",300,1.0000,57.50,59.00,50.00,58.00,55.00,51.00,dBA";
    publisher->publish(mqttTopic("north", "m1", MqttTopic::Summary), *encodeSummaryRow(1, row), 1,
                       false);
    collected.addSummaryRow(row + "\r\n");
    collected.close();

    ASSERT_TRUE(QTest::qWaitFor([&] { return window.rows()->rowCount() == 1; }, 30'000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect cellRect = window.table()->visualRect(window.rows()->index(0, FleetTable::Meter));
    ASSERT_FALSE(cellRect.isEmpty());
    // A double click is a press the view has seen, then the second click.
    QTest::mouseClick(window.table()->viewport(), Qt::LeftButton, {}, cellRect.center());
    QTest::mouseDClick(window.table()->viewport(), Qt::LeftButton, {}, cellRect.center());
    QPointer<CMeterWnd> shown = window.findChild<CMeterWnd*>();
    ASSERT_TRUE(shown);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return shown->series().size() == 420 && shown->plot()->steps().size() == 1; },
        30'000))
        << shown->series().size();
    const SeriesStore& series = shown->series();
    ASSERT_EQ(series.gaps().size(), 1u) << "the silent minute";
    EXPECT_EQ(series.gaps()[0].end - series.gaps()[0].start, 60'000);
    EXPECT_EQ(shown->plot()->span().t1() - shown->plot()->span().t0(), 3600'000)
        << "the whole last hour";
    EXPECT_TRUE(shown->statusText().contains("57.5")) << shown->statusText().toStdString();

    // The cursors over the minutes after the silence: the figures of what was sent.
    shown->plot()->setCursors(series.start() + 360'000, series.start() + 480'000);
    double energy = 0;
    for (int s = 360; s < 480; ++s)
        energy += std::pow(10.0, levelOf(s) / 10);
    const QString leq = QString::number(10 * std::log10(energy / 120), 'f', 1);
    EXPECT_TRUE(shown->figuresText().contains("Leq " + leq + " dB"))
        << shown->figuresText().toStdString();
    EXPECT_TRUE(shown->figuresText().contains("Lmax 59.0 dB, Lmin 50.0 dB, 120 okuma"))
        << shown->figuresText().toStdString();
    EXPECT_EQ(window.openMeter(0), shown.data()) << "one window a meter";

    // Its survey opens from the archive, every level there.
    ASSERT_TRUE(shown->surveyButton()->isEnabled())
        << shown->surveyButton()->toolTip().toStdString();
    shown->surveyButton()->click();
    CSurveyWnd* survey = shown->findChild<CSurveyWnd*>();
    ASSERT_TRUE(survey);
    ASSERT_TRUE(QTest::qWaitFor([&] { return survey->loaded(); }, 30'000));
    EXPECT_EQ(survey->series().size(), 420u);

    // Looked at in both languages, the cursors set.
    for (const Language language : {Language::Turkish, Language::English}) {
        ASSERT_TRUE(useLanguage(language));
        shown->close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.isNull(); }, 30'000));
        shown = window.openMeter(0);
        ASSERT_TRUE(shown);
        shown->plot()->setCursors(shown->series().start() + 360'000,
                                  shown->series().start() + 480'000);
        QTest::qWait(50);
        const char* name = language == Language::English ? "meter-en.png" : "meter-tr.png";
        EXPECT_TRUE(
            shown->grab().save(QString::fromStdString((fs::path(VREL_TEST_TMP) / name).string())));
    }
    // A database named in the connection settings: the survey opens from there.
    window.setDatabase(QStringLiteral("postgresql://vrel@localhost/vrel"));
    shown = window.openMeter(0);
    EXPECT_EQ(shown->surveyUrl().toStdString(),
              "postgresql://vrel@localhost/vrel?site=north&meter=m1");
    EXPECT_TRUE(shown->surveyButton()->isEnabled());
    window.setDatabase({});
    shown->setDatabase({});
    // No archive of it: the button says why it cannot open.
    window.setArchive({});
    shown->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.isNull(); }, 30'000));
    shown = window.openMeter(0);
    EXPECT_FALSE(shown->surveyButton()->isEnabled());
    EXPECT_FALSE(shown->surveyButton()->toolTip().isEmpty());
}

TEST_F(NetworkWindow, AWrongPasswordIsToldAndTheOwnerAskedAgain) {
    CNetworkWnd window(settingsFor(*broker_, "viewer", "wrong"), std::nullopt, notifier_, clock_);
    QSignalSpy refused(&window, &CNetworkWnd::credentialsRefused);
    QString error;
    ASSERT_TRUE(window.start(error)) << error.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return refused.count() == 1; }, 30'000));
    EXPECT_TRUE(window.linkText().contains("kullanıcı adını veya parolayı kabul etmedi"))
        << window.linkText().toStdString();
}

TEST_F(NetworkWindow, TheMenuAsksForTheBrokerKeepsThePasswordInTheKeyringAndAsksAgainWhenRefused) {
    ScriptedPrompt script;
    const ScopedPrompt scoped(script);
    MemoryStore keyring(true);
    QWidget parent;
    const QString url = QString::fromStdString(broker_->url());
    script.connectionNext({url, Broker::user, "wrong", {}, true, {}, {}, {}});
    CNetworkWnd* second = askAndOpenNetwork(&parent, keyring, notifier_, clock_);
    ASSERT_TRUE(second);
    const QPointer<CNetworkWnd> alive(second);
    // Refused: the dialog comes back once, saying why, and is cancelled; the
    // window stays and does not try the refused password again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.connectionRequests().size() == 2; }, 30'000));
    EXPECT_TRUE(script.connectionRequests()[1].note.contains("kabul etmedi"));
    EXPECT_EQ(script.connectionRequests()[1].url, url);
    EXPECT_EQ(script.connectionRequests()[1].user, Broker::user);
    EXPECT_TRUE(script.connectionRequests()[1].keyring);
    const auto refusals = [&] {
        const std::string log = broker_->log();
        std::size_t n = 0;
        for (std::size_t at = log.find("not authorised"); at != std::string::npos;
             at = log.find("not authorised", at + 1))
            ++n;
        return n;
    };
    QTest::qWait(4000); // the client tried again after 1 s and 3 s before
    EXPECT_EQ(refusals(), 1u) << broker_->log();
    EXPECT_EQ(script.connectionRequests().size(), 2u);
    ASSERT_TRUE(alive);
    QPushButton* retry = nullptr;
    for (QPushButton* b : second->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Yeniden bağlan…"))
            retry = b;
    ASSERT_TRUE(retry && retry->isVisible());

    // "Yeniden bağlan…" asks again; the right password connects the same window.
    const QString archive = QString::fromStdString((dir_ / "collected").string());
    script.connectionNext({url, Broker::user, Broker::password, {}, true, {}, archive, {}});
    retry->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->linkText().contains("ölçer:"); }, 30'000))
        << second->linkText().toStdString();
    EXPECT_EQ(script.connectionRequests().size(), 3u);
    EXPECT_TRUE(script.connectionRequests()[2].note.contains("kabul etmedi"));
    EXPECT_FALSE(retry->isVisible());
    EXPECT_EQ(parent.findChildren<CNetworkWnd*>().size(), 1u);

    // The address and user are remembered in the settings, the password only in the keyring.
    const ProfileFile profile = ProfileFile::load(programSettingsPath());
    EXPECT_EQ(profile.value("Vrel_NETWORK", "URL"), url.toStdString());
    EXPECT_EQ(profile.value("Vrel_NETWORK", "USER"), Broker::user);
    EXPECT_EQ(profile.value("Vrel_NETWORK", "ARCHIVE"), archive.toStdString());
    EXPECT_EQ(second->archive(), archive);
    EXPECT_EQ(keyring.kept.value(url + " " + Broker::user), Broker::password);
    std::ifstream settings(programSettingsPath());
    const std::string text((std::istreambuf_iterator<char>(settings)), {});
    EXPECT_EQ(text.find(Broker::password), std::string::npos);

    // Asked again, the dialog comes filled in, the password from the keyring.
    askAndOpenNetwork(&parent, keyring, notifier_, clock_);
    ASSERT_EQ(script.connectionRequests().size(), 4u);
    EXPECT_EQ(script.connectionRequests()[3].password, Broker::password);
    EXPECT_EQ(script.connectionRequests()[3].archive, archive);
}

TEST_F(NetworkWindow, WithoutAKeyringThePasswordIsAskedEachTime) {
    ScriptedPrompt script;
    const ScopedPrompt scoped(script);
    MemoryStore none(false);
    QWidget parent;
    const QString url = QString::fromStdString(broker_->url());
    script.connectionNext(
        {"http://nowhere", Broker::user, Broker::password, {}, false, {}, {}, {}});
    script.connectionNext({url, Broker::user, Broker::password, {}, false, {}, {}, {}});
    ASSERT_TRUE(askAndOpenNetwork(&parent, none, notifier_, clock_));
    ASSERT_EQ(script.connectionRequests().size(), 2u);
    EXPECT_FALSE(script.connectionRequests()[0].keyring);
    EXPECT_TRUE(script.connectionRequests()[1].note.contains("mqtt://"));
    // Cancelled the next time: nothing opens, and no password was offered.
    EXPECT_FALSE(askAndOpenNetwork(&parent, none, notifier_, clock_));
    ASSERT_EQ(script.connectionRequests().size(), 3u);
    EXPECT_EQ(script.connectionRequests()[2].url, url);
    EXPECT_TRUE(script.connectionRequests()[2].password.isEmpty());
}

// The meter's hour moves on with the clock: the whole hour and a view at its end move with it,
// a view the user zoomed into stays on what it shows.
TEST(MeterWindow, AZoomedViewStaysWhereTheUserLooksWhileTheHourMovesOn) {
    FleetModel fleet;
    const SurveyMs start = 1796734800000; // 2026-12-08 13:00:00 UTC
    ManualClock clock(static_cast<std::time_t>(start / 1000 + 4000));
    const auto levelAt = [&](int s) {
        fleet.take(mqttTopic("north", "m1", MqttTopic::Level),
                   encodeLevel({isoLocalTime(clock, start + s * 1000LL), 50.0 + s % 7, "dBA"}),
                   start + s * 1000LL);
    };
    for (int s = 0; s < 4000; ++s)
        levelAt(s);
    FleetTable table(fleet);
    CMeterWnd window(fleet, table, 0, clock, std::nullopt, {});
    window.resize(900, 480);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const TimeSpanView& span = window.plot()->span();
    ASSERT_TRUE(span.showsWhole());

    const auto tick = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock.advance(1);
            levelAt(static_cast<int>(clock.now() - start / 1000) - 1);
            window.refresh();
        }
    };
    tick(3);
    EXPECT_TRUE(span.showsWhole()) << "the whole hour follows the clock";

    // Zoomed in with the wheel over the middle of the curve.
    SurveyPlot* plot = window.plot();
    const QPointF middle(plot->width() / 2.0, plot->height() / 2.0);
    QWheelEvent wheel(middle, plot->mapToGlobal(middle), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    ASSERT_FALSE(span.showsWhole());
    ASSERT_FALSE(span.atEnd());
    const TimeMs t0 = span.t0(), t1 = span.t1();
    tick(5);
    EXPECT_EQ(span.t0(), t0) << "the zoomed view stays";
    EXPECT_EQ(span.t1(), t1);

    // Taken to the newest readings, it moves along with them as wide as it is.
    plot->span().show(span.wholeEnd() - 60'000, span.wholeEnd());
    tick(5);
    EXPECT_TRUE(span.atEnd());
    EXPECT_EQ(span.t1() - span.t0(), 60'000);
}

// A meter that has sent one level, or two, shows them: a dot for each (one
// when both fall in one pixel) and a line between two, in the curve's colour,
// whether the two are a second or half a minute apart.
TEST(MeterWindow, AFewLevelsAreDrawnAsDotsAndALine) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, double>> levels; // seconds before now, dB
    };
    const Case cases[] = {{"one", {{20, 62.0}}},
                          {"two-a-second-apart", {{21, 58.0}, {20, 66.0}}},
                          {"two-ten-seconds-apart", {{1200, 58.0}, {1190, 66.0}}},
                          {"two-half-a-minute-apart", {{600, 55.0}, {570, 70.0}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FleetModel fleet;
        const SurveyMs now = 1796734800000; // 2026-12-08 13:00:00 UTC
        ManualClock clock(static_cast<std::time_t>(now / 1000));
        for (const auto& [ago, db] : c.levels) {
            const SurveyMs t = now - ago * 1000LL;
            fleet.take(mqttTopic("north", "m1", MqttTopic::Level),
                       encodeLevel({isoLocalTime(clock, t), db, "dBA"}), t);
        }
        FleetTable table(fleet);
        CMeterWnd window(fleet, table, 0, clock, std::nullopt, {});
        window.resize(900, 480);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_EQ(window.series().size(), c.levels.size());
        SurveyPlot* plot = window.plot();
        const QImage shot = plot->grab().toImage();
        shot.save(QStringLiteral(VREL_TEST_TMP "/meter-few-levels-%1.png")
                      .arg(QString::fromLatin1(c.name)));
        const QRect area = plot->plotArea();
        // The curve's dark blue, far from the grid's grey and the gaps' shade.
        const auto curve = [&shot](int x, int y) {
            const QColor p = shot.pixelColor(x, y);
            return p.blue() > 100 && p.red() < 90 && p.green() < 110;
        };
        int painted = 0;
        for (int x = area.left(); x <= area.right(); ++x)
            for (int y = area.top(); y <= area.bottom(); ++y)
                painted += curve(x, y);
        EXPECT_GE(painted, 9) << "a dot, not a pixel";
        if (c.levels.size() < 2)
            continue;
        // Between the two dots every column has some of the line.
        const SeriesStore& s = window.series();
        const int x0 = plot->xOf(s.timeAt(0)), x1 = plot->xOf(s.timeAt(1));
        EXPECT_GE(painted, x1 - x0 + (x1 > x0 ? 18 : 9)) << "a dot each and the line";
        for (int x = x0 + 1; x < x1; ++x) {
            bool line = false;
            for (int y = area.top(); y <= area.bottom() && !line; ++y)
                line = curve(x, y);
            EXPECT_TRUE(line) << "column " << x;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The broker's address and user are remembered in the settings: never the real user's.
    QTemporaryDir config;
    setAppDataFolderOverride(std::filesystem::path(config.path().toStdString()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
