#include "survey/SeriesFigures.h"

#include "model/AcousticStats.h"
#include "model/TimeLabels.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace {

constexpr std::int64_t hourMs = 3600 * 1000;
constexpr std::int64_t dayMs = 24 * hourMs;
constexpr double eightHoursSeconds = 8 * 3600.0;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

DateTime wallClock(const SeriesStore& series, SeriesMs t) {
    return addSeconds(DateTime{}, floorDiv(series.localOf(t), 1000));
}

// A day's periods: edges[0..3] are the day, evening and night starts and the
// next day's start, in series time.
struct DayPeriods {
    std::array<SeriesMs, 4> edges{};
    std::array<LevelSum, 3> sums;
};

// The day counted from 1970-01-01 whose day period starts at or before the
// series time t.
std::int64_t dayIndexOf(const SeriesStore& series, SeriesMs t, const PeriodBounds& b) {
    return floorDiv(series.localOf(t) - b.dayStart * hourMs, dayMs);
}

LevelSum sumOfSpans(const SeriesStore& series, const std::vector<SeriesSpan>& spans) {
    LevelSum s;
    for (const SeriesSpan& span : spans)
        s.add(series.sum(span.start, span.end));
    return s;
}

// The index ranges of spans' readings.
std::vector<std::pair<std::size_t, std::size_t>> indexRanges(const SeriesStore& series,
                                                             const std::vector<SeriesSpan>& spans) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (const SeriesSpan& span : spans)
        out.emplace_back(series.indexAt(span.start), series.indexAt(span.end));
    return out;
}

std::pair<std::uint64_t, std::uint64_t>
weightingsOf(const SeriesStore& series,
             const std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
    std::uint64_t a = 0, c = 0;
    for (const auto& [first, last] : ranges) {
        const auto [ra, rc] = series.weightings(first, last);
        a += ra;
        c += rc;
    }
    return {a, c};
}

// The share of [from, to) the readings of spans cover.
double shareOf(const SeriesStore& series, const std::vector<SeriesSpan>& spans, SeriesMs from,
               SeriesMs to) {
    if (spans.empty() || to <= from)
        return 0.0;
    return std::min(1.0,
                    sumOfSpans(series, spans).seconds * 1000.0 / static_cast<double>(to - from));
}

DayPeriods periodsOf(const SeriesStore& series, std::int64_t dayIndex, const PeriodBounds& b,
                     SeriesMs t0, SeriesMs t1, const SeriesMarks& marks) {
    DayPeriods d;
    const std::int64_t start = dayIndex * dayMs + b.dayStart * hourMs;
    const std::int64_t local[4] = {
        start, start + static_cast<std::int64_t>(b.dayHours()) * hourMs,
        start + static_cast<std::int64_t>(b.dayHours() + b.eveningHours()) * hourMs, start + dayMs};
    for (int k = 0; k < 4; ++k)
        d.edges[static_cast<std::size_t>(k)] = series.seriesOfLocal(local[k]);
    for (std::size_t k = 0; k < 3; ++k)
        d.sums[k] = keptSum(series, std::max(d.edges[k], t0), std::min(d.edges[k + 1], t1), marks);
    return d;
}

PeriodLevel periodLevel(const LevelSum& sum, SeriesMs from, SeriesMs to) {
    PeriodLevel p;
    p.level = sum.leq();
    if (to > from)
        p.coverage = std::min(1.0, sum.seconds * 1000.0 / static_cast<double>(to - from));
    return p;
}

std::optional<double> ldenOfSums(const std::array<LevelSum, 3>& sums, const PeriodBounds& b) {
    const auto d = sums[0].leq(), e = sums[1].leq(), n = sums[2].leq();
    if (!d || !e || !n)
        return std::nullopt;
    return ldenOf(*d, *e, *n, b);
}

// The readings' span, [first start, last end), cut to [t0, t1).
std::pair<SeriesMs, SeriesMs> clipToReadings(const SeriesStore& series, SeriesMs t0, SeriesMs t1) {
    if (series.empty())
        return {0, 0};
    return {std::max(t0, series.start()), std::min(t1, series.end())};
}

} // namespace

std::string SpanFigures::weighting() const {
    return weightingLabel(countA, countC);
}

