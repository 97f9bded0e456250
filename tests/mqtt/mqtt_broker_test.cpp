// Surveys and the collector against a real mosquitto: a broker that goes away
// mid-survey, a survey killed, a wrong password, an untrusted certificate.
#include "ArchivedSurvey.h"
#include "BrokerTest.h"

#include "formats/TextDataFile.h"
#include "mqtt/MqttProtocol.h"
#include "mqtt/MqttPublisher.h"
#include "survey/FolderOutbox.h"
#include "survey/SeriesEvents.h"
#include "survey/Survey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

fs::path scratch(const std::string& name) {
    return emptyFolder(fs::path(VREL_TEST_TMP) / ("broker-" + name));
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::size_t samplesIn(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        names.push_back(e.path().string());
    std::size_t n = 0;
    for (const std::string& f : surveyDataFiles(names))
        n += ReadTextDataFile(f).records.size();
    return n;
}

// The rows of a survey CSV file without the header, each with its CR LF.
std::vector<std::string> rowsOf(const fs::path& file) {
    std::vector<std::string> rows;
    std::istringstream in(slurp(file));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line))
        rows.push_back(line + "\n");
    return rows;
}

// The survey's clock starts three seconds before a minute, so a one-minute
// summary row closes at once.
std::string clockStart() {
    return "VREL_CLI_CLOCK_START=" + std::to_string((std::time(nullptr) / 60 + 10) * 60 - 3);
}

std::unique_ptr<ChildProcess> survey(const Simulator& sim, const fs::path& out,
                                     std::vector<std::string> mqtt,
                                     std::vector<std::string> env = {}) {
    std::vector<std::string> args = {cli,          "survey", "--port",    sim.link().string(),
                                     "--interval", "0.1",    "--out-dir", out.string(),
                                     "--summary",  "1m"};
    args.insert(args.end(), mqtt.begin(), mqtt.end());
    env.push_back("TZ=Europe/Istanbul");
    env.push_back(clockStart());
    return std::make_unique<ChildProcess>(args, env);
}

// mosquitto_sub as a receiver with a session the broker keeps, printing
// "topic payload" lines (a line at a time: it buffers its output otherwise).
std::unique_ptr<ChildProcess> subscriber(const Broker& broker, const std::string& id,
                                         const std::vector<std::string>& topics) {
    std::vector<std::string> args = {STDBUF,
                                     "-oL",
                                     MOSQUITTO_SUB,
                                     "-h",
                                     "127.0.0.1",
                                     "-p",
                                     std::to_string(broker.port()),
                                     "-u",
                                     Broker::user,
                                     "-P",
                                     Broker::password,
                                     "-i",
                                     id,
                                     "-c",
                                     "-q",
                                     "1",
                                     "-v"};
    for (const std::string& t : topics) {
        args.push_back("-t");
        args.push_back(t);
    }
    return std::make_unique<ChildProcess>(args);
}

// The CSV rows of every summary or event message a subscriber printed.
std::multiset<std::string> rowsReceived(const std::string& out, const std::string& leaf) {
    std::multiset<std::string> rows;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos || !line.substr(0, space).ends_with("/" + leaf))
            continue;
        const std::string payload = line.substr(space + 1);
        const auto row = leaf == "summary" ? decodeSummary(payload) : decodeEvent(payload);
        if (row)
            rows.insert(row->csvRow);
    }
    return rows;
}

bool allReceived(const std::vector<std::string>& rows, const std::multiset<std::string>& got) {
    for (const std::string& r : rows)
        if (!got.count(r))
            return false;
    return true;
}

class MqttBroker : public BrokerTest {
  protected:
    void SetUp() override { startBroker("broker-"); }
    std::vector<std::string> auth() const {
        return {"--mqtt-user", Broker::user, "--mqtt-password-file",
                broker_->passwordFile().string()};
    }
};

