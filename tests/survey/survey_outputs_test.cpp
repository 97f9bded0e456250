// The runner's outputs beside the folder's files: a resumed survey with gaps
// of every kind, intervals closing on the clock and a gap open at the end;
// each output gets every sample, gap and summary row the files hold, in
// their order, and one that throws is left out while the files and the
// others go on, also when it throws in a round told from within another.
#include "SurveyFolder.h"

#include "formats/FileWrite.h"
#include "formats/TextDataFile.h"
#include "survey/SurveyRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace {

using namespace testsurvey;

// 2026-12-08T14:00:00Z; the tests' clock keeps local time as UTC.
constexpr std::time_t dec8at14 = 1796738400;

SurveyMs at(int minute, int second) {
    return (SurveyMs(dec8at14) + minute * 60 + second) * 1000;
}

std::string read(const fs::path& path) {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path.string(), text)) << path;
    return text;
}

enum class Call { None, Sample, Gap, Row, News };

// Keeps what it is handed as the files would hold it; one made to throw at a
// kind of call throws at each such call.
class Recorder final : public SurveyOutput {
  public:
    Recorder(const Clock& clock, Call throwsAt = Call::None) : clock_(clock), throwsAt_(throwsAt) {}
    void sample(SurveyMs, const CObjData& s) override {
        at(Call::Sample, "no room for a sample");
        lines += TextDataLine(s) + "\r\n";
        if (onSample)
            onSample();
    }
    void gap(const Gap& g) override {
        at(Call::Gap, "no room for a gap");
        gaps += gapRow(clock_, g);
    }
    void summaryRow(const std::string& row) override {
        at(Call::Row, "no room for a row");
        rows += row;
    }
    void ended() override { ++ends; }
    void exceedanceGoesOn(const SeriesEvent&) override {
        at(Call::News, "no room for news");
        ++news;
    }

    std::string lines, gaps, rows;
    int ends = 0, news = 0, throws = 0;
    std::function<void()> onSample;

  private:
    void at(Call call, const char* what) {
        if (call != throwsAt_)
            return;
        ++throws;
        throw std::runtime_error(what);
    }

    const Clock& clock_;
    Call throwsAt_;
};

struct Ticks {
    int count;
    TickVerdict verdict;
    double level;
    bool weightingA = true;
};

TEST(SurveyOutputs, EachGetsWhatTheFilesHoldAndOneThatThrowsStopsNothing) {
    const auto dir = scratch("outputs");
    // An earlier run killed at 14:02:30 with the 14:00 row written: its
    // 14:01 and 14:02 rows come when this run starts.
    const std::string earlierRows = std::string(summaryHeader) + "\r\n" +
                                    "2026-12-08T14:00:00+00:00,2026-12-08T14:01:00+00:00,60,"
                                    "1.0000,50.00,50.00,50.00,50.00,50.00,50.00,dBA\r\n";
    write(dir / summaryFileName, earlierRows);
    std::string earlier = header(1.0);
    for (int s = 0; s < 150; ++s)
        earlier += line({2026, 12, 8, 14, s / 60, s % 60}, 50 + s / 60 * 10);
    write(dir / fileName({2026, 12, 8, 14, 0, 0}), earlier);

    const ManualClock utc(dec8at14 + 5 * 60 + 10);
    SurveySettings settings;
    settings.dir = dir.string();
    settings.interval = 1.0;
    settings.summarySeconds = 60;
    resumeSurvey(settings, utc);
    ASSERT_TRUE(settings.previousEnd);
    SurveyRunner runner(diskFileSystem(), utc, settings);

    Recorder teller(utc), last(utc);
    Recorder badSample(utc, Call::Sample), badGap(utc, Call::Gap), badRow(utc, Call::Row),
        badNews(utc, Call::News);
    // An output has news for all from within the round of a sample, as the
    // noise events' output does; the one that throws at news comes before it.
    teller.onSample = [&] {
        if (std::count(teller.lines.begin(), teller.lines.end(), '\n') == 3)
            runner.exceedanceGoesOn(SeriesEvent{});
    };
    std::vector<std::string> failures;
    runner.outputFailed = [&](const std::string& what) { failures.push_back(what); };
    for (Recorder* o : {&badNews, &teller, &badSample, &badGap, &badRow, &last})
        runner.addOutput(*o);

    const TickVerdict ok;
    const std::vector<Ticks> script = {
        {10, ok, 55},
        {5, {GapCause::Disconnected, "device gone"}, 99},
        {1, {GapCause::Pending, {}}, 99},
        {44, ok, 62, false},
        {3, {GapCause::Hold, "the meter is on HOLD"}, 99},
        {52, ok, 71},
        {5, {GapCause::Silence, "no frames"}, 99},
    };
    runner.start(at(5, 10));
    SurveyMs t = at(5, 10);
    for (const Ticks& ticks : script)
        for (int i = 0; i < ticks.count; ++i)
            runner.tick(t += 1000, ticks.verdict, ticks.level + i % 4, ticks.weightingA);
    ASSERT_TRUE(runner.finish(t + 1000));
    EXPECT_EQ(runner.samples(), 106);

    std::string data;
    ASSERT_EQ(runner.files().size(), 1u) << "14:05 to 14:07, after the earlier run's file";
    for (const std::string& file : runner.files()) {
        const std::string text = read(file);
        data += text.substr(text.find('\n') + 1);
    }
    const std::string events = read(dir / eventsFileName);
    const std::string summary = read(dir / summaryFileName);
    ASSERT_TRUE(summary.starts_with(earlierRows)) << summary;
    for (const Recorder* o : {&teller, &last}) {
        EXPECT_EQ(o->lines, data);
        EXPECT_EQ(std::string(eventsHeader) + "\r\n" + o->gaps, events)
            << "restart, pull, hold and the silence the run ended in";
        EXPECT_EQ(earlierRows + o->rows, summary)
            << "the earlier run's two rows, 14:05, 14:06 and the one the end cut short";
        EXPECT_EQ(o->ends, 1);
    }
    EXPECT_EQ(std::count(events.begin(), events.end(), '\n'), 5);
    EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 7);
    EXPECT_EQ(last.news, 1) << "told after the output that throws at news is left out";

    std::sort(failures.begin(), failures.end());
    EXPECT_EQ(failures, (std::vector<std::string>{"no room for a gap", "no room for a row",
                                                  "no room for a sample", "no room for news"}));
    for (const Recorder* o : {&badSample, &badGap, &badRow, &badNews})
        EXPECT_EQ(o->throws, 1) << "left out after it threw";
}

} // namespace
