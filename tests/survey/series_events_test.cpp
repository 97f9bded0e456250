// Noise events and the background level of a series, against the rules
// worked out reading by reading in the test's own simple way.
#include "survey/SeriesBackground.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <map>
#include <random>
#include <tuple>
#include <vector>

namespace {

constexpr std::int64_t secondMs = 1000;
constexpr std::int64_t hourMs = 3600 * secondMs;
constexpr std::int64_t dayMs = 24 * hourMs;
// 2026-11-02 00:00 on the wall clock, in ms since 1970-01-01 00:00.
constexpr std::int64_t nov2 = 20759 * dayMs;

struct Reading {
    std::int64_t t; // wall clock = series time: no clock shift here
    Centibel level;
    std::int32_t intervalMs;
};

// The readings as the store takes them from data files: one stamp a second
// holding a second's readings.
SeriesStore storeOf(const std::vector<Reading>& readings) {
    SeriesStore s;
    for (std::size_t i = 0; i < readings.size();) {
        const std::int64_t second = readings[i].t / secondMs;
        std::vector<Centibel> levels;
        std::size_t j = i;
        for (; j < readings.size() && readings[j].t / secondMs == second; ++j)
            levels.push_back(readings[j].level);
        s.appendStamp(second * secondMs, levels.data(), levels.size(), readings[i].intervalMs, 'A');
        i = j;
    }
    s.finish();
    return s;
}

// Background noise with loud stretches of every shape: short spikes, dips
// below the threshold inside a burst, bursts close together.
void addStretch(std::vector<Reading>& out, std::int64_t from, std::int64_t seconds,
                std::int32_t intervalMs, std::mt19937& rng) {
    std::uniform_int_distribution<int> quiet(4000, 6200), loud(6800, 9400), coin(0, 999);
    bool burst = false;
    for (std::int64_t t = from; t < from + seconds * secondMs; t += intervalMs) {
        const int c = coin(rng);
        if (!burst && c < 4)
            burst = true;
        else if (burst && c < 25)
            burst = false;
        out.push_back({t, static_cast<Centibel>(burst ? loud(rng) : quiet(rng)), intervalMs});
    }
}

bool excludedAt(const std::vector<SeriesSpan>& spans, std::int64_t t) {
    return std::any_of(spans.begin(), spans.end(),
                       [t](const SeriesSpan& s) { return s.start <= t && t < s.end; });
}

struct Expected {
    std::int64_t start, end;
    Centibel lmax;
    std::int64_t lmaxAt;
    double leq;
    std::int64_t lengthMs; // readings times the interval
};

// The rules word for word: runs cut at gaps and excluded readings; in each
// run, raw events by the two thresholds; neighbours merged while the silence
// allows; the short ones dropped.
std::vector<Expected> bruteForce(const std::vector<Reading>& readings, const EventRules& rules,
                                 const std::vector<SeriesSpan>& excluded) {
    std::vector<std::vector<Reading>> runs(1);
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        if (excludedAt(excluded, r.t)) {
            runs.emplace_back();
            continue;
        }
        if (i > 0 && (r.t - readings[i - 1].t) > 1.5 * readings[i - 1].intervalMs)
            runs.emplace_back();
        runs.back().push_back(r);
    }
    const double start = rules.aboveDb * 100, goOn = (rules.aboveDb - rules.hysteresisDb) * 100;
    std::vector<Expected> out;
    for (const auto& run : runs) {
        std::vector<std::pair<std::size_t, std::size_t>> raw; // [first, last] of each
        for (std::size_t i = 0; i < run.size(); ++i) {
            if (run[i].level <= start)
                continue;
            std::size_t j = i;
            while (j + 1 < run.size() && run[j + 1].level > goOn)
                ++j;
            raw.push_back({i, j});
            i = j;
        }
        std::vector<std::pair<std::size_t, std::size_t>> merged;
        for (const auto& e : raw) {
            if (!merged.empty()) {
                const Reading& last = run[merged.back().second];
                const double silence =
                    static_cast<double>(run[e.first].t - last.t - last.intervalMs) / 1000.0;
                if (silence <= rules.mergeSeconds) {
                    merged.back().second = e.second;
                    continue;
                }
            }
            merged.push_back(e);
        }
        for (const auto& [a, b] : merged) {
            Expected x{run[a].t, run[b].t + run[b].intervalMs, 0, 0, 0, 0};
            double energy = 0;
            std::int64_t ms = 0;
            for (std::size_t k = a; k <= b; ++k) {
                if (run[k].level > x.lmax) {
                    x.lmax = run[k].level;
                    x.lmaxAt = run[k].t;
                }
                energy += std::pow(10.0, run[k].level / 1000.0) * run[k].intervalMs / 1000.0;
                ms += run[k].intervalMs;
            }
            x.leq = 10 * std::log10(energy * 1000.0 / static_cast<double>(ms));
            x.lengthMs = ms;
            if (static_cast<double>(ms) >= rules.minSeconds * 1000)
                out.push_back(x);
        }
    }
    return out;
}

