#pragma once

// The survey and the collectors the archive tests run around a broker: the
// meter yard/gate surveyed at 0.1 s, its folder waiting for collectors of the
// site yard, whether they keep a folder archive or a database.

#include "Broker.h"
#include "ChildProcess.h"
#include "MeterSimulator.h"
#include "ToolRunner.h"
#include "survey/FolderOutbox.h"

#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The survey's clock starts three seconds before ten past the next hour: the
// test's minutes stay in one hour, and a one-minute summary row closes at once.
inline std::string hourClockStart() {
    return "VREL_CLI_CLOCK_START=" + std::to_string((std::time(nullptr) / 3600 + 1) * 3600 + 597);
}

// The survey of the meter yard/gate at 0.1 s with one-minute summaries, its
// folder waiting for the named collectors.
inline std::unique_ptr<ChildProcess> archivedSurvey(const Simulator& sim,
                                                    const std::filesystem::path& out,
                                                    const Broker& broker,
                                                    const std::string& archivedBy) {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{VREL_CLI,
                                 "survey",
                                 "--port",
                                 sim.link().string(),
                                 "--interval",
                                 "0.1",
                                 "--out-dir",
                                 out.string(),
                                 "--summary",
                                 "1m",
                                 "--mqtt",
                                 broker.url(),
                                 "--site",
                                 "yard",
                                 "--meter",
                                 "gate",
                                 "--archived-by",
                                 archivedBy,
                                 "--mqtt-user",
                                 Broker::user,
                                 "--mqtt-password-file",
                                 broker.passwordFile().string()},
        std::vector<std::string>{"TZ=Europe/Istanbul", hourClockStart()});
}

// vrel-cli collect of the site yard as the broker's user collector; the
// options say where it keeps what it collects.
inline std::unique_ptr<ChildProcess> yardCollector(const Broker& broker, const std::string& name,
                                                   const std::vector<std::string>& options) {
    std::vector<std::string> args{VREL_CLI, "collect", "--mqtt", broker.url()};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"--site", "yard", "--name", name, "--mqtt-user", "collector"});
    return std::make_unique<ChildProcess>(
        args, std::vector<std::string>{"VREL_MQTT_PASSWORD=collector-password"});
}

// The data files and tables of a survey folder, with their bytes.
inline std::map<std::string, std::string> folderFiles(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        if (isSurveyFolderFileName(e.path().filename().string()))
            files[e.path().filename().string()] = slurp(e.path());
    return files;
}
