// The survey's folder: names split by the clock, interval summaries, gaps and
// writes that survive a failing disk.
#include "formats/TextDataFile.h"
#include "recording/Recording.h"
#include "survey/Survey.h"
#include "survey/SurveyRunner.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A clock in a zone of our own: UTC+offsetBefore until switchAt, then offsetAfter.
class ZoneClock final : public Clock {
  public:
    ZoneClock(std::time_t now, int offsetBefore, std::time_t switchAt = 0, int offsetAfter = 0)
        : now_(now), before_(offsetBefore), switchAt_(switchAt),
          after_(switchAt ? offsetAfter : offsetBefore) {}
    std::time_t now() const override { return now_; }
    LocalTime local(std::time_t t) const override {
        return ManualClock().local(t + (switchAt_ && t >= switchAt_ ? after_ : before_));
    }

  private:
    std::time_t now_;
    int before_;
    std::time_t switchAt_;
    int after_;
};

// 2026-12-08T14:00:00Z
constexpr std::time_t dec8at14 = 1796738400;
// 2026-10-25T01:00:00Z, when Central European summer time ends (03:00 CEST -> 02:00 CET)
constexpr std::time_t octoberSwitch = 1792890000;

TEST(SurveyTimes, LocalTimesCarryTheirUtcOffset) {
    const ZoneClock cet(0, 3600);
    EXPECT_EQ(isoLocalTime(cet, SurveyMs(dec8at14) * 1000), "2026-12-08T15:00:00+01:00");
    EXPECT_EQ(isoLocalTime(cet, SurveyMs(dec8at14) * 1000 + 250, true),
              "2026-12-08T15:00:00.250+01:00");
    const ZoneClock india(0, -(5 * 3600 + 30 * 60));
    EXPECT_EQ(isoLocalTime(india, SurveyMs(dec8at14) * 1000), "2026-12-08T08:30:00-05:30");

    // The hour that repeats when summer time ends reads differently each time.
    const ZoneClock europe(0, 7200, octoberSwitch, 3600);
    EXPECT_EQ(isoLocalTime(europe, SurveyMs(octoberSwitch - 1800) * 1000),
              "2026-10-25T02:30:00+02:00");
    EXPECT_EQ(isoLocalTime(europe, SurveyMs(octoberSwitch + 1800) * 1000),
              "2026-10-25T02:30:00+01:00");
}

TEST(SurveyTimes, UntilAndForAreReadAsUsersWriteThem) {
    const ZoneClock cet(0, 3600);
    EXPECT_EQ(parseSurveyDateTime("2026-12-08T15:00", cet), dec8at14);
    EXPECT_EQ(parseSurveyDateTime("2026-12-08 15:00:30", cet), dec8at14 + 30);
    EXPECT_EQ(parseSurveyDateTime("2026-12-08T14:00:00Z", cet), dec8at14);
    EXPECT_EQ(parseSurveyDateTime("2026-12-08T16:00+02:00", cet), dec8at14);
    EXPECT_EQ(parseSurveyDateTime("2026-12-08T09:30-0430", cet), dec8at14);
    // A local time just after the clocks went back is found in the new offset.
    const ZoneClock europe(0, 7200, octoberSwitch, 3600);
    EXPECT_EQ(parseSurveyDateTime("2026-10-25T04:00", europe), octoberSwitch + 2 * 3600);
    for (const char* wrong : {"", "tomorrow", "2026-12-08", "2026-13-01T00:00", "2026-02-30T00:00",
                              "2026-12-08T24:00", "2026-12-08T10:00+1", "2026-12-08T10:00:00 Z"})
        EXPECT_FALSE(parseSurveyDateTime(wrong, cet)) << wrong;

    EXPECT_EQ(parseSurveyDuration("3600"), 3600);
    EXPECT_EQ(parseSurveyDuration("90m"), 5400);
    EXPECT_EQ(parseSurveyDuration("1d12h"), 129600);
    EXPECT_EQ(parseSurveyDuration("2.5s"), 2.5);
    for (const char* wrong : {"", "0", "0m", "-5m", "1h30", "5w", "m", "1e400"})
        EXPECT_FALSE(parseSurveyDuration(wrong)) << wrong;
}

