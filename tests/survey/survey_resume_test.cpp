// A survey started again on a folder whose earlier run was killed: the
// readings no summary row holds yet get their rows, once, before it goes on.
#include "SurveyFolder.h"

#include "formats/FileWrite.h"
#include "survey/SurveyRunner.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace testsurvey;

// 2026-12-08T14:00:00Z; the tests' clock keeps local time as UTC.
constexpr std::time_t dec8at14 = 1796738400;

SurveyMs at(int minute, int second) {
    return (SurveyMs(dec8at14) + minute * 60 + second) * 1000;
}

// "14:mm:ss" of 2026-12-08 as a data file's line holds it.
Wall wall(int minute, int second) {
    return {2026, 12, 8, 14, minute, second};
}

// Readings each second from minute:second on, all of one level.
std::string readings(int minute, int second, int count, double level) {
    std::string text;
    for (int i = second; i < second + count; ++i)
        text += line(wall(minute + i / 60, i % 60), level);
    return text;
}

std::string isoAt(int minute) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "2026-12-08T14:%02d:00+00:00", minute);
    return buf;
}

// The summary row of a minute whose readings all had one level.
std::string evenRow(int minute, int count, const char* coverage, const char* level) {
    std::string row =
        isoAt(minute) + "," + isoAt(minute + 1) + "," + std::to_string(count) + "," + coverage;
    for (int i = 0; i < 6; ++i)
        row += std::string(",") + level;
    return row + ",dBA\r\n";
}

const std::string summaryTop =
    std::string(summaryHeader) + "\r\n" + evenRow(0, 60, "1.0000", "50.00");

std::string read(const fs::path& path) {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path.string(), text)) << path;
    return text;
}

SurveySettings settingsFor(const fs::path& dir) {
    SurveySettings settings;
    settings.dir = dir.string();
    settings.interval = 1.0;
    settings.summarySeconds = 60;
    return settings;
}

const TickVerdict sampled;
const TickVerdict pending{GapCause::Pending, {}};

TEST(SurveyResume, ReadingsAfterTheLastRowGetTheirRowsBeforeALaterRunGoesOn) {
    const auto dir = scratch("resume-later");
    // The 14:00 row was written; the run was killed at 14:02:30.
    write(dir / summaryFileName, summaryTop);
    write(dir / fileName(wall(0, 0)),
          header(1.0) + readings(0, 0, 60, 50) + readings(1, 0, 60, 60) + readings(2, 0, 30, 70));
    const ManualClock utc(dec8at14 + 5 * 60 + 10);
    SurveySettings settings = settingsFor(dir);
    resumeSurvey(settings, utc);
    ASSERT_TRUE(settings.previousEnd);
    ASSERT_EQ(settings.unsummarised.size(), 90u) << "the readings of 14:01 and 14:02";
    EXPECT_EQ(settings.unsummarised.front().t, at(1, 0));

    SurveyRunner runner(diskFileSystem(), utc, settings);
    runner.start(at(5, 10));
    runner.tick(at(5, 11), sampled, 80, true);
    ASSERT_TRUE(runner.finish(at(5, 12)));
    EXPECT_EQ(runner.samples(), 1) << "the earlier run's readings are not this run's";
    EXPECT_EQ(read(dir / summaryFileName), summaryTop + evenRow(1, 60, "1.0000", "60.00") +
                                               evenRow(2, 30, "0.5000", "70.00") +
                                               evenRow(5, 1, "0.0167", "80.00"));
}

