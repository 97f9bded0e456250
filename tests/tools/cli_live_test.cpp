// The live commands against the simulated meter, run as a script would run them.
#include "ChildProcess.h"
#include "MeterSimulator.h"
#include "ToolRunner.h"

#include "formats/SpreadsheetExport.h"
#include "formats/TextDataFile.h"
#include "recording/Recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

// A scratch folder of the test's own, emptied first.
fs::path scratch(const std::string& name) {
    return emptyFolder(fs::path(VREL_TEST_TMP) / ("live-" + name));
}

// Complete sample lines in a text data file being written.
int samplesIn(const fs::path& file) {
    const std::string text = slurp(file);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    return lines > 0 ? static_cast<int>(lines) - 1 : 0;
}

// The number of the last sample the progress on standard error announced.
int lastAnnounced(const std::string& err) {
    static const std::regex progress(R"(sample (\d+)/\d+ )");
    int last = 0;
    for (auto it = std::sregex_iterator(err.begin(), err.end(), progress);
         it != std::sregex_iterator(); ++it)
        last = std::stoi((*it)[1]);
    return last;
}

std::unique_ptr<ChildProcess> cliProcess(std::vector<std::string> args,
                                         const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), cli);
    return std::make_unique<ChildProcess>(args, env);
}

std::unique_ptr<ChildProcess> record(const Simulator& sim, const fs::path& out, int count,
                                     std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"record",    "--port",  sim.link().string(),   "--interval",
                                     "0.1",       "--count", std::to_string(count), "--out",
                                     out.string()};
    args.insert(args.end(), more.begin(), more.end());
    return cliProcess(args);
}

// The file read back, and a check that it is exactly what the program's own
// writer makes of those records: a header and whole lines, nothing torn.
RecordList readBackWhole(const fs::path& file) {
    const TextDataRead read = ReadTextDataFile(file.string());
    EXPECT_EQ(read.status, TextDataRead::Status::Ok) << file;
    EXPECT_DOUBLE_EQ(read.samplingRate, 0.1);
    const std::string expected =
        read.records.empty() ? TextDataHeader(0.1) + "\r\n" : FormatTextData(read.records);
    EXPECT_EQ(slurp(file), expected) << "the file is not whole";
    return read.records;
}

std::vector<double> levels(const RecordList& records) {
    std::vector<double> v;
    for (const CObjData& r : records)
        v.push_back(r.value());
    return v;
}

TEST(CliRecord, TwentySamplesFollowTheSimulatorAndEndWithTheExport) {
    const fs::path dir = scratch("twenty");
    // A ramp the simulator plays a level per frame pair, round and round.
    std::ostringstream ramp;
    std::set<long> rampTenths;
    for (int t = 400; t < 800; ++t) {
        ramp << t / 10 << '.' << t % 10 << '\n';
        rampTenths.insert(t);
    }
    const fs::path levelsFile = dir / "levels.txt";
    std::ofstream(levelsFile) << ramp.str();
    Simulator sim(dir, {"--levels", levelsFile.string()});
    ASSERT_TRUE(sim.ready());

    const fs::path out = dir / "rec.txt";
    const fs::path xls = dir / "rec.xls";
    const auto rec = record(sim, out, 20, {"--xls", xls.string()});
    ASSERT_EQ(rec->wait(), 0) << rec->err();

    const RecordList records = readBackWhole(out);
    ASSERT_EQ(records.count(), 20);
    const std::vector<double> v = levels(records);
    for (const CObjData& r : records) {
        EXPECT_TRUE(rampTenths.count(std::lround(r.value() * 10))) << r.value();
        EXPECT_EQ(r.unit(), "dBA");
    }
    // The samples walk along the ramp (once round it at most) rather than stand still.
    int drops = 0;
    for (std::size_t i = 1; i < v.size(); ++i)
        drops += v[i] < v[i - 1] ? 1 : 0;
    EXPECT_LE(drops, 1);
    EXPECT_GT(std::set<double>(v.begin(), v.end()).size(), 1u);

    // The main view's export of the same recording.
    SeriesStats stats;
    stats.samplingRate = 0.1;
    for (int i = 0; i < records.count(); ++i)
        addToStats(stats, records[i], i + 1);
    EXPECT_EQ(slurp(xls), FormatSpreadsheetText(records, stats, ExportSource::MainView));

    const std::string err = rec->err();
    EXPECT_EQ(lastAnnounced(err), 20);
    EXPECT_TRUE(contains(err, "Leq ")) << err;
}

