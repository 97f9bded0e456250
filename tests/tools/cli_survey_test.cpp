// vrel-cli survey against the simulated meter: a survey that rides out the
// cable, splits by the clock, summarises as stats does and resumes.
#include "ChildProcess.h"
#include "MeterSimulator.h"
#include "ToolRunner.h"

#include "formats/TextDataFile.h"
#include "recording/TickRule.h"
#include "survey/Survey.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

fs::path scratch(const std::string& name) {
    return emptyFolder(fs::path(VREL_TEST_TMP) / ("survey-" + name));
}

std::unique_ptr<ChildProcess> survey(const Simulator& sim, const fs::path& out,
                                     std::vector<std::string> more = {},
                                     const std::vector<std::string>& env = {"TZ=UTC"}) {
    std::vector<std::string> args = {cli,          "survey", "--port",    sim.link().string(),
                                     "--interval", "0.1",    "--out-dir", out.string()};
    args.insert(args.end(), more.begin(), more.end());
    return std::make_unique<ChildProcess>(args, env);
}

// The survey's data files in time order, each checked whole: a header and
// whole lines, exactly as the program's own writer makes them.
std::vector<fs::path> dataFiles(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec; // not there yet while the survey starts
    for (const auto& e : fs::directory_iterator(dir, ec))
        names.push_back(e.path().string());
    std::vector<fs::path> files;
    for (const std::string& f : surveyDataFiles(names))
        files.emplace_back(f);
    return files;
}

RecordList readWhole(const fs::path& file) {
    const TextDataRead read = ReadTextDataFile(file.string());
    EXPECT_EQ(read.status, TextDataRead::Status::Ok) << file;
    const std::string expected =
        read.records.empty() ? TextDataHeader(0.1) + "\r\n" : FormatTextData(read.records);
    EXPECT_EQ(slurp(file), expected) << file << " is not whole";
    return read.records;
}

std::size_t samplesIn(const fs::path& dir) {
    std::size_t n = 0;
    for (const fs::path& f : dataFiles(dir))
        n += ReadTextDataFile(f.string()).records.size();
    return n;
}

// The rows of a CSV file without its header, split into fields (no quoted commas here).
std::vector<std::vector<std::string>> csvRows(const fs::path& file, const std::string& header) {
    std::istringstream in(slurp(file));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, header + "\r") << file;
    std::vector<std::vector<std::string>> rows;
    while (std::getline(in, line)) {
        EXPECT_TRUE(line.ends_with('\r')) << line;
        line.pop_back();
        std::vector<std::string> fields;
        std::stringstream ss(line);
        for (std::string f; std::getline(ss, f, ',');)
            fields.push_back(f);
        if (line.ends_with(','))
            fields.emplace_back();
        rows.push_back(fields);
    }
    return rows;
}

// The number in the final "N samples in DIR" line.
long announcedSamples(const std::string& err) {
    std::smatch m;
    if (!std::regex_search(err, m, std::regex(R"( (\d+) samples? in )")))
        return -1;
    return std::stol(m[1]);
}

