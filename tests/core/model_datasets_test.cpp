#include "model/DataSets.h"

#include <gtest/gtest.h>

namespace {

CObjData rec(double value, const char* time, int set, const char* unit = "dBA", double rate = 1.0) {
    return CObjData(value, time, unit, set, rate);
}

RecordList list(std::initializer_list<CObjData> records) {
    RecordList l;
    for (const CObjData& r : records)
        l.append(r);
    return l;
}

TEST(DataSetList, RowsFollowRunsOfTheSetNumber) {
    const RecordList records = list(
        {rec(50, "07-03-2015,9:05:00", 1, "dBA", 1), rec(51, "07-03-2015,9:05:01", 1, "dBA", 1),
         rec(60, "08-03-2015,10:00:00", 2, "dBC", 4), rec(52, "07-03-2015,9:05:02", 1, "dBA", 1)});
    const auto rows = GroupDataSets(records);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (DataSetRow{1, "07-03-2015,9:05:00", "dBA", 1.0, 2, 0}));
    EXPECT_EQ(rows[1].cells(),
              (std::array<std::string, 5>{"2", "08-03-2015,10:00:00", "dBC", "4.00", "1"}));
    EXPECT_EQ(rows[2], (DataSetRow{1, "07-03-2015,9:05:02", "dBA", 1.0, 1, 3}));
    EXPECT_TRUE(GroupDataSets(RecordList{}).empty());

    // either row of set 1 selects the readings of both runs, in list order
    const RecordList selection = SelectDataSet(records, 1);
    ASSERT_EQ(selection.size(), 3u);
    EXPECT_EQ(selection[2].value(), 52.0);
    EXPECT_TRUE(SelectDataSet(records, 7).empty());
}

TEST(DataSetList, FileReadingsFormOneRowZero) {
    const auto rows = GroupDataSets(
        list({rec(55.2, "07-03-2015,09:05:01", 0, "dBA", 0.5), rec(5.5, "x", 0, "dBC", 0.5)}));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells(),
              (std::array<std::string, 5>{"0", "07-03-2015,09:05:01", "dBA", "0.50", "2"}));
}

TEST(DataSetStatistics, ExtremesAverageAndFirstOfATie) {
    const SeriesStats s =
        DataSetStats(list({rec(60, "t0", 3, "dBA", 2), rec(72.5, "t1", 3), rec(41, "t2", 3, "dBC"),
                           rec(72.5, "t3", 3), rec(41, "t4", 3)}));
    EXPECT_EQ(s.maxValue, 72.5);
    EXPECT_EQ(s.maxTime, "t1");
    EXPECT_EQ(s.maxUnit, "dBA");
    EXPECT_EQ(s.minValue, 41.0);
    EXPECT_EQ(s.minTime, "t2");
    EXPECT_EQ(s.minUnit, "dBC");
    EXPECT_DOUBLE_EQ(s.sum, 287.0);
    EXPECT_DOUBLE_EQ(s.average, 57.4);
    EXPECT_EQ(s.startTime, "t0");
    EXPECT_EQ(s.samplingRate, 2.0);
}

TEST(DataSetStatistics, LevelsBeyondTheStartValuesLeaveThemUntouched) {
    const SeriesStats low = DataSetStats(list({rec(0, "t0", 1), rec(-3, "t1", 1)}));
    EXPECT_EQ(low.maxValue, 0.0);
    EXPECT_EQ(low.maxTime, "");
    EXPECT_EQ(low.maxUnit, "");
    EXPECT_EQ(low.minValue, -3.0);

    const SeriesStats high = DataSetStats(list({rec(130, "t0", 1), rec(140, "t1", 1)}));
    EXPECT_EQ(high.minValue, 130.0);
    EXPECT_EQ(high.minTime, "");
    EXPECT_EQ(high.maxValue, 140.0);
    EXPECT_EQ(high.maxTime, "t1");

    const SeriesStats none = DataSetStats(RecordList{});
    EXPECT_EQ(none.average, 0.0);
    EXPECT_EQ(none.minValue, 130.0);
}

TEST(DataSetStatistics, IntervalItemByOneDecimalText) {
    for (std::size_t i = 0; i < sampleIntervals.size(); ++i)
        EXPECT_EQ(IntervalItem(sampleIntervals[i]), static_cast<int>(i));
    EXPECT_EQ(IntervalItem(4.0), -1);
    EXPECT_EQ(IntervalItem(0.0), -1);
    EXPECT_EQ(IntervalItem(0.149), 0); // shown as 0.1
    EXPECT_EQ(IntervalItem(9.96), 9);  // shown as 10.0
    EXPECT_EQ(IntervalItem(10.5), -1);
}

} // namespace