TEST_F(MqttBroker, ABrokerRestartMidSurveyLosesNoRowAndTheArchiveKeepsEachOnce) {
    Simulator sim(dir_, {"--level", "64.2"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir_ / "survey";
    const fs::path archive = dir_ / "archive";
    const auto receiver =
        subscriber(*broker_, "receiver", {"vrel/v1/+/+/summary", "vrel/v1/+/+/event"});
    const auto collector = std::make_unique<ChildProcess>(
        std::vector<std::string>{cli, "collect", "--mqtt", broker_->url(), "--out-dir",
                                 archive.string(), "--site", "yard", "--mqtt-user", "collector"},
        std::vector<std::string>{"VREL_MQTT_PASSWORD=collector-password"});
    ASSERT_TRUE(waitFor([&] { return contains(collector->err(), "collecting from"); }))
        << collector->err();

    std::vector<std::string> mqtt = {"--mqtt", broker_->url(), "--site", "yard", "--meter", "gate"};
    const std::vector<std::string> a = auth();
    mqtt.insert(mqtt.end(), a.begin(), a.end());
    const auto run = survey(sim, out, mqtt);
    ASSERT_TRUE(waitFor([&] { return rowsOf(out / summaryFileName).size() == 1; })) << run->err();
    ASSERT_TRUE(waitFor([&] {
        return allReceived(rowsOf(out / summaryFileName), rowsReceived(receiver->out(), "summary"));
    })) << receiver->out();

    broker_->stop();
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "is away"); })) << run->err();
    // Two gaps while the broker is away: rows that only the outbox holds.
    for (int i = 1; i <= 2; ++i) {
        sim.command("silence 2.5");
        ASSERT_TRUE(waitFor([&] { return rowsOf(out / eventsFileName).size() == std::size_t(i); }))
            << run->err();
    }
    const std::size_t samplesAway = samplesIn(out);
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= samplesAway + 10; }))
        << "sampling goes on while the broker is away\n"
        << run->err();

    ASSERT_TRUE(broker_->start()) << broker_->log();
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "is back"); })) << run->err();
    ASSERT_TRUE(waitFor([&] {
        return allReceived(rowsOf(out / eventsFileName), rowsReceived(receiver->out(), "event"));
    })) << receiver->out();
    run->signal(SIGTERM);
    ASSERT_EQ(run->wait(), 0) << run->err();

    const std::vector<std::string> summaries = rowsOf(out / summaryFileName);
    const std::vector<std::string> events = rowsOf(out / eventsFileName);
    ASSERT_GE(summaries.size(), 2u) << "the interval open at the end is written then";
    ASSERT_EQ(events.size(), 2u);
    EXPECT_FALSE(contains(slurp(out / eventsFileName), "broker")) << "no gap for the network";
    ASSERT_TRUE(waitFor([&] {
        return allReceived(summaries, rowsReceived(receiver->out(), "summary"));
    })) << receiver->out();
    ASSERT_TRUE(waitFor([&] {
        return slurp(archive / "yard/gate" / summaryFileName) == slurp(out / summaryFileName) &&
               slurp(archive / "yard/gate" / eventsFileName) == slurp(out / eventsFileName);
    })) << collector->err()
        << slurp(archive / "yard/gate" / summaryFileName);

    collector->signal(SIGTERM);
    ASSERT_EQ(collector->wait(), 0) << collector->err();
    const SurveyFolderRead levels = ReadSurveyFolder((archive / "yard/gate").string());
    ASSERT_EQ(levels.status, SurveyFolderRead::Status::Ok);
    EXPECT_GT(levels.records.size(), 0u);
    for (const CObjData& r : levels.records)
        EXPECT_DOUBLE_EQ(r.value(), 64.2);
}