TEST(SurveyCsv, FieldsAreQuotedAsRfc4180Asks) {
    EXPECT_EQ(csvRow({"a", "b c", ""}), "a,b c,\r\n");
    EXPECT_EQ(csvRow({"lost: 1,2", "say \"hi\"", "two\nlines"}),
              "\"lost: 1,2\",\"say \"\"hi\"\"\",\"two\nlines\"\r\n");
}

TEST(SurveyCsv, RowsReadBackAsWrittenAndBrokenOnesAsFarAsTheyGo) {
    const std::vector<std::string> written = {"", "a", "lost: 1,2", "say \"hi\"", "\"", ",,"};
    const std::string row = csvRow(written);
    EXPECT_EQ(splitCsvRow(std::string_view(row).substr(0, row.size() - 2)), written);

    using Fields = std::vector<std::string>;
    const struct {
        const char* row;
        Fields fields;
        bool wellFormed;
    } cases[] = {
        {"", {""}, true},
        {"a,,b", {"a", "", "b"}, true},
        {"\"\"", {""}, true},
        {"a\"b,c\"", {"a\"b", "c\""}, true}, // a quote inside a field is itself
        {"\"a\"\"\"", {"a\""}, true},
        // The first line of a quoted line break: what it holds is read.
        {"a,\"two", {"a", "two"}, false},
        {"\"", {""}, false},
        // Text after a closing quote joins the field; a quote there quotes again.
        {"\"b\"c,d", {"bc", "d"}, false},
        {"\"b\"c\",d\",e", {"bc,d", "e"}, false},
    };
    for (const auto& c : cases) {
        const CsvRowRead read = readCsvRow(c.row);
        EXPECT_EQ(read.fields, c.fields) << c.row;
        EXPECT_EQ(read.wellFormed, c.wellFormed) << c.row;
        EXPECT_EQ(splitCsvRow(c.row).has_value(), c.wellFormed) << c.row;
    }
}

TEST(SurveyFolder, DataFilesComeInTimeOrder) {
    const std::vector<std::string> names = {
        "dir/survey-2026-12-08T15.txt",
        "dir/survey-2026-12-08T14-2.txt",
        "dir/summary.csv",
        "dir/survey-2026-12-08T14.txt",
        "dir/survey-2026-12-07.txt",
        "dir/survey-2026-12-08T14-10.txt",
        "dir/notes.txt",
        "dir/survey-2026-12-08T14-1.txt",
        "dir/survey-2026-12-08T9.txt",
    };
    EXPECT_EQ(surveyDataFiles(names),
              (std::vector<std::string>{"dir/survey-2026-12-07.txt", "dir/survey-2026-12-08T14.txt",
                                        "dir/survey-2026-12-08T14-2.txt",
                                        "dir/survey-2026-12-08T14-10.txt",
                                        "dir/survey-2026-12-08T15.txt"}));
    const LocalTime t{2026, 12, 8, 4, 5, 6};
    EXPECT_EQ(surveyFileName(surveyFileStem(t, SurveySplit::Hour), 1), "survey-2026-12-08T04.txt");
    EXPECT_EQ(surveyFileName(surveyFileStem(t, SurveySplit::Day), 3), "survey-2026-12-08-3.txt");
}

