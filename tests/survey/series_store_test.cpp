// The compact store: runs and gaps, the block summary against the readings
// themselves, pixel columns, the wall clock, and what it all costs in memory.
#include "survey/SeriesFigures.h"
#include "survey/SeriesStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace {

constexpr SeriesMs second = 1000;

// The figures of readings straight from their levels and intervals.
struct Naive {
    std::uint64_t count = 0;
    double energySeconds = 0, seconds = 0;
    int min = 0x10000, max = -1;
    void add(Centibel level, double dt) {
        ++count;
        energySeconds += std::pow(10.0, level / 1000.0) * dt;
        seconds += dt;
        min = std::min<int>(min, level);
        max = std::max<int>(max, level);
    }
};

TEST(SeriesStore, RunsBreakAtGapsAndAtChangesOfIntervalOrWeighting) {
    SeriesStore s;
    const Centibel ten[10] = {5000, 5010, 5020, 5030, 5040, 5050, 5060, 5070, 5080, 5090};
    // Ten readings a second share a stamp and follow each other.
    s.appendStamp(100 * second, ten, 10, 100, 'A');
    s.appendStamp(101 * second, ten, 10, 100, 'A');
    // A stamp within a second of the end continues; one further on is a gap.
    s.appendStamp(103 * second, ten, 5, 100, 'A');
    s.appendStamp(110 * second, ten, 5, 100, 'A');
    s.append(111 * second, 6000, 1000, 'A'); // another interval: where the last ended
    s.append(112 * second, 6000, 1000, 'C'); // another weighting
    s.finish();

    ASSERT_EQ(s.runs().size(), 4u);
    EXPECT_EQ(s.runs()[0].start, 100 * second);
    EXPECT_EQ(s.runs()[0].count, 25u);
    EXPECT_EQ(s.runs()[1].start, 110 * second);
    EXPECT_EQ(s.runs()[2].start, 110 * second + 500);
    EXPECT_EQ(s.runs()[2].intervalMs, 1000);
    EXPECT_EQ(s.runs()[3].weighting, 'C');
    ASSERT_EQ(s.gaps().size(), 1u);
    EXPECT_EQ(s.gaps()[0].start, 102 * second + 500);
    EXPECT_EQ(s.gaps()[0].end, 110 * second);

    EXPECT_EQ(s.timeAt(24), 102 * second + 400);
    EXPECT_EQ(s.indexAt(102 * second + 400), 24u);
    EXPECT_EQ(s.indexAt(102 * second + 401), 25u); // in the gap: the next run's first
    EXPECT_EQ(s.indexAt(0), 0u);
    EXPECT_EQ(s.indexAt(200 * second), s.size());
    EXPECT_DOUBLE_EQ(s.levelAt(13), 50.3);
}

TEST(SeriesStore, BlockSummaryAgreesWithTheReadingsOverAnySpan) {
    // Enough readings for three levels of blocks, with gaps, two intervals and
    // both weightings, so spans cross blocks, runs and gaps.
    std::mt19937 random(7);
    SeriesStore s;
    std::vector<std::pair<Centibel, double>> readings;
    SeriesMs t = 1000 * second;
    for (int part = 0; part < 40; ++part) {
        const std::int32_t interval = part % 3 == 0 ? 1000 : 100;
        const int n = 500 + static_cast<int>(random() % 3000);
        for (int i = 0; i < n; ++i) {
            const auto level = static_cast<Centibel>(3000 + random() % 7000);
            s.append(t, level, interval, part % 7 == 6 ? 'C' : 'A');
            readings.emplace_back(level, interval / 1000.0);
            t += interval;
        }
        t += (random() % 2) * 60 * second;
    }
    s.finish();
    ASSERT_EQ(s.size(), readings.size());

    for (int trial = 0; trial < 300; ++trial) {
        std::size_t a = random() % (readings.size() + 1), b = random() % (readings.size() + 1);
        if (a > b)
            std::swap(a, b);
        Naive naive;
        for (std::size_t i = a; i < b; ++i)
            naive.add(readings[i].first, readings[i].second);
        const LevelSum sum = s.sumOf(a, b);
        ASSERT_EQ(sum.count, naive.count) << a << ".." << b;
        EXPECT_NEAR(sum.energySeconds, naive.energySeconds, 1e-9 * naive.energySeconds);
        EXPECT_NEAR(sum.seconds, naive.seconds, 1e-6);
        if (naive.count) {
            EXPECT_EQ(sum.min, naive.min);
            EXPECT_EQ(sum.max, naive.max);
        }
    }

    // Columns share out every reading once, and a column inside a gap is empty.
    const auto columns = s.columns(s.start(), s.end(), 997);
    std::uint64_t total = 0;
    bool emptyColumn = false;
    for (const LevelSum& c : columns) {
        total += c.count;
        emptyColumn = emptyColumn || c.count == 0;
    }
    EXPECT_EQ(total, s.size());
    EXPECT_TRUE(emptyColumn);
    ASSERT_FALSE(s.gaps().empty());
    const SeriesGap& g = s.gaps().front();
    for (const LevelSum& c : s.columns(g.start, g.end, 50))
        EXPECT_EQ(c.count, 0u);
}