TEST_F(MqttBroker, RowsASurveyCouldNotSendGoOutWhenItRunsAgain) {
    Simulator sim(dir_, {"--level", "48.5"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir_ / "survey";
    const auto receiver =
        subscriber(*broker_, "receiver", {"vrel/v1/+/+/summary", "vrel/v1/+/+/event"});
    ASSERT_TRUE(waitFor([&] { return contains(broker_->log(), "as receiver"); })) << broker_->log();
    broker_->stop();

    std::vector<std::string> mqtt = {"--mqtt", broker_->url(), "--meter", "shed"};
    const std::vector<std::string> a = auth();
    mqtt.insert(mqtt.end(), a.begin(), a.end());
    const auto first = survey(sim, out, mqtt);
    ASSERT_TRUE(waitFor([&] { return rowsOf(out / summaryFileName).size() == 1; })) << first->err();
    sim.command("silence 2.5");
    ASSERT_TRUE(waitFor([&] { return rowsOf(out / eventsFileName).size() == 1; })) << first->err();
    first->signal(SIGTERM);
    ASSERT_EQ(first->wait(), 0) << first->err();
    EXPECT_TRUE(contains(first->err(), "3 rows wait for the broker")) << first->err();
    const std::vector<std::string> summaries = rowsOf(out / summaryFileName);
    const std::vector<std::string> events = rowsOf(out / eventsFileName);

    ASSERT_TRUE(broker_->start()) << broker_->log();
    const auto second = survey(sim, out, mqtt);
    ASSERT_TRUE(waitFor([&] {
        return allReceived(summaries, rowsReceived(receiver->out(), "summary")) &&
               allReceived(events, rowsReceived(receiver->out(), "event"));
    })) << second->err()
        << receiver->out();
    second->signal(SIGTERM);
    EXPECT_EQ(second->wait(), 0) << second->err();
}

// "n start" of each ended event a subscriber printed, in the order it came.
std::vector<std::string> exceedancesReceived(const std::string& out) {
    std::vector<std::string> got;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos || !line.substr(0, space).ends_with("/exceedance"))
            continue;
        if (const auto e = decodeExceedance(line.substr(space + 1)); e && !e->started)
            got.push_back(std::to_string(e->seq) + " " + e->start);
    }
    return got;
}

TEST_F(MqttBroker, ExceedancesReachASubscriberInOrderThroughABrokerRestart) {
    Simulator sim(dir_, {"--level", "60.0"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir_ / "survey";
    const auto receiver = subscriber(*broker_, "receiver", {"vrel/v1/+/+/exceedance"});
    ASSERT_TRUE(waitFor([&] { return contains(broker_->log(), "as receiver"); })) << broker_->log();
    std::vector<std::string> mqtt = {"--mqtt", broker_->url(),  "--meter",
                                     "yard",   "--event-above", "70"};
    const std::vector<std::string> a = auth();
    mqtt.insert(mqtt.end(), a.begin(), a.end());
    const auto run = survey(sim, out, mqtt);
    const auto burst = [&](const char* level, std::size_t events) {
        const std::size_t from = samplesIn(out);
        sim.command(std::string("level ") + level);
        ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= from + 8; })) << run->err();
        sim.command("level 60");
        ASSERT_TRUE(waitFor([&] { return rowsOf(out / exceedancesFileName).size() == events; }))
            << run->err();
    };
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= 10; })) << run->err();
    burst("85", 1);
    ASSERT_TRUE(waitFor([&] { return exceedancesReceived(receiver->out()).size() == 1; }))
        << run->err();
    // The broker restarts (keeping the receiver's session) while two more happen.
    broker_->stop();
    burst("88", 2);
    burst("91", 3);
    ASSERT_TRUE(broker_->start()) << broker_->log();
    std::vector<std::string> expected;
    for (const std::string& r : rowsOf(out / exceedancesFileName)) {
        const auto f = splitCsvRow(r.substr(0, r.size() - 1));
        ASSERT_TRUE(f && f->size() == 8) << r;
        expected.push_back((*f)[0] + " " + (*f)[1]);
    }
    ASSERT_TRUE(waitFor([&] {
        // At least once: each in the order of its first coming.
        std::vector<std::string> got;
        for (const std::string& e : exceedancesReceived(receiver->out()))
            if (std::find(got.begin(), got.end(), e) == got.end())
                got.push_back(e);
        return got == expected;
    })) << run->err()
        << receiver->out();
    run->signal(SIGTERM);
    EXPECT_EQ(run->wait(), 0) << run->err();
}

