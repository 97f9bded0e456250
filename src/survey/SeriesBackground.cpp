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

SeriesBackground backgroundLevels(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                                  const PeriodBounds& bounds,
                                  const std::vector<SeriesSpan>& excluded) {
    const PeriodBounds b = bounds.valid() ? bounds : PeriodBounds{};
    // (day counted from 1970 whose day period it follows, part) -> LA90 of each quarter hour
    std::map<std::pair<std::int64_t, DayPart>, std::vector<double>> la90s;
    std::vector<Centibel> levels; // the quarter hour's readings, reused
    std::int64_t coveredMs = 0;
    std::optional<SeriesMs> quarter;
    std::int64_t quarterWall = 0;

    auto close = [&] {
        if (quarter && coveredMs * 10 >= quarterMs * 9 && !levels.empty()) {
            const std::size_t k = percentileRank(90, levels.size());
            // The k-th highest is the (count - k)-th lowest.
            const auto nth = levels.begin() + static_cast<std::ptrdiff_t>(levels.size() - k);
            std::nth_element(levels.begin(), nth, levels.end());
            const std::int64_t day = floorDiv(quarterWall - b.dayStart * hourMs, dayMs);
            la90s[{day, partOf(quarterWall, b)}].push_back(*nth / centibelsPerDb);
        }
        levels.clear();
        coveredMs = 0;
    };

    const std::size_t first = series.indexAt(t0), last = series.indexAt(t1);
    const std::vector<ClockShift>& shifts = series.clockShifts();
    auto shift = shifts.begin();
    std::int64_t shiftMs = 0;
    auto span = excluded.begin();
    for (const SeriesRun& r : series.runs()) {
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
