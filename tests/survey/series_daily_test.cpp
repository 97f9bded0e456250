// The daily figures of a survey of a few days with an outage and the hour
// repeated when daylight saving ends, against the formulas worked here from
// the readings the test writes.
#include "SurveyFolder.h"

#include "survey/SeriesFigures.h"
#include "survey/SeriesReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace {

using namespace testsurvey;

// Wall-clock seconds from 2026-10-01 00:00; every reading here is in October.
Wall octoberWall(long s) {
    return {2026,
            10,
            static_cast<int>(1 + s / 86400),
            static_cast<int>(s / 3600 % 24),
            static_cast<int>(s / 60 % 60),
            static_cast<int>(s % 60)};
}
constexpr long at(int day, int hour) {
    return (day - 1) * 86400L + hour * 3600L;
}

struct Expected {
    double energy[3] = {};
    long count[3] = {};
    double lmax = 0;
};

double leq(double energy, long count) {
    return 10 * std::log10(energy / static_cast<double>(count));
}

TEST(SeriesDaily, DaysRunFromTheDayPeriodToTheNextWithTheirOwnNight) {
    const auto dir = scratch("daily");
    // A reading a minute from 23 October 12:00 to 27 October 09:00 on the
    // wall clock. At 03:00 on the 25th the clock goes back to 02:00; on the
    // 26th the meter is away from 12:00 to 15:00.
    constexpr long interval = 60;
    const long start = at(23, 12), end = at(27, 9), clockBack = at(25, 3);
    const long outageFrom = at(26, 12), outageTo = at(26, 15);

    std::map<int, Expected> expected; // by the date the day starts on
    std::map<std::string, std::string> files;
    std::vector<std::string> order;
    std::set<std::string> closed;
    std::string current;
    bool back = false;
    long k = 0;
    for (long elapsed = 0;; elapsed += interval, ++k) {
        long wall = start + elapsed;
        if (wall >= clockBack && !back) {
            back = true; // the writer starts a file of its own for the hour again
            closed.insert(current);
            current.clear();
        }
        if (back)
            wall -= 3600;
        if (wall >= end)
            break;
        if (wall >= outageFrom && wall < outageTo)
            continue;
        const Wall w = octoberWall(wall);
        const int period = w.hour >= 7 && w.hour < 19 ? 0 : w.hour >= 19 && w.hour < 23 ? 1 : 2;
        const double level = (period == 0   ? 60.25
                              : period == 1 ? 50.5
                                            : 40.75) +
                             static_cast<double>(k % (period + 5));
        Expected& e = expected[w.day - (w.hour < 7 ? 1 : 0)];
        e.energy[period] += std::pow(10.0, level / 10);
        ++e.count[period];
        e.lmax = std::max(e.lmax, level);

        const std::string hour = fileName(w);
        if (hour != current) {
            if (!current.empty())
                closed.insert(current);
            current = hour;
            order.push_back(closed.count(hour) ? fileName(w, 2) : hour);
            files[order.back()] = header(interval);
        }
        files[order.back()] += line(w, level);
    }
    for (const auto& [name, text] : files)
        write(dir / name, text);
    write(dir / "events.csv", "start,end,seconds,cause,detail\r\n"
                              "2026-10-26T12:00:00.000+01:00,2026-10-26T15:00:00.000+01:00,"
                              "10800.0,disconnected,\"cable, pulled\"\r\n");
    ASSERT_TRUE(files.count("survey-2026-10-25T02-2.txt"));

    const SeriesRead read = readSurveySeries(dir.string());
    ASSERT_EQ(read.status, SeriesRead::Status::Ok);
    EXPECT_TRUE(read.problems.empty());
    ASSERT_EQ(read.files.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(fs::path(read.files[i]).filename(), order[i]);
    const SeriesStore& s = read.series;
    ASSERT_EQ(s.gaps().size(), 1u);
    EXPECT_EQ(s.gaps()[0].cause, "disconnected");
    EXPECT_EQ(s.gaps()[0].detail, "cable, pulled");
    EXPECT_EQ(s.gaps()[0].end - s.gaps()[0].start, 3 * 3600 * 1000);

    const std::vector<DayFigures> days = dailyFigures(s);
    ASSERT_EQ(days.size(), expected.size());
    std::size_t row = 0;
    for (const auto& [date, e] : expected) {
        const DayFigures& d = days[row++];
        SCOPED_TRACE(date);
        EXPECT_EQ(d.day, date);
        EXPECT_EQ(d.month, 10);
        // The night of the 24th has the repeated hour: the day lasts 25 hours.
        const double dayHours = date == 24 ? 25 : 24;
        EXPECT_NEAR(d.end - d.start, dayHours * 3600e3, 0.5);
        const std::optional<double> level[3] = {d.lday.level, d.levening.level, d.lnight.level};
        const double periodHours[3] = {12, 4, date == 24 ? 9.0 : 8.0};
        const PeriodLevel* periods[3] = {&d.lday, &d.levening, &d.lnight};
        double all = 0;
        long count = 0;
        for (int p = 0; p < 3; ++p) {
            all += e.energy[p];
            count += e.count[p];
            ASSERT_EQ(level[p].has_value(), e.count[p] > 0) << p;
            if (e.count[p]) {
                EXPECT_NEAR(*level[p], leq(e.energy[p], e.count[p]), 1e-9) << p;
                EXPECT_NEAR(periods[p]->coverage,
                            static_cast<double>(e.count[p] * interval) / (periodHours[p] * 3600),
                            1e-9)
                    << p;
            }
        }
        EXPECT_NEAR(*d.laeq24, leq(all, count), 1e-9);
        EXPECT_DOUBLE_EQ(*d.lmax, e.lmax);
        EXPECT_NEAR(d.coverage, static_cast<double>(count * interval) / (dayHours * 3600), 1e-9);
        if (e.count[0] && e.count[1] && e.count[2]) {
            const double lden =
                10 * std::log10((12 * std::pow(10.0, leq(e.energy[0], e.count[0]) / 10) +
                                 4 * std::pow(10.0, (leq(e.energy[1], e.count[1]) + 5) / 10) +
                                 8 * std::pow(10.0, (leq(e.energy[2], e.count[2]) + 10) / 10)) /
                                24);
            ASSERT_TRUE(d.lden);
            EXPECT_NEAR(*d.lden, lden, 1e-9);
        } else {
            EXPECT_FALSE(d.lden);
        }
    }
    // The first day starts at noon: no night of the 22nd, and its own night runs into the 24th.
    EXPECT_EQ(days.front().day, 23);
    EXPECT_TRUE(days.front().lnight.level);

    // The repeated hour has two rows of its own, the first before the second.
    int twos = 0;
    for (const HourFigures& h : hourlyFigures(s, s.start(), s.end()))
        if (h.day == 25 && h.hour == 2) {
            ++twos;
            EXPECT_EQ(h.sum.count, 60u);
        }
    EXPECT_EQ(twos, 2);

    // The whole days of the series give Lden over all of them.
    const SpanFigures whole = spanFigures(s, days[1].start, days[3].end);
    EXPECT_EQ(whole.wholeDays, 3);
    EXPECT_TRUE(whole.lden);
    EXPECT_EQ(spanFigures(s, days[1].start + 1, days[2].end).wholeDays, 1);
}

} // namespace
