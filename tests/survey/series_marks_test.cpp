// The figures of a survey under marks, against the same figures computed here
// from the readings each mark leaves.
#include "model/TextFormat.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesReader.h"
#include "survey/SeriesReport.h"
#include "survey/SurveyMarks.h"

#include "SurveyFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

using testsurvey::Wall;

constexpr int step = 10; // seconds between readings
// 2026-12-01 00:00 UTC; the manual clock's local time is UTC.
constexpr std::int64_t dec1 = 1796083200;

struct Reading {
    std::int64_t t; // seconds since 1970, wall clock
    double level;
};

Wall wallOf(std::int64_t t) {
    const std::int64_t d = (t - dec1) / 86400;
    const std::int64_t s = (t - dec1) % 86400;
    return {2026,
            12,
            1 + static_cast<int>(d),
            static_cast<int>(s / 3600),
            static_cast<int>(s / 60 % 60),
            static_cast<int>(s % 60)};
}

// Four days of hourly files; the small hours of the 2nd are quiet, when the
// plant was off.
std::vector<Reading> writeSurvey(const testsurvey::fs::path& dir) {
    std::vector<Reading> readings;
    std::map<std::string, std::string> files;
    for (std::int64_t t = dec1, k = 0; t < dec1 + 4 * 86400; t += step, ++k) {
        const Wall w = wallOf(t);
        const bool quiet = w.day == 2 && w.hour >= 1 && w.hour < 4;
        const double level = (quiet ? 3500 : 5200 + (k * 37) % 2100) / 100.0;
        readings.push_back({t, level});
        std::string& text = files[testsurvey::fileName(w)];
        if (text.empty())
            text = testsurvey::header(step);
        text += testsurvey::line(w, level);
    }
    for (const auto& [name, text] : files)
        testsurvey::write(dir / name, text);
    return readings;
}

SurveyMs at(int day, int hour, int minute) {
    return (dec1 + (day - 1) * 86400 + hour * 3600 + minute * 60) * 1000;
}

const std::vector<SurveyMark>& theMarks() {
    static const std::vector<SurveyMark> marks = {
        // Across midnight, and overlapping the next across the hour files.
        {at(1, 22, 30), at(2, 1, 15), MarkKind::Exclude, "rain", ""},
        {at(2, 0, 50), at(2, 1, 20), MarkKind::Exclude, "wind", ""},
        {at(2, 1, 0), at(2, 3, 0), MarkKind::Residual, "plant off", ""},
        {at(2, 2, 40), at(2, 3, 55), MarkKind::Residual, "plant off", ""},
        {at(2, 12, 0), at(2, 13, 0), MarkKind::Event, "truck", ""},
        {at(2, 14, 0), at(2, 15, 0), MarkKind::Note, "windy", ""},
        // A whole day, from one day period's start to the next.
        {at(3, 7, 0), at(4, 7, 0), MarkKind::Exclude, "handled", ""},
    };
    return marks;
}

enum class Class { Kept, Excluded, Residual };

Class classOf(std::int64_t t) {
    bool residual = false;
    for (const SurveyMark& m : theMarks()) {
        const bool in = m.start <= t * 1000 && t * 1000 < m.end;
        if (in && m.kind == MarkKind::Exclude)
            return Class::Excluded;
        residual = residual || (in && m.kind == MarkKind::Residual);
    }
    return residual ? Class::Residual : Class::Kept;
}

double leqOf(const std::vector<double>& levels) {
    double e = 0;
    for (const double l : levels)
        e += std::pow(10.0, l / 10);
    return 10 * std::log10(e / static_cast<double>(levels.size()));
}

// The k-th highest, k = ceil(n * N / 100).
double percentile(std::vector<double> levels, int n) {
    std::sort(levels.begin(), levels.end(), std::greater<>());
    const auto k = static_cast<std::size_t>(
        std::ceil(static_cast<double>(n) * static_cast<double>(levels.size()) / 100.0 - 1e-9));
    return levels[std::max<std::size_t>(k, 1) - 1];
}

struct Fixture {
    std::vector<Reading> readings;
    SeriesRead read;
    SeriesMarks marks;
};

const Fixture& fixture() {
    static const Fixture f = [] {
        Fixture x;
        const auto dir = testsurvey::scratch("marks-figures");
        x.readings = writeSurvey(dir);
        x.read = readSurveySeries(dir.string());
        const ManualClock clock;
        x.marks = SurveyMarks(theMarks()).inSeries(x.read.series, clock);
        return x;
    }();
    return f;
}