std::optional<double> SpanFigures::lspecific() const {
    const auto leq = sum.leq();
    const auto res = lres();
    if (!leq || !res)
        return std::nullopt;
    return specificLevel(*leq, *res);
}

std::optional<double> specificLevel(double level, double residualLevel) {
    if (level - residualLevel <= 3.0)
        return std::nullopt;
    return 10.0 * std::log10(std::pow(10.0, level / 10.0) - std::pow(10.0, residualLevel / 10.0));
}

LevelSum keptSum(const SeriesStore& series, SeriesMs t0, SeriesMs t1, const SeriesMarks& marks) {
    if (marks.empty())
        return series.sum(t0, t1);
    return sumOfSpans(series, marks.kept(t0, t1));
}

SpanFigures spanFigures(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                        const PeriodBounds& bounds, const SeriesMarks& marks) {
    SpanFigures f;
    const std::vector<SeriesSpan> residual = marks.residualIn(t0, t1);
    f.excluded = sumOfSpans(series, marks.excludedIn(t0, t1));
    f.residual = sumOfSpans(series, residual);
    if (f.residual.count) {
        const auto [a, c] = weightingsOf(series, indexRanges(series, residual));
        f.residualWeighting = weightingLabel(a, c);
    }
    const auto ranges =
        indexRanges(series, marks.empty() ? std::vector<SeriesSpan>{{t0, t1}} : marks.kept(t0, t1));
    for (const auto& [first, last] : ranges)
        f.sum.add(series.sumOf(first, last));
    if (f.sum.count == 0)
        return f;
    std::tie(f.countA, f.countC) = weightingsOf(series, ranges);

    std::vector<std::uint32_t> histogram;
    series.countLevels(ranges, histogram);
    const std::array<int, 5> ns = {5, 10, 50, 90, 95};
    std::array<double*, 5> out = {&f.l5, &f.l10, &f.l50, &f.l90, &f.l95};
    std::size_t k = 0;
    std::uint64_t above = 0; // readings from the top down to this level
    for (std::size_t level = histogram.size(); level-- > 0 && k < ns.size();) {
        above += histogram[level];
        while (k < ns.size() && above >= percentileRank(ns[k], f.sum.count))
            *out[k++] = static_cast<double>(level) / centibelsPerDb;
    }

    if (f.countC == 0 && f.sum.seconds > 0)
        f.lex8h = *f.sum.leq() + 10.0 * std::log10(f.sum.seconds / eightHoursSeconds);

    const PeriodBounds b = bounds.valid() ? bounds : PeriodBounds{};
    std::array<LevelSum, 3> periods;
    std::tie(t0, t1) = clipToReadings(series, t0, t1);
    for (std::int64_t day = dayIndexOf(series, t0, b);; ++day) {
        const DayPeriods d = periodsOf(series, day, b, t0, t1, marks);
        if (d.edges[3] > t1)
            break;
        if (d.edges[0] < t0)
            continue;
        ++f.wholeDays;
        for (std::size_t p = 0; p < 3; ++p)
            periods[p].add(d.sums[p]);
    }
    if (f.wholeDays > 0)
        f.lden = ldenOfSums(periods, b);
    return f;
}

std::vector<DayFigures> dailyFigures(const SeriesStore& series, const PeriodBounds& bounds,
                                     SeriesMs t0, SeriesMs t1, const SeriesMarks& marks) {
    std::vector<DayFigures> days;
    std::tie(t0, t1) = clipToReadings(series, t0, t1);
    if (t1 <= t0)
        return days;
    const PeriodBounds b = bounds.valid() ? bounds : PeriodBounds{};
    const std::int64_t last = dayIndexOf(series, t1 - 1, b);
    for (std::int64_t day = dayIndexOf(series, t0, b); day <= last; ++day) {
        const DayPeriods d = periodsOf(series, day, b, t0, t1, marks);
        LevelSum all;
        for (const LevelSum& s : d.sums)
            all.add(s);
        const SeriesMs from = std::max(d.edges[0], t0), to = std::min(d.edges[3], t1);
        const std::vector<SeriesSpan> excluded = marks.excludedIn(from, to);
        const std::vector<SeriesSpan> residual = marks.residualIn(from, to);
        // A day of marked readings only is still a day of the survey.
        if (all.count == 0 && sumOfSpans(series, excluded).count == 0 &&
            sumOfSpans(series, residual).count == 0)
            continue;
        DayFigures f;
        const DateTime date = wallClock(series, d.edges[0]);
        f.year = date.year;
        f.month = date.month;
        f.day = date.day;
        f.start = d.edges[0];
        f.end = d.edges[3];
        f.lday = periodLevel(d.sums[0], d.edges[0], d.edges[1]);
        f.levening = periodLevel(d.sums[1], d.edges[1], d.edges[2]);
        f.lnight = periodLevel(d.sums[2], d.edges[2], d.edges[3]);
        f.lden = ldenOfSums(d.sums, b);
        f.laeq24 = all.leq();
        f.lmax = all.lmax();
        f.coverage = periodLevel(all, f.start, f.end).coverage;
        f.excluded = shareOf(series, excluded, f.start, f.end);
        f.residual = shareOf(series, residual, f.start, f.end);
        days.push_back(f);
    }
    return days;
}

