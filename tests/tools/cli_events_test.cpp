// vrel-cli events on a folder, and the events a running survey finds: the
// rows of its exceedances.csv are the events of the folder it leaves.
#include "ChildProcess.h"
#include "MeterSimulator.h"
#include "ToolRunner.h"

#include "survey/SeriesEvents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// Readings a second apart from 2026-11-02 06:59:55, loud across 07:00.
fs::path acrossTheDay(const std::string& name) {
    const fs::path dir = emptyFolder(fs::path(VREL_TEST_TMP) / ("events-" + name));
    const double levels[] = {50, 50, 50, 80, 90, 80, 80, 50, 50, 50};
    std::string first = "Kovra Sound Level Meter SamplingRate:1.0;\r\n", second = first;
    for (int i = 0; i < 10; ++i) {
        const int s = 55 + i;
        char line[64];
        std::snprintf(line, sizeof line, "02-11-2026,%02d:%02d:%02d, %5.2f, dBA\r\n",
                      s < 60 ? 6 : 7, s < 60 ? 59 : 0, s % 60, levels[i]);
        (s < 60 ? first : second) += line;
    }
    std::ofstream(dir / "survey-2026-11-02T06.txt", std::ios::binary) << first;
    std::ofstream(dir / "survey-2026-11-02T07.txt", std::ios::binary) << second;
    return dir;
}

TEST(CliEvents, LinesOfEventsAndDaysAsWritten) {
    const fs::path dir = acrossTheDay("lines");
    const auto r = runTool("TZ=UTC " + cli + " events " + quoted(dir) + " --above 75");
    ASSERT_EQ(r.status, 0) << r.err;
    // Leq 10 lg((3 * 10^8 + 10^9) / 4) = 85.12, SEL + 10 lg 4; the event
    // starts before 07:00, on the 1st's day.
    EXPECT_EQ(r.out, "event\t1\t2026-11-02T06:59:58.0+00:00\t2026-11-02T07:00:02.0+00:00\t4.0\t"
                     "90.00\t2026-11-02T06:59:59.0+00:00\t85.12\t91.14\n"
                     "eventday\t01-11-2026\t1\t2.0\n"
                     "eventday\t02-11-2026\t0\t2.0\n");

    const auto daily = runTool("TZ=UTC " + cli + " stats " + quoted(dir) + " --daily --above 75");
    ASSERT_EQ(daily.status, 0) << daily.err;
    std::istringstream lines(daily.out);
    std::vector<std::string> days;
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("day\t"))
            days.push_back(line.substr(line.size() - 6));
    EXPECT_EQ(days, (std::vector<std::string>{"\t1\t2.0", "\t0\t2.0"})) << daily.out;
}

TEST(CliEvents, AnExcludedReadingEndsAnEventAndIsNotTimeAbove) {
    const fs::path dir = acrossTheDay("marks");
    std::ofstream(dir / "markers.csv", std::ios::binary)
        << "start,end,kind,label,note\r\n"
           "2026-11-02T06:59:59+00:00,2026-11-02T07:00:00+00:00,exclude,rain,\r\n"
           "2026-11-02T06:59:55+00:00,2026-11-02T07:00:05+00:00,residual,off,\r\n";
    const auto r = runTool("TZ=UTC " + cli + " events " + quoted(dir) + " --above 75");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "event\t1\t2026-11-02T06:59:58.0+00:00\t2026-11-02T06:59:59.0+00:00\t1.0\t"
                     "80.00\t2026-11-02T06:59:58.0+00:00\t80.00\t80.00\n"
                     "event\t2\t2026-11-02T07:00:00.0+00:00\t2026-11-02T07:00:02.0+00:00\t2.0\t"
                     "80.00\t2026-11-02T07:00:00.0+00:00\t80.00\t83.01\n"
                     "eventday\t01-11-2026\t1\t1.0\n"
                     "eventday\t02-11-2026\t1\t2.0\n");
    const auto all = runTool("TZ=UTC " + cli + " events " + quoted(dir) + " --above 75 --no-marks");
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_TRUE(all.out.starts_with("event\t1\t2026-11-02T06:59:58.0+00:00\t2026-11-02T07:00:02"))
        << all.out;
}