// A long event's start is live news: told while the broker was away, it goes
// out once the broker is there.
TEST_F(MqttBroker, ALongExceedanceIsAnnouncedOnceTheBrokerIsThere) {
    const auto receiver = subscriber(*broker_, "receiver", {"vrel/v1/+/+/exceedance"});
    ASSERT_TRUE(waitFor([&] { return contains(broker_->log(), "as receiver"); })) << broker_->log();
    broker_->stop();
    MqttSettings client;
    client.broker = *parseBrokerUrl(broker_->url());
    client.user = Broker::user;
    client.password = Broker::password;
    const fs::path folder = dir_ / "survey";
    fs::create_directories(folder);
    SystemClock clock;
    PublisherSettings settings;
    settings.site = "north";
    settings.meter = "m1";
    settings.dir = folder.string();
    MqttPublisher publisher(client, settings, clock);
    std::string error;
    ASSERT_TRUE(publisher.start(error)) << error;
    SeriesEvent e;
    e.startWall = 1796734985000; // 2026-12-08T13:03:05Z
    e.lmaxWall = e.startWall + 4000;
    e.end = e.lengthMs = 61000;
    e.seconds = 61;
    e.lmax = 8530;
    e.energySeconds = 61 * std::pow(10.0, 8.0);
    publisher.exceedanceGoesOn(e);
    ASSERT_TRUE(broker_->start()) << broker_->log();
    ASSERT_TRUE(waitFor([&] { return contains(receiver->out(), "\"event_type\":\"started\""); }))
        << receiver->out();
    const std::string line = receiver->out().substr(receiver->out().find("vrel/v1/north/m1/"));
    const auto m =
        decodeExceedance(line.substr(line.find(' ') + 1, line.find('\n') - line.find(' ') - 1));
    ASSERT_TRUE(m) << line;
    EXPECT_TRUE(m->started);
    EXPECT_DOUBLE_EQ(m->lmax, 85.3);
    EXPECT_DOUBLE_EQ(m->leq, 80);
    EXPECT_NEAR(m->sel, 80 + 10 * std::log10(61.0), 0.005) << "two decimals";
    publisher.finish(std::chrono::milliseconds(500));
}

TEST_F(MqttBroker, RowsTheBrokerRefusesWaitAndGoOutOnceItTakesThem) {
    // The user may write only meter m1's topics; the survey says it is m9.
    broker_->setAcl("user meter\n"
                    "topic read vrel/v1/#\n"
                    "topic write vrel/v1/north/m1/#\n"
                    "topic readwrite homeassistant/#\n");
    Simulator sim(dir_, {"--level", "52.5"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir_ / "survey";
    const auto receiver = subscriber(*broker_, "receiver", {"vrel/v1/+/+/summary"});
    ASSERT_TRUE(waitFor([&] { return contains(broker_->log(), "as receiver"); })) << broker_->log();

    std::vector<std::string> mqtt = {"--mqtt", broker_->url(), "--site", "north", "--meter", "m9"};
    const std::vector<std::string> a = auth();
    mqtt.insert(mqtt.end(), a.begin(), a.end());
    const auto run = survey(sim, out, mqtt);
    // The rows, or the pieces of the folder's files, whichever goes first.
    const std::string refused = "not authorized to publish to vrel/v1/north/m9/";
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), refused); })) << run->err();
    // The row goes again every 10 s while it is refused; told once.
    std::this_thread::sleep_for(std::chrono::seconds(12));
    EXPECT_EQ(count(run->err(), refused), 1u) << run->err();
    const std::vector<std::string> rows = rowsOf(out / summaryFileName);
    ASSERT_FALSE(rows.empty());
    EXPECT_TRUE(rowsReceived(receiver->out(), "summary").empty()) << receiver->out();
    // Nothing the broker refused counts as sent.
    const std::string cursor = slurp(out / outboxCursorFileName);
    EXPECT_TRUE(cursor.empty() || contains(cursor, "summary.csv 0 ")) << cursor;

    broker_->setAcl("user meter\n"
                    "topic read vrel/v1/#\n"
                    "topic write vrel/v1/north/m9/#\n"
                    "topic readwrite homeassistant/#\n");
    ASSERT_TRUE(waitFor([&] {
        return allReceived(rows, rowsReceived(receiver->out(), "summary"));
    })) << run->err()
        << receiver->out();
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "takes the rows again"); }))
        << run->err();
    run->signal(SIGTERM);
    ASSERT_EQ(run->wait(), 0) << run->err();
    EXPECT_TRUE(contains(slurp(out / outboxCursorFileName),
                         "summary.csv " + std::to_string(rowsOf(out / summaryFileName).size())))
        << slurp(out / outboxCursorFileName);
    EXPECT_EQ(count(run->err(), refused), 1u) << run->err();
    EXPECT_TRUE(contains(run->err(), "survey ended")) << run->err();
    EXPECT_FALSE(contains(run->err(), "broker away")) << "a clean end is no outage\n" << run->err();
}