TEST(CliSurvey, RidesOutAHangUpAReplugAndASilenceKeepingEverySample) {
    const fs::path dir = scratch("cable");
    Simulator sim(dir, {"--level", "58.3"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "out";
    // Started by automatic detection, which finds the meter again after the replug.
    const auto run = std::make_unique<ChildProcess>(
        std::vector<std::string>{cli, "survey", "--interval", "0.1", "--out-dir", out.string()},
        std::vector<std::string>{"TZ=UTC", "VREL_CLI_EXTRA_PORTS=" + sim.link().string() +
                                               "=10c4:ea60=CP2102 USB to UART Bridge Controller"});
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= 5; })) << run->err();

    sim.command("hangup");
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "was lost"); })) << run->err();
    const std::size_t beforeHangup = samplesIn(out);
    sim.command("replug");
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "(disconnected)"); })) << run->err();
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= beforeHangup + 5; })) << run->err();

    sim.command("silence 2.5");
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "(silence)"); })) << run->err();
    const std::size_t afterSilence = samplesIn(out);
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= afterSilence + 5; })) << run->err();
    run->signal(SIGINT);
    ASSERT_EQ(run->wait(), 0) << run->err();

    std::size_t total = 0;
    for (const fs::path& f : dataFiles(out))
        for (const CObjData& r : readWhole(f)) {
            EXPECT_DOUBLE_EQ(r.value(), 58.3);
            ++total;
        }
    EXPECT_EQ(static_cast<long>(total), announcedSamples(run->err())) << run->err();
    const auto events = csvRows(out / eventsFileName, eventsHeader);
    ASSERT_EQ(events.size(), 2u) << slurp(out / eventsFileName);
    EXPECT_EQ(events[0][3], "disconnected");
    EXPECT_EQ(events[1][3], "silence");
    const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\+00:00)");
    for (const auto& e : events) {
        EXPECT_TRUE(std::regex_match(e[0], iso)) << e[0];
        EXPECT_TRUE(std::regex_match(e[1], iso)) << e[1];
        EXPECT_LT(e[0], e[1]);
        EXPECT_GT(std::stod(e[2]), 0);
    }
}

// The port given on the command line is followed through a pull: the survey
// says it waits, then samples the meter that came back, never a level from
// before the pull.
TEST(CliSurvey, TheChosenPortComesBackAfterAPullWithNoStaleSample) {
    const fs::path dir = scratch("chosen");
    Simulator sim(dir, {"--level", "51.2"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "out";
    const auto run = survey(sim, out);
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= 5; })) << run->err();
    sim.command("hangup");
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "to come back"); })) << run->err();
    const std::size_t beforePull = samplesIn(out);
    sim.command("level 63.4");
    sim.command("replug");
    ASSERT_TRUE(waitFor([&] { return contains(run->err(), "(disconnected)"); })) << run->err();
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= beforePull + 5; })) << run->err();
    run->signal(SIGINT);
    ASSERT_EQ(run->wait(), 0) << run->err();
    EXPECT_TRUE(contains(run->err(), "again")) << run->err();

    std::size_t i = 0;
    for (const fs::path& f : dataFiles(out))
        for (const CObjData& r : readWhole(f))
            EXPECT_DOUBLE_EQ(r.value(), i++ < beforePull ? 51.2 : 63.4) << "sample " << i;
    const auto events = csvRows(out / eventsFileName, eventsHeader);
    ASSERT_EQ(events.size(), 1u) << slurp(out / eventsFileName);
    EXPECT_EQ(events[0][3], "disconnected");
    EXPECT_EQ(events[0][4], portGoneDetail) << "in words, not the errno of a pulled port";
}

