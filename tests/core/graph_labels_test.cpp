#include "graph/CursorSpan.h"
#include "graph/TimeLabels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// 320-pixel plot, 40 samples across: tick t stands over sample 8t.
PlotView exactView() {
    PlotView v;
    v.xMax = 40;
    v.resetView(410, 290);
    return v;
}

RecordList seriesOf(const std::vector<std::pair<double, std::string>>& rows, double rate = 0.5) {
    RecordList s;
    for (const auto& [value, time] : rows)
        s.append(CObjData(value, time, "dBA", 0, rate));
    return s;
}

TEST(GraphDateTime, ParsingAcceptsUnpaddedFieldsAndRejectsImpossibleOnes) {
    EXPECT_EQ(parseDateTime("07-12-2026,09:05:03"), (DateTime{7, 12, 2026, 9, 5, 3}));
    EXPECT_EQ(parseDateTime("7-12-2026,9:5:3"), (DateTime{7, 12, 2026, 9, 5, 3}));
    for (const char* bad : {"", "garbage", "07-12-2026", "07-12-1899,00:00:00",
                            "07-13-2026,00:00:00", "00-12-2026,00:00:00", "32-12-2026,00:00:00",
                            "07-12-2026,24:00:00", "07-12-2026,00:60:00", "07-12-2026,00:00:60"})
        EXPECT_FALSE(parseDateTime(bad)) << bad;
}

TEST(GraphDateTime, SecondsRoundTripAcrossMonthsYearsAndLeapDays) {
    for (const DateTime t : {DateTime{1, 1, 1970, 0, 0, 0}, DateTime{29, 2, 2024, 23, 59, 59},
                             DateTime{31, 12, 2026, 12, 0, 1}, DateTime{1, 3, 1900, 0, 0, 0}})
        EXPECT_EQ(fromSeconds(toSeconds(t)), t);
    EXPECT_EQ(fromSeconds(toSeconds({31, 12, 2026, 23, 59, 58}) + 4),
              (DateTime{1, 1, 2027, 0, 0, 2}));
    EXPECT_EQ(formatDateTime({1, 2, 2027, 3, 4, 5}), "01-02-2027,03:04:05");
}

TEST(GraphTimeLabels, AnEmptySeriesCountsFromTheDefaultStartInWholeSteps) {
    const TimeLabels l = computeTimeLabels(exactView(), RecordList{});
    ASSERT_EQ(l.count, 6);
    EXPECT_FALSE(l.formatError);
    // 40 samples across: 8 samples, and so 8 seconds, between ticks.
    EXPECT_EQ(l.text[0], "00:00:00");
    EXPECT_EQ(l.text[1], "00:00:08");
    EXPECT_EQ(l.text[5], "00:00:40");
}

TEST(GraphTimeLabels, OneRecordLabelsTickZeroAndCountsOnAtItsInterval) {
    const TimeLabels l = computeTimeLabels(exactView(), seriesOf({{60, "07-12-2026,23:59:55"}}));
    ASSERT_EQ(l.count, 6);
    EXPECT_EQ(l.text[0], "23:59:55");
    EXPECT_EQ(l.text[1], "23:59:59"); // 8 samples x 0.5 s
    EXPECT_EQ(l.text[2], "00:00:03");
    EXPECT_EQ(l.text[5], "00:00:15");
}

TEST(GraphTimeLabels, LabelsBeyondTheDataContinueTheStepOfTheTwoBefore) {
    std::vector<std::pair<double, std::string>> rows(9, {50, "07-12-2026,10:00:01"});
    rows[0].second = "07-12-2026,10:00:00";
    rows[8].second = "07-12-2026,10:00:04";
    const TimeLabels l = computeTimeLabels(exactView(), seriesOf(rows));
    ASSERT_EQ(l.count, 6);
    EXPECT_EQ(l.text[0], "10:00:00");
    EXPECT_EQ(l.text[1], "10:00:04");
    EXPECT_EQ(l.text[2], "10:00:08");
    EXPECT_EQ(l.text[3], "10:00:12");
}

TEST(GraphTimeLabels, ABadTextStopsTheLabelsOnlyWhenATimeMustBeComputedFromIt) {
    // Every tick has a sample: texts are drawn as they are.
    std::vector<std::pair<double, std::string>> rows(41, {50, "nonsense"});
    const TimeLabels full = computeTimeLabels(exactView(), seriesOf(rows));
    EXPECT_FALSE(full.formatError);
    EXPECT_EQ(full.count, 6);
    EXPECT_EQ(full.text[3], "nonsense");

    const TimeLabels cut = computeTimeLabels(exactView(), seriesOf({{50, "nonsense"}}));
    EXPECT_TRUE(cut.formatError);
    EXPECT_EQ(cut.count, 1);
    EXPECT_EQ(cut.text[0], "nonsense");

    // An interval that throws the times off the calendar stops them as well.
    const TimeLabels wild =
        computeTimeLabels(exactView(), seriesOf({{50, "07-12-2026,10:00:00"}}, 1e15));
    EXPECT_TRUE(wild.formatError);
}

TEST(GraphCursorSpan, StatisticsBetweenTheCursorsWithEarliestSampleWinningTies) {
    const RecordList s = seriesOf({{40, "t0"}, {70, "t1"}, {70, "t2"}, {30, "t3"}, {30, "t4"}});
    const auto span = cursorSpan(s, 1, 4);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->maxIndex, 1u);
    EXPECT_EQ(span->minIndex, 3u);
    EXPECT_EQ(span->count, 4);
    EXPECT_DOUBLE_EQ(span->average, 50);

    const auto pair = cursorSpan(s, 0, 1);
    EXPECT_EQ(pair->count, 2);
    EXPECT_DOUBLE_EQ(pair->average, 55);
}

TEST(GraphCursorSpan, LevelsOutsideTheStartingBoundsLeaveTheExtremeUnset) {
    const RecordList s = seriesOf({{0, "a"}, {0, "b"}, {150, "c"}, {200, "d"}});
    EXPECT_FALSE(cursorSpan(s, 0, 1)->maxIndex);
    EXPECT_EQ(cursorSpan(s, 0, 1)->minIndex, 0u);
    EXPECT_FALSE(cursorSpan(s, 2, 3)->minIndex);
    EXPECT_EQ(cursorSpan(s, 2, 3)->maxIndex, 3u);
}

TEST(GraphCursorSpan, IndicesOutsideTheSeriesGiveNothing) {
    const RecordList s = seriesOf({{40, "a"}, {50, "b"}});
    EXPECT_FALSE(cursorSpan(s, -1, 1));
    EXPECT_FALSE(cursorSpan(s, 0, 2));
    EXPECT_FALSE(cursorSpan(s, 1, 0));
    EXPECT_FALSE(cursorSpan(RecordList{}, 0, 0));
    EXPECT_TRUE(cursorSpan(s, 1, 1));
}

} // namespace
