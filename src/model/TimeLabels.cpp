#include "model/TimeLabels.h"

#include "model/Calendar.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

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

std::string_view afterComma(std::string_view text) {
    const auto comma = text.find(',');
    return comma == std::string_view::npos ? text : text.substr(comma + 1);
}

// One "%d" of scanf, at the start of text, which it moves past the number:
// blanks, a sign, at least one digit. The value is what the C library's scanf
// stores: read as a long (saturated) and cut to an int.
bool scanInt(std::string_view& text, int& value) {
    std::size_t p = 0;
    while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p])))
        ++p;
    const bool negative = p < text.size() && text[p] == '-';
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        ++p;
    if (p == text.size() || !std::isdigit(static_cast<unsigned char>(text[p])))
        return false;
    constexpr auto longMax = static_cast<std::uint64_t>(std::numeric_limits<long>::max());
    std::uint64_t magnitude = 0; // saturates just past what a long holds
    for (; p < text.size() && std::isdigit(static_cast<unsigned char>(text[p])); ++p)
        magnitude =
            magnitude > longMax / 10
                ? longMax + 1
                : std::min(magnitude * 10 + static_cast<std::uint64_t>(text[p] - '0'), longMax + 1);
    long read;
    if (!negative)
        read = static_cast<long>(std::min(magnitude, longMax));
    else if (magnitude > longMax)
        read = std::numeric_limits<long>::min();
    else
        read = -static_cast<long>(magnitude);
    value = static_cast<int>(read);
    text.remove_prefix(p);
    return true;
}

// A character of the pattern, which the text must have next.
bool literal(std::string_view& text, char c) {
    if (text.empty() || text.front() != c)
        return false;
    text.remove_prefix(1);
    return true;
}

// What parseDateTime accepts once the numbers are read.
bool isDateTime(const DateTime& t) {
    return t.year >= 1900 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= 31 && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 59;
}

} // namespace

std::optional<DateTime> parseDateTime(std::string_view text) {
    // as a C string: the text ends at its first NUL
    text = text.substr(0, text.find('\0'));
    DateTime t;
    if (!(scanInt(text, t.day) && literal(text, '-') && scanInt(text, t.month) &&
          literal(text, '-') && scanInt(text, t.year) && literal(text, ',') &&
          scanInt(text, t.hour) && literal(text, ':') && scanInt(text, t.minute) &&
          literal(text, ':') && scanInt(text, t.second)))
        return std::nullopt;
    if (!isDateTime(t))
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

std::string dateTimeText(const DateTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%.4d %.2d:%.2d:%.2d", t.day, t.month, t.year, t.hour,
                  t.minute, t.second);
    return buf;
}

DateTime addSeconds(const DateTime& t, std::int64_t seconds) {
    return civilFromSeconds(toSeconds(t) + seconds);
}

std::int64_t secondsBetween(const DateTime& a, const DateTime& b) {
    return toSeconds(b) - toSeconds(a);
}

std::optional<int> tenthsIntoStamp(const RecordList& series, std::size_t i) {
    const double interval = series[i].samplingRate();
    if (!(interval > 0.0 && interval < 1.0))
        return std::nullopt;
    const std::string_view stamp = series[i].dateTime();
    const auto most = static_cast<std::size_t>(std::ceil(1.0 / interval));
    std::size_t before = 0;
    while (before < i && before < most && series[i - before - 1].dateTime() == stamp)
        ++before;
    return std::min(
        9, static_cast<int>(std::floor(static_cast<double>(before) * interval * 10.0 + 1e-6)));
}

std::string readingTimeText(const RecordList& series, std::size_t i) {
    std::string text(series[i].dateTime());
    if (const std::optional<int> tenths = tenthsIntoStamp(series, i))
        text += "." + std::to_string(*tenths);
    return text;
}

TickLabels computeTickLabels(const RecordList& series, int plotWidth, double xScale, double xOrigin,
                             double xMin) {
    TickLabels out;
    const std::string_view start = series.empty() ? "30-6-2010,00:00:00" : series[0].dateTime();
    const double interval = series.empty() ? 1.0 : series[0].samplingRate();
    const auto n = static_cast<std::int64_t>(series.size());
    // The time of each label so far, read from its reading's text only when a
    // label after it is worked out from it. A label worked out here keeps its
    // time, as good as its text written and read again: that text reads back
    // only within the years a date-time may have.
    std::array<std::string_view, 6> reading;
    std::array<std::optional<DateTime>, 6> worked;
    // Each label's time in tenths of a second, for when whole seconds repeat;
    // nothing once one could not be worked out.
    std::array<std::optional<std::int64_t>, 6> tenths;
    const auto tenthsOf = [](const std::optional<DateTime>& d, std::int64_t extra) {
        return d ? std::optional(toSeconds(*d) * 10 + extra) : std::nullopt;
    };
    const auto timeOf = [&](int t) {
        return worked[t] ? (isDateTime(*worked[t]) ? worked[t] : std::nullopt)
                         : parseDateTime(reading[t]);
    };
    for (int t = 0; t < 6; ++t) {
        const double a = std::trunc(t * plotWidth / 5.0);
        const auto k =
            truncSaturated(xScale * ((xOrigin - xMin) / xScale + a + 1.0 / (2.0 * xScale)));
        if (k >= 0 && k < n) {
            reading[t] = series[static_cast<std::size_t>(k)].dateTime();
            out.text[t] = afterComma(reading[t]);
            tenths[t] = tenthsOf(parseDateTime(reading[t]),
                                 tenthsIntoStamp(series, static_cast<std::size_t>(k)).value_or(0));
        } else {
            std::optional<DateTime> time;
            if (t < 2) {
                if (auto s = parseDateTime(start)) {
                    const double seconds = t * plotWidth * xScale / 5.0 * interval;
                    time = addSeconds(*s, truncSaturated(seconds));
                    tenths[t] = tenthsOf(s, truncSaturated(seconds * 10.0));
                }
            } else {
                const auto prev = timeOf(t - 1);
                const auto before = timeOf(t - 2);
                if (prev && before)
                    time = addSeconds(*prev, secondsBetween(*before, *prev));
                if (tenths[t - 1] && tenths[t - 2])
                    tenths[t] = 2 * *tenths[t - 1] - *tenths[t - 2];
            }
            if (!time) {
                out.timeFormatError = true;
                return out;
            }
            worked[t] = time;
            out.text[t] = formatClock(*time);
        }
        out.count = t + 1;
    }
    // Tenths only where they tell the ticks apart: the same reading under two
    // ticks, or a step of nothing, reads alike either way.
    const auto repeats = [&out](const auto& texts) {
        for (int t = 1; t < out.count; ++t)
            if (texts[t] == texts[t - 1])
                return true;
        return false;
    };
    if (!repeats(out.text) || !std::all_of(tenths.begin(), tenths.begin() + out.count,
                                           [](const auto& v) { return v.has_value(); }))
        return out;
    std::array<std::string, 6> withTenths;
    for (int t = 0; t < out.count; ++t) {
        const std::int64_t v = *tenths[t];
        const std::int64_t whole = v / 10 - (v % 10 < 0 ? 1 : 0);
        withTenths[t] = formatClock(civilFromSeconds(whole)) + "." + std::to_string(v - whole * 10);
    }
    if (!repeats(withTenths))
        out.text = withTenths;
    return out;
}