TEST(SurveySummary, IntervalsLieOnTheClockAndShowTheirCoverage) {
    const ZoneClock cet(0, 3600);
    IntervalSummary summary(cet, 900, 1.0);
    const SurveyMs at = SurveyMs(dec8at14) * 1000;
    // Started at 15:10 local: the first interval is 15:00-15:15, taken for 5 minutes.
    EXPECT_FALSE(summary.advance(at + 600'000));
    for (int i = 0; i < 300; ++i) {
        EXPECT_FALSE(summary.advance(at + 600'000 + i * 1000));
        summary.add(i < 30 ? 70.0 : 50.0, "dBA");
    }
    const auto row = summary.advance(at + 900'000);
    ASSERT_TRUE(row);
    EXPECT_EQ(*row, "2026-12-08T15:00:00+01:00,2026-12-08T15:15:00+01:00,300,0.3333,"
                    "60.37,70.00,50.00,70.00,50.00,50.00,dBA\r\n");
    // An interval without a sample still has its row, so the gap shows.
    EXPECT_EQ(*summary.advance(at + 1800'000),
              "2026-12-08T15:15:00+01:00,2026-12-08T15:30:00+01:00,0,0.0000,,,,,,,\r\n");
    summary.add(60.0, "dBC");
    summary.add(60.0, "dBA");
    EXPECT_EQ(*summary.finish(), "2026-12-08T15:30:00+01:00,2026-12-08T15:45:00+01:00,2,0.0022,"
                                 "60.00,60.00,60.00,60.00,60.00,60.00,mixed\r\n");
    EXPECT_FALSE(summary.finish());

    // Hours when summer time ends: 02:00-03:00 comes twice, as two rows.
    const ZoneClock europe(0, 7200, octoberSwitch, 3600);
    IntervalSummary hours(europe, 3600, 1.0);
    hours.advance(SurveyMs(octoberSwitch - 1800) * 1000);
    const auto first = hours.advance(SurveyMs(octoberSwitch + 1) * 1000);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->starts_with("2026-10-25T02:00:00+02:00,2026-10-25T02:00:00+01:00,"))
        << *first;
    EXPECT_TRUE(
        hours.finish()->starts_with("2026-10-25T02:00:00+01:00,2026-10-25T03:00:00+01:00,"));
}

TEST(SurveyGaps, AGapRunsFromTheFirstTickWithoutASampleToTheNext) {
    GapTracker gaps;
    // No frame yet after the start: no gap.
    EXPECT_FALSE(gaps.tick(0, GapCause::Pending));
    EXPECT_FALSE(gaps.tick(100, GapCause::None));
    EXPECT_FALSE(gaps.tick(200, GapCause::Silence, "quiet"));
    EXPECT_FALSE(gaps.tick(300, GapCause::Disconnected, "pulled"));
    EXPECT_FALSE(gaps.tick(400, GapCause::Pending));
    const auto gap = gaps.tick(500, GapCause::None);
    ASSERT_TRUE(gap);
    EXPECT_EQ(gap->start, 200);
    EXPECT_EQ(gap->end, 500);
    EXPECT_EQ(gap->cause, "disconnected") << "the cable's loss names the gap";
    EXPECT_EQ(gap->detail, "pulled");
    EXPECT_EQ(gapRow(ManualClock(), *gap),
              "1970-01-01T00:00:00.200+00:00,1970-01-01T00:00:00.500+00:00,0.3,disconnected,"
              "pulled\r\n");

    EXPECT_FALSE(gaps.tick(600, GapCause::Hold));
    const auto open = gaps.finish(900);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->cause, "hold");
    EXPECT_EQ(open->end, 900);
    EXPECT_EQ(gaps.count(), 2u);
}

// Files in memory, with a disk that can fill up.
class MemoryFileSystem final : public SurveyFileSystem {
  public:
    std::map<std::string, std::string> files;
    std::map<std::string, int> closes;
    // While set, opening fails and a write takes at most this many bytes.
    std::optional<std::size_t> full;

    bool exists(const std::string& path) const override { return files.count(path) > 0; }
    bool endsMidLine(const std::string& path) const override {
        const auto f = files.find(path);
        return f != files.end() && !f->second.empty() && !f->second.ends_with('\n');
    }
    std::unique_ptr<SurveyFile> openAppend(const std::string& path, std::string& error) override {
        if (full && !files.count(path)) {
            error = "cannot open " + path + ": No space left on device";
            return nullptr;
        }
        files[path];
        return std::make_unique<File>(*this, path);
    }

  private:
    class File final : public SurveyFile {
      public:
        File(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
        std::size_t write(std::string_view bytes, std::string& error) override {
            std::size_t n = bytes.size();
            if (fs_.full && *fs_.full < n) {
                n = *fs_.full;
                error = "cannot write " + path_ + ": No space left on device";
            }
            if (fs_.full)
                *fs_.full -= n;
            fs_.files[path_].append(bytes.substr(0, n));
            return n;
        }
        bool syncAndClose(std::string&) override {
            ++fs_.closes[path_];
            return true;
        }

      private:
        MemoryFileSystem& fs_;
        std::string path_;
    };
};

CObjData sampleAt(const Clock& clock, SurveyMs t, double level) {
    return CObjData(level, recordTimeStamp(clock.local(static_cast<std::time_t>(t / 1000))), "dBA",
                    0, 1.0);
}

TEST(SurveyStoreFiles, SamplesSplitByTheHourIntoNewFilesEvenWhenResumed) {
    const ManualClock utc;
    MemoryFileSystem fs;
    fs.files["d/survey-2026-12-08T14.txt"] = "an earlier run's file\r\n";
    fs.files["d/summary.csv"] = "earlier rows\r\n";
    RecordList first, second;
    {
        SurveyStore store(fs, utc, "d", SurveySplit::Hour, 1.0, 100);
        for (int i = 0; i < 4; ++i) {
            const SurveyMs t = (SurveyMs(dec8at14) + 3598 + i) * 1000;
            const CObjData s = sampleAt(utc, t, 50 + i);
            (i < 2 ? first : second).append(s);
            store.addSample(s, t);
            EXPECT_TRUE(store.flush(t));
        }
        store.addSummaryRow("a row\r\n");
        EXPECT_EQ(fs.closes["d/survey-2026-12-08T14-2.txt"], 1)
            << "closed, synced, when the hour ends";
        EXPECT_EQ(fs.closes["d/survey-2026-12-08T15.txt"], 0);
        EXPECT_TRUE(store.close());
    }
    EXPECT_EQ(fs.files["d/survey-2026-12-08T14.txt"], "an earlier run's file\r\n");
    EXPECT_EQ(fs.files["d/survey-2026-12-08T14-2.txt"], FormatTextData(first));
    EXPECT_EQ(fs.files["d/survey-2026-12-08T15.txt"], FormatTextData(second));
    EXPECT_EQ(fs.closes["d/survey-2026-12-08T15.txt"], 1);
    EXPECT_EQ(fs.files["d/summary.csv"], "earlier rows\r\na row\r\n") << "no second header";
    EXPECT_EQ(fs.files["d/events.csv"], std::string(eventsHeader) + "\r\n");
}

TEST(SurveyStoreFiles, TheHourThatComesTwiceGetsTwoFiles) {
    const ZoneClock europe(0, 7200, octoberSwitch, 3600);
    MemoryFileSystem fs;
    SurveyStore store(fs, europe, "d", SurveySplit::Hour, 1.0, 100);
    for (const std::time_t t : {octoberSwitch - 10, octoberSwitch + 10}) {
        store.addSample(sampleAt(europe, SurveyMs(t) * 1000, 45), SurveyMs(t) * 1000);
        store.flush(SurveyMs(t) * 1000);
    }
    EXPECT_EQ(store.files(), (std::vector<std::string>{"d/survey-2026-10-25T02.txt",
                                                       "d/survey-2026-10-25T02-2.txt"}));
}

TEST(SurveyStoreFiles, AFullDiskLosesNothingOnceItTakesWritesAgain) {
    const ManualClock utc;
    MemoryFileSystem fs;
    std::vector<std::string> reports;
    RecordList all;
    SurveyStore store(fs, utc, "d", SurveySplit::Hour, 1.0, 100);
    store.report = [&](const std::string& text) { reports.push_back(text); };
    SurveyMs t = (SurveyMs(dec8at14) + 3590) * 1000;
    auto take = [&] {
        const CObjData s = sampleAt(utc, t, 60.5);
        all.append(s);
        store.addSample(s, t);
        store.flush(t);
        t += 1000;
    };
    take();
    fs.full = 7;                 // part of a line fits, then the disk is full
    for (int i = 0; i < 20; ++i) // crossing into the next hour meanwhile
        take();
    store.addEvent("an event\r\n");
    EXPECT_EQ(store.pendingSamples(), 20u);
    ASSERT_EQ(reports.size(), 1u) << "reported once";
    EXPECT_NE(reports[0].find("No space left"), std::string::npos) << reports[0];
    fs.full.reset();
    take();
    EXPECT_EQ(store.pendingSamples(), 0u);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(store.close());

    RecordList read;
    for (const auto& name : {"d/survey-2026-12-08T14.txt", "d/survey-2026-12-08T15.txt"}) {
        const TextDataRead r = ParseTextData(fs.files[name]);
        ASSERT_EQ(r.status, TextDataRead::Status::Ok) << name;
        EXPECT_EQ(fs.files[name], FormatTextData(r.records)) << "no torn line in " << name;
        read.append(r.records);
    }
    EXPECT_EQ(read, all);
    EXPECT_EQ(fs.files["d/events.csv"], std::string(eventsHeader) + "\r\nan event\r\n");
}

TEST(SurveyStoreFiles, BeyondTheBoundTheNewestSamplesAreCountedLostAndListed) {
    const ManualClock utc;
    MemoryFileSystem fs;
    SurveyStore store(fs, utc, "d", SurveySplit::Day, 1.0, 5);
    fs.full = 0;
    const SurveyMs t0 = SurveyMs(dec8at14) * 1000;
    for (int i = 0; i < 8; ++i) {
        store.addSample(sampleAt(utc, t0 + i * 1000, 40), t0 + i * 1000);
        store.flush(t0 + i * 1000);
    }
    EXPECT_EQ(store.pendingSamples(), 5u);
    EXPECT_EQ(store.lostSamples(), 3u);
    fs.full.reset();
    store.addSample(sampleAt(utc, t0 + 9000, 41), t0 + 9000);
    EXPECT_TRUE(store.flush(t0 + 9000));
    EXPECT_EQ(ParseTextData(fs.files["d/survey-2026-12-08.txt"]).records.size(), 6u);
    EXPECT_EQ(fs.files["d/events.csv"],
              std::string(eventsHeader) +
                  "\r\n2026-12-08T14:00:05.000+00:00,2026-12-08T14:00:09.000+00:00,4.0,"
                  "write-failure,samples beyond those held in memory\r\n");
}

} // namespace

// The tick rule, in the order its causes win.
TEST(SurveyTickRule, ACauseIsGivenByWhatTheMeterShowsInOrder) {
    MeterView m;
    m.portOpen = true;
    m.hasReading = true;
    m.levelAgeMs = 40;
    EXPECT_EQ(judgeTick(m).cause, GapCause::None);
    m.levelAgeMs = maxLevelAgeMs;
    EXPECT_EQ(judgeTick(m).cause, GapCause::None);
    m.levelAgeMs = maxLevelAgeMs + 1;
    EXPECT_EQ(judgeTick(m).cause, GapCause::Silence) << "a level the meter stopped sending";
    m.levelAgeMs = 40;
    m.hasReading = false;
    EXPECT_EQ(judgeTick(m).cause, GapCause::Pending);
    m.hold = true;
    EXPECT_EQ(judgeTick(m).cause, GapCause::Hold);
    m.silent = true;
    EXPECT_EQ(judgeTick(m).cause, GapCause::Silence);
    m.portOpen = false;
    EXPECT_EQ(judgeTick(m).cause, GapCause::Disconnected) << "a pulled cable counts at once";
}

// The runner, ticked directly: samples, gaps with their causes, interval rows
// and the restart gap of a resumed survey.
TEST(SurveyRunnerTicks, SamplesGapsAndRowsFollowTheVerdicts) {
    const ManualClock utc;
    MemoryFileSystem fs;
    const SurveyMs t0 = SurveyMs(dec8at14 + 60 * 14) * 1000; // 14:14:00
    SurveyRunner runner(fs, utc, {"d", 1.0, SurveySplit::Hour, 900, t0 - 30000, {}, {}});
    runner.start(t0);
    const TickVerdict ok;
    const TickVerdict pending{GapCause::Pending, {}};
    const TickVerdict pulled{GapCause::Disconnected, "device gone"};
    const TickVerdict held{GapCause::Hold, "the meter is on HOLD"};

    SurveyMs t = t0;
    EXPECT_FALSE(runner.tick(t, pending, 50, true).sampled) << "no sample, no gap yet";
    t += 1000;
    const auto first = runner.tick(t, ok, 50, true);
    EXPECT_TRUE(first.sampled);
    EXPECT_FALSE(first.gapEnded) << "the restart gap is an event, not this run's gap";
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(runner.tick(t += 1000, pulled, 99, true).sampled) << "never the old level";
    EXPECT_FALSE(runner.tick(t += 1000, pending, 99, true).sampled);
    const auto back = runner.tick(t += 1000, ok, 60, false);
    ASSERT_TRUE(back.gapEnded);
    EXPECT_EQ(back.gapEnded->cause, "disconnected");
    EXPECT_EQ(back.gapEnded->detail, "device gone");
    EXPECT_EQ(back.gapEnded->end - back.gapEnded->start, 4000);
    runner.tick(t += 1000, held, 60, false);
    // 14:15:00 closes the interval that began at 14:00 (opened at 14:14).
    t = SurveyMs(dec8at14 + 60 * 15) * 1000;
    runner.tick(t, ok, 70, false);
    EXPECT_TRUE(runner.finish(t + 500));

    EXPECT_EQ(runner.samples(), 3);
    EXPECT_EQ(runner.gapCount(), 3u) << "restart, pull, hold";
    const std::string& events = fs.files["d/events.csv"];
    EXPECT_NE(events.find(",restart,"), std::string::npos) << events;
    EXPECT_NE(events.find(",disconnected,device gone"), std::string::npos) << events;
    EXPECT_NE(events.find(",hold,"), std::string::npos) << events;
    const std::string& summary = fs.files["d/summary.csv"];
    EXPECT_NE(summary.find("2026-12-08T14:00:00+00:00,2026-12-08T14:15:00+00:00,2,"),
              std::string::npos)
        << summary;
    const RecordList data = ParseTextData(fs.files["d/survey-2026-12-08T14.txt"]).records;
    ASSERT_EQ(data.count(), 3);
    EXPECT_DOUBLE_EQ(data[0].value(), 50);
    EXPECT_DOUBLE_EQ(data[1].value(), 60);
    EXPECT_EQ(data[1].unit(), "dBC");
    EXPECT_DOUBLE_EQ(data[2].value(), 70);
}

// A disk full for over a day: the samples beyond those held are a gap of
// their own, listed before the gap that the sample it takes again also ends.
TEST(SurveyRunnerTicks, SamplesLostToAFullDiskAreListedBeforeTheGapTheSameSampleEnds) {
    const ManualClock utc;
    MemoryFileSystem fs;
    fs.full = 0;
    // A day of samples is held: 8640 at this interval.
    SurveyRunner runner(fs, utc, {"d", 10.0, SurveySplit::Day, 900, {}, {}, {}});
    SurveyMs t = SurveyMs(dec8at14) * 1000;
    runner.start(t);
    for (int i = 0; i < 8640 + 3; ++i)
        runner.tick(t += 10000, {}, 50, true);
    EXPECT_EQ(runner.pendingSamples(), 8640u);
    runner.tick(t += 10000, {GapCause::Disconnected, "device gone"}, 0, true);
    fs.full.reset();
    runner.tick(t += 10000, {}, 60, true);
    EXPECT_TRUE(runner.finish(t + 500));
    EXPECT_EQ(runner.pendingSamples(), 0u);

    const std::string& events = fs.files["d/events.csv"];
    const std::size_t lost = events.find(",write-failure,");
    const std::size_t pulled = events.find(",disconnected,device gone");
    ASSERT_NE(lost, std::string::npos) << events;
    ASSERT_NE(pulled, std::string::npos) << events;
    EXPECT_LT(lost, pulled) << events;
}