TEST_F(MqttBroker, AKilledSurveyShowsOfflineAndAStoppedOneSaysSo) {
    Simulator sim(dir_, {"--level", "55.0"});
    ASSERT_TRUE(sim.ready());
    const auto watcher = subscriber(*broker_, "watcher", {"vrel/v1/+/+/status", "homeassistant/#"});
    std::vector<std::string> mqtt = {"--mqtt", broker_->url(), "--meter", "kitchen"};
    const std::vector<std::string> a = auth();
    mqtt.insert(mqtt.end(), a.begin(), a.end());
    const std::string status = "vrel/v1/default/kitchen/status ";

    auto first = survey(sim, dir_ / "survey", mqtt);
    ASSERT_TRUE(waitFor([&] { return contains(watcher->out(), status + "online"); }))
        << first->err();
    ASSERT_TRUE(waitFor([&] { return contains(watcher->out(), "vrel_default_kitchen_level"); }))
        << "discovery once the weighting is known";
    first->signal(SIGKILL);
    ASSERT_TRUE(waitFor([&] { return contains(watcher->out(), status + "offline"); }))
        << "the last will";

    auto second = survey(sim, dir_ / "survey", mqtt);
    ASSERT_TRUE(waitFor([&] { return count(watcher->out(), status + "online") == 2; }));
    second->signal(SIGTERM);
    ASSERT_EQ(second->wait(), 0) << second->err();
    ASSERT_TRUE(waitFor([&] { return count(watcher->out(), status + "offline") == 2; }));
}

TEST_F(MqttBroker, AWrongPasswordOrAnUntrustedCertificateIsToldAndSamplingGoesOn) {
    Simulator sim(dir_, {"--level", "50.0"});
    ASSERT_TRUE(sim.ready());
    const fs::path wrongPassword = dir_ / "wrong.txt";
    std::ofstream(wrongPassword) << "not it\n";
    const struct {
        std::vector<std::string> mqtt;
        std::string says;
    } cases[] = {
        {{"--mqtt", broker_->url(), "--mqtt-user", Broker::user, "--mqtt-password-file",
          wrongPassword.string()},
         "refused the user name or password"},
        {{"--mqtt", "mqtts://localhost:" + std::to_string(broker_->port()), "--mqtt-ca",
          broker_->caFile().string()},
         "does not speak TLS on this port; try mqtt:// or the broker's TLS port"},
        {{"--mqtt", broker_->tlsUrl(), "--mqtt-ca", broker_->otherCaFile().string(), "--mqtt-user",
          Broker::user, "--mqtt-password-file", broker_->passwordFile().string()},
         "certificate is not trusted"},
        // The certificate names localhost, not the address of the same host.
        {{"--mqtt", "mqtts://127.0.0.1:" + std::to_string(broker_->tlsPort()), "--mqtt-ca",
          broker_->caFile().string()},
         "not made out to this host name"},
        {{"--mqtt", broker_->tlsUrl(), "--mqtt-ca", broker_->caFile().string(), "--mqtt-user",
          Broker::user, "--mqtt-password-file", broker_->passwordFile().string()},
         "publishing to mqtts://localhost"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const fs::path out = dir_ / ("survey-" + std::to_string(i));
        const auto run = survey(sim, out, cases[i].mqtt);
        ASSERT_TRUE(waitFor([&] { return contains(run->err(), cases[i].says); })) << run->err();
        const std::size_t samples = samplesIn(out);
        ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= samples + 10; })) << run->err();
        run->signal(SIGTERM);
        EXPECT_EQ(run->wait(), 0) << run->err();
        EXPECT_EQ(rowsOf(out / eventsFileName).size(), 0u) << cases[i].says;
        EXPECT_FALSE(contains(run->err(), "Invalid function arguments")) << run->err();
    }
}

