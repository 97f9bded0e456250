#pragma once

// The figures of a survey series: of any span, per day and per hour, on the
// wall clock of the place the survey was made.

#include "model/NoiseRules.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Every figure here is of the readings neither excluded nor residual under
// the marks given (all readings without marks); time in a mark counts as
// not covered.

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
    // The span's readings in exclude marks, and in residual marks (and no
    // exclude mark).
    LevelSum excluded, residual;
    std::string residualWeighting;
    // "dBA", "dBC", "mixed", empty without readings.
    std::string weighting() const;
    // The residual sound's Leq, and the source's own level corrected for it
    // (nothing without residual readings, or when it is not determinable).
    std::optional<double> lres() const { return residual.leq(); }
    std::optional<double> lspecific() const;
};

SpanFigures spanFigures(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                        const PeriodBounds& bounds = {}, const SeriesMarks& marks = {});

// A level less the residual sound's: 10 lg(10^(L/10) - 10^(Lres/10)) when L
// is more than 3 dB above Lres; nothing otherwise, the correction being too
// uncertain.
std::optional<double> specificLevel(double level, double residualLevel);

// What the readings starting in [t0, t1) and neither excluded nor residual
// sum to.
LevelSum keptSum(const SeriesStore& series, SeriesMs t0, SeriesMs t1, const SeriesMarks& marks);

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
    // The time of its excluded and of its residual readings / the day's time.
    double excluded = 0.0, residual = 0.0;
    // With an event threshold (SeriesEvents): the events starting in the day
    // and the seconds of readings above the threshold; nothing without one.
    std::optional<double> events, secondsAbove;
};

// The days holding readings of [t0, t1), in order; only those readings count.
std::vector<DayFigures> dailyFigures(const SeriesStore& series, const PeriodBounds& bounds,
                                     SeriesMs t0, SeriesMs t1, const SeriesMarks& marks = {});
std::vector<DayFigures> dailyFigures(const SeriesStore& series, const PeriodBounds& bounds = {},
                                     const SeriesMarks& marks = {});

// A clock hour holding readings; the hour repeated when daylight saving ends
// has two rows of the same hour.
struct HourFigures {
    int year = 0, month = 0, day = 0, hour = 0;
    SeriesMs start = 0, end = 0;
    LevelSum sum;
    double coverage = 0.0;
    double excluded = 0.0, residual = 0.0; // as a day's
};
std::vector<HourFigures> hourlyFigures(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                                       const SeriesMarks& marks = {});

// The readings starting in [t0, t1) as the records of the windows and the
// exports, stamped with their wall-clock second. Each costs some 80 bytes
// here against two in the series: meant for spans, not for weeks at 0.1 s.
RecordList seriesRecords(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                         const SeriesMarks& marks = {});
// The most readings the report and the exports take from a series: they work
// on the records of the windows, some 80 bytes a reading.
inline constexpr std::size_t maxSeriesRecords = 2'000'000;

// "dd-mm-yyyy" and "dd-mm-yyyy hh:mm:ss" of a series time on its wall clock.
std::string seriesDate(const SeriesStore& series, SeriesMs t);
std::string seriesDateTime(const SeriesStore& series, SeriesMs t);
