#include "recording/Recording.h"
#include "recording/RtSetup.h"

#include <gtest/gtest.h>

namespace {

// 2026-12-07 09:00:00 UTC
constexpr std::time_t testTime = 1796634000;

using Outcome = RealTimeRecorder::TickOutcome;

LiveSample live(double level, bool weightingA = true) {
    return {level, weightingA, false, true};
}

class RecorderTest : public ::testing::Test {
  protected:
    ManualClock clock{testTime};
    RecordList records;
    RealTimeRecorder recorder{records, clock};
};

TEST_F(RecorderTest, EachTickAppendsOneStampedSample) {
    recorder.start(0.5);
    clock.advance(3 * 3600 + 5 * 60 + 3);
    EXPECT_EQ(recorder.tick(live(61.2)).outcome, Outcome::Sampled);
    clock.advance(1);
    recorder.tick(live(58.0, false));
    ASSERT_EQ(records.count(), 2);
    EXPECT_EQ(records[0], CObjData(61.2, "07-12-2026,12:05:03", "dBA", 0, 0.5));
    EXPECT_EQ(records[1].dateTime(), "07-12-2026,12:05:04");
    EXPECT_EQ(records[1].unit(), "dBC");
    EXPECT_EQ(recordTimeStamp({2026, 1, 2, 3, 4, 5}), "02-01-2026,03:04:05");
}

TEST_F(RecorderTest, HoldOrALostMeterSkipsTheTickAndTheRecordingGoesOn) {
    recorder.start(1);
    EXPECT_EQ(recorder.tick({70, true, true, true}).outcome, Outcome::Skipped);
    EXPECT_EQ(recorder.tick({70, true, false, false}).outcome, Outcome::Skipped);
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(recorder.recording());
    EXPECT_EQ(recorder.tick(live(70)).outcome, Outcome::Sampled);

    recorder.stop();
    EXPECT_EQ(recorder.tick(live(70)).outcome, Outcome::NotRecording);
    EXPECT_EQ(records.count(), 1) << "stopping keeps the samples";
}

TEST_F(RecorderTest, TheLimitEndsTheRecordingOnTheTickAfterTheLastSample) {
    recorder.setSampleLimit(3);
    recorder.start(0.1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(recorder.tick(live(50 + i)).outcome, Outcome::Sampled);
    EXPECT_TRUE(recorder.recording());
    EXPECT_EQ(recorder.tick(live(60)).outcome, Outcome::LimitReached);
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(records.count(), 3);
    EXPECT_EQ(recorder.sampleLimit(), 3) << "kept for the next recording";

    recorder.setSampleLimit(0);
    EXPECT_EQ(recorder.sampleLimit(), 1);
    recorder.setSampleLimit(1'000'000);
    EXPECT_EQ(recorder.sampleLimit(), maxSampleLimit);
}

TEST_F(RecorderTest, RunningStatisticsKeepTheFirstTimeOfEachExtreme) {
    recorder.start(2.5);
    const double levels[] = {60, 72.5, 55, 72.5, 55, 65};
    std::vector<StatsUpdate> updates;
    for (double v : levels) {
        updates.push_back(recorder.tick(live(v, v != 55)).stats);
        clock.advance(1);
    }
    const SeriesStats& s = recorder.stats();
    EXPECT_EQ(s.maxValue, 72.5);
    EXPECT_EQ(s.maxTime, "07-12-2026,09:00:01");
    EXPECT_EQ(s.maxUnit, "dBA");
    EXPECT_EQ(s.minValue, 55);
    EXPECT_EQ(s.minTime, "07-12-2026,09:00:02");
    EXPECT_EQ(s.minUnit, "dBC");
    EXPECT_EQ(s.startTime, "07-12-2026,09:00:00");
    EXPECT_DOUBLE_EQ(s.sum, 380);
    EXPECT_DOUBLE_EQ(s.average, 380.0 / 6);
    EXPECT_EQ(s.samplingRate, 2.5);
    EXPECT_TRUE(updates[0].maxMoved && updates[0].minMoved) << "the first sample is both";
    EXPECT_FALSE(updates[3].maxMoved) << "an equal maximum does not move";
    EXPECT_FALSE(updates[4].minMoved);
}

TEST_F(RecorderTest, StartAndClearDiscardTheSeriesAndResetTheStatistics) {
    recorder.start(0.5);
    recorder.tick(live(80));
    recorder.stop();
    recorder.clear();
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(recorder.stats().maxValue, 0);
    EXPECT_EQ(recorder.stats().minValue, 150);
    EXPECT_TRUE(recorder.stats().maxTime.empty());
    EXPECT_EQ(recorder.stats().samplingRate, 0.5) << "clear keeps the interval";

    recorder.start(0.5);
    recorder.tick(live(80));
    recorder.start(10);
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(recorder.stats().sum, 0);
    EXPECT_EQ(recorder.stats().samplingRate, 10);
    recorder.tick(live(40));
    EXPECT_EQ(recorder.stats().startTime, records[0].dateTime());
}

TEST(RecordingTimer, EveryIntervalGivesItsWholeMillisecondPeriod) {
    const int expected[] = {100, 200, 500, 1000, 1500, 2000, 2500, 3000, 5000, 10000};
    for (std::size_t i = 0; i < sampleIntervals.size(); ++i)
        EXPECT_EQ(timerPeriodMs(sampleIntervals[i]), expected[i]);
}

TEST(RecordingSetup, TheCountMustBeAnIntegerFromOneTo40000) {
    EXPECT_EQ(validateSampleCount("40000").value, 40000);
    EXPECT_EQ(validateSampleCount(" 15 ").value, 15);
    EXPECT_EQ(validateSampleCount("1").value, 1);
    for (const char* outOfRange : {"0", "40001", "-3", "99999999999999999999"}) {
        const auto c = validateSampleCount(outOfRange);
        EXPECT_FALSE(c.value) << outOfRange;
        EXPECT_EQ(c.message, "Enter an integer between 1 and 40000.") << outOfRange;
    }
    for (const char* notANumber : {"", "abc", "12x", "1.5", "-"}) {
        const auto c = validateSampleCount(notANumber);
        EXPECT_FALSE(c.value) << notANumber;
        EXPECT_EQ(c.message, "Please enter an integer.") << notANumber;
    }
}

TEST(RecordingSetup, TheCycleAndTheStopTimeFollowCountAndInterval) {
    const RecordCycle full = recordCycle(40000, 0.5, testTime);
    EXPECT_EQ(cycleTextLong(full), "5 hour 33 minute 20 second");
    EXPECT_EQ(cycleTextShort(full), "5:33:20");
    EXPECT_EQ(full.stop - full.start, 20000);

    const RecordCycle short_ = recordCycle(3, 2.5, testTime);
    EXPECT_EQ(cycleTextShort(short_), "0:0:7");
    EXPECT_EQ(short_.stop, testTime + 7);

    EXPECT_EQ(cycleTextShort(recordCycle(30, 0.1, testTime)), "0:0:3");
    EXPECT_EQ(cycleTextShort(recordCycle(40000, 10, testTime)), "111:6:40");

    ManualClock clock{testTime};
    EXPECT_EQ(setupTimeText(clock.local(full.stop)), "2026-12-7,14:33:20");
}

} // namespace