// A day runs from 07:00 to 07:00: (events starting in it, seconds above).
std::map<std::int64_t, std::pair<int, double>> bruteDays(const std::vector<Reading>& readings,
                                                         const std::vector<Expected>& events,
                                                         const EventRules& rules,
                                                         const std::vector<SeriesSpan>& excluded) {
    std::map<std::int64_t, std::pair<int, double>> days;
    auto dayOf = [](std::int64_t t) {
        return static_cast<std::int64_t>(std::floor((t - 7.0 * hourMs) / dayMs));
    };
    for (const Reading& r : readings) {
        auto& d = days[dayOf(r.t)];
        if (!excludedAt(excluded, r.t) && r.level > rules.aboveDb * 100)
            d.second += r.intervalMs / 1000.0;
    }
    for (const Expected& e : events)
        ++days[dayOf(e.start)].first;
    return days;
}

struct EventCase {
    const char* name;
    EventRules rules;
};

// A 0.1 s survey across midnight and then across 07:00, with a gap, a
// change to 1 s readings and excluded spans cutting bursts.
TEST(SeriesEvents, FoundAsTheRulesDefineThem) {
    std::mt19937 rng(7);
    std::vector<Reading> readings;
    addStretch(readings, nov2 - 20 * 60 * secondMs, 40 * 60, 100, rng);  // 23:40 to 00:20
    addStretch(readings, nov2 + 20 * 60 * secondMs, 10 * 60, 1000, rng); // on at 1 s
    // A gap, then 06:40 to 07:20.
    addStretch(readings, nov2 + 6 * hourMs + 40 * 60 * secondMs, 40 * 60, 100, rng);
    // From 07:30, a reading every 10 s, loud for minutes at a time, a step
    // now and then of 12 s (no gap: 1.2 intervals) or of 16 s (a gap).
    std::uniform_int_distribution<int> step(0, 5);
    for (std::int64_t t = nov2 + 7 * hourMs + 30 * 60 * secondMs, k = 0;
         t < nov2 + 8 * hourMs + 30 * 60 * secondMs; ++k) {
        readings.push_back({t, static_cast<Centibel>(k / 12 % 2 ? 8000 : 5000), 10000});
        const int s = step(rng);
        t += (s == 0 ? 12 : s == 1 ? 16 : 10) * secondMs;
    }
    // Loud across midnight, across the change to 1 s, into and out of the gap
    // and across 07:00: the first and the last are counted on the day they
    // start, the change goes on, the gap ends one and starts another.
    const std::int64_t loudAt[] = {nov2, nov2 + 20 * 60 * secondMs, nov2 + 30 * 60 * secondMs,
                                   nov2 + 6 * hourMs + 40 * 60 * secondMs, nov2 + 7 * hourMs};
    for (Reading& r : readings)
        for (const std::int64_t t : loudAt)
            if (std::llabs(r.t - t) < 30 * secondMs)
                r.level = 8000;
    // Excluded spans starting and ending inside loud stretches.
    const std::vector<SeriesSpan> excluded = {
        {nov2 - 5 * secondMs, nov2 + 5 * secondMs},
        {nov2 + 7 * hourMs + 20 * secondMs, nov2 + 7 * hourMs + 40 * secondMs}};
    const SeriesStore series = storeOf(readings);
    ASSERT_EQ(series.size(), readings.size());

    const EventCase cases[] = {
        {"plain", {70, 0, 0, 0}},
        {"hysteresis", {70, 4, 0, 0}},
        {"merge", {70, 0, 3, 0}},
        {"merge and hysteresis", {72, 3, 1.5, 0}},
        {"minimum", {70, 2, 0, 2}},
        {"merge then minimum", {70, 0, 2, 5}},
        {"fractional threshold", {69.995, 0.004, 0.3, 0.5}},
    };
    for (const EventCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto expected = bruteForce(readings, c.rules, excluded);
        const SeriesEvents found =
            findEvents(series, series.start(), series.end(), c.rules, excluded);
        ASSERT_EQ(found.events.size(), expected.size());
        ASSERT_GT(expected.size(), 10u);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const SeriesEvent& e = found.events[i];
            const Expected& x = expected[i];
            EXPECT_EQ(e.start, x.start) << i;
            EXPECT_EQ(e.end, x.end) << i;
            EXPECT_EQ(e.startWall, x.start) << i;
            EXPECT_DOUBLE_EQ(e.seconds, static_cast<double>(x.lengthMs) / 1000.0) << i;
            EXPECT_EQ(e.lmax, x.lmax) << i;
            EXPECT_EQ(e.lmaxWall, x.lmaxAt) << i;
            EXPECT_NEAR(e.leq(), x.leq, 1e-9) << i;
            EXPECT_NEAR(e.sel(), x.leq + 10 * std::log10(e.seconds), 1e-9) << i;
        }
        auto across = [&found](std::int64_t t) {
            return std::any_of(found.events.begin(), found.events.end(),
                               [t](const SeriesEvent& e) { return e.start < t && t < e.end; });
        };
        auto endsAt = [&found](std::int64_t t) {
            return std::any_of(found.events.begin(), found.events.end(),
                               [t](const SeriesEvent& e) { return e.end == t; });
        };
        EXPECT_TRUE(across(nov2 + 20 * 60 * secondMs));
        EXPECT_TRUE(endsAt(nov2 + 30 * 60 * secondMs));
        EXPECT_TRUE(endsAt(nov2 - 5 * secondMs));
        const auto days = bruteDays(readings, expected, c.rules, excluded);
        ASSERT_EQ(found.days.size(), days.size());
        auto d = days.begin();
        for (const EventDay& day : found.days) {
            EXPECT_EQ(day.start, d->first * dayMs + 7 * hourMs);
            EXPECT_EQ(day.events, d->second.first);
            EXPECT_NEAR(day.secondsAbove, d->second.second, 1e-6);
            ++d;
        }
    }
}

