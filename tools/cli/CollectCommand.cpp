// vrel-cli collect: the archive of every meter that publishes to a broker,
// each in a survey folder of its own.
#include "CliCommon.h"
#include "Commands.h"
#include "MqttOptions.h"

#include "model/TextFormat.h"
#include "mqtt/MqttArchive.h"

#include <QString>
#include <QSysInfo>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <filesystem>
#include <iostream>
#include <mutex>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

const std::string collectUsage =
    std::string("usage: vrel-cli collect --mqtt URL --out-dir DIR [--site ID]\n"
                "                        [--mqtt-user NAME] [--mqtt-password-file FILE]\n"
                "                        [--mqtt-ca FILE] [--mqtt-cert FILE --mqtt-key FILE]\n"
                "\n"
                "Archives what the surveys publish to the broker (those of one site, or\n"
                "of all) into DIR/SITE/METER/, a survey folder for each meter:\n"
                "summary.csv and events.csv with each row once, and the levels as hourly\n"
                "data files. The broker keeps what comes while the collector is away for\n"
                "a week. Runs until Ctrl+C or SIGTERM.\n"
                "\n"
                "  --out-dir DIR      the archive's folder, made when missing\n") +
    mqttOptionsHelp +
    "\n"
    "Exit status 0 when stopped; 2 for a wrong command line or a folder that\n"
    "cannot be made.\n";

constexpr auto statusPeriod = std::chrono::minutes(1);

std::atomic<bool> stopRequested{false};

void requestStop(int) {
    stopRequested = true;
}

// Each meter's data file stays open through its hour: room for a fleet.
void raiseOpenFileLimit() {
#ifndef _WIN32
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
#endif
}

struct Inbox {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<std::string, std::string>> messages;
    std::vector<std::string> notes;
};

} // namespace

int runCollect(const std::vector<std::string>& args) {
    const auto usageError = [](const std::string& fault) { return ::usageError("collect", fault); };
    if (hasPasswordArgument(args))
        return usageError("the password is read from --mqtt-password-file or "
                          "VREL_MQTT_PASSWORD, never from the command line");
    std::vector<std::string_view> valued = mqttOptionNames;
    valued.push_back("--out-dir");
    CommandLine line;
    std::string error;
    if (!parseCommandLine(args, valued, line, error))
        return usageError(error);
    if (line.help) {
        std::cout << collectUsage;
        return exitOk;
    }
    if (!line.positional.empty())
        return usageError("unexpected argument '" + line.positional[0] + "'");
    const std::string* dir = line.option("--out-dir");
    if (!dir || !line.option("--mqtt"))
        return usageError("--mqtt and --out-dir are needed");
    auto mqtt = mqttCommandLine(line, error);
    if (!mqtt)
        return usageError(error);
    std::error_code ec;
    std::filesystem::create_directories(*dir, ec);
    if (ec || !std::filesystem::is_directory(*dir)) {
        std::cerr << "vrel-cli collect: cannot create the folder " << *dir << ": " << ec.message()
                  << "\n";
        return exitUsage;
    }
    raiseOpenFileLimit();

    const std::string scope = mqtt->siteGiven ? mqtt->site : "+";
    // The same id every time: the broker keeps the session, and what came
    // meanwhile, for this collector only.
    mqtt->settings.clientId = "vrel-collect-" +
                              meterIdFromHostName(QSysInfo::machineHostName().toStdString()) + "-" +
                              (mqtt->siteGiven ? mqtt->site : "all");
    mqtt->settings.persistentSession = true;
    const std::string url = brokerUrlText(mqtt->settings.broker);

    Inbox inbox;
    MqttClient client(mqtt->settings);
    bool away = false;
    std::string lastReason;
    client.onConnected = [&](bool sessionPresent) {
        for (const char* leaf : {"summary", "event", "level"})
            client.subscribe(std::string(mqttTopicRoot) + scope + "/+/" + leaf, 1);
        std::lock_guard lock(inbox.mutex);
        inbox.notes.push_back((away ? "the broker at " + url + " is back"
                                    : "collecting from " + url + " into " + *dir) +
                              (sessionPresent ? " (its session kept what came meanwhile)" : ""));
        away = false;
        lastReason.clear();
    };
    client.onDown = [&](const std::string& reason, MqttFailure kind) {
        std::lock_guard lock(inbox.mutex);
        if (!away || reason != lastReason)
            inbox.notes.push_back(brokerDownText(url, reason, kind) + "; trying again");
        away = true;
        lastReason = reason;
    };
    client.onMessage = [&](const std::string& topic, std::string_view payload) {
        {
            std::lock_guard lock(inbox.mutex);
            inbox.messages.emplace_back(topic, std::string(payload));
        }
        inbox.wake.notify_one();
    };

    const Clock& clock = appClock();
    auto say = [&](const std::string& text) {
        std::cerr << "vrel-cli collect: " << isoLocalTime(clock, clock.nowMs()) << " " << text
                  << '\n'
                  << std::flush;
    };
    MqttArchive archive(*dir);
    archive.report = say;
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    if (!client.start(error)) {
        std::cerr << "vrel-cli collect: " << error << "\n";
        return exitUsage;
    }

    auto countsText = [&] {
        const MqttArchive::Counts& c = archive.counts();
        return countOf(c.meters, "meter", "meters") + ", " + countOf(c.rows, "row", "rows") + ", " +
               countOf(c.duplicates, "duplicate", "duplicates") + " left out, " +
               countOf(c.levels, "level", "levels") + ", " + std::to_string(c.malformed) +
               " malformed";
    };
    auto lastStatus = std::chrono::steady_clock::now();
    while (!stopRequested) {
        std::deque<std::pair<std::string, std::string>> batch;
        std::vector<std::string> notes;
        {
            std::unique_lock lock(inbox.mutex);
            inbox.wake.wait_for(lock, std::chrono::milliseconds(200));
            batch.swap(inbox.messages);
            notes.swap(inbox.notes);
        }
        for (const std::string& n : notes)
            say(n);
        for (const auto& [topic, payload] : batch)
            archive.receive(topic, payload);
        archive.flush(clock.nowMs());
        if (std::chrono::steady_clock::now() - lastStatus >= statusPeriod) {
            lastStatus = std::chrono::steady_clock::now();
            say(countsText());
        }
    }
    client.stop();
    {
        // What arrived before the disconnect is archived too.
        std::lock_guard lock(inbox.mutex);
        for (const auto& [topic, payload] : inbox.messages)
            archive.receive(topic, payload);
    }
    archive.close();
    say("stopped: " + countsText());
    return exitOk;
}