// Two days at 10 s from 2026-11-02 07:00 with an outage and an excluded
// span: the background level as defined, worked out here reading by reading.
TEST(CliEvents, TheBackgroundFollowsTheMarksAndLeavesOutShortQuarters) {
    const fs::path dir = emptyFolder(fs::path(VREL_TEST_TMP) / "events-background");
    const std::time_t from = 1793602800; // 2026-11-02 07:00 UTC
    const std::time_t outFrom = from + 5 * 3600 + 7 * 60, outTo = from + 6 * 3600 + 31 * 60;
    const std::time_t exFrom = from + 26 * 3600, exTo = from + 26 * 3600 + 150;
    std::map<std::string, std::string> files;
    std::map<std::time_t, std::vector<int>> quarters; // levels in hundredths, left in
    for (std::time_t t = from; t < from + 2 * 86400; t += 10) {
        if (t >= outFrom && t < outTo)
            continue;
        const std::tm tm = *std::gmtime(&t);
        const int base = tm.tm_hour >= 7 && tm.tm_hour < 19    ? 5500
                         : tm.tm_hour >= 19 && tm.tm_hour < 23 ? 4700
                                                               : 3900;
        const int level = base + static_cast<int>((t / 10 * 37) % 800);
        char name[64], line[64];
        std::strftime(name, sizeof name, "survey-%Y-%m-%dT%H.txt", &tm);
        std::snprintf(line, sizeof line, "%02d-%02d-%d,%02d:%02d:%02d, %d.%02d, dBA\r\n",
                      tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                      tm.tm_sec, level / 100, level % 100);
        std::string& text = files[name];
        if (text.empty())
            text = "Kovra Sound Level Meter SamplingRate:10.0;\r\n";
        text += line;
        if (t < exFrom || t >= exTo)
            quarters[t / 900 * 900].push_back(level);
    }
    for (const auto& [name, text] : files)
        std::ofstream(dir / name, std::ios::binary) << text;
    std::ofstream(dir / "markers.csv", std::ios::binary)
        << "start,end,kind,label,note\r\n"
           "2026-11-03T09:00:00+00:00,2026-11-03T09:02:30+00:00,exclude,wind,\r\n";

    // (date, period) -> LA90 of each counted quarter
    std::map<std::pair<std::time_t, int>, std::vector<double>> la90s;
    for (auto& [q, levels] : quarters) {
        if (levels.size() * 10 < 810) // 90 % of 900 s
            continue;
        std::sort(levels.begin(), levels.end(), std::greater<>());
        const int hour = static_cast<int>(q / 3600 % 24);
        const int period = hour >= 7 && hour < 19 ? 0 : hour >= 19 && hour < 23 ? 1 : 2;
        const std::time_t date = (q - 7 * 3600) / 86400 * 86400;
        la90s[{date, period}].push_back(levels[(90 * levels.size() + 99) / 100 - 1] / 100.0);
    }
    const char* names[] = {"day", "evening", "night"};
    std::string expected;
    std::vector<double> abls[3];
    for (auto& [key, values] : la90s) {
        std::sort(values.begin(), values.end());
        const double abl = values[(values.size() + 9) / 10 - 1];
        abls[key.second].push_back(abl);
        const std::tm tm = *std::gmtime(&key.first);
        char line[96];
        std::snprintf(line, sizeof line, "abl\t%02d-%02d-%d\t%s\t%.2f\t%zu\n", tm.tm_mday,
                      tm.tm_mon + 1, tm.tm_year + 1900, names[key.second], abl, values.size());
        expected += line;
    }
    for (int p = 0; p < 3; ++p) {
        auto& a = abls[p];
        ASSERT_EQ(a.size(), 2u);
        char line[64];
        std::snprintf(line, sizeof line, "rbl\t%s\t%.2f\t2\n", names[p], (a[0] + a[1]) / 2);
        expected += line;
    }
    // The outage leaves 12:00 (7 of 15 minutes) out and 13:30 (14) in; the
    // mark takes 09:00 below 90 %.
    const std::pair<std::time_t, int> firstDay{from - 7 * 3600, 0}, secondDay{from + 17 * 3600, 0};
    EXPECT_EQ(la90s[firstDay].size(), 48u - 6u);
    EXPECT_EQ(la90s[secondDay].size(), 47u);

    const auto r = runTool("TZ=UTC " + cli + " stats " + quoted(dir) + " --background");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find("abl\t")), expected);
}

