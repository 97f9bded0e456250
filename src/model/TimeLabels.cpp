#include "model/TimeLabels.h"

#include "model/Calendar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

DateTime civilFromSeconds(std::int64_t s) {
    std::int64_t days = s / 86400;
    std::int64_t rem = s % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    const CivilDate date = civilFromDays(days);
    DateTime t;
    t.year = static_cast<int>(date.year);
    t.month = date.month;
    t.day = date.day;
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem % 3600 / 60);
    t.second = static_cast<int>(rem % 60);
    return t;
}

std::int64_t toSeconds(const DateTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

// A double cut to whole units; NaN and values beyond any calendar saturate
// instead of overflowing (a file may hold any sampling rate).
std::int64_t truncSaturated(double v) {
    constexpr double limit = 1e15;
    if (std::isnan(v))
        return 0;
    return static_cast<std::int64_t>(std::clamp(v, -limit, limit));
}

std::string afterComma(const std::string& text) {
    const auto comma = text.find(',');
    return comma == std::string::npos ? text : text.substr(comma + 1);
}

} // namespace

std::optional<DateTime> parseDateTime(const std::string& text) {
    DateTime t;
    if (std::sscanf(text.c_str(), "%d-%d-%d,%d:%d:%d", &t.day, &t.month, &t.year, &t.hour,
                    &t.minute, &t.second) != 6)
        return std::nullopt;
    if (t.year < 1900 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
        t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return std::nullopt;
    return t;
}

std::string formatDateTime(const DateTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%d,%.2d:%.2d:%.2d", t.day, t.month, t.year, t.hour,
                  t.minute, t.second);
    return buf;
}

std::string formatClock(const DateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2d:%.2d:%.2d", t.hour, t.minute, t.second);
    return buf;
}

DateTime addSeconds(const DateTime& t, std::int64_t seconds) {
    return civilFromSeconds(toSeconds(t) + seconds);
}

std::int64_t secondsBetween(const DateTime& a, const DateTime& b) {
    return toSeconds(b) - toSeconds(a);
}

TickLabels computeTickLabels(const RecordList& series, int plotWidth, double xScale, double xOrigin,
                             double xMin) {
    TickLabels out;
    const std::string start(series.empty() ? "30-6-2010,00:00:00" : series[0].dateTime());
    const double interval = series.empty() ? 1.0 : series[0].samplingRate();
    const auto n = static_cast<std::int64_t>(series.size());
    std::array<std::string, 6> full;
    for (int t = 0; t < 6; ++t) {
        const double a = std::trunc(t * plotWidth / 5.0);
        const auto k =
            truncSaturated(xScale * ((xOrigin - xMin) / xScale + a + 1.0 / (2.0 * xScale)));
        if (k >= 0 && k < n) {
            full[t] = series[static_cast<std::size_t>(k)].dateTime();
            out.text[t] = afterComma(full[t]);
        } else {
            std::optional<DateTime> time;
            if (t < 2) {
                if (auto s = parseDateTime(start))
                    time = addSeconds(*s, truncSaturated(t * plotWidth * xScale / 5.0 * interval));
            } else {
                const auto prev = parseDateTime(full[t - 1]);
                const auto before = parseDateTime(full[t - 2]);
                if (prev && before)
                    time = addSeconds(*prev, secondsBetween(*before, *prev));
            }
            if (!time) {
                out.timeFormatError = true;
                return out;
            }
            full[t] = formatDateTime(*time);
            out.text[t] = formatClock(*time);
        }
        out.count = t + 1;
    }
    return out;
}