TEST(SeriesMarks, SpanFiguresAreThoseOfTheReadingsTheMarksLeave) {
    const Fixture& f = fixture();
    ASSERT_EQ(f.read.status, SeriesRead::Status::Ok);
    const SeriesStore& s = f.read.series;
    ASSERT_EQ(s.size(), f.readings.size());
    std::vector<double> kept, residual;
    std::size_t excluded = 0;
    for (const Reading& r : f.readings) {
        switch (classOf(r.t)) {
        case Class::Kept:
            kept.push_back(r.level);
            break;
        case Class::Excluded:
            ++excluded;
            break;
        case Class::Residual:
            residual.push_back(r.level);
            break;
        }
    }
    // 22:30 to 01:20 and a whole day excluded; 01:20 to 03:55 residual.
    ASSERT_EQ(excluded, (170 + 1440) * 6u);
    ASSERT_EQ(residual.size(), 155 * 6u);

    const SpanFigures a = spanFigures(s, s.start(), s.end(), {}, f.marks);
    EXPECT_EQ(a.sum.count, kept.size());
    EXPECT_NEAR(*a.sum.leq(), leqOf(kept), 1e-9);
    EXPECT_DOUBLE_EQ(*a.sum.lmax(), *std::max_element(kept.begin(), kept.end()));
    EXPECT_DOUBLE_EQ(*a.sum.lmin(), *std::min_element(kept.begin(), kept.end()));
    EXPECT_DOUBLE_EQ(a.l10, percentile(kept, 10));
    EXPECT_DOUBLE_EQ(a.l90, percentile(kept, 90));
    EXPECT_DOUBLE_EQ(a.sum.seconds, static_cast<double>(kept.size() * step));
    EXPECT_EQ(a.excluded.count, excluded);
    EXPECT_EQ(a.residual.count, residual.size());
    EXPECT_NEAR(*a.lres(), leqOf(residual), 1e-9);
    EXPECT_EQ(a.residualWeighting, "dBA");
    const double specific =
        10 * std::log10(std::pow(10.0, leqOf(kept) / 10) - std::pow(10.0, leqOf(residual) / 10));
    EXPECT_NEAR(*a.lspecific(), specific, 1e-9);
    // Three whole days; the one under a mark adds no period of its own.
    EXPECT_EQ(a.wholeDays, 3);
    EXPECT_TRUE(a.lden);

    // Without marks, the figures of every reading.
    std::vector<double> all;
    for (const Reading& r : f.readings)
        all.push_back(r.level);
    const SpanFigures b = spanFigures(s, s.start(), s.end());
    EXPECT_EQ(b.sum.count, all.size());
    EXPECT_NEAR(*b.sum.leq(), leqOf(all), 1e-9);
    EXPECT_DOUBLE_EQ(b.l90, percentile(all, 90));
    EXPECT_EQ(b.excluded.count, 0u);
    EXPECT_FALSE(b.lres());
}