TEST(SeriesEvents, TheEndOfTheSpanEndsAnEvent) {
    // Eleven loud readings in the middle of quiet ones at 0.1 s.
    std::vector<Reading> readings;
    for (int i = 0; i < 100; ++i)
        readings.push_back(
            {nov2 + i * 100, static_cast<Centibel>(i >= 40 && i <= 50 ? 8000 : 5000), 100});
    const SeriesStore series = storeOf(readings);
    const EventRules rules{70, 0, 0, 0};
    const SeriesEvents all = findEvents(series, series.start(), series.end(), rules);
    ASSERT_EQ(all.events.size(), 1u);
    EXPECT_EQ(all.events[0].start, nov2 + 4000);
    EXPECT_EQ(all.events[0].end, nov2 + 5100);
    // --to inside the burst ends the event there.
    const SeriesEvents cut = findEvents(series, series.start(), nov2 + 4500, rules);
    ASSERT_EQ(cut.events.size(), 1u);
    EXPECT_EQ(cut.events[0].end, nov2 + 4500);
}

// An event as it is written: local time with tenths and the UTC offset.
TEST(SeriesEvents, TimesAndFieldsAreWrittenWithTenthsAndTheOffset) {
    class PlusOne final : public Clock {
      public:
        std::time_t now() const override { return 0; }
        LocalTime local(std::time_t t) const override {
            const std::time_t shifted = t + 3600;
            std::tm tm{};
            gmtime_r(&shifted, &tm);
            return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
        }
    } clock;
    SeriesEvent e;
    e.start = e.startWall = nov2 + 7 * hourMs + 13 * 60 * secondMs + 5 * secondMs;
    e.end = e.start + 12300;
    e.lengthMs = 12300;
    e.seconds = 12.3;
    e.lmax = 9234;
    e.lmaxWall = e.start + 4700;
    e.energySeconds = std::pow(10.0, 8.5) * 12.3;
    EXPECT_EQ(eventFields(clock, 3, e),
              (std::vector<std::string>{"3", "2026-11-02T07:13:05.0+01:00",
                                        "2026-11-02T07:13:17.3+01:00", "12.3", "92.34",
                                        "2026-11-02T07:13:09.7+01:00", "85.00", "95.90"}));
}

