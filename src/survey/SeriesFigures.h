#pragma once

// The figures of a survey series: of any span, per day and per hour, on the
// wall clock of the place the survey was made.

#include "model/NoiseRules.h"
#include "survey/SeriesStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The figures of a span. Percentile levels follow the nearest-rank rule of
// AcousticStats: the k-th highest reading, k = ceil(N * count / 100).
struct SpanFigures {
    LevelSum sum;
    std::uint64_t countA = 0, countC = 0;
    double l5 = 0, l10 = 0, l50 = 0, l90 = 0, l95 = 0;
    // LAeq over the covered time + 10 lg(covered / 8 h); A-weighted readings only.
    std::optional<double> lex8h;
    // Over the whole days (from one day period's start to the next) the span
    // holds; nothing when it holds none or a period of them has no readings.
    int wholeDays = 0;
    std::optional<double> lden;
    // "dBA", "dBC", "mixed", empty without readings.
    std::string weighting() const;
};

SpanFigures spanFigures(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                        const PeriodBounds& bounds = {});

// One of Lday, Levening, Lnight.
struct PeriodLevel {
    std::optional<double> level; // nothing without readings
    double coverage = 0.0;       // covered / period time, 0..1
};

// A day from the day period's start to the next day's, so its night is the
// one after its evening.
struct DayFigures {
    int year = 0, month = 0, day = 0; // the date it starts on
    SeriesMs start = 0, end = 0;
    PeriodLevel lday, levening, lnight;
    std::optional<double> lden;   // when all three periods hold readings
    std::optional<double> laeq24; // over the covered time of the day
    std::optional<double> lmax;
    double coverage = 0.0; // covered / the day's time (23 or 25 hours when the clock changes)
    // With an event threshold (SeriesEvents): the events starting in the day
    // and the seconds of readings above the threshold; nothing without one.
    std::optional<double> events, secondsAbove;
};

// The days holding readings of [t0, t1), in order; only those readings count.
std::vector<DayFigures> dailyFigures(const SeriesStore& series, const PeriodBounds& bounds,
                                     SeriesMs t0, SeriesMs t1);
std::vector<DayFigures> dailyFigures(const SeriesStore& series, const PeriodBounds& bounds = {});

// A clock hour holding readings; the hour repeated when daylight saving ends
// has two rows of the same hour.
struct HourFigures {
    int year = 0, month = 0, day = 0, hour = 0;
    SeriesMs start = 0, end = 0;
    LevelSum sum;
    double coverage = 0.0;
};
std::vector<HourFigures> hourlyFigures(const SeriesStore& series, SeriesMs t0, SeriesMs t1);

// The readings starting in [t0, t1) as the records of the windows and the
// exports, stamped with their wall-clock second. Each costs some 80 bytes
// here against two in the series: meant for spans, not for weeks at 0.1 s.
RecordList seriesRecords(const SeriesStore& series, SeriesMs t0, SeriesMs t1);
// The most readings the report and the exports take from a series: they work
// on the records of the windows, some 80 bytes a reading.
inline constexpr std::size_t maxSeriesRecords = 2'000'000;

// "dd-mm-yyyy" and "dd-mm-yyyy hh:mm:ss" of a series time on its wall clock.
std::string seriesDate(const SeriesStore& series, SeriesMs t);
std::string seriesDateTime(const SeriesStore& series, SeriesMs t);
