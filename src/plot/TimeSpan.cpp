#include "plot/TimeSpan.h"

#include "model/Clock.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

void TimeSpanView::setWhole(TimeMs start, TimeMs end) {
    wholeStart_ = start;
    wholeEnd_ = std::max(end, start + minSpanMs);
    history_.clear();
    place(wholeStart_, wholeEnd_);
}

void TimeSpanView::moveWhole(TimeMs start, TimeMs end) {
    const bool whole = showsWhole();
    const bool following = atEnd();
    const TimeMs width = t1_ - t0_;
    const TimeMs a = t0_;
    const TimeMs b = t1_;
    wholeStart_ = start;
    wholeEnd_ = std::max(end, start + minSpanMs);
    if (whole)
        place(wholeStart_, wholeEnd_);
    else if (following)
        place(wholeEnd_ - width, wholeEnd_);
    else
        place(a, b);
}

void TimeSpanView::place(TimeMs a, TimeMs b) {
    if (b < a)
        std::swap(a, b);
    const TimeMs whole = wholeEnd_ - wholeStart_;
    TimeMs width = std::clamp<TimeMs>(b - a, std::min(minSpanMs, whole), whole);
    const TimeMs middle = a + (b - a) / 2;
    a = std::clamp<TimeMs>(middle - width / 2, wholeStart_, wholeEnd_ - width);
    t0_ = a;
    t1_ = a + width;
}

void TimeSpanView::show(TimeMs a, TimeMs b) {
    const auto before = std::make_pair(t0_, t1_);
    place(a, b);
    if (before != std::make_pair(t0_, t1_))
        history_.push_back(before);
}

void TimeSpanView::zoomAt(TimeMs pivot, double factor) {
    if (!(factor > 0))
        return;
    pivot = std::clamp(pivot, t0_, t1_);
    const double left = static_cast<double>(pivot - t0_) * factor;
    const double right = static_cast<double>(t1_ - pivot) * factor;
    TimeMs a = pivot - static_cast<TimeMs>(std::llround(left));
    TimeMs b = pivot + static_cast<TimeMs>(std::llround(right));
    if (b - a < minSpanMs) {
        // Narrowest: keep the pivot's place in the span.
        const double share = t1_ > t0_ ? static_cast<double>(pivot - t0_) / (t1_ - t0_) : 0.5;
        a = pivot - static_cast<TimeMs>(std::llround(share * minSpanMs));
        b = a + minSpanMs;
    }
    // Against an end, the span grows the other way rather than shifting the pivot.
    if (a < wholeStart_) {
        b += wholeStart_ - a;
        a = wholeStart_;
    }
    if (b > wholeEnd_) {
        a -= b - wholeEnd_;
        b = wholeEnd_;
    }
    show(a, b);
}

void TimeSpanView::pan(TimeMs delta) {
    const TimeMs width = t1_ - t0_;
    const TimeMs a = std::clamp<TimeMs>(t0_ + delta, wholeStart_, wholeEnd_ - width);
    t0_ = a;
    t1_ = a + width;
}

bool TimeSpanView::back() {
    if (history_.empty())
        return false;
    const auto [a, b] = history_.back();
    history_.pop_back();
    place(a, b);
    return true;
}

namespace {

constexpr std::int64_t second = 1000;
constexpr std::int64_t minute = 60 * second;
constexpr std::int64_t hour = 60 * minute;
constexpr std::int64_t day = 24 * hour;

constexpr std::array<std::int64_t, 20> steps = {
    second,     2 * second, 5 * second,  10 * second, 15 * second, 30 * second, minute,
    2 * minute, 5 * minute, 10 * minute, 15 * minute, 30 * minute, hour,        2 * hour,
    3 * hour,   6 * hour,   12 * hour,   day,         2 * day,     7 * day};

std::int64_t floorTo(std::int64_t v, std::int64_t step) {
    const std::int64_t q = v / step;
    return (v % step < 0 ? q - 1 : q) * step;
}

} // namespace

std::vector<TimeTick> timeTicks(TimeMs t0, TimeMs t1, int maxTicks,
                                const std::function<std::int64_t(TimeMs)>& localOf,
                                const std::function<TimeMs(std::int64_t)>& axisOf) {
    std::vector<TimeTick> ticks;
    if (t1 <= t0 || maxTicks < 1)
        return ticks;
    const std::int64_t local0 = localOf(t0);
    const std::int64_t local1 = localOf(t1);
    const std::int64_t width = std::max<std::int64_t>(local1 - local0, t1 - t0);
    std::int64_t step = steps.back();
    for (const std::int64_t s : steps)
        if (width / s < maxTicks) {
            step = s;
            break;
        }
    // A week's ticks fall on days, counted from the first day shown.
    const std::int64_t grid = step > day ? day : step;
    const ManualClock utc;
    for (std::int64_t local = floorTo(local0, grid); local <= local1; local += step) {
        if (local < local0)
            continue;
        const TimeMs t = axisOf(local);
        if (t < t0 || t >= t1 || (!ticks.empty() && t <= ticks.back().t))
            continue;
        const LocalTime lt = utc.local(static_cast<std::time_t>(floorTo(local, second) / second));
        TimeTick tick;
        tick.t = t;
        tick.dayStart = local % day == 0;
        char text[16];
        if (tick.dayStart || step >= day)
            std::snprintf(text, sizeof text, "%02d-%02d", lt.day, lt.month);
        else if (step < minute)
            std::snprintf(text, sizeof text, "%02d:%02d:%02d", lt.hour, lt.minute, lt.second);
        else
            std::snprintf(text, sizeof text, "%02d:%02d", lt.hour, lt.minute);
        tick.label = text;
        ticks.push_back(std::move(tick));
    }
    return ticks;
}