TEST(CliEvents, WrongEventOptionsAreRefused) {
    const fs::path dir = acrossTheDay("usage");
    for (const std::string& bad : {"events " + quoted(dir), "events " + quoted(dir) + " --above x",
                                   "events " + quoted(dir) + " --above 70 --hysteresis -1",
                                   "events " + quoted(dir) + " --above 70 --min",
                                   "stats " + quoted(dir) + " --daily --merge 2"}) {
        const auto r = runTool(cli + " " + bad);
        EXPECT_TRUE(isUsageError(r, bad.substr(0, bad.find(' ')))) << bad << ": " << r.err;
    }
}

// The rows of a CSV file after its header, tab-separated as vrel-cli's lines.
std::string rowsAsLines(const fs::path& file) {
    std::istringstream in(slurp(file));
    std::string line, out;
    std::getline(in, line);
    EXPECT_EQ(line, std::string(exceedancesHeader) + "\r");
    while (std::getline(in, line)) {
        EXPECT_TRUE(line.ends_with('\r')) << line;
        line.pop_back();
        std::replace(line.begin(), line.end(), ',', '\t');
        out += "event\t" + line + "\n";
    }
    return out;
}

std::size_t readingsIn(const fs::path& dir) {
    std::size_t n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.path().filename().string().starts_with("survey-")) {
            const std::string text = slurp(e.path());
            n += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) - 1;
        }
    return n;
}

TEST(CliEvents, ASurveyWritesTheEventsItsFolderGives) {
    const fs::path dir = emptyFolder(fs::path(VREL_TEST_TMP) / "events-live");
    Simulator sim(dir, {"--level", "60"});
    ASSERT_TRUE(sim.ready());
    const fs::path out = dir / "out";
    ChildProcess run({cli, "survey", "--port", sim.link().string(), "--interval", "0.1",
                      "--out-dir", out.string(), "--event-above", "70", "--event-hysteresis", "5",
                      "--event-min", "0.3"},
                     {"TZ=UTC"});
    auto after = [&](std::size_t more) {
        const std::size_t target = readingsIn(out) + more;
        return waitFor([&] { return readingsIn(out) >= target; });
    };
    ASSERT_TRUE(after(10)) << run.err();
    // Bursts: one that sinks below the threshold but not below the
    // hysteresis, a short one left out by the minimum, and one cut by a
    // pulled cable and going on after it.
    for (const char* level : {"level 85", "level 68", "level 82", "level 60"}) {
        sim.command(level);
        ASSERT_TRUE(after(8)) << run.err();
    }
    sim.command("level 90");
    sim.command("level 60");
    ASSERT_TRUE(after(10)) << run.err();
    sim.command("level 88");
    ASSERT_TRUE(after(8)) << run.err();
    sim.command("hangup");
    ASSERT_TRUE(waitFor([&] { return contains(run.err(), "was lost"); })) << run.err();
    // Away long enough for the readings' stamps to show the gap.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    sim.command("replug");
    ASSERT_TRUE(waitFor([&] { return contains(run.err(), "(disconnected)"); })) << run.err();
    ASSERT_TRUE(after(8)) << run.err();
    sim.command("level 60");
    ASSERT_TRUE(after(8)) << run.err();
    run.signal(SIGINT);
    ASSERT_EQ(run.wait(), 0) << run.err();

    const std::string rows = rowsAsLines(out / exceedancesFileName);
    const auto r = runTool("TZ=UTC " + cli + " events " + quoted(out) +
                           " --above 70 --hysteresis 5 --min 0.3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("eventday")), rows);
    EXPECT_GE(std::count(rows.begin(), rows.end(), '\n'), 3) << rows;
    EXPECT_TRUE(contains(run.err(), "exceedance 1 from ")) << run.err();
}

} // namespace
