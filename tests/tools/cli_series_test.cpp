// vrel-cli stats on a survey folder or several files as one series: the same
// figures as one file of the same readings, --from and --to, and --daily.
#include "SurveyFolder.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

namespace fs = std::filesystem;

namespace {

using namespace testsurvey;

const std::string cli = VREL_CLI;

// A reading a minute from 8 December 05:00 to 10 December 08:00, the meter
// away on the 9th from 12:00 to 13:00; day, evening and night levels.
struct Reading {
    int day, hour, minute;
    double level;
    Wall wall() const { return {2026, 12, day, hour, minute, 0}; }
};

std::vector<Reading> survey() {
    std::vector<Reading> readings;
    int k = 0;
    for (int day = 8; day <= 10; ++day)
        for (int hour = 0; hour < 24; ++hour)
            for (int minute = 0; minute < 60; ++minute, ++k) {
                if ((day == 8 && hour < 5) || (day == 10 && hour >= 8) || (day == 9 && hour == 12))
                    continue;
                const double base = hour >= 7 && hour < 19    ? 60.5
                                    : hour >= 19 && hour < 23 ? 50.25
                                                              : 40;
                readings.push_back({day, hour, minute, base + k % 9});
            }
    return readings;
}

// The hourly files of a survey, and one file holding them all.
void writeSurvey(const fs::path& dir, const std::vector<Reading>& readings) {
    writeHourFiles(dir, readings, 60.0);
    std::ofstream(dir / "events.csv", std::ios::binary)
        << "start,end,seconds,cause,detail\r\n"
           "2026-12-09T12:00:00.000+01:00,2026-12-09T13:00:00.000+01:00,3600.0,silence,\r\n";
}

TEST(CliSeries, AFolderGivesTheFiguresOfOneFileOfTheSameReadings) {
    const auto dir = scratch("folder");
    const auto readings = survey();
    fs::create_directories(dir / "survey");
    writeSurvey(dir / "survey", readings);
    const auto joined = writeOneFile(dir / "joined.txt", readings, 60.0);

    const auto single = runTool(cli + " stats --limit 65 " + quoted(joined));
    ASSERT_EQ(single.status, 0) << single.err;
    const auto folder = runTool(cli + " stats --limit 65 " + quoted(dir / "survey"));
    ASSERT_EQ(folder.status, 0) << folder.err;
    EXPECT_EQ(folder.out, single.out);
    EXPECT_EQ(folder.err, "");

    // Several files name the same series.
    std::string files;
    for (const auto& entry : fs::directory_iterator(dir / "survey"))
        if (entry.path().extension() == ".txt")
            files += " " + quoted(entry.path());
    EXPECT_EQ(runTool(cli + " stats --limit 65" + files).out, single.out);
    // The workplace and environmental figures too.
    const std::string noise = " --shift 8 --intervals 1h --periods 6,18,22";
    const auto figures = runTool(cli + " stats " + quoted(dir / "survey") + noise);
    ASSERT_EQ(figures.status, 0) << figures.err;
    EXPECT_EQ(figures.out, runTool(cli + " stats " + quoted(joined) + noise).out);
    EXPECT_NE(figures.out.find("\ninterval\t09-12-2026 13:00\t"), std::string::npos);

    // A span across midnight: as a file of just its readings.
    std::vector<Reading> span;
    for (const Reading& r : readings)
        if ((r.day == 8 && (r.hour > 22 || (r.hour == 22 && r.minute >= 30))) ||
            (r.day == 9 && (r.hour < 1 || (r.hour == 1 && r.minute < 15))))
            span.push_back(r);
    const auto spanFile = writeOneFile(dir / "span.txt", span, 60.0);
    const auto fromTo = runTool(cli + " stats " + quoted(dir / "survey") +
                                " --from 2026-12-08T22:30 --to '2026-12-09 01:15'");
    ASSERT_EQ(fromTo.status, 0) << fromTo.err;
    EXPECT_EQ(fromTo.out, runTool(cli + " stats " + quoted(spanFile)).out);
    EXPECT_EQ(fromTo.out.substr(0, 15), "count\t165\treadi");

    const auto none = runTool(cli + " stats " + quoted(dir / "survey") +
                              " --from 2026-12-09T12:10 --to 2026-12-09T12:50");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no readings"), std::string::npos) << none.err;
}

std::string slurp(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(CliSeries, ExportAndReportTakeAFolderAsOneDataSet) {
    const auto dir = scratch("export");
    const auto readings = survey();
    fs::create_directories(dir / "survey");
    writeSurvey(dir / "survey", readings);
    std::vector<Reading> evening;
    for (const Reading& r : readings)
        if (r.day == 8 && r.hour >= 19 && r.hour < 23)
            evening.push_back(r);
    const auto joined = writeOneFile(dir / "evening.txt", evening, 60.0);
    ASSERT_EQ(runTool(cli + " export " + quoted(joined) + " " + quoted(dir / "one.xls")).status, 0);
    const auto r =
        runTool(cli + " export " + quoted(dir / "survey") + " " + quoted(dir / "series.xls") +
                " --from 2026-12-08T19:00 --to 2026-12-08T23:00");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir / "series.xls"), slurp(dir / "one.xls"));