std::vector<DayFigures> dailyFigures(const SeriesStore& series, const PeriodBounds& bounds,
                                     const SeriesMarks& marks) {
    return dailyFigures(series, bounds, series.start(), series.end(), marks);
}

std::vector<HourFigures> hourlyFigures(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                                       const SeriesMarks& marks) {
    std::vector<HourFigures> hours;
    std::tie(t0, t1) = clipToReadings(series, t0, t1);
    // The wall clock is behind the series by whole hours: its hours begin
    // where the series' do.
    for (SeriesMs h = floorDiv(t0, hourMs) * hourMs; h < t1; h += hourMs) {
        HourFigures f;
        const SeriesMs from = std::max(h, t0), to = std::min(h + hourMs, t1);
        f.sum = keptSum(series, from, to, marks);
        const std::vector<SeriesSpan> excluded = marks.excludedIn(from, to);
        const std::vector<SeriesSpan> residual = marks.residualIn(from, to);
        f.excluded = shareOf(series, excluded, h, h + hourMs);
        f.residual = shareOf(series, residual, h, h + hourMs);
        if (f.sum.count == 0 && f.excluded == 0.0 && f.residual == 0.0)
            continue;
        const DateTime t = wallClock(series, h);
        f.year = t.year;
        f.month = t.month;
        f.day = t.day;
        f.hour = t.hour;
        f.start = h;
        f.end = h + hourMs;
        f.coverage = std::min(1.0, f.sum.seconds * 1000.0 / hourMs);
        hours.push_back(f);
    }
    return hours;
}

std::string seriesDate(const SeriesStore& series, SeriesMs t) {
    const DateTime d = wallClock(series, t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", d.day, d.month, d.year);
    return buf;
}

std::string seriesDateTime(const SeriesStore& series, SeriesMs t) {
    return dateTimeText(wallClock(series, t));
}

RecordList seriesRecords(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                         const SeriesMarks& marks) {
    RecordList records;
    const auto ranges =
        indexRanges(series, marks.empty() ? std::vector<SeriesSpan>{{t0, t1}} : marks.kept(t0, t1));
    std::size_t count = 0;
    for (const auto& [first, last] : ranges)
        count += last - first;
    if (count == 0)
        return records;
    records.reserve(count);
    std::int64_t stampSecond = INT64_MIN;
    std::string stamp;
    for (const auto& [first, last] : ranges)
        for (const SeriesRun& r : series.runs()) {
            const std::size_t lo = std::max<std::size_t>(first, r.first);
            const std::size_t hi = std::min<std::size_t>(last, r.first + r.count);
            const std::string_view unit = r.weighting == 'C' ? "dBC" : "dBA";
            for (std::size_t i = lo; i < hi; ++i) {
                const SeriesMs t = r.start + static_cast<SeriesMs>(i - r.first) * r.intervalMs;
                if (const std::int64_t s = floorDiv(series.localOf(t), 1000); s != stampSecond) {
                    stampSecond = s;
                    stamp = formatDateTime(addSeconds(DateTime{}, s));
                }
                records.append(CObjData(series.levelAt(i), stamp, unit, 0, r.intervalMs / 1000.0));
            }
        }
    return records;
}