TEST(SeriesMarks, DailyAndHourlyFiguresFollowTheMarks) {
    const Fixture& f = fixture();
    const SeriesStore& s = f.read.series;
    // Days from 07:00; periods by the default bounds.
    struct Day {
        std::vector<double> periods[3], all;
        std::size_t excluded = 0, residual = 0;
    };
    std::map<int, Day> days;
    struct Hour {
        std::vector<double> kept;
        std::size_t excluded = 0, residual = 0;
    };
    std::map<std::pair<int, int>, Hour> hours;
    for (const Reading& r : f.readings) {
        const Wall w = wallOf(r.t);
        Day& d = days[w.hour < 7 ? w.day - 1 : w.day];
        Hour& h = hours[{w.day, w.hour}];
        switch (classOf(r.t)) {
        case Class::Kept:
            d.periods[w.hour >= 7 && w.hour < 19    ? 0
                      : w.hour >= 19 && w.hour < 23 ? 1
                                                    : 2]
                .push_back(r.level);
            d.all.push_back(r.level);
            h.kept.push_back(r.level);
            break;
        case Class::Excluded:
            ++d.excluded;
            ++h.excluded;
            break;
        case Class::Residual:
            ++d.residual;
            ++h.residual;
            break;
        }
    }

    const std::vector<DayFigures> figures = dailyFigures(s, {}, f.marks);
    ASSERT_EQ(figures.size(), days.size());
    std::size_t i = 0;
    for (const auto& [date, d] : days) {
        SCOPED_TRACE(date);
        const DayFigures& g = figures[i++];
        EXPECT_EQ(g.day, date == 0 ? 30 : date);
        PeriodLevel DayFigures::*const level[3] = {&DayFigures::lday, &DayFigures::levening,
                                                   &DayFigures::lnight};
        for (int p = 0; p < 3; ++p) {
            const PeriodLevel& l = g.*level[p];
            if (d.periods[p].empty())
                EXPECT_FALSE(l.level);
            else
                EXPECT_NEAR(*l.level, leqOf(d.periods[p]), 1e-9);
        }
        EXPECT_NEAR(g.coverage, static_cast<double>(d.all.size() * step) / 86400, 1e-12);
        EXPECT_NEAR(g.excluded, static_cast<double>(d.excluded * step) / 86400, 1e-12);
        EXPECT_NEAR(g.residual, static_cast<double>(d.residual * step) / 86400, 1e-12);
    }
    // The day under one mark: still a row, without a level, all of it excluded.
    const DayFigures& handled = figures[3];
    EXPECT_EQ(handled.day, 3);
    EXPECT_FALSE(handled.lday.level);
    EXPECT_FALSE(handled.laeq24);
    EXPECT_FALSE(handled.lden);
    EXPECT_EQ(handled.coverage, 0.0);
    EXPECT_DOUBLE_EQ(handled.excluded, 1.0);

    const std::vector<HourFigures> hourly = hourlyFigures(s, s.start(), s.end(), f.marks);
    ASSERT_EQ(hourly.size(), hours.size());
    i = 0;
    for (const auto& [key, h] : hours) {
        const HourFigures& g = hourly[i++];
        SCOPED_TRACE(std::to_string(key.first) + " " + std::to_string(key.second));
        EXPECT_EQ(g.day, key.first);
        EXPECT_EQ(g.hour, key.second);
        EXPECT_EQ(g.sum.count, h.kept.size());
        if (!h.kept.empty()) {
            EXPECT_NEAR(*g.sum.leq(), leqOf(h.kept), 1e-9);
        }
        EXPECT_NEAR(g.coverage, static_cast<double>(h.kept.size() * step) / 3600, 1e-12);
        EXPECT_NEAR(g.excluded, static_cast<double>(h.excluded * step) / 3600, 1e-12);
        EXPECT_NEAR(g.residual, static_cast<double>(h.residual * step) / 3600, 1e-12);
    }

    // The records of a span hold the readings the marks leave, in order.
    // (The series' clock is the wall clock: no daylight saving here.)
    const RecordList records = seriesRecords(s, at(1, 22, 0), at(3, 0, 0), f.marks);
    std::size_t expected = 0;
    for (const Reading& r : f.readings)
        if (r.t >= dec1 + 22 * 3600 && r.t < dec1 + 2 * 86400 && classOf(r.t) == Class::Kept)
            ++expected;
    EXPECT_EQ(records.size(), expected);
}

TEST(SeriesMarks, TheSpecificLevelWantsMoreThanThreeDecibelsAboveTheResidual) {
    const struct {
        double level, residual;
        std::optional<double> specific;
    } cases[] = {
        {60.0, 50.0, 10 * std::log10(1e6 - 1e5)},
        {60.0, 56.99, 10 * std::log10(1e6 - std::pow(10.0, 5.699))},
        {60.0, 57.0, std::nullopt},
        {60.0, 59.0, std::nullopt},
        {60.0, 62.0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.residual);
        const auto s = specificLevel(c.level, c.residual);
        ASSERT_EQ(s.has_value(), c.specific.has_value());
        if (s) {
            EXPECT_NEAR(*s, *c.specific, 1e-9);
        }
    }
}

} // namespace