// The background: quarter hours counted by their coverage, LA90 as the
// stats' L90, ABL per date and period, RBL the median over dates.
TEST(SeriesBackground, AblAndRblAsDefined) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> jitter(0, 1500);
    // Four whole days from 2026-11-02 07:00 at 1 s: every period has four
    // dates, an even number. The level follows the hour.
    std::vector<Reading> readings;
    const std::int64_t from = nov2 + 7 * hourMs, to = from + 4 * dayMs;
    // An outage from 14:07 to 16:31 on the 3rd: 14:00 keeps 7 of 15
    // minutes (not counted), 16:30 keeps 14 (counted).
    const std::int64_t outFrom = nov2 + dayMs + 14 * hourMs + 7 * 60 * secondMs;
    const std::int64_t outTo = nov2 + dayMs + 16 * hourMs + 31 * 60 * secondMs;
    for (std::int64_t t = from; t < to; t += secondMs) {
        if (t >= outFrom && t < outTo)
            continue;
        const int hour = static_cast<int>((t % dayMs) / hourMs);
        const int base = hour >= 7 && hour < 19 ? 5500 : hour >= 19 && hour < 23 ? 4800 : 3800;
        readings.push_back(
            {t, static_cast<Centibel>(base + jitter(rng) + (t / dayMs) % 3 * 37), 1000});
    }
    // Marks that exclude: 2 minutes of a quarter (still counted) and 3
    // minutes of another (not counted), and an evening hour.
    const std::vector<SeriesSpan> excluded = {
        {nov2 + 2 * dayMs + 9 * hourMs, nov2 + 2 * dayMs + 9 * hourMs + 120 * secondMs},
        {nov2 + 2 * dayMs + 10 * hourMs, nov2 + 2 * dayMs + 10 * hourMs + 180 * secondMs},
        {nov2 + 3 * dayMs + 20 * hourMs, nov2 + 3 * dayMs + 21 * hourMs}};
    const SeriesStore series = storeOf(readings);

    for (const PeriodBounds bounds : {PeriodBounds{}, PeriodBounds{7, 18, 22}}) {
        SCOPED_TRACE(bounds.dayStart);
        // quarter start -> its readings left in
        std::map<std::int64_t, std::vector<int>> quarters;
        for (const Reading& r : readings)
            if (!excludedAt(excluded, r.t))
                quarters[r.t / (15 * 60 * secondMs)].push_back(r.level);
        // (date as days since 1970, period) -> LA90s
        std::map<std::pair<std::int64_t, int>, std::vector<double>> la90;
        for (auto& [q, levels] : quarters) {
            if (levels.size() < 810) // 90 % of 900 one-second readings
                continue;
            std::sort(levels.begin(), levels.end(), std::greater<>());
            const std::size_t k = (90 * levels.size() + 99) / 100;
            const std::int64_t t = q * 15 * 60 * secondMs;
            const int hour = static_cast<int>((t % dayMs) / hourMs);
            const int period = hour >= bounds.dayStart && hour < bounds.eveningStart     ? 0
                               : hour >= bounds.eveningStart && hour < bounds.nightStart ? 1
                                                                                         : 2;
            const std::int64_t date = t / dayMs - (hour < bounds.dayStart ? 1 : 0);
            la90[{date, period}].push_back(levels[k - 1] / 100.0);
        }
        std::vector<double> abls[3];
        auto expectedLevel = la90.begin();
        const SeriesBackground found =
            backgroundLevels(series, series.start(), series.end(), bounds, excluded);
        ASSERT_EQ(found.levels.size(), la90.size());
        for (const BackgroundLevel& l : found.levels) {
            auto& [key, values] = *expectedLevel++;
            std::sort(values.begin(), values.end());
            const double abl = values[(values.size() + 9) / 10 - 1];
            abls[key.second].push_back(abl);
            EXPECT_EQ(l.day, static_cast<int>(2 + key.first - nov2 / dayMs));
            EXPECT_EQ(l.month, 11);
            EXPECT_EQ(static_cast<int>(l.part), key.second);
            EXPECT_EQ(l.intervals, static_cast<int>(values.size()));
            EXPECT_DOUBLE_EQ(l.abl, abl);
        }
        ASSERT_EQ(found.ratings.size(), 3u);
        for (int p = 0; p < 3; ++p) {
            auto& a = abls[p];
            std::sort(a.begin(), a.end());
            ASSERT_EQ(a.size() % 2, 0u) << p;
            EXPECT_EQ(found.ratings[p].dates, static_cast<int>(a.size()));
            EXPECT_DOUBLE_EQ(found.ratings[p].rbl, (a[a.size() / 2 - 1] + a[a.size() / 2]) / 2);
        }
    }
}

