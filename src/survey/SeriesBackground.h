#pragma once

// The background level of a site: how quiet it is between its events, from
// the LA90 of its quarter hours, summed up per date and per day, evening and
// night.

#include "model/NoiseRules.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>

enum class DayPart { Day, Evening, Night };
inline constexpr std::array<DayPart, 3> dayParts = {DayPart::Day, DayPart::Evening, DayPart::Night};
// "day", "evening", "night".
const char* dayPartName(DayPart part);

// The assessment background level of one date's period: the lower tenth
// percentile of its counted quarter hours' LA90.
struct BackgroundLevel {
    int year = 0, month = 0, day = 0; // the date the period starts on (a night before the
                                      // day period's start belongs to the date before)
    DayPart part = DayPart::Day;
    double abl = 0;
    int intervals = 0; // the counted quarter hours
};

// The rating background level of a period: the median of its dates' ABLs.
struct BackgroundRating {
    DayPart part = DayPart::Day;
    double rbl = 0;
    int dates = 0;
};

struct SeriesBackground {
    std::vector<BackgroundLevel> levels;   // by date, then day, evening, night
    std::vector<BackgroundRating> ratings; // the periods holding an ABL, in order
};

// A counted quarter hour: its start on the wall clock and its LA90 in dB.
struct QuarterLa90 {
    std::int64_t wallMs = 0;
    double la90 = 0;
};

// A quarter hour of the clock counts when its readings (starting in [t0, t1),
// outside the excluded spans) cover at least 90 % of it; its LA90 is the
// k-th highest reading, k = ceil(90 * count / 100). One pass over the levels.
SeriesBackground backgroundLevels(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                                  const PeriodBounds& bounds = {},
                                  const std::vector<SeriesSpan>& excluded = {});

// The LA90 of each quarter hour of a whole series, kept between passes: a
// month at 0.1 s takes a few hundred milliseconds to read through, while a
// mark changes only the quarters under it and readings added at the end only
// the last ones. levels() gives what backgroundLevels gives over the whole
// series with the excluded spans of the last update.
class BackgroundQuarters {
  public:
    // Brings the quarters up to the series and the excluded spans (sorted and
    // apart, as SeriesMarks holds them), reading again only the quarters
    // holding a reading whose exclusion changed and those readings were added
    // to since the last call. A series that is not the last one grown (another
    // start, fewer readings, other clock shifts) is read whole.
    void update(const SeriesStore& series, const std::vector<SeriesSpan>& excluded);
    SeriesBackground levels(const PeriodBounds& bounds) const;

  private:
    // Reads the quarters of the readings [first, last) again, which begin
    // and end on a quarter's edge.
    void readQuarters(const SeriesStore& series, std::size_t first, std::size_t last);

    std::map<SeriesMs, QuarterLa90> counted_; // by the quarter's start in series time
    bool read_ = false;
    SeriesMs start_ = 0, lastReading_ = 0;
    std::size_t size_ = 0;
    std::vector<ClockShift> shifts_;
    std::vector<SeriesSpan> excluded_;
};
