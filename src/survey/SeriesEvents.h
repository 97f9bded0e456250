#pragma once

// Noise events: the loud stretches of a survey, found by one set of rules
// whether the readings come from a finished folder or one at a time from a
// survey that is running.

#include "model/Clock.h"
#include "model/NoiseRules.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct EventRules {
    double aboveDb = 0;      // an event starts at a reading strictly above this
    double hysteresisDb = 0; // and goes on while readings stay above aboveDb - hysteresisDb
    double mergeSeconds = 0; // events of one run this close become one
    double minSeconds = 0;   // shorter events are dropped, after merging
    bool operator==(const EventRules&) const = default;
};

struct SeriesEvent {
    SeriesMs start = 0, end = 0; // series time: the first reading, the last one's end
    std::int64_t startWall = 0;  // the same on the wall clock (ms since 1970-01-01 00:00)
    std::int64_t lmaxWall = 0;   // the first reading at Lmax, on the wall clock
    std::int64_t lengthMs = 0;   // readings times the interval
    double seconds = 0;          // the same in seconds
    double energySeconds = 0;    // sum of 10^(L/10) * interval
    Centibel lmax = 0;

    std::int64_t endWall() const { return startWall + (end - start); }
    double lmaxDb() const { return lmax / centibelsPerDb; }
    double leq() const;
    double sel() const; // Leq + 10 lg(seconds / 1 s)
};

// The rules fed one reading at a time, in time order. Memory does not grow
// with the readings: an event is a handful of sums.
class EventFinder {
  public:
    using Found = std::function<void(const SeriesEvent&)>;
    EventFinder(const EventRules& rules, Found found);

    // A reading at series time t (wall the same on the wall clock) lasting
    // intervalMs. A step from the reading before longer than 1.5 of its
    // intervals is a gap, which ends an event.
    void reading(SeriesMs t, std::int64_t wall, Centibel level, std::int32_t intervalMs);
    // A reading left out (excluded): it ends an event as a gap does.
    void cut();
    // No more readings: the event open, and one waiting to be merged, are done.
    void finish();

    // The event going on now, as far as it has come (before merging); none
    // between events.
    std::optional<SeriesEvent> open() const;
    // True when the reading strictly exceeds the threshold (time above).
    bool above(Centibel level) const { return level > startLevel_; }

  private:
    void closeOpen();
    void flushPending();
    void addTo(SeriesEvent& e, SeriesMs t, std::int64_t wall, Centibel level,
               std::int32_t intervalMs);

    EventRules rules_;
    Found found_;
    long startLevel_, goOnLevel_; // hundredths of a dB, readings strictly above
    std::optional<SeriesEvent> open_;
    std::optional<SeriesEvent> pending_; // closed, waiting for a next one to merge with
    SeriesEvent between_;                // readings since pending_ ended
    std::optional<SeriesMs> lastTime_;
    std::int32_t lastInterval_ = 0;
};

// A day of events: from the day period's start to the next day's.
struct EventDay {
    int year = 0, month = 0, day = 0;
    SeriesMs start = 0, end = 0;
    int events = 0;          // events starting in it
    double secondsAbove = 0; // not excluded readings strictly above the threshold
};

struct SeriesEvents {
    std::vector<SeriesEvent> events;
    std::vector<EventDay> days; // the days holding readings of the span
};

// The events of the readings starting in [t0, t1), excluded spans (sorted,
// not overlapping) left out. One pass over the levels.
SeriesEvents findEvents(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                        const EventRules& rules, const std::vector<SeriesSpan>& excluded = {},
                        const PeriodBounds& bounds = {});

// Puts each day's events and time above onto the daily figures of the same span.
void putEventDays(std::vector<DayFigures>& days, const SeriesEvents& events);

// A wall-clock time as events are written: "2026-11-02T07:13:05.0+01:00",
// tenths of a second and the offset the clock has there.
std::string eventTimeText(const Clock& clock, std::int64_t wallMs);

// The columns of an event, as vrel-cli events prints them after "event" and
// exceedances.csv holds them: n, start, end, seconds, Lmax, time of Lmax,
// Leq, SEL.
std::vector<std::string> eventFields(const Clock& clock, int n, const SeriesEvent& e);
inline constexpr const char* exceedancesFileName = "exceedances.csv";
inline constexpr const char* exceedancesHeader = "n,start,end,seconds,Lmax,timeOfLmax,Leq,SEL";
