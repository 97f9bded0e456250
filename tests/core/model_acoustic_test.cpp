#include "model/AcousticStats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

RecordList series(const std::vector<double>& levels, const std::string& unit = "dBA") {
    RecordList list;
    for (double v : levels)
        list.append(CObjData(v, "07-12-2026,10:00:00", unit, 0, 1.0));
    return list;
}

TEST(AcousticStats, EnergyAverageAndExposure) {
    auto s = summarize(series({60.0, 80.0}), 0, 2, 1.0, {});
    EXPECT_NEAR(s.leq, 77.03, 0.005);
    s = summarize(series({72.5, 72.5, 72.5}), 0, 3, 0.5, {});
    EXPECT_NEAR(s.leq, 72.5, 1e-9);
    // One reading at 1 s: exposure equals the reading.
    s = summarize(series({88.8}), 0, 1, 1.0, {});
    EXPECT_NEAR(s.sel, 88.8, 1e-9);
    // Ten readings at 1 s: ten times the energy, +10 dB.
    s = summarize(series(std::vector<double>(10, 70.0)), 0, 10, 1.0, {});
    EXPECT_NEAR(s.sel, 80.0, 1e-9);
}

TEST(AcousticStats, PercentileLevelsUseTheNearestRankFromTheTop) {
    // 1..100 dB: L10 is the 10th highest (91), L90 the 90th highest (11).
    std::vector<double> levels;
    for (int i = 1; i <= 100; ++i)
        levels.push_back(i);
    auto s = summarize(series(levels), 0, 100, 1.0, {});
    EXPECT_EQ(s.ln, (std::array<double, 5>{96, 91, 51, 11, 6}));
    EXPECT_EQ(s.lmax, 100);
    EXPECT_EQ(s.lmin, 1);

    // A single reading is every percentile.
    s = summarize(series({64.2}), 0, 1, 1.0, {});
    EXPECT_EQ(s.ln, (std::array<double, 5>{64.2, 64.2, 64.2, 64.2, 64.2}));

    // Ties: 3 x 70 and 1 x 50; L50 is the 2nd highest, L90 the 4th.
    s = summarize(series({70, 50, 70, 70}), 0, 4, 1.0, {});
    EXPECT_EQ(s.ln[2], 70);
    EXPECT_EQ(s.ln[3], 50);
    EXPECT_EQ(s.ln[0], 70);
    EXPECT_EQ(percentileRank(5, 4), 1u);
    EXPECT_EQ(percentileRank(95, 4), 4u);
}

TEST(AcousticStats, WeightingLabel) {
    RecordList mixed = series({60, 61});
    mixed.append(CObjData(62, "x", "dBC", 0, 1.0));
    EXPECT_EQ(summarize(mixed, 0, 3, 1, {}).weighting, "mixed");
    EXPECT_EQ(summarize(mixed, 0, 2, 1, {}).weighting, "dBA");
    EXPECT_EQ(summarize(mixed, 2, 3, 1, {}).weighting, "dBC");
    EXPECT_EQ(summarize(mixed, 1, 1, 1, {}).weighting, "");
}

TEST(AcousticStats, SpanBetweenCursorsAndLimit) {
    const RecordList list = series({50, 90, 91, 60, 92, 93, 94, 55});
    auto s = summarize(list, 1, 7, 0.5, 85.0); // 90 91 60 92 93 94
    EXPECT_EQ(s.count, 6u);
    EXPECT_EQ(s.lmax, 94);
    EXPECT_EQ(s.lmin, 60);
    EXPECT_EQ(s.aboveCount, 5u);
    EXPECT_DOUBLE_EQ(s.aboveSeconds, 2.5);
    EXPECT_EQ(s.longestRunAbove, 3u);
    EXPECT_DOUBLE_EQ(s.longestRunSeconds, 1.5);
    // A reading equal to the limit is not above it.
    EXPECT_EQ(summarize(series({85, 85}), 0, 2, 1, 85.0).aboveCount, 0u);
    // Ranges past the end are cut, empty ranges give an empty summary.
    EXPECT_EQ(summarize(list, 6, 100, 1, {}).count, 2u);
    EXPECT_EQ(summarize(list, 9, 100, 1, {}).count, 0u);
}

TEST(AcousticStats, RunningStatisticsEqualAFreshComputation) {
    std::mt19937 rng(7);
    for (int size : {1, 2, 3, 17, 1000, 40000}) {
        RunningAcousticStats running(0.1, 80.0);
        RecordList list;
        double level = 70.0;
        for (int i = 0; i < size; ++i) {
            level = std::clamp(level + static_cast<int>(rng() % 41) / 10.0 - 2.0, 30.0, 130.0);
            level = std::round(level * 10.0) / 10.0;
            const std::string unit = (rng() % 50 == 0) ? "dBC" : "dBA";
            running.add(level, unit);
            list.append(CObjData(level, "t", unit, 0, 0.1));
        }
        const AcousticSummary a = running.summary();
        const AcousticSummary b = summarize(list, 0, list.size(), 0.1, 80.0);
        EXPECT_EQ(a.count, b.count);
        EXPECT_NEAR(a.leq, b.leq, 1e-9) << size;
        EXPECT_NEAR(a.sel, b.sel, 1e-9) << size;
        EXPECT_EQ(a.lmax, b.lmax);
        EXPECT_EQ(a.lmin, b.lmin);
        EXPECT_EQ(a.ln, b.ln) << size;
        EXPECT_EQ(a.weighting, b.weighting);
        EXPECT_EQ(a.aboveCount, b.aboveCount);
        EXPECT_EQ(a.longestRunAbove, b.longestRunAbove);
        EXPECT_DOUBLE_EQ(a.aboveSeconds, b.aboveSeconds);
    }
    RunningAcousticStats cleared;
    cleared.add(99, "dBA");
    cleared.clear();
    EXPECT_EQ(cleared.summary().count, 0u);
    cleared.add(42, "dBC");
    EXPECT_EQ(cleared.summary().ln[0], 42);
    EXPECT_EQ(cleared.summary().lmax, 42);
}

} // namespace
