#include "survey/SeriesBackground.h"

#include "model/AcousticStats.h"
#include "model/TimeLabels.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace {

constexpr std::int64_t quarterMs = 15 * 60 * 1000;
constexpr std::int64_t hourMs = 3600 * 1000;
constexpr std::int64_t dayMs = 24 * hourMs;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

DayPart partOf(std::int64_t wallMs, const PeriodBounds& b) {
    const double hours =
        static_cast<double>(wallMs - floorDiv(wallMs, dayMs) * dayMs) / hourMs - b.dayStart;
    const double o = hours < 0 ? hours + 24.0 : hours;
    if (o < b.dayHours())
        return DayPart::Day;
    if (o < b.dayHours() + b.eveningHours())
        return DayPart::Evening;
    return DayPart::Night;
}

// The lower tenth percentile: rank ceil(0.1 m) from the lowest.
double lowerTenth(std::vector<double>& values) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(0.1 * static_cast<double>(values.size())));
    return values[std::max<std::size_t>(rank, 1) - 1];
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

const char* dayPartName(DayPart part) {
    switch (part) {
    case DayPart::Day:
        return "day";
    case DayPart::Evening:
        return "evening";
    case DayPart::Night:
        return "night";
    }
    return "";
}

namespace {

// The counted quarters of the readings [first, last), in order: a quarter's
// readings are those starting in it outside the excluded spans, and it counts
// when they cover at least 90 % of it.
template <class Counted>
void walkQuarters(const SeriesStore& series, std::size_t first, std::size_t last,
                  const std::vector<SeriesSpan>& excluded, Counted counted) {
    std::vector<Centibel> levels; // the quarter's readings, reused
    std::int64_t coveredMs = 0;
    std::optional<SeriesMs> quarter;
    std::int64_t quarterWall = 0;

    auto close = [&] {
        if (quarter && coveredMs * 10 >= quarterMs * 9 && !levels.empty()) {
            const std::size_t k = percentileRank(90, levels.size());
            // The k-th highest is the (count - k)-th lowest.
            const auto nth = levels.begin() + static_cast<std::ptrdiff_t>(levels.size() - k);
            std::nth_element(levels.begin(), nth, levels.end());
            counted(*quarter, QuarterLa90{quarterWall, *nth / centibelsPerDb});
        }
        levels.clear();
        coveredMs = 0;
    };

    const std::vector<ClockShift>& shifts = series.clockShifts();
    auto shift = shifts.begin();
    std::int64_t shiftMs = 0;
    const std::vector<SeriesRun>& runs = series.runs();
    auto run = std::partition_point(runs.begin(), runs.end(), [first](const SeriesRun& r) {
        return r.first + r.count <= first;
    });
    auto span = excluded.begin();
    if (first < last)
        span = std::partition_point(
            excluded.begin(), excluded.end(),
            [t = series.timeAt(first)](const SeriesSpan& e) { return e.end <= t; });
    for (; run != runs.end() && run->first < last; ++run) {
        const SeriesRun& r = *run;
        const std::size_t lo = std::max<std::size_t>(first, r.first);
        const std::size_t hi = std::min<std::size_t>(last, r.first + r.count);
        for (std::size_t i = lo; i < hi; ++i) {
            const SeriesMs t = r.start + static_cast<SeriesMs>(i - r.first) * r.intervalMs;
            // Shifts are whole hours: the series' quarter hours are the wall clock's.
            if (const SeriesMs q = floorDiv(t, quarterMs) * quarterMs; q != quarter) {
                close();
                quarter = q;
                while (shift != shifts.end() && shift->from <= q)
                    shiftMs = (shift++)->shiftMs;
                quarterWall = q - shiftMs;
            }
            while (span != excluded.end() && span->end <= t)
                ++span;
            if (span != excluded.end() && span->start <= t)
                continue;
            levels.push_back(series.centibelsAt(i));
            coveredMs += r.intervalMs;
        }
    }
    close();
}

SeriesBackground summed(const std::vector<QuarterLa90>& quarters, const PeriodBounds& bounds) {
    const PeriodBounds b = bounds.valid() ? bounds : PeriodBounds{};
    // (day counted from 1970 whose day period it follows, part) -> LA90 of each quarter hour
    std::map<std::pair<std::int64_t, DayPart>, std::vector<double>> la90s;
    for (const QuarterLa90& q : quarters) {
        const std::int64_t day = floorDiv(q.wallMs - b.dayStart * hourMs, dayMs);
        la90s[{day, partOf(q.wallMs, b)}].push_back(q.la90);
    }
    SeriesBackground out;
    std::array<std::vector<double>, 3> ablsOf;
    for (auto& [key, values] : la90s) {
        const DateTime date = addSeconds(DateTime{}, key.first * (dayMs / 1000));
        BackgroundLevel l;
        l.year = date.year;
        l.month = date.month;
        l.day = date.day;
        l.part = key.second;
        l.intervals = static_cast<int>(values.size());
        l.abl = lowerTenth(values);
        ablsOf[static_cast<std::size_t>(l.part)].push_back(l.abl);
        out.levels.push_back(l);
    }
    for (DayPart part : dayParts)
        if (const auto& abls = ablsOf[static_cast<std::size_t>(part)]; !abls.empty())
            out.ratings.push_back({part, median(abls), static_cast<int>(abls.size())});
    return out;
}

bool excludedAt(const std::vector<SeriesSpan>& spans, SeriesMs t) {
    const auto it = std::partition_point(spans.begin(), spans.end(),
                                         [t](const SeriesSpan& s) { return s.end <= t; });
    return it != spans.end() && it->start <= t;
}

// Where a time is excluded under one list of spans and not under the other.
std::vector<SeriesSpan> changedBetween(const std::vector<SeriesSpan>& a,
                                       const std::vector<SeriesSpan>& b) {
    std::vector<SeriesMs> edges;
    for (const auto* spans : {&a, &b})
        for (const SeriesSpan& s : *spans) {
            edges.push_back(s.start);
            edges.push_back(s.end);
        }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::vector<SeriesSpan> out;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        if (excludedAt(a, edges[i]) == excludedAt(b, edges[i]))
            continue;
        if (!out.empty() && out.back().end == edges[i])
            out.back().end = edges[i + 1];
        else
            out.push_back({edges[i], edges[i + 1]});
    }
    return out;
}

} // namespace