TEST(SeriesMarks, TheReportListsTheMarksOfItsSpanAndWhatTheyLeftOut) {
    const Fixture& f = fixture();
    const SeriesStore& s = f.read.series;
    const ManualClock clock;
    const SurveyMarks marks(theMarks());
    ReportTexts texts;
    texts.wholeSurvey = "%1 – %2";
    texts.ldenDays = "%1 dB over %2 days";
    texts.notDeterminable = "not determinable";
    const SeriesReportInput in = seriesReportInput(s, s.start(), s.end(), {}, std::nullopt, texts,
                                                   Language::English, marks, clock);
    ASSERT_EQ(in.marks.rows.size(), theMarks().size());
    EXPECT_EQ(in.marks.rows[0], std::vector<std::string>({"exclude", "rain", "01-12-2026 22:30:00",
                                                          "02-12-2026 01:15:00", "2:45:00", ""}));
    EXPECT_EQ(in.marks.rows[2][0], "residual");
    EXPECT_EQ(in.marks.rows.back()[4], "24:00:00");

    // The figures of the readings the marks leave, those of all beside.
    const SpanFigures assessed = spanFigures(s, s.start(), s.end(), {}, f.marks);
    const SpanFigures all = spanFigures(s, s.start(), s.end());
    std::uint64_t excluded = 0, residual = 0;
    for (const Reading& r : f.readings) {
        excluded += classOf(r.t) == Class::Excluded;
        residual += classOf(r.t) == Class::Residual;
    }
    EXPECT_EQ(in.readings, f.readings.size());
    EXPECT_EQ(in.assessed.readings, f.readings.size() - excluded - residual);
    ASSERT_TRUE(in.allReadings);
    EXPECT_EQ(in.allReadings->readings, f.readings.size());
    // Each figure worded with its weighting, of the readings left and of all.
    auto figure = [&in](const std::string& name) {
        const auto it =
            std::find_if(in.figures.begin(), in.figures.end(),
                         [&name](const SeriesReportFigure& x) { return x.name == name; });
        return it == in.figures.end() ? SeriesReportFigure{} : *it;
    };
    ASSERT_TRUE(assessed.sum.leq() && all.sum.leq() && assessed.lden && assessed.lres());
    EXPECT_EQ(figure("Leq").assessed, formatFixed(*assessed.sum.leq(), 1) + " dB(A)");
    EXPECT_EQ(figure("Leq").all, formatFixed(*all.sum.leq(), 1) + " dB(A)");
    EXPECT_EQ(figure("Lden").assessed, formatFixed(*assessed.lden, 1) + " dB over " +
                                           std::to_string(assessed.wholeDays) + " days");
    EXPECT_EQ(in.excluded.readings, excluded);
    EXPECT_EQ(in.residual.readings, residual);
    EXPECT_DOUBLE_EQ(in.excluded.seconds, static_cast<double>(excluded * step));
    // The residual sound's figures after what the marks left out.
    const auto lspecific = assessed.lspecific();
    EXPECT_EQ(in.residualFigures,
              (std::vector<std::pair<std::string, std::string>>{
                  {"Lres", formatFixed(*assessed.lres(), 1) + " dB(A)"},
                  {"Lspecific",
                   lspecific ? formatFixed(*lspecific, 1) + " dB(A)" : "not determinable"}}));

    // The whole curve, four days from the 1st 00:00, shades the excluded
    // day from the 3rd 07:00 on.
    ASSERT_FALSE(in.curves.empty());
    const ReportCurve& whole = in.curves.front();
    ASSERT_EQ(whole.excluded.size(), 2u);
    EXPECT_NEAR(whole.excluded[1].from, (2 * 86400 + 7 * 3600) / (4.0 * 86400), 1e-9);
    EXPECT_FALSE(whole.residual.empty());

    // A span holding only the event and the note: listed, nothing left out.
    const SeriesReportInput noon = seriesReportInput(
        s, seriesTimeOf(s, at(2, 11, 0), clock), seriesTimeOf(s, at(2, 16, 0), clock), {},
        std::nullopt, texts, Language::English, marks, clock);
    ASSERT_EQ(noon.marks.rows.size(), 2u);
    EXPECT_EQ(noon.marks.rows[0][0], "event");
    EXPECT_EQ(noon.marks.rows[1][0], "note");
    EXPECT_FALSE(noon.allReadings);
    EXPECT_TRUE(noon.residualFigures.empty());
}

TEST(SeriesMarks, ASpanWithMarksInItGetsTheReportThatListsThem) {
    const Fixture& f = fixture();
    const SeriesStore& s = f.read.series;
    const ManualClock clock;
    const SurveyMarks marks(theMarks());
    const struct {
        SurveyMs from, to;
        bool marked, wanted;
    } cases[] = {
        {at(2, 11, 30), at(2, 12, 30), true, true},   // the event in it
        {at(2, 11, 30), at(2, 12, 30), false, false}, // no marks given
        {at(2, 16, 0), at(2, 17, 0), true, false},    // no mark in it
        {at(2, 13, 0), at(2, 14, 0), true, false},    // between two, touching both
        {at(1, 0, 0), at(2, 6, 0), false, true},      // longer than a day
    };
    for (const auto& c : cases)
        EXPECT_EQ(wantsSeriesReport(s, seriesTimeOf(s, c.from, clock), seriesTimeOf(s, c.to, clock),
                                    c.marked ? marks : SurveyMarks{}, clock),
                  c.wanted)
            << c.from << " " << c.to;
}