TEST_F(MqttBroker, AMalformedMessageIsToldOnceAndTheCollectorGoesOn) {
    const fs::path archive = dir_ / "archive";
    const auto collector = std::make_unique<ChildProcess>(std::vector<std::string>{
        cli, "collect", "--mqtt", broker_->url(), "--out-dir", archive.string(), "--mqtt-user",
        Broker::user, "--mqtt-password-file", broker_->passwordFile().string()});
    ASSERT_TRUE(waitFor([&] { return contains(collector->err(), "collecting from"); }))
        << collector->err();
    auto publish = [&](const std::string& topic, const std::string& payload) {
        const ToolResult r =
            runTool("mosquitto_pub -h 127.0.0.1 -p " + std::to_string(broker_->port()) + " -u " +
                    Broker::user + " -P '" + Broker::password + "' -q 1 -t '" + topic + "' -m '" +
                    payload + "'");
        ASSERT_EQ(r.status, 0) << r.err;
    };
    const std::string rows =
        std::string(summaryHeader) + "\r\n" +
        csvRow({"2026-12-08T14:00:00+03:00", "2026-12-08T14:01:00+03:00", "600", "1.0000", "60.00",
                "70.00", "50.00", "65.00", "60.00", "55.00", "dBA"});
    const std::string topic = filePieceTopic("far", "m9");
    publish(topic, "summary.csv");
    publish(topic, "../../summary.csv 0\nx");
    publish(topic, encodeFilePiece({summaryFileName, 0, rows}));
    publish(topic, encodeFilePiece({summaryFileName, 0, rows}));
    ASSERT_TRUE(waitFor([&] { return slurp(archive / "far/m9" / summaryFileName) == rows; }))
        << collector->err();
    collector->signal(SIGTERM);
    ASSERT_EQ(collector->wait(), 0);
    EXPECT_EQ(count(collector->err(), "malformed message on " + topic), 1u) << collector->err();
    EXPECT_TRUE(contains(collector->err(), "1 duplicate left out")) << collector->err();
    EXPECT_EQ(slurp(archive / "far/m9" / summaryFileName), rows);
}

std::unique_ptr<ChildProcess> collector(const Broker& broker, const fs::path& archive,
                                        const std::string& name) {
    auto c = yardCollector(broker, name, {"--out-dir", archive.string()});
    EXPECT_TRUE(waitFor([&] { return contains(c->err(), "collecting from"); })) << c->err();
    return c;
}

std::size_t dataFileCount(const fs::path& dir) {
    std::size_t n = 0;
    for (const auto& [name, bytes] : folderFiles(dir))
        n += isSurveyDataFileName(name);
    return n;
}

// How far the survey's cursor says each file of its folder is confirmed.
std::map<std::string, std::size_t> cursorSizes(const fs::path& out) {
    std::map<std::string, std::size_t> sizes;
    std::istringstream cursor(slurp(out / folderCursorFileName));
    std::string line;
    std::getline(cursor, line); // the receiver
    std::string name;
    std::size_t size = 0;
    while (cursor >> name >> size)
        sizes[name] = size;
    return sizes;
}

// The offsets of the pieces of a file a subscriber saw go by.
std::set<std::string> pieceOffsets(const std::string& out, const std::string& file) {
    std::set<std::string> offsets;
    const std::string head = filePieceTopic("yard", "gate") + " " + file + " ";
    for (std::size_t at = out.find(head); at != std::string::npos; at = out.find(head, at + 1))
        offsets.insert(out.substr(at + head.size(), out.find('\n', at) - at - head.size()));
    return offsets;
}