TEST(CliRecord, HoldFromTheMeterSkipsTicks) {
    const fs::path dir = scratch("hold");
    Simulator sim(dir, {"--level", "63.4"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "rec.txt";
    const auto rec = record(sim, out, 20);
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= 3; })) << rec->err();

    sim.command("hold on");
    ASSERT_TRUE(waitFor([&] { return contains(rec->err(), "on HOLD"); })) << rec->err();
    const int beforeHold = samplesIn(out);
    sim.command("level 70.2");
    EXPECT_EQ(samplesIn(out), beforeHold) << "a tick during HOLD took a sample";
    sim.command("hold off");
    ASSERT_EQ(rec->wait(), 0) << rec->err();

    const std::string err = rec->err();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(err, m, std::regex(R"(HOLD ended, (\d+) ticks? skipped)")))
        << err;
    EXPECT_GE(std::stoi(m[1]), 1);

    const std::vector<double> v = levels(readBackWhole(out));
    ASSERT_EQ(v.size(), 20u) << "skipped ticks do not count";
    for (int i = 0; i < beforeHold; ++i)
        EXPECT_DOUBLE_EQ(v[i], 63.4);
    // After the HOLD the level the meter took meanwhile, once its frames come.
    EXPECT_DOUBLE_EQ(v.back(), 70.2);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
}

TEST(CliRecord, KilledRecordingLeavesAWholeFileWithEverySampleTaken) {
    const fs::path dir = scratch("kill");
    Simulator sim(dir, {"--level", "63.4"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "rec.txt";
    const auto rec = record(sim, out, 40000);
    ASSERT_TRUE(waitFor([&] { return lastAnnounced(rec->err()) >= 5; })) << rec->err();
    const int announced = lastAnnounced(rec->err());
    rec->signal(SIGKILL);
    ASSERT_EQ(rec->wait(), -1);

    const RecordList records = readBackWhole(out);
    EXPECT_GE(records.count(), announced);
    for (const CObjData& r : records)
        EXPECT_DOUBLE_EQ(r.value(), 63.4);
}

TEST(CliRecord, CtrlCEndsWithACompleteFileAndTheExport) {
    const fs::path dir = scratch("interrupt");
    Simulator sim(dir, {"--level", "55.5"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "rec.txt";
    const fs::path xls = dir / "rec.xls";
    const auto rec = record(sim, out, 40000, {"--xls", xls.string()});
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= 3; })) << rec->err();
    rec->signal(SIGINT);
    ASSERT_EQ(rec->wait(), 0) << rec->err();

    const RecordList records = readBackWhole(out);
    EXPECT_EQ(records.count(), lastAnnounced(rec->err()));
    SeriesStats stats;
    stats.samplingRate = 0.1;
    for (int i = 0; i < records.count(); ++i)
        addToStats(stats, records[i], i + 1);
    EXPECT_EQ(slurp(xls), FormatSpreadsheetText(records, stats, ExportSource::MainView));
}

TEST(CliRecord, SilenceEndsWithStatusOneAndKeepsEverySample) {
    const fs::path dir = scratch("silence");
    Simulator sim(dir, {"--level", "48.1"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "rec.txt";
    const fs::path xls = dir / "rec.xls";
    const auto rec = record(sim, out, 40000, {"--xls", xls.string()});
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= 3; })) << rec->err();
    sim.command("silence 60");
    ASSERT_EQ(rec->wait(), 1) << rec->err();

    const std::string err = rec->err();
    EXPECT_TRUE(contains(err, "sent nothing for 2 seconds")) << err;
    const RecordList records = readBackWhole(out);
    EXPECT_EQ(records.count(), lastAnnounced(err));
    for (const CObjData& r : records)
        EXPECT_DOUBLE_EQ(r.value(), 48.1);
    EXPECT_TRUE(fs::exists(xls)) << "the samples taken are exported all the same";
}

TEST(CliRecord, APulledCableIsWaitedForAndNoLevelFromBeforeThePullIsTakenAfterIt) {
    const fs::path dir = scratch("replug");
    Simulator sim(dir, {"--level", "48.1"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "rec.txt";
    const auto rec = record(sim, out, 40000);
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= 3; })) << rec->err();
    sim.command("hangup");
    ASSERT_TRUE(waitFor([&] { return contains(rec->err(), "to come back"); })) << rec->err();
    const int beforePull = samplesIn(out);
    sim.command("level 66.6");
    sim.command("replug");
    ASSERT_TRUE(waitFor([&] { return contains(rec->err(), "again"); })) << rec->err();
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= beforePull + 5; })) << rec->err();
    rec->signal(SIGINT);
    ASSERT_EQ(rec->wait(), 0) << rec->err();

    const RecordList records = readBackWhole(out);
    ASSERT_GE(records.count(), beforePull + 5);
    for (int i = 0; i < records.count(); ++i)
        EXPECT_DOUBLE_EQ(records[i].value(), i < beforePull ? 48.1 : 66.6) << "sample " << i;
}