SeriesBackground backgroundLevels(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                                  const PeriodBounds& bounds,
                                  const std::vector<SeriesSpan>& excluded) {
    std::vector<QuarterLa90> quarters;
    walkQuarters(series, series.indexAt(t0), series.indexAt(t1), excluded,
                 [&quarters](SeriesMs, const QuarterLa90& q) { quarters.push_back(q); });
    return summed(quarters, bounds);
}

void BackgroundQuarters::readQuarters(const SeriesStore& series, std::size_t first,
                                      std::size_t last) {
    walkQuarters(series, first, last, excluded_,
                 [this](SeriesMs quarter, const QuarterLa90& q) { counted_[quarter] = q; });
}

void BackgroundQuarters::update(const SeriesStore& series,
                                const std::vector<SeriesSpan>& excluded) {
    const bool grown = read_ && size_ > 0 && series.size() >= size_ && series.start() == start_ &&
                       series.clockShifts() == shifts_ && series.timeAt(size_ - 1) == lastReading_;
    std::vector<SeriesSpan> changed;
    if (grown) {
        changed = changedBetween(excluded_, excluded);
        if (series.size() > size_)
            changed.push_back({lastReading_, series.timeAt(series.size() - 1) + 1});
    }
    excluded_ = excluded;
    if (!grown) {
        counted_.clear();
        readQuarters(series, 0, series.size());
    } else {
        // The changed times widened to whole quarters, each quarter read once.
        std::vector<SeriesSpan> quarters;
        for (const SeriesSpan& c : changed)
            quarters.push_back({floorDiv(c.start, quarterMs) * quarterMs,
                                (floorDiv(c.end - 1, quarterMs) + 1) * quarterMs});
        for (const SeriesSpan& q : joined(std::move(quarters))) {
            counted_.erase(counted_.lower_bound(q.start), counted_.lower_bound(q.end));
            readQuarters(series, series.indexAt(q.start), series.indexAt(q.end));
        }
    }
    read_ = true;
    size_ = series.size();
    start_ = series.start();
    lastReading_ = size_ ? series.timeAt(size_ - 1) : 0;
    shifts_ = series.clockShifts();
}

SeriesBackground BackgroundQuarters::levels(const PeriodBounds& bounds) const {
    std::vector<QuarterLa90> quarters;
    quarters.reserve(counted_.size());
    for (const auto& [start, q] : counted_)
        quarters.push_back(q);
    return summed(quarters, bounds);
}