// The quarters kept between passes give what a full pass gives, exactly,
// whatever marks come, go or move and while readings are added at the end,
// across a gap and the hour repeated when daylight saving ends.
TEST(SeriesBackground, KeptQuartersFollowMarksAndGrowthAsAFullPass) {
    std::mt19937 rng(23);
    std::uniform_int_distribution<int> level(3500, 7500);
    // Three days and a half at 1 s from 2026-11-02 06:50, an outage of 2 h 13 min
    // on the 3rd, a stretch at 0.5 s; the clock falls back an hour on the 4th.
    struct Stamp {
        std::int64_t t;
        std::int32_t intervalMs;
        Centibel level;
    };
    std::vector<Stamp> stamps;
    const std::int64_t from = nov2 + 6 * hourMs + 50 * 60 * secondMs;
    const std::int64_t outFrom = nov2 + dayMs + 11 * hourMs + 7 * secondMs;
    const std::int64_t outTo = outFrom + 2 * hourMs + 13 * 60 * secondMs;
    const std::int64_t halfFrom = nov2 + 2 * dayMs + 3 * hourMs + 555 * secondMs;
    const std::int64_t halfTo = halfFrom + 5 * hourMs;
    for (std::int64_t t = from; t < from + 84 * hourMs;) {
        const std::int32_t interval = t >= halfFrom && t < halfTo ? 500 : 1000;
        if (t < outFrom || t >= outTo)
            stamps.push_back({t, interval, static_cast<Centibel>(level(rng))});
        t += interval;
    }
    const std::int64_t fallBack = nov2 + 3 * dayMs + 2 * hourMs;

    SeriesStore series;
    std::size_t added = 0;
    const auto grow = [&](std::size_t n) {
        for (const std::size_t end = std::min(stamps.size(), added + n); added < end; ++added) {
            const Stamp& s = stamps[added];
            if (s.t == fallBack)
                series.setClockShift(hourMs);
            series.appendStamp(s.t, &s.level, 1, s.intervalMs, 'A');
        }
        series.finish();
    };
    grow(stamps.size() * 3 / 5);

    // Marks as the user leaves them, overlapping or not; excluded as SeriesMarks holds them.
    std::vector<SeriesSpan> marks;
    const auto excludedOf = [&marks] {
        std::vector<SeriesSpan> spans = marks;
        std::sort(spans.begin(), spans.end(),
                  [](const SeriesSpan& a, const SeriesSpan& b) { return a.start < b.start; });
        std::vector<SeriesSpan> joined;
        for (const SeriesSpan& s : spans)
            if (!joined.empty() && s.start <= joined.back().end)
                joined.back().end = std::max(joined.back().end, s.end);
            else
                joined.push_back(s);
        return joined;
    };
    std::uniform_int_distribution<std::int64_t> when(from - hourMs, from + 85 * hourMs);
    const auto randomMark = [&] {
        // A few seconds, minutes or hours, now and then more than a day.
        const std::int64_t units[] = {secondMs, 60 * secondMs, hourMs};
        const std::int64_t length =
            std::uniform_int_distribution<std::int64_t>(1, 30)(rng) * units[rng() % 3];
        const std::int64_t start = when(rng);
        return SeriesSpan{start, start + length};
    };

    BackgroundQuarters kept;
    for (int step = 0; step < 160; ++step) {
        SCOPED_TRACE(step);
        const unsigned what = rng() % 20;
        if (step == 120)
            grow(stamps.size()); // the rest
        else if (what < 8 || marks.empty())
            marks.push_back(randomMark());
        else if (what < 12)
            marks.erase(marks.begin() + static_cast<std::ptrdiff_t>(rng() % marks.size()));
        else if (what < 16)
            marks[rng() % marks.size()] = randomMark();
        else if (what < 19)
            grow(std::uniform_int_distribution<std::size_t>(1, 8000)(rng));
        else
            marks.clear();
        const std::vector<SeriesSpan> excluded = excludedOf();
        kept.update(series, excluded);
        for (const PeriodBounds bounds : {PeriodBounds{}, PeriodBounds{6, 18, 22}}) {
            const SeriesBackground want =
                backgroundLevels(series, series.start(), series.end(), bounds, excluded);
            const SeriesBackground got = kept.levels(bounds);
            ASSERT_EQ(got.levels.size(), want.levels.size());
            for (std::size_t i = 0; i < want.levels.size(); ++i) {
                const BackgroundLevel &g = got.levels[i], &w = want.levels[i];
                EXPECT_EQ(std::tie(g.year, g.month, g.day, g.part, g.abl, g.intervals),
                          std::tie(w.year, w.month, w.day, w.part, w.abl, w.intervals))
                    << i;
            }
            ASSERT_EQ(got.ratings.size(), want.ratings.size());
            for (std::size_t i = 0; i < want.ratings.size(); ++i)
                EXPECT_EQ(
                    std::tie(got.ratings[i].part, got.ratings[i].rbl, got.ratings[i].dates),
                    std::tie(want.ratings[i].part, want.ratings[i].rbl, want.ratings[i].dates));
        }
    }
    EXPECT_EQ(added, stamps.size()) << "the series grew to its end";
}

} // namespace
