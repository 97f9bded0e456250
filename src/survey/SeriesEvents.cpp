#include "survey/SeriesEvents.h"

#include "model/TextFormat.h"
#include "model/TimeLabels.h"
#include "survey/Survey.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Readings strictly above a level in dB are those above this many
// hundredths of a dB (levels are kept in hundredths).
long centibelThreshold(double db) {
    return static_cast<long>(std::floor(db * centibelsPerDb + 1e-9));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

} // namespace

double SeriesEvent::leq() const {
    return 10.0 * std::log10(energySeconds / seconds);
}

double SeriesEvent::sel() const {
    return leq() + 10.0 * std::log10(seconds);
}

EventFinder::EventFinder(const EventRules& rules, Found found)
    : rules_(rules), found_(std::move(found)), startLevel_(centibelThreshold(rules.aboveDb)),
      goOnLevel_(centibelThreshold(rules.aboveDb - rules.hysteresisDb)) {}

void EventFinder::addTo(SeriesEvent& e, SeriesMs t, std::int64_t wall, Centibel level,
                        std::int32_t intervalMs) {
    if (e.lengthMs == 0) {
        e.start = t;
        e.startWall = wall;
    }
    if (e.lengthMs == 0 || level > e.lmax) {
        e.lmax = level;
        e.lmaxWall = wall;
    }
    e.end = t + intervalMs;
    e.lengthMs += intervalMs;
    e.seconds = static_cast<double>(e.lengthMs) / 1000.0;
    e.energySeconds += centibelEnergy(level) * (intervalMs / 1000.0);
}

void EventFinder::reading(SeriesMs t, std::int64_t wall, Centibel level, std::int32_t intervalMs) {
    if (lastTime_ && 2 * (t - *lastTime_) > 3 * static_cast<SeriesMs>(lastInterval_))
        cut();
    lastTime_ = t;
    lastInterval_ = intervalMs;
    if (open_) {
        if (level > goOnLevel_) {
            addTo(*open_, t, wall, level, intervalMs);
            return;
        }
        closeOpen();
    }
    if (level > startLevel_) {
        open_ = SeriesEvent{};
        addTo(*open_, t, wall, level, intervalMs);
        return;
    }
    if (!pending_)
        return;
    addTo(between_, t, wall, level, intervalMs);
    // The next event could start after this reading at the earliest.
    if (static_cast<double>(t + intervalMs - pending_->end) > rules_.mergeSeconds * 1000.0)
        flushPending();
}

void EventFinder::closeOpen() {
    SeriesEvent e = *open_;
    open_.reset();
    if (pending_) {
        // Within the merge distance: one event with the readings between.
        SeriesEvent merged = *pending_;
        for (const SeriesEvent* part : {&between_, &e}) {
            if (part->lengthMs == 0)
                continue;
            if (part->lmax > merged.lmax) {
                merged.lmax = part->lmax;
                merged.lmaxWall = part->lmaxWall;
            }
            merged.energySeconds += part->energySeconds;
            merged.lengthMs += part->lengthMs;
            merged.end = part->end;
        }
        merged.seconds = static_cast<double>(merged.lengthMs) / 1000.0;
        e = merged;
    }
    pending_ = e;
    between_ = SeriesEvent{};
}

void EventFinder::flushPending() {
    if (pending_ && static_cast<double>(pending_->lengthMs) + 1e-6 >= rules_.minSeconds * 1000.0)
        found_(*pending_);
    pending_.reset();
    between_ = SeriesEvent{};
}

void EventFinder::cut() {
    if (open_)
        closeOpen();
    flushPending();
    lastTime_.reset();
}

void EventFinder::finish() {
    cut();
}

std::optional<SeriesEvent> EventFinder::open() const {
    return open_;
}

SeriesEvents findEvents(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                        const EventRules& rules, const std::vector<SeriesSpan>& excluded,
                        const PeriodBounds& bounds) {
    SeriesEvents out;
    for (const DayFigures& d : dailyFigures(series, bounds, t0, t1))
        out.days.push_back({d.year, d.month, d.day, d.start, d.end, 0, 0.0});
    EventFinder finder(rules, [&out](const SeriesEvent& e) { out.events.push_back(e); });

    const std::size_t first = series.indexAt(t0), last = series.indexAt(t1);
    const std::vector<ClockShift>& shifts = series.clockShifts();
    auto shift = shifts.begin();
    std::int64_t shiftMs = 0;
    auto span = excluded.begin();
    auto day = out.days.begin();
    for (const SeriesRun& r : series.runs()) {
        const std::size_t lo = std::max<std::size_t>(first, r.first);
        const std::size_t hi = std::min<std::size_t>(last, r.first + r.count);
        for (std::size_t i = lo; i < hi; ++i) {
            const SeriesMs t = r.start + static_cast<SeriesMs>(i - r.first) * r.intervalMs;
            while (shift != shifts.end() && shift->from <= t)
                shiftMs = (shift++)->shiftMs;
            while (span != excluded.end() && span->end <= t)
                ++span;
            if (span != excluded.end() && span->start <= t) {
                finder.cut();
                continue;
            }
            const Centibel level = series.centibelsAt(i);
            finder.reading(t, t - shiftMs, level, r.intervalMs);
            if (finder.above(level)) {
                while (day != out.days.end() && day->end <= t)
                    ++day;
                if (day != out.days.end() && day->start <= t)
                    day->secondsAbove += r.intervalMs / 1000.0;
            }
        }
    }
    finder.finish();

    auto d = out.days.begin();
    for (const SeriesEvent& e : out.events) {
        while (d != out.days.end() && d->end <= e.start)
            ++d;
        if (d != out.days.end() && d->start <= e.start)
            ++d->events;
    }
    return out;
}

void putEventDays(std::vector<DayFigures>& days, const SeriesEvents& events) {
    auto e = events.days.begin();
    for (DayFigures& d : days) {
        while (e != events.days.end() && e->start < d.start)
            ++e;
        const bool found = e != events.days.end() && e->start == d.start;
        d.events = found ? e->events : 0;
        d.secondsAbove = found ? e->secondsAbove : 0.0;
    }
}

std::string eventTimeText(const Clock& clock, std::int64_t wallMs) {
    const std::int64_t second = floorDiv(wallMs, 1000);
    const DateTime t = addSeconds(DateTime{}, second);
    const int offset = utcOffsetSeconds(clock, instantOfLocal(clock, second));
    const int a = std::abs(offset) / 60;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%d%c%02d:%02d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second,
                  static_cast<int>((wallMs - second * 1000) / 100), offset < 0 ? '-' : '+', a / 60,
                  a % 60);
    return buf;
}

std::vector<std::string> eventFields(const Clock& clock, int n, const SeriesEvent& e) {
    return {std::to_string(n),
            eventTimeText(clock, e.startWall),
            eventTimeText(clock, e.endWall()),
            formatFixed(e.seconds, 1),
            formatFixed(e.lmaxDb(), 2),
            eventTimeText(clock, e.lmaxWall),
            formatFixed(e.leq(), 2),
            formatFixed(e.sel(), 2)};
}