    const auto pdf = runTool(cli + " report " + quoted(dir / "survey") + " " +
                             quoted(dir / "survey.pdf") + " --intervals 1h");
    ASSERT_EQ(pdf.status, 0) << pdf.err;
    EXPECT_EQ(slurp(dir / "survey.pdf").substr(0, 5), "%PDF-");
}

TEST(CliSeries, DailyLinesRunFromTheDayPeriodToTheNext) {
    const auto dir = scratch("daily");
    const auto readings = survey();
    writeSurvey(dir, readings);
    const auto r = runTool(cli + " stats --daily " + quoted(dir));
    ASSERT_EQ(r.status, 0) << r.err;

    // The day of a reading starts at 07:00; its periods by the default bounds.
    std::map<int, std::vector<double>> periods[3];
    std::map<int, std::vector<double>> all;
    for (const Reading& x : readings) {
        const int day = x.hour < 7 ? x.day - 1 : x.day;
        const int p = x.hour >= 7 && x.hour < 19 ? 0 : x.hour >= 19 && x.hour < 23 ? 1 : 2;
        periods[p][day].push_back(x.level);
        all[day].push_back(x.level);
    }
    std::string expected;
    for (const auto& [day, levels] : all) {
        char date[16];
        std::snprintf(date, sizeof date, "%02d-12-2026", day);
        std::string line = std::string("day\t") + date;
        double l[3] = {};
        bool present[3] = {};
        for (int p = 0; p < 3; ++p) {
            present[p] = periods[p].count(day) > 0;
            if (present[p])
                l[p] = energyMean(periods[p][day]);
            line += "\t" + (present[p] ? fixed2(l[p]) : std::string("-"));
        }
        const bool lden = present[0] && present[1] && present[2];
        line += "\t" + (lden ? fixed2(10 * std::log10((12 * std::pow(10.0, l[0] / 10) +
                                                       4 * std::pow(10.0, (l[1] + 5) / 10) +
                                                       8 * std::pow(10.0, (l[2] + 10) / 10)) /
                                                      24))
                             : std::string("-"));
        line += "\t" + fixed2(energyMean(levels));
        line += "\t" + fixed2(*std::max_element(levels.begin(), levels.end()));
        line += "\t" + fixed2(100.0 * static_cast<double>(levels.size()) / 1440) +
                "\t0.00\t0.00\n"; // nothing excluded, nothing residual
        expected += line;
    }
    // 7, 8, 9 December and the morning of the 10th.
    EXPECT_EQ(all.size(), 4u);
    const auto days = r.out.find("day\t");
    ASSERT_NE(days, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(days), expected);
    // The morning of the 8th is the night of the 7th, without a day or an evening.
    EXPECT_EQ(r.out.substr(days, 19), "day\t07-12-2026\t-\t-\t");
}

TEST(CliSeries, ADamagedFileIsNamedAndTheRestIsRead) {
    const auto dir = scratch("damaged");
    writeSurvey(dir, survey());
    std::ofstream(dir / "survey-2026-12-09T03.txt", std::ios::binary) << "\x01\x02 not text";
    const auto r = runTool(cli + " stats " + quoted(dir));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "vrel-cli stats: " + (dir / "survey-2026-12-09T03.txt").string() +
                         ": is no text data file\n");
    EXPECT_EQ(r.out.rfind("count\t" + std::to_string(survey().size() - 60) + "\treadings\n", 0), 0u)
        << r.out;
}

TEST(CliSeries, WrongSeriesOptionsAreRefused) {
    const auto dir = scratch("usage");
    writeSurvey(dir, survey());
    for (const char* bad :
         {"--from 2026-13-01T00:00", "--to yesterday", "--from", "--intervals 10m"}) {
        const auto r = runTool(cli + " stats " + quoted(dir) + " " + std::string(bad));
        EXPECT_TRUE(isUsageError(r, "stats")) << bad << ": " << r.err;
    }
    const auto empty = scratch("empty");
    const auto r = runTool(cli + " stats " + quoted(empty));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no readings"), std::string::npos) << r.err;
}

} // namespace