TEST(SeriesStore, SpanFiguresFollowTheNearestRankRule) {
    SeriesStore s;
    // 1..100 dB in 1 dB steps, one a second.
    for (int i = 1; i <= 100; ++i)
        s.append(i * second, static_cast<Centibel>(i * 100), 1000, 'A');
    s.finish();
    const SpanFigures f = spanFigures(s, s.start(), s.end());
    EXPECT_EQ(f.sum.count, 100u);
    EXPECT_DOUBLE_EQ(f.l5, 96.0); // the 5th highest
    EXPECT_DOUBLE_EQ(f.l10, 91.0);
    EXPECT_DOUBLE_EQ(f.l50, 51.0);
    EXPECT_DOUBLE_EQ(f.l90, 11.0);
    EXPECT_DOUBLE_EQ(f.l95, 6.0);
    double energy = 0;
    for (int i = 1; i <= 100; ++i)
        energy += std::pow(10.0, i / 10.0);
    const double leq = 10 * std::log10(energy / 100);
    EXPECT_NEAR(*f.sum.leq(), leq, 1e-9);
    EXPECT_NEAR(*f.lex8h, leq + 10 * std::log10(100.0 / 28800), 1e-9);
    EXPECT_EQ(f.weighting(), "dBA");
    EXPECT_EQ(f.wholeDays, 0);
    EXPECT_FALSE(f.lden);

    // A span of the last ten readings.
    const SpanFigures tail = spanFigures(s, 91 * second, 200 * second);
    EXPECT_EQ(tail.sum.count, 10u);
    EXPECT_DOUBLE_EQ(*tail.sum.lmin(), 91.0);
    EXPECT_DOUBLE_EQ(tail.l90, 92.0); // the 9th highest of ten
}

TEST(SeriesStore, WallClockAfterTheRepeatedHour) {
    SeriesStore s;
    const SeriesMs h = 3600 * second;
    s.append(0, 5000, 1000, 'A');
    s.append(h - second, 5000, 1000, 'A');
    s.setClockShift(h); // the next hour's stamps are an hour behind
    s.append(h, 5000, 1000, 'A');
    s.finish();
    ASSERT_EQ(s.clockShifts().size(), 1u);
    EXPECT_EQ(s.localOf(h - second), h - second);
    EXPECT_EQ(s.localOf(h + 30 * second), 30 * second);
    // A wall-clock time shown twice: the first by default, the second asked for.
    EXPECT_EQ(s.seriesOfLocal(30 * second), 30 * second);
    EXPECT_EQ(s.seriesOfLocal(30 * second, true), h + 30 * second);
    EXPECT_EQ(s.seriesOfLocal(2 * h), 3 * h);
}

// A series of every shape a survey makes: runs of ten a second sharing a
// stamp, gaps, changes of interval and weighting, and the repeated hour.
struct Piece {
    SeriesMs stamp;
    std::vector<Centibel> levels;
    std::int32_t intervalMs;
    char weighting;
    std::optional<std::int64_t> shift;
};

std::vector<Piece> surveyPieces(std::size_t readings, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Piece> pieces;
    SeriesMs t = 5000 * second;
    std::int32_t interval = 1000;
    char weighting = 'A';
    std::size_t made = 0;
    while (made < readings) {
        const unsigned what = random() % 400;
        if (what == 0)
            t += 60 * second + random() % 3600 * second; // an outage
        else if (what == 1)
            interval = interval == 1000 ? 100 : 1000;
        else if (what == 2)
            weighting = weighting == 'A' ? 'C' : 'A';
        Piece p{t, {}, interval, weighting, std::nullopt};
        if (what == 3)
            p.shift = 3600 * second;
        const std::size_t n = interval == 100 ? 10 : 1;
        for (std::size_t k = 0; k < n; ++k)
            p.levels.push_back(static_cast<Centibel>(2500 + random() % 8000));
        t += static_cast<SeriesMs>(n) * interval;
        made += n;
        pieces.push_back(std::move(p));
    }
    return pieces;
}

void add(SeriesStore& s, const Piece& p) {
    if (p.shift)
        s.setClockShift(*p.shift);
    s.appendStamp(p.stamp, p.levels.data(), p.levels.size(), p.intervalMs, p.weighting);
}

void expectSame(const LevelSum& a, const LevelSum& b, std::size_t first, std::size_t last) {
    // Summed in the same order, so equal to the last bit.
    EXPECT_EQ(a.count, b.count) << first << ".." << last;
    EXPECT_EQ(a.energySeconds, b.energySeconds) << first << ".." << last;
    EXPECT_EQ(a.seconds, b.seconds) << first << ".." << last;
    EXPECT_EQ(a.min, b.min) << first << ".." << last;
    EXPECT_EQ(a.max, b.max) << first << ".." << last;
}