TEST(CliSurvey, AnHourCrossedSplitsTheFilesAndEachSummaryRowIsWhatStatsSays) {
    const fs::path dir = scratch("split");
    Simulator sim(dir, {"--pattern", "walk", "--level", "60"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "out";
    // 2026-12-08T14:59:57Z; the clock runs on from there.
    const auto run = survey(sim, out, {"--split", "hour", "--summary", "1m", "--for", "6s"},
                            {"TZ=UTC", "VREL_CLI_CLOCK_START=1796741997"});
    ASSERT_EQ(run->wait(), 0) << run->err();

    const std::vector<fs::path> files = dataFiles(out);
    ASSERT_EQ(files.size(), 2u) << run->err();
    EXPECT_EQ(files[0].filename(), "survey-2026-12-08T14.txt");
    EXPECT_EQ(files[1].filename(), "survey-2026-12-08T15.txt");
    const auto rows = csvRows(out / summaryFileName, summaryHeader);
    ASSERT_EQ(rows.size(), 2u) << slurp(out / summaryFileName);
    EXPECT_EQ(rows[0][0], "2026-12-08T14:59:00+00:00");
    EXPECT_EQ(rows[0][1], "2026-12-08T15:00:00+00:00");
    EXPECT_EQ(rows[1][0], "2026-12-08T15:00:00+00:00");
    for (std::size_t i = 0; i < 2; ++i) {
        const RecordList records = readWhole(files[i]);
        ASSERT_FALSE(records.empty());
        const ToolResult stats = runTool(cli + " stats '" + files[i].string() + "'");
        ASSERT_EQ(stats.status, 0) << stats.err;
        std::map<std::string, std::string> s;
        std::istringstream lines(stats.out);
        for (std::string name, value, unit; lines >> name >> value >> unit;)
            s[name] = value;
        const auto& row = rows[i];
        EXPECT_EQ(row[2], s["count"]);
        EXPECT_EQ(row[4], s["Leq"]);
        EXPECT_EQ(row[5], s["Lmax"]);
        EXPECT_EQ(row[6], s["Lmin"]);
        EXPECT_EQ(row[7], s["L10"]);
        EXPECT_EQ(row[8], s["L50"]);
        EXPECT_EQ(row[9], s["L90"]);
        EXPECT_EQ(row[10], "dBA");
        EXPECT_NEAR(std::stod(row[3]), records.size() * 0.1 / 60, 1e-4);
    }
}

TEST(CliSurvey, TermAndKillLeaveWholeFilesAndASecondStartResumes) {
    const fs::path dir = scratch("resume");
    Simulator sim(dir, {"--level", "47.0"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "out";
    const std::vector<std::string> env = {"TZ=UTC", "VREL_CLI_CLOCK_START=1796738400"};
    const auto first = survey(sim, out, {}, env);
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= 5; })) << first->err();
    first->signal(SIGTERM);
    ASSERT_EQ(first->wait(), 0) << first->err();
    const std::size_t firstSamples = samplesIn(out);
    EXPECT_EQ(static_cast<long>(firstSamples), announcedSamples(first->err()));
    const std::string summaryBefore = slurp(out / summaryFileName);
    ASSERT_EQ(csvRows(out / summaryFileName, summaryHeader).size(), 1u) << summaryBefore;
    const std::string firstFile = slurp(out / "survey-2026-12-08T14.txt");

    // Started again in the same hour of its clock: a file of its own.
    const auto second = survey(sim, out, {}, env);
    ASSERT_TRUE(waitFor([&] { return samplesIn(out) >= firstSamples + 5; })) << second->err();
    EXPECT_TRUE(contains(second->err(), "going on with the survey")) << second->err();
    ASSERT_TRUE(waitFor([&] { return contains(slurp(out / eventsFileName), ",restart,"); }));
    second->signal(SIGKILL);
    ASSERT_EQ(second->wait(), -1);

    const std::vector<fs::path> files = dataFiles(out);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].filename(), "survey-2026-12-08T14-2.txt");
    EXPECT_EQ(slurp(files[0]), firstFile) << "a closed file is never written again";
    EXPECT_GE(readWhole(files[1]).size(), 5u);
    EXPECT_EQ(slurp(out / summaryFileName), summaryBefore) << "one header, the rows kept";
    const auto events = csvRows(out / eventsFileName, eventsHeader);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0][3], "restart");
}

// The readings of each minute ("hh:mm") in the data files.
std::map<std::string, std::size_t> readingsByMinute(const fs::path& dir) {
    std::map<std::string, std::size_t> minutes;
    for (const fs::path& f : dataFiles(dir))
        for (const CObjData& r : ReadTextDataFile(f.string()).records)
            ++minutes[std::string(r.dateTime().substr(r.dateTime().find(',') + 1, 5))];
    return minutes;
}

