#pragma once

// The background level of a site: how quiet it is between its events, from
// the LA90 of its quarter hours, summed up per date and per day, evening and
// night.

#include "model/NoiseRules.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"

#include <array>
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

// A quarter hour of the clock counts when its readings (starting in [t0, t1),
// outside the excluded spans) cover at least 90 % of it; its LA90 is the
// k-th highest reading, k = ceil(90 * count / 100). One pass over the levels.
SeriesBackground backgroundLevels(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                                  const PeriodBounds& bounds = {},
                                  const std::vector<SeriesSpan>& excluded = {});