TEST(SeriesStore, GrowingAfterFinishAnswersAsAStoreBuiltInOneGo) {
    // Past 40,000 readings (the real-time recording's limit), grown a piece
    // at a time as a running survey grows it: extended after every piece,
    // and finished now and then as well.
    const std::vector<Piece> pieces = surveyPieces(120'000, 11);
    SeriesStore whole;
    for (const Piece& p : pieces)
        add(whole, p);
    whole.finish();

    SeriesStore grown;
    std::mt19937 random(5);
    const SeriesGap cause{0, 0, "disconnected", "the cable"};
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        add(grown, pieces[i]);
        if (i % 5000 == 4999)
            grown.finish();
        else
            grown.extend();
        // A gap's cause, once known, stays through later growth.
        if (grown.gaps().size() == 1 && grown.gaps()[0].cause.empty())
            grown.attachEvents(
                {{grown.gaps()[0].start, grown.gaps()[0].end, cause.cause, cause.detail}});
        if (i % 997 == 0) {
            // Queries at any moment answer as a store of the readings so far.
            SeriesStore sofar;
            for (std::size_t k = 0; k <= i; ++k)
                add(sofar, pieces[k]);
            sofar.finish();
            const std::size_t n = grown.size();
            std::size_t a = random() % (n + 1), b = random() % (n + 1);
            if (a > b)
                std::swap(a, b);
            expectSame(grown.sumOf(a, b), sofar.sumOf(a, b), a, b);
            expectSame(grown.sumOf(0, n), sofar.sumOf(0, n), 0, n);
        }
    }
    ASSERT_GT(grown.size(), 40'000u);
    ASSERT_EQ(grown.size(), whole.size());

    ASSERT_EQ(grown.runs().size(), whole.runs().size());
    for (std::size_t r = 0; r < whole.runs().size(); ++r) {
        EXPECT_EQ(grown.runs()[r].start, whole.runs()[r].start);
        EXPECT_EQ(grown.runs()[r].count, whole.runs()[r].count);
        EXPECT_EQ(grown.runs()[r].intervalMs, whole.runs()[r].intervalMs);
        EXPECT_EQ(grown.runs()[r].weighting, whole.runs()[r].weighting);
    }
    ASSERT_GT(whole.gaps().size(), 10u);
    ASSERT_EQ(grown.gaps().size(), whole.gaps().size());
    for (std::size_t g = 0; g < whole.gaps().size(); ++g) {
        EXPECT_EQ(grown.gaps()[g].start, whole.gaps()[g].start);
        EXPECT_EQ(grown.gaps()[g].end, whole.gaps()[g].end);
    }
    EXPECT_EQ(grown.gaps()[0].cause, "disconnected");
    EXPECT_TRUE(grown.gaps()[1].cause.empty());
    ASSERT_EQ(grown.clockShifts().size(), whole.clockShifts().size());
    EXPECT_FALSE(whole.clockShifts().empty());

    for (int trial = 0; trial < 400; ++trial) {
        std::size_t a = random() % (whole.size() + 1), b = random() % (whole.size() + 1);
        if (a > b)
            std::swap(a, b);
        expectSame(grown.sumOf(a, b), whole.sumOf(a, b), a, b);
    }
    const auto wc = whole.columns(whole.start(), whole.end(), 613);
    const auto gc = grown.columns(grown.start(), grown.end(), 613);
    for (std::size_t c = 0; c < wc.size(); ++c)
        expectSame(gc[c], wc[c], c, c);
    const SpanFigures fw = spanFigures(whole, whole.start(), whole.end());
    const SpanFigures fg = spanFigures(grown, grown.start(), grown.end());
    EXPECT_EQ(fg.l10, fw.l10);
    EXPECT_EQ(fg.l90, fw.l90);
    EXPECT_EQ(fg.countC, fw.countC);
}

TEST(SeriesStore, AFewMillionReadingsCostAtMostFourBytesEach) {
    SeriesStore s;
    constexpr std::size_t n = 3'000'000;
    s.reserve(n);
    Centibel ten[10];
    for (std::size_t i = 0; i < n / 10; ++i) {
        for (std::size_t k = 0; k < 10; ++k)
            ten[k] = static_cast<Centibel>(4000 + (i * 7 + k * 13) % 4000);
        // An outage of a minute now and then breaks the runs.
        const SeriesMs stamp = static_cast<SeriesMs>(i) * second + (i / 36000) * 60 * second;
        s.appendStamp(stamp, ten, 10, 100, 'A');
    }
    s.finish();
    ASSERT_EQ(s.size(), n);
    EXPECT_GT(s.gaps().size(), 5u);
    const double perReading = static_cast<double>(s.bytesUsed()) / static_cast<double>(n);
    EXPECT_LE(perReading, 4.0);
    EXPECT_GE(perReading, 2.0); // the levels alone take two
    RecordProperty("bytesPerReading", std::to_string(perReading));
}

} // namespace
