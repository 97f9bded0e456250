// vrel-cli collect: the archive of every meter that publishes to a broker,
// each in a survey folder of its own, in a PostgreSQL database, or both.
#include "CliCommon.h"
#include "Commands.h"
#include "MqttOptions.h"

#include "session/Collector.h"

#include <QString>
#include <QSysInfo>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

const std::string collectUsage =
    std::string("usage: vrel-cli collect --mqtt URL (--out-dir DIR | --db URL | both)\n"
                "                        [--site ID] [--name ID] [--share GROUP]\n"
                "                        [--db-password-file FILE]\n"
                "                        [--mqtt-user NAME] [--mqtt-password-file FILE]\n"
                "                        [--mqtt-ca FILE] [--mqtt-cert FILE --mqtt-key FILE]\n"
                "\n"
                "Archives the folders of the surveys that publish to the broker (those of\n"
                "one site, or of all) into DIR/SITE/METER/, each the survey's folder file\n"
                "for file: its data files, summary.csv and events.csv, byte for byte.\n"
                "Each second it tells each survey what it holds on its disk; a survey\n"
                "started with --archived-by NAME keeps its files waiting until this\n"
                "collector has them. The broker keeps what comes while the collector is\n"
                "away for a week. Runs until Ctrl+C or SIGTERM.\n"
                "\n"
                "With --db the readings, tables, events and marks go into a PostgreSQL\n"
                "database too (its schema made and upgraded by the collector), and what\n"
                "the surveys are told is what the database committed. A database that\n"
                "cannot be reached is tried again every 5 s; nothing is confirmed meanwhile.\n"
                "\n"
                "  --out-dir DIR      the archive's folder, made when missing\n"
                "  --db URL           postgresql://USER@HOST[:PORT]/DB[?sslmode=verify-full]\n"
                "  --db-password-file FILE  the database password on its first line\n"
                "                     (default: libpq's PGPASSFILE or ~/.pgpass)\n"
                "  --share GROUP      one of a group of collectors that split the meters\n"
                "                     (the broker's shared subscription) and confirm, as\n"
                "                     GROUP, what the database holds; needs --db\n"
                "  --name ID          the collector's name, as surveys' --archived-by\n"
                "                     gives it (default: from the host name)\n") +
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

} // namespace

int runCollect(const std::vector<std::string>& args) {
    const auto usageError = [](const std::string& fault) { return ::usageError("collect", fault); };
    if (hasPasswordArgument(args))
        return usageError("the password is read from --mqtt-password-file or "
                          "VREL_MQTT_PASSWORD, never from the command line");
    std::vector<std::string_view> valued = mqttOptionNames;
    for (std::string_view v : {"--out-dir", "--name", "--db", "--db-password-file", "--share"})
        valued.push_back(v);
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
    const std::string* db = line.option("--db");
    if ((!dir && !db) || !line.option("--mqtt"))
        return usageError("--mqtt and --out-dir or --db are needed");
    CollectorArchives archives;
    if (db) {
        if (!db->starts_with("postgresql://") && !db->starts_with("postgres://"))
            return usageError("--db wants postgresql://USER@HOST[:PORT]/DB");
        std::string_view authority = std::string_view(*db).substr(db->find("//") + 2);
        authority = authority.substr(0, authority.find_first_of("/?"));
        const std::size_t at = authority.rfind('@');
        if (at != std::string_view::npos &&
            authority.substr(0, at).find(':') != std::string_view::npos)
            return usageError("the database password is read from --db-password-file or "
                              "libpq's password file, never from the command line");
        const std::string* passwordFile = line.option("--db-password-file");
        archives.db = PgSettings{*db, passwordFile ? *passwordFile : std::string()};
    }
    if (const std::string* share = line.option("--share")) {
        if (!db)
            return usageError("--share needs --db: the group's collectors share a database");
        if (!isValidMqttId(*share))
            return usageError("--share wants 1 to 32 of a-z, 0-9, _ and -, not '" + *share + "'");
        archives.share = *share;
    }
    auto mqtt = mqttCommandLine(line, error);
    if (!mqtt)
        return usageError(error);
    const std::string name = line.option("--name")
                                 ? *line.option("--name")
                                 : meterIdFromHostName(QSysInfo::machineHostName().toStdString());
    if (!isValidMqttId(name))
        return usageError("--name wants 1 to 32 of a-z, 0-9, _ and -, not '" + name + "'");
    std::error_code ec;
    if (dir) {
        std::filesystem::create_directories(*dir, ec);
        if (ec || !std::filesystem::is_directory(*dir)) {
            std::cerr << "vrel-cli collect: cannot create the folder " << *dir << ": "
                      << ec.message() << "\n";
            return exitUsage;
        }
        archives.dir = *dir;
    }
    raiseOpenFileLimit();

    const Clock& clock = appClock();
    Collector collector(mqtt->settings, std::move(archives),
                        mqtt->siteGiven ? std::optional(mqtt->site) : std::nullopt, name, clock);
    collector.say = [&](const std::string& text) {
        std::cerr << "vrel-cli collect: " << isoLocalTime(clock, clock.nowMs()) << " " << text
                  << '\n'
                  << std::flush;
    };
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    if (!collector.start(error)) {
        std::cerr << "vrel-cli collect: " << error << "\n";
        return exitUsage;
    }
    auto lastStatus = std::chrono::steady_clock::now();
    while (!stopRequested) {
        collector.poll(std::chrono::milliseconds(200));
        if (std::chrono::steady_clock::now() - lastStatus >= statusPeriod) {
            lastStatus = std::chrono::steady_clock::now();
            collector.say(collector.countsText());
        }
    }
    collector.stop();
    collector.say("stopped: " + collector.countsText());
    return exitOk;
}