TEST_F(MqttBroker, ACollectorKilledAsEachRowArrivesStillArchivesTheFolderExactly) {
    Simulator sim(dir_, {"--level", "61.0"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir_ / "survey";
    const fs::path archive = dir_ / "archive";
    const auto watcher = subscriber(*broker_, "watcher", {filePieceTopic("yard", "gate")});
    ASSERT_TRUE(waitFor([&] { return contains(broker_->log(), "as watcher"); })) << broker_->log();
    auto collect = collector(*broker_, archive, "north");
    const auto run = archivedSurvey(sim, out, *broker_, "north");
    ASSERT_TRUE(waitFor([&] { return pieceOffsets(watcher->out(), eventsFileName).size() == 1; }))
        << run->err();
    for (std::size_t row = 1; row <= 3; ++row) {
        sim.command("silence 2.5");
        ASSERT_TRUE(waitFor([&] {
            return pieceOffsets(watcher->out(), eventsFileName).size() == row + 1;
        })) << run->err();
        // The row has reached the broker's subscribers, the collector among them.
        collect->signal(SIGKILL);
        collect->wait();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        // Meanwhile the broker took more, but nothing counts as sent that
        // the archive does not hold.
        const std::map<std::string, std::string> held = folderFiles(archive / "yard/gate");
        for (const auto& [name, size] : cursorSizes(out))
            EXPECT_LE(size, held.count(name) ? held.at(name).size() : 0u) << name;
        collect = collector(*broker_, archive, "north");
    }
    const fs::path gate = archive / "yard/gate";
    ASSERT_TRUE(waitFor([&] {
        return slurp(gate / eventsFileName) == slurp(out / eventsFileName);
    })) << collect->err()
        << run->err();
    run->signal(SIGTERM);
    ASSERT_EQ(run->wait(), 0) << run->err();
    EXPECT_FALSE(contains(run->err(), "wait for the archives")) << run->err();
    ASSERT_TRUE(waitFor([&] { return folderFiles(gate) == folderFiles(out); })) << collect->err();
    EXPECT_EQ(rowsOf(out / eventsFileName).size(), 3u);
    for (const auto& [name, bytes] : folderFiles(out))
        EXPECT_EQ(cursorSizes(out)[name], bytes.size()) << name << ": the survey knew it all held";
    EXPECT_EQ(dataFileCount(gate), 1u) << "four runs of the collector, one file for the hour";
    EXPECT_EQ(folderFiles(gate).size(), 3u);
}

TEST_F(MqttBroker, ABrokerThatLostItsQueuesWhileTheCollectorWasDownLosesNothing) {
    Simulator sim(dir_, {"--level", "57.5"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir_ / "survey";
    const fs::path gate = dir_ / "archive/yard/gate";
    auto collect = collector(*broker_, dir_ / "archive", "north");
    const auto run = archivedSurvey(sim, out, *broker_, "north");
    ASSERT_TRUE(waitFor([&] { return fs::exists(gate / eventsFileName); })) << run->err();
    collect->signal(SIGTERM);
    ASSERT_EQ(collect->wait(), 0);
    sim.command("silence 2.5");
    ASSERT_TRUE(waitFor([&] { return rowsOf(out / eventsFileName).size() == 1; })) << run->err();
    std::this_thread::sleep_for(std::chrono::seconds(2)); // the row's piece on the broker
    broker_->crash();
    ASSERT_TRUE(broker_->start()) << broker_->log();
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "is back"); })) << run->err();
    collect = collector(*broker_, dir_ / "archive", "north");
    ASSERT_TRUE(waitFor([&] {
        return slurp(gate / eventsFileName) == slurp(out / eventsFileName);
    })) << collect->err()
        << run->err();
    run->signal(SIGTERM);
    ASSERT_EQ(run->wait(), 0) << run->err();
    ASSERT_TRUE(waitFor([&] { return folderFiles(gate) == folderFiles(out); })) << collect->err();
}

