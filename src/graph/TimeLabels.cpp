#include "graph/TimeLabels.h"

#include <cmath>
#include <cstdio>

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (month 1..12).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string clockPart(const std::string& dateTime) {
    const auto comma = dateTime.find(',');
    return comma == std::string::npos ? dateTime : dateTime.substr(comma + 1);
}

std::string clockText(const DateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2d:%.2d:%.2d", t.hour, t.minute, t.second);
    return buf;
}

// Computed label times far outside the calendar the parser accepts would only
// turn into an error one tick later; report them at once.
bool plausible(const DateTime& t) {
    return t.year >= 1900 && t.year <= 9999;
}

} // namespace

std::optional<DateTime> parseDateTime(std::string_view text) {
    const std::string s(text);
    DateTime t;
    if (std::sscanf(s.c_str(), "%d-%d-%d,%d:%d:%d", &t.day, &t.month, &t.year, &t.hour, &t.minute,
                    &t.second) != 6)
        return std::nullopt;
    if (t.year < 1900 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 ||
        t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return std::nullopt;
    return t;
}

std::int64_t toSeconds(const DateTime& t) {
    return (daysFromCivil(t.year, t.month, 1) + t.day - 1) * 86400 + t.hour * 3600 + t.minute * 60 +
           t.second;
}

DateTime fromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Inverse of daysFromCivil.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    DateTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest % 3600 / 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::string formatDateTime(const DateTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%d,%.2d:%.2d:%.2d", t.day, t.month, t.year, t.hour,
                  t.minute, t.second);
    return buf;
}

TimeLabels computeTimeLabels(const PlotView& view, const RecordList& series) {
    TimeLabels labels;
    const int n = series.count();
    const std::string startText = n > 0 ? series[0].dateTime() : "30-6-2010,00:00:00";
    const double interval = n > 0 ? series[0].samplingRate() : 1.0;
    std::array<std::string, 6> full;

    for (int t = 0; t < 6; ++t) {
        const int k = view.xTickIndex(t);
        if (k >= 0 && k < n) {
            full[t] = series[k].dateTime();
            labels.text[t] = clockPart(full[t]);
            labels.count = t + 1;
            continue;
        }
        std::optional<DateTime> time;
        if (t < 2) {
            if (const auto start = parseDateTime(startText)) {
                const double offset = std::trunc(t * view.plotWidth * view.xScale / 5 * interval);
                // Beyond a few thousand years the result is meaningless anyway.
                if (std::isfinite(offset) && std::abs(offset) < 1e11)
                    time = fromSeconds(toSeconds(*start) + static_cast<std::int64_t>(offset));
            }
        } else {
            const auto before = parseDateTime(full[t - 1]);
            const auto twoBefore = parseDateTime(full[t - 2]);
            if (before && twoBefore)
                time = fromSeconds(2 * toSeconds(*before) - toSeconds(*twoBefore));
        }
        if (!time || !plausible(*time)) {
            labels.formatError = true;
            return labels;
        }
        full[t] = formatDateTime(*time);
        labels.text[t] = clockText(*time);
        labels.count = t + 1;
    }
    return labels;
}
