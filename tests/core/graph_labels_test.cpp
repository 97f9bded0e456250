#include "model/TimeLabels.h"
#include "plot/CursorSpan.h"
#include "plot/PlotView.h"

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

// The labels the graph draws for its current view.
TickLabels labelsOf(const RecordList& series) {
    const PlotView v = exactView();
    return computeTickLabels(series, v.plotWidth, v.xScale, v.xOrigin, v.xMin);
}

RecordList seriesOf(const std::vector<std::pair<double, std::string>>& rows, double rate = 0.5) {
    RecordList s;
    for (const auto& [value, time] : rows)
        s.append(CObjData(value, time, "dBA", 0, rate));
    return s;
}

TEST(GraphTimeLabels, AnEmptySeriesCountsFromTheDefaultStartInWholeSteps) {
    const TickLabels l = labelsOf(RecordList{});
    ASSERT_EQ(l.count, 6);
    EXPECT_FALSE(l.timeFormatError);
    // 40 samples across: 8 samples, and so 8 seconds, between ticks.
    EXPECT_EQ(l.text[0], "00:00:00");
    EXPECT_EQ(l.text[1], "00:00:08");
    EXPECT_EQ(l.text[5], "00:00:40");
}

TEST(GraphTimeLabels, OneRecordLabelsTickZeroAndCountsOnAtItsInterval) {
    const TickLabels l = labelsOf(seriesOf({{60, "07-12-2026,23:59:55"}}));
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
    const TickLabels l = labelsOf(seriesOf(rows));
    ASSERT_EQ(l.count, 6);
    EXPECT_EQ(l.text[0], "10:00:00");
    EXPECT_EQ(l.text[1], "10:00:04");
    EXPECT_EQ(l.text[2], "10:00:08");
    EXPECT_EQ(l.text[3], "10:00:12");
}

TEST(GraphTimeLabels, ABadTextStopsTheLabelsOnlyWhenATimeMustBeComputedFromIt) {
    // Every tick has a sample: texts are drawn as they are.
    std::vector<std::pair<double, std::string>> rows(41, {50, "nonsense"});
    const TickLabels full = labelsOf(seriesOf(rows));
    EXPECT_FALSE(full.timeFormatError);
    EXPECT_EQ(full.count, 6);
    EXPECT_EQ(full.text[3], "nonsense");

    const TickLabels cut = labelsOf(seriesOf({{50, "nonsense"}}));
    EXPECT_TRUE(cut.timeFormatError);
    EXPECT_EQ(cut.count, 1);
    EXPECT_EQ(cut.text[0], "nonsense");

    // An interval that throws the times off the calendar stops them as well.
    const TickLabels wild = labelsOf(seriesOf({{50, "07-12-2026,10:00:00"}}, 1e15));
    EXPECT_TRUE(wild.timeFormatError);
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