TEST(CliMonitor, JsonLinesCarryTheSimulatorsLevels) {
    const fs::path dir = scratch("monitor");
    Simulator sim(dir, {"--level", "71.3"});
    ASSERT_TRUE(sim.ready());
    const ToolResult r =
        runTool(cli + " monitor --json --seconds 2 --port '" + sim.link().string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    const std::regex object(R"(^\{"time":"\d\d-\d\d-\d{4},\d\d:\d\d:\d\d","level":([0-9.]+),)"
                            R"("weighting":"dBA","response":"SLOW","range":"30-80",)"
                            R"("annunciators":\[\],"meterTime":"[^"]*"\}$)");
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, object)) << line;
        EXPECT_EQ(m[1], "71.3");
    }
    EXPECT_GT(count, 0);

    sim.command("key 77"); // FAST
    sim.command("key 11"); // MAX
    const ToolResult text = runTool(cli + " monitor --seconds 2 --port '" + sim.device() + "'");
    ASSERT_EQ(text.status, 0) << text.err;
    const std::string last = text.out.substr(text.out.rfind('\n', text.out.size() - 2) + 1);
    EXPECT_TRUE(std::regex_match(last, std::regex(R"(\d\d-\d\d-\d{4},\d\d:\d\d:\d\d 71\.3 dBA )"
                                                  R"(FAST 30-80 MAX\n)")))
        << last;
}

TEST(CliPorts, TheTestHookPresentsTheSimulatorAsTheMetersBridge) {
    const fs::path dir = scratch("ports");
    Simulator sim(dir, {"--level", "66.6"});
    ASSERT_TRUE(sim.ready());
    const std::string hook = "VREL_CLI_EXTRA_PORTS=" + sim.link().string() +
                             "=10c4:ea60=CP2102 USB to UART Bridge Controller;" +
                             (dir / "other").string() + "=0403:6001";

    ChildProcess ports({cli, "ports"}, {hook});
    ASSERT_EQ(ports.wait(), 0) << ports.err();
    const std::string out = ports.out();
    EXPECT_TRUE(
        contains(out, sim.link().string() +
                          "\tCP2102 USB to UART Bridge Controller (meter)\t10c4:ea60\tmeter\n"))
        << out;
    EXPECT_TRUE(contains(out, (dir / "other").string() + "\tother\t0403:6001\n")) << out;
    // Every port with its three columns, and one meter.
    std::istringstream lines(out);
    int meters = 0;
    for (std::string line; std::getline(lines, line);) {
        const auto tabs = std::count(line.begin(), line.end(), '\t');
        EXPECT_TRUE(tabs == 2 || (tabs == 3 && line.ends_with("\tmeter"))) << line;
        meters += tabs == 3 ? 1 : 0;
    }
    EXPECT_EQ(meters, 1);

    // Automatic detection opens what the listing marks.
    ChildProcess monitor({cli, "monitor", "--seconds", "1"}, {hook});
    ASSERT_EQ(monitor.wait(), 0) << monitor.err();
    EXPECT_TRUE(contains(monitor.out(), " 66.6 dBA ")) << monitor.out();
}

TEST(CliLive, MissingOrBusyPortsAreNamed) {
    const fs::path dir = scratch("busy");
    Simulator sim(dir, {"--level", "60.0"});
    ASSERT_TRUE(sim.ready());

    const ToolResult missing = runTool(cli + " monitor --port '" + (dir / "none").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.err, "no such port")) << missing.err;

    const auto holder = cliProcess({"monitor", "--port", sim.link().string()});
    ASSERT_TRUE(waitFor([&] { return !holder->out().empty(); })) << holder->err();
    // Under its own name and behind the link alike.
    for (const std::string& path : {sim.link().string(), sim.device()}) {
        const ToolResult busy =
            runTool(cli + " record --port '" + path + "' --interval 1 --count 2 --out '" +
                    (dir / "r.txt").string() + "'");
        EXPECT_EQ(busy.status, 1) << path;
        EXPECT_TRUE(contains(busy.err, "busy")) << busy.err;
        EXPECT_FALSE(fs::exists(dir / "r.txt")) << "nothing is written without the meter";
    }
    holder->signal(SIGINT);
    EXPECT_EQ(holder->wait(), 0) << holder->err();
}

TEST(CliLive, UsageErrorsAndHelp) {
    const std::string out = " --out '" + std::string(VREL_TEST_TMP) + "/never.txt'";
    const struct {
        std::string args;
        std::string says;
    } wrong[] = {
        {"record --interval 0.3 --count 5" + out, "0.1, 0.2, 0.5, 1, 1.5, 2, 2.5, 3, 5, 10"},
        {"record --interval 1 --count 5", "--out"},
        {"record --interval 1 --count 0" + out, "from 1 to 40000"},
        {"record --interval 1 --count 40001" + out, "from 1 to 40000"},
        {"record --interval 1 --count 2.5" + out, "whole number"},
        {"monitor --seconds soon", "--seconds"},
        {"monitor --speed 3", "unknown option"},
        {"ports extra", "unexpected argument"},
    };
    for (const auto& w : wrong) {
        const ToolResult r = runTool(cli + " " + w.args);
        EXPECT_TRUE(isUsageError(r, w.args.substr(0, w.args.find(' ')))) << w.args << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, w.says)) << w.args << "\n" << r.err;
    }
    for (const std::string command : {"ports", "monitor", "record"}) {
        const ToolResult r = runTool(cli + " " + command + " --help");
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.starts_with("usage: vrel-cli " + command)) << r.out;
    }
}

} // namespace