TEST_F(MqttBroker, ASurveyKilledAndResumedWhileTheCollectorWasDownLosesNothingAndRepeatsNothing) {
    Simulator sim(dir_, {"--level", "49.0"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir_ / "survey";
    const fs::path gate = dir_ / "archive/yard/gate";
    auto collect = collector(*broker_, dir_ / "archive", "north");
    const auto first = archivedSurvey(sim, out, *broker_, "north");
    ASSERT_TRUE(waitFor([&] { return fs::exists(gate / eventsFileName); })) << first->err();
    collect->signal(SIGTERM);
    ASSERT_EQ(collect->wait(), 0);
    sim.command("silence 2.5");
    ASSERT_TRUE(waitFor([&] { return rowsOf(out / eventsFileName).size() == 1; })) << first->err();
    first->signal(SIGKILL);
    first->wait();
    const auto second = archivedSurvey(sim, out, *broker_, "north");
    ASSERT_TRUE(waitFor([&] { return rowsOf(out / eventsFileName).size() == 2; }))
        << "the restart's gap\n"
        << second->err();
    collect = collector(*broker_, dir_ / "archive", "north");
    ASSERT_TRUE(waitFor([&] {
        return slurp(gate / eventsFileName) == slurp(out / eventsFileName);
    })) << collect->err()
        << second->err();
    second->signal(SIGTERM);
    ASSERT_EQ(second->wait(), 0) << second->err();
    ASSERT_TRUE(waitFor([&] { return folderFiles(gate) == folderFiles(out); })) << collect->err();
    EXPECT_EQ(dataFileCount(gate), 2u) << "the resumed survey's file of its own, as in its folder";
}

TEST_F(MqttBroker, TwoNamedCollectorsBothGetTheWholeFolderThoughOneWasAway) {
    Simulator sim(dir_, {"--level", "66.0"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir_ / "survey";
    const fs::path north = dir_ / "north/yard/gate";
    const fs::path south = dir_ / "south/yard/gate";
    const auto up = collector(*broker_, dir_ / "north", "north");
    auto away = collector(*broker_, dir_ / "south", "south");
    const auto run = archivedSurvey(sim, out, *broker_, "north,south");
    ASSERT_TRUE(waitFor([&] { return fs::exists(south / eventsFileName); })) << run->err();
    // Both have confirmed something before one goes away, so the cursor is there to read.
    ASSERT_TRUE(waitFor([&] {
        return slurp(out / folderCursorFileName).find("archived by north,south\n") !=
               std::string::npos;
    })) << run->err();
    away->signal(SIGTERM);
    ASSERT_EQ(away->wait(), 0);
    const std::map<std::string, std::string> southHad = folderFiles(south);
    sim.command("silence 2.5");
    ASSERT_TRUE(waitFor([&] { return rowsOf(out / eventsFileName).size() == 1; })) << run->err();
    ASSERT_TRUE(waitFor([&] {
        return slurp(north / eventsFileName) == slurp(out / eventsFileName);
    })) << up->err();
    // What only the running collector holds is not sent yet as far as the survey's cursor goes.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    for (const auto& [name, size] : cursorSizes(out))
        EXPECT_LE(size, southHad.count(name) ? southHad.at(name).size() : 0u) << name;

    away = collector(*broker_, dir_ / "south", "south");
    ASSERT_TRUE(waitFor([&] {
        return slurp(south / eventsFileName) == slurp(out / eventsFileName);
    })) << away->err()
        << run->err();
    run->signal(SIGTERM);
    ASSERT_EQ(run->wait(), 0) << run->err();
    ASSERT_TRUE(waitFor([&] {
        return folderFiles(north) == folderFiles(out) && folderFiles(south) == folderFiles(out);
    })) << up->err()
        << away->err();
}

TEST(MqttCommandLine, WrongNamesAndAddressesEndWithStatusTwoBeforeSampling) {
    const fs::path dir = scratch("usage");
    const std::string base = cli + " survey --port /nonexistent --interval 1 --out-dir '" +
                             (dir / "out").string() + "' ";
    const struct {
        std::string args;
        std::string says;
    } wrong[] = {
        {"--mqtt http://broker", "--mqtt wants"},
        {"--mqtt mqtt://broker:99999", "--mqtt wants"},
        {"--mqtt mqtt://broker --site 'North Yard'", "--site wants"},
        {"--mqtt mqtt://broker --meter M1", "--meter wants"},
        {"--mqtt mqtt://broker --mqtt-password hunter2", "never from the command line"},
        {"--mqtt mqtt://broker --mqtt-ca /etc/hostname", "for an mqtts:// broker"},
        {"--mqtt mqtts://broker --mqtt-cert /etc/hostname", "go together"},
        {"--mqtt mqtts://broker --mqtt-ca /nonexistent/ca.pem", "cannot read"},
        {"--mqtt mqtt://broker --mqtt-user u --mqtt-password-file /nonexistent", "cannot read"},
        {"--mqtt mqtt://broker --archived-by north,", "--archived-by wants"},
        {"--mqtt mqtt://broker --archived-by North", "--archived-by wants"},
        {"--site north", "goes with --mqtt"},
        {"--archived-by north", "goes with --mqtt"},
        {"--no-discovery", "goes with --mqtt"},
    };
    for (const auto& w : wrong) {
        const ToolResult r = runTool(base + w.args);
        EXPECT_EQ(r.status, 2) << w.args << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, w.says)) << w.args << "\n" << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "out")) << "nothing made for a wrong command line";
    const ToolResult collect = runTool(cli + " collect --mqtt mqtt://broker");
    EXPECT_EQ(collect.status, 2);
    EXPECT_TRUE(contains(collect.err, "--out-dir")) << collect.err;
    const ToolResult named = runTool(cli + " collect --mqtt mqtt://broker --out-dir '" +
                                     (dir / "archive").string() + "' --name 'North Yard'");
    EXPECT_EQ(named.status, 2);
    EXPECT_TRUE(contains(named.err, "--name wants")) << named.err;
    EXPECT_FALSE(fs::exists(dir / "archive"));
}

} // namespace
