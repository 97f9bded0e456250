#include "model/RecordList.h"
#include "plot/PlotView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Levels as a meter gives them: a tenth of a dB, long runs of one level (so
// neighbouring pairs tie), wanderings and single spikes.
std::vector<double> meterLevels(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> step(0, 3);
    std::uniform_int_distribution<int> dice(0, 99);
    std::vector<double> levels;
    double level = 65;
    for (std::size_t i = 0; i < n; ++i) {
        level = std::clamp(level + step(rng), 30.0, 130.0);
        const int d = dice(rng);
        const double v = d < 20 ? (levels.empty() ? level : levels.back()) : d < 22 ? 130 : level;
        levels.push_back(std::round(v * 10) / 10);
    }
    return levels;
}

RecordList recordsOf(const std::vector<double>& levels) {
    RecordList s;
    for (double v : levels)
        s.append(CObjData(v, "07-12-2026,09:00:00", "dBA", 0, 0.1));
    return s;
}

// What a redraw once worked out by walking every level of the run.
LevelRange scanned(const std::vector<double>& levels, std::size_t first, std::size_t last) {
    LevelRange r;
    for (std::size_t k = first; k < last; ++k) {
        r.lowest = std::min(r.lowest, levels[k]);
        r.highest = std::max(r.highest, levels[k]);
        if (k > first)
            r.lowestPair = std::min(r.lowestPair, std::max(levels[k - 1], levels[k]));
    }
    return r;
}

// The runs of samples sharing a pixel column in the view, as the curve walks them.
std::vector<std::pair<std::size_t, std::size_t>> columnsOf(const PlotView& v, int n) {
    const CurveTransform t(v);
    const PlotView::Span span = v.visibleSamples(n);
    std::vector<std::pair<std::size_t, std::size_t>> columns;
    for (int i = span.first; i < span.last;) {
        int j = i + 1;
        while (j < span.last && t.x(j) == t.x(i))
            ++j;
        columns.emplace_back(i, j);
        i = j;
    }
    return columns;
}

} // namespace

// Any run of a series short enough to try them all, across leaves and blocks
// of every depth it has, whole or still filling.
TEST(LevelBlocks, EveryRunOfAShortSeriesGivesTheScannedExtremes) {
    for (const std::size_t n : {1u, 7u, 8u, 9u, 64u, 65u, 300u, 513u}) {
        const std::vector<double> levels = meterLevels(n, static_cast<unsigned>(n));
        const RecordList s = recordsOf(levels);
        for (std::size_t first = 0; first < n; ++first)
            for (std::size_t last = first + 1; last <= n; ++last)
                ASSERT_EQ(s.levelRange(first, last), scanned(levels, first, last))
                    << n << " levels, [" << first << ", " << last << ")";
    }
}

TEST(LevelBlocks, RandomRunsOfALongSeriesGiveTheScannedExtremes) {
    // 300,000 levels reach a sixth depth of blocks (8 ... 262,144 readings)
    const std::vector<double> levels = meterLevels(300000, 11);
    const RecordList s = recordsOf(levels);
    std::mt19937 rng(5);
    for (int trial = 0; trial < 3000; ++trial) {
        // short runs, long runs and runs from the start or to the end alike
        const std::size_t length =
            std::uniform_int_distribution<std::size_t>(1, trial % 10 ? 5000 : levels.size())(rng);
        std::size_t first =
            std::uniform_int_distribution<std::size_t>(0, levels.size() - length)(rng);
        if (trial % 7 == 0)
            first = trial % 2 ? 0 : levels.size() - length;
        ASSERT_EQ(s.levelRange(first, first + length), scanned(levels, first, first + length))
            << "[" << first << ", " << first + length << ")";
    }
}

// The summary is the series' own: appending another series, clearing and
// growing again leave it in step with the levels.
TEST(LevelBlocks, FollowTheSeriesThroughAppendsAndClears) {
    const std::vector<double> a = meterLevels(1000, 1);
    const std::vector<double> b = meterLevels(777, 2);
    RecordList s = recordsOf(a);
    s.append(recordsOf(b));
    std::vector<double> both = a;
    both.insert(both.end(), b.begin(), b.end());
    for (std::size_t first = 0; first < both.size(); first += 37)
        EXPECT_EQ(s.levelRange(first, both.size()), scanned(both, first, both.size()));
    EXPECT_EQ(s.levelRange(0, both.size()), scanned(both, 0, both.size()));

    s.clear();
    const std::vector<double> c = meterLevels(70, 3);
    for (double v : c)
        s.append(CObjData(v, "07-12-2026,09:00:00", "dBA", 0, 0.1));
    for (std::size_t first = 0; first < c.size(); ++first)
        EXPECT_EQ(s.levelRange(first, c.size()), scanned(c, first, c.size())) << first;
}

// Levels a file may hold that compare with nothing are left out of every run,
// wherever they lie in a block.
TEST(LevelBlocks, LeaveOutLevelsThatAreNoNumbers) {
    std::vector<double> levels = meterLevels(200, 4);
    for (std::size_t k : {0u, 8u, 9u, 63u, 64u, 199u})
        levels[k] = std::nan("");
    const RecordList s = recordsOf(levels);
    for (std::size_t first = 0; first < levels.size(); first += 3)
        for (std::size_t last = first + 1; last <= levels.size(); last += 5)
            ASSERT_EQ(s.levelRange(first, last), scanned(levels, first, last))
                << "[" << first << ", " << last << ")";
    const LevelRange alone = s.levelRange(0, 1);
    EXPECT_GT(alone.lowest, alone.highest);
}

// The pixel columns of the views the plot shows while recording and after:
// unzoomed as the range grows, zoomed by a drag, following the newest sample
// while zoomed, and scrolled.
TEST(LevelBlocks, ColumnsOfThePlotsViewsGiveTheScannedExtremes) {
    const std::vector<double> levels = meterLevels(40000, 9);
    RecordList s;
    PlotView v;
    v.xMax = 20;
    v.resetView(1090, 530);
    const auto expectColumns = [&](const char* what) {
        for (const auto& [first, last] : columnsOf(v, s.count()))
            ASSERT_EQ(s.levelRange(first, last), scanned(levels, first, last))
                << what << " at " << s.count() << " samples, [" << first << ", " << last << ")";
    };
    for (std::size_t i = 0; i < levels.size(); ++i) {
        s.append(CObjData(levels[i], "07-12-2026,09:00:00", "dBA", 0, 0.1));
        v.prepareRedraw(s);
        if (i % 997 == 0 || i + 1 == levels.size())
            expectColumns("unzoomed");
    }
    // a drag over the middle fifth, then the newest sample followed
    v.followNewest = true;
    v.leftButtonDown({445, 50}, s.count());
    v.leftButtonUp({645, 400});
    ASSERT_TRUE(v.zoomed);
    expectColumns("zoomed");
    v.xOrigin = s.count() - v.plotWidth * v.xScale;
    v.prepareRedraw(s);
    expectColumns("following");
    // scrolled to any position, and a zoom down to a few samples a column
    for (int pos : {0, 1, 4095, 12345, 33333}) {
        v.scrollHorizontalTo(pos);
        expectColumns("scrolled");
    }
    for (int drag = 0; drag < 3; ++drag) {
        v.leftButtonDown({100, 50}, s.count());
        v.leftButtonUp({400, 400});
        expectColumns("zoomed further");
    }
}