TEST(SurveyResume, ARunStartedInTheKilledIntervalWritesItsRowOnceWithTheReadingsOnDisk) {
    const auto dir = scratch("resume-same");
    // Killed at 14:01:30; started again at 14:01:40.
    write(dir / summaryFileName, summaryTop);
    write(dir / fileName(wall(0, 0)),
          header(1.0) + readings(0, 0, 60, 50) + readings(1, 0, 30, 60));
    const ManualClock utc(dec8at14 + 60 + 40);
    SurveySettings settings = settingsFor(dir);
    resumeSurvey(settings, utc);

    SurveyRunner runner(diskFileSystem(), utc, settings);
    runner.start(at(1, 40));
    EXPECT_EQ(runner.intervalSoFar().count, 30u) << "the interval begins with the disk's";
    for (int s = 40; s < 50; ++s)
        runner.tick(at(1, s), sampled, 70, true);
    EXPECT_EQ(read(dir / summaryFileName), summaryTop) << "no row before the interval closes";
    runner.tick(at(2, 0), pending, 0, true);
    ASSERT_TRUE(runner.finish(at(2, 0) + 500));

    const std::string summary = read(dir / summaryFileName);
    ASSERT_TRUE(summary.starts_with(summaryTop)) << summary;
    std::istringstream rows(summary.substr(summaryTop.size()));
    std::string row;
    std::getline(rows, row);
    std::vector<std::string> f;
    std::istringstream fields(row);
    for (std::string field; std::getline(fields, field, ',');)
        f.push_back(field);
    ASSERT_EQ(f.size(), 11u) << row;
    EXPECT_EQ(f[0], isoAt(1));
    EXPECT_EQ(f[1], isoAt(2));
    EXPECT_EQ(f[2], "40");
    EXPECT_EQ(f[3], "0.6667");
    EXPECT_EQ(f[4], "65.12") << "30 readings of 60 dB and 10 of 70";
    EXPECT_EQ(f[5], "70.00");
    EXPECT_EQ(f[6], "60.00");
    std::getline(rows, row);
    EXPECT_TRUE(row.starts_with(isoAt(2) + "," + isoAt(3) + ",0,")) << row;
    EXPECT_FALSE(std::getline(rows, row)) << "the 14:01 row once";
}

// Killed while it wrote the 14:01 row, an event and a reading: the cut lines
// get their ends, the cut row is no row, and the cut reading no reading.
TEST(SurveyResume, LinesCutShortByTheKillAreEndedAndLeftOut) {
    const auto dir = scratch("resume-cut");
    const std::string cutSummary = summaryTop + "2026-12-08T14:01:00+00:00,2026-12-08T14:0";
    const std::string cutEvents = std::string(eventsHeader) + "\r\n2026-12-08T14:00:3";
    write(dir / summaryFileName, cutSummary);
    write(dir / eventsFileName, cutEvents);
    write(dir / fileName(wall(0, 0)), header(1.0) + readings(0, 0, 60, 50) +
                                          readings(1, 0, 60, 60) + readings(2, 0, 5, 70) +
                                          "08-12-2026,14:02:05, 7");
    const ManualClock utc(dec8at14 + 3 * 60);
    SurveySettings settings = settingsFor(dir);
    resumeSurvey(settings, utc);
    EXPECT_EQ(settings.unsummarised.size(), 65u);

    SurveyRunner runner(diskFileSystem(), utc, settings);
    runner.start(at(3, 0));
    runner.tick(at(3, 1), sampled, 80, true);
    ASSERT_TRUE(runner.finish(at(3, 2)));
    EXPECT_EQ(read(dir / summaryFileName), cutSummary + "\r\n" + evenRow(1, 60, "1.0000", "60.00") +
                                               evenRow(2, 5, "0.0833", "70.00") +
                                               evenRow(3, 1, "0.0167", "80.00"));
    const std::string events = read(dir / eventsFileName);
    ASSERT_TRUE(events.starts_with(cutEvents + "\r\n")) << events;
    EXPECT_NE(events.find(",restart,", cutEvents.size()), std::string::npos) << events;
}

TEST(SurveyResume, AFolderWithoutDataFilesIsNoResume) {
    const auto dir = scratch("resume-none");
    write(dir / summaryFileName, summaryTop);
    SurveySettings settings = settingsFor(dir);
    resumeSurvey(settings, ManualClock(dec8at14 + 120));
    EXPECT_FALSE(settings.previousEnd);
    EXPECT_TRUE(settings.unsummarised.empty());
}

} // namespace
