#pragma once

// The visible span of a plot on a time axis of weeks, and the rules that move
// it: zoom around a point, a span chosen by dragging, whole / day / hour, back,
// panning; and the ticks of its axis on the wall clock.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using TimeMs = std::int64_t;

class TimeSpanView {
  public:
    // The narrowest span shown: a few readings at ten a second.
    static constexpr TimeMs minSpanMs = 1000;

    // The whole axis; shows it and forgets the way back.
    void setWhole(TimeMs start, TimeMs end);
    // The axis moves on, as a live curve or a survey still running does. A
    // span that showed the whole goes on showing it, one that reached the old
    // end keeps its width and moves along with the newest, and one the user
    // took elsewhere stays where it is as far as the new whole allows; the
    // way back is kept.
    void moveWhole(TimeMs start, TimeMs end);
    // The same for an axis that only grows: an end before the present one is no change.
    void extendWhole(TimeMs end) {
        if (end > wholeEnd_)
            moveWhole(wholeStart_, end);
    }
    bool showsWhole() const { return t0_ <= wholeStart_ && t1_ >= wholeEnd_; }
    // The span shows the newest time of the axis.
    bool atEnd() const { return t1_ >= wholeEnd_; }
    TimeMs wholeStart() const { return wholeStart_; }
    TimeMs wholeEnd() const { return wholeEnd_; }
    TimeMs t0() const { return t0_; }
    TimeMs t1() const { return t1_; }

    // Shows [a, b), kept within the whole and at least minSpanMs wide; the
    // span shown before is remembered for back().
    void show(TimeMs a, TimeMs b);
    // Zooms by factor (below 1 in, above 1 out) keeping the time under the
    // pointer where it is.
    void zoomAt(TimeMs pivot, double factor);
    // Moves the span by delta, stopping at the ends; not remembered.
    void pan(TimeMs delta);
    void showWhole() { show(wholeStart_, wholeEnd_); }
    // The span before the last show(); false when there is none.
    bool back();
    bool canGoBack() const { return !history_.empty(); }

  private:
    void place(TimeMs a, TimeMs b);

    TimeMs wholeStart_ = 0;
    TimeMs wholeEnd_ = minSpanMs;
    TimeMs t0_ = 0;
    TimeMs t1_ = minSpanMs;
    std::vector<std::pair<TimeMs, TimeMs>> history_;
};

struct TimeTick {
    TimeMs t = 0;      // on the axis
    std::string label; // "14:00", "14:00:30", or the date "08-12" where a day begins
    bool dayStart = false;
};

// Ticks for [t0, t1) at a round step of the wall clock (seconds to weeks)
// chosen so that at most maxTicks fit. localOf maps an axis time to
// wall-clock ms since 1970-01-01 00:00; axisOf maps back.
std::vector<TimeTick> timeTicks(TimeMs t0, TimeMs t1, int maxTicks,
                                const std::function<std::int64_t(TimeMs)>& localOf,
                                const std::function<TimeMs(std::int64_t)>& axisOf);