// Killed in the middle of a minute and started again a minute later: the
// killed minute's row comes from its readings on disk, and every minute with
// readings has one row.
TEST(CliSurvey, AMinuteCutShortByAKillGetsItsRowWhenTheSurveyGoesOn) {
    const fs::path dir = scratch("killed");
    Simulator sim(dir, {"--level", "52.4"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "out";
    // 2026-12-08T14:59:59Z: the 14:59 row is written a second in.
    const auto first =
        survey(sim, out, {"--summary", "1m"}, {"TZ=UTC", "VREL_CLI_CLOCK_START=1796741999"});
    ASSERT_TRUE(waitFor([&] { return readingsByMinute(out)["15:00"] >= 5; })) << first->err();
    first->signal(SIGKILL);
    ASSERT_EQ(first->wait(), -1);
    const std::size_t killedMinute = readingsByMinute(out)["15:00"];
    ASSERT_EQ(csvRows(out / summaryFileName, summaryHeader).size(), 1u)
        << slurp(out / summaryFileName);

    // 15:01:30.
    const auto second =
        survey(sim, out, {"--summary", "1m"}, {"TZ=UTC", "VREL_CLI_CLOCK_START=1796742090"});
    ASSERT_TRUE(waitFor([&] { return readingsByMinute(out)["15:01"] >= 5; })) << second->err();
    second->signal(SIGINT);
    ASSERT_EQ(second->wait(), 0) << second->err();

    const auto rows = csvRows(out / summaryFileName, summaryHeader);
    std::map<std::string, int> starts;
    for (const auto& row : rows)
        ++starts[row[0].substr(11, 5)];
    for (const auto& [minute, n] : starts)
        EXPECT_EQ(n, 1) << minute << " has " << n << " rows\n" << slurp(out / summaryFileName);
    for (const auto& [minute, n] : readingsByMinute(out))
        EXPECT_TRUE(starts.count(minute)) << minute << " has readings but no row";
    ASSERT_EQ(rows.size(), 3u) << slurp(out / summaryFileName);
    const auto& killed = rows[1];
    EXPECT_EQ(killed[0], "2026-12-08T15:00:00+00:00");
    EXPECT_EQ(killed[1], "2026-12-08T15:01:00+00:00");
    EXPECT_EQ(killed[2], std::to_string(killedMinute));
    EXPECT_NEAR(std::stod(killed[3]), killedMinute * 0.1 / 60, 1e-4);
    EXPECT_EQ(killed[4], "52.40");
    EXPECT_EQ(killed[10], "dBA");
}

TEST(CliSurvey, WrongCommandLinesAndFoldersEndWithStatusTwoBeforeSampling) {
    const fs::path dir = scratch("usage");
    std::ofstream(dir / "plain") << "a file, not a folder";
    const std::string out = " --out-dir '" + (dir / "out").string() + "'";
    const struct {
        std::string args;
        std::string says;
    } wrong[] = {
        {"--interval 0.3" + out, "0.1, 0.2, 0.5, 1, 1.5, 2, 2.5, 3, 5, 10"},
        {"--interval 1", "--out-dir"},
        {"--interval 1 --split week" + out, "hour or day"},
        {"--interval 1 --summary 10m" + out, "1m, 5m, 15m or 1h"},
        {"--interval 1 --until soon" + out, "--until wants"},
        {"--interval 1 --until 2001-01-01T00:00" + out, "has passed"},
        {"--interval 1 --for 1h30" + out, "--for wants"},
        {"--interval 1 --for 1h --until 2099-01-01T00:00" + out, "exclude"},
        {"--interval 1 --out-dir '" + (dir / "plain" / "sub").string() + "'", "cannot create"},
    };
    for (const auto& w : wrong) {
        const ToolResult r = runTool(cli + " survey --port /nonexistent " + w.args);
        EXPECT_EQ(r.status, 2) << w.args << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, w.says)) << w.args << "\n" << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "out")) << "nothing made for a wrong command line";
    const ToolResult help = runTool(cli + " survey --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("usage: vrel-cli survey")) << help.out;
}

} // namespace
