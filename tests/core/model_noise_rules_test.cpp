#include "model/NoiseRules.h"

#include "model/TimeLabels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Appends `seconds` of readings at `level`, one every `step` seconds, stamped
// from `from` ("dd-mm-yyyy,hh:mm:ss") on.
void run(RecordList& list, const std::string& from, double seconds, double level, double step = 1.0,
         const std::string& unit = "dBA") {
    const DateTime start = *parseDateTime(from);
    const auto n = static_cast<std::int64_t>(seconds / step);
    for (std::int64_t i = 0; i < n; ++i) {
        const auto at = static_cast<std::int64_t>(static_cast<double>(i) * step);
        list.append(CObjData(level, formatDateTime(addSeconds(start, at)), unit, 0, step));
    }
}

NoiseFigures figuresOf(const RecordList& list, NoiseSettings settings = {}) {
    return computeNoiseFigures(list, 0, list.size(), settings);
}

TEST(NoiseExposure, EightHoursAt85AndFourHoursAt90) {
    RecordList eight;
    run(eight, "07-12-2026,08:00:00", 8 * 3600, 85.0, 10.0);
    const ExposureFigures x = figuresOf(eight).exposure;
    ASSERT_EQ(x.notApplicable, NotApplicable::None);
    EXPECT_NEAR(x.lex8h, 85.0, 1e-9);
    EXPECT_NEAR(x.oshaDose, 50.0, 1e-9);
    EXPECT_NEAR(x.nioshDose, 100.0, 1e-9);
    EXPECT_NEAR(*x.oshaTwa, 16.61 * std::log10(0.5) + 90.0, 1e-9);
    EXPECT_NEAR(*x.nioshTwa, 85.0, 1e-9);
    EXPECT_EQ(x.reached, EuActionValue::Upper);

    RecordList four;
    run(four, "07-12-2026,08:00:00", 4 * 3600, 90.0);
    const ExposureFigures y = figuresOf(four).exposure;
    EXPECT_NEAR(y.lex8h, 86.99, 0.005);         // shown as 87.0 ...
    EXPECT_EQ(y.reached, EuActionValue::Limit); // ... and judged as shown
    EXPECT_NEAR(y.oshaDose, 50.0, 1e-9);
    // NIOSH allows 8 / 2^(5/3) = 2.52 h at 90 dB: 4 h are 158.7 %.
    EXPECT_NEAR(y.nioshDose, 158.74, 0.005);
}

TEST(NoiseExposure, ShiftDurationProjectsTheSampleAndTheThresholdCutsOshaOnly) {
    RecordList two;
    run(two, "07-12-2026,08:00:00", 2 * 3600, 85.0);
    const ExposureFigures measured = figuresOf(two).exposure;
    EXPECT_NEAR(measured.lex8h, 78.98, 0.005);
    EXPECT_NEAR(measured.oshaDose, 12.5, 1e-9);
    EXPECT_EQ(measured.reached, EuActionValue::None);

    NoiseSettings shift;
    shift.shiftHours = 8.0;
    const ExposureFigures projected = figuresOf(two, shift).exposure;
    EXPECT_NEAR(projected.laeq, 85.0, 1e-9);
    EXPECT_NEAR(projected.lex8h, 85.0, 1e-9);
    EXPECT_NEAR(projected.oshaDose, 50.0, 1e-9);
    EXPECT_NEAR(projected.nioshDose, 100.0, 1e-9);

    RecordList quiet;
    run(quiet, "07-12-2026,08:00:00", 8 * 3600, 79.9, 10.0);
    const ExposureFigures q = figuresOf(quiet).exposure;
    EXPECT_EQ(q.oshaDose, 0.0);
    EXPECT_FALSE(q.oshaTwa.has_value());
    EXPECT_GT(q.nioshDose, 0.0);
    EXPECT_EQ(q.reached, EuActionValue::None);
}

TEST(NoiseExposure, OnlyAWeightedReadingsAndGapsAreNotNoise) {
    RecordList c;
    run(c, "07-12-2026,08:00:00", 60, 85.0, 1.0, "dBC");
    EXPECT_EQ(figuresOf(c).exposure.notApplicable, NotApplicable::NotAWeighted);
    RecordList mixed;
    run(mixed, "07-12-2026,08:00:00", 60, 85.0);
    run(mixed, "07-12-2026,08:01:00", 60, 85.0, 1.0, "dBC");
    EXPECT_EQ(figuresOf(mixed).exposure.notApplicable, NotApplicable::MixedWeighting);
    EXPECT_EQ(computeNoiseFigures(mixed, 5, 5, {}).exposure.notApplicable,
              NotApplicable::NoReadings);
    // The environmental figures hold for any weighting.
    EXPECT_EQ(figuresOf(mixed).environment.notApplicable, NotApplicable::None);

    // Two hours of readings with a six-hour hold between them: 2 h of exposure.
    RecordList held;
    run(held, "07-12-2026,08:00:00", 3600, 85.0);
    run(held, "07-12-2026,15:00:00", 3600, 85.0);
    const NoiseFigures f = figuresOf(held);
    EXPECT_NEAR(f.exposure.measuredSeconds, 7200, 1e-9);
    EXPECT_NEAR(f.exposure.oshaDose, 12.5, 1e-9);
    EXPECT_NEAR(f.environment.gapSeconds, 6 * 3600, 1e-9);
    EXPECT_NEAR(f.environment.spanSeconds, 8 * 3600, 1e-9);
}

TEST(NoiseEnvironment, LdenOfADayAt60AndANightAt50) {
    RecordList day;
    run(day, "07-12-2026,07:00:00", 16 * 3600, 60.0, 10.0); // day and evening
    run(day, "07-12-2026,23:00:00", 8 * 3600, 50.0, 10.0);
    const EnvironmentFigures e = figuresOf(day).environment;
    ASSERT_TRUE(e.lden.has_value());
    // 10 lg((12·10^6 + 4·10^6.5 + 8·10^6) / 24)
    EXPECT_NEAR(*e.lden, 61.34, 0.005);
    EXPECT_NEAR(e.day.level, 60.0, 1e-9);
    EXPECT_NEAR(e.evening.level, 60.0, 1e-9);
    EXPECT_NEAR(e.night.level, 50.0, 1e-9);
    EXPECT_EQ(e.days, 1);
    EXPECT_FALSE(e.ldenIncomplete());
    EXPECT_NEAR(e.night.coverage, 1.0, 1e-9);

    // Without the night there is no Lden; half a day is half covered.
    RecordList half;
    run(half, "07-12-2026,07:00:00", 6 * 3600, 60.0, 10.0);
    const EnvironmentFigures h = figuresOf(half).environment;
    EXPECT_FALSE(h.lden.has_value());
    EXPECT_NEAR(h.day.coverage, 0.5, 1e-9);
    EXPECT_TRUE(h.day.incomplete());
    EXPECT_FALSE(h.night.present);
}

TEST(NoiseEnvironment, PeriodBoundsAcrossMidnight) {
    NoiseSettings s;
    s.bounds = {6, 18, 22};
    RecordList list;
    run(list, "07-12-2026,05:59:00", 60, 40.0); // night, before the day starts
    run(list, "07-12-2026,06:00:00", 60, 70.0); // day
    run(list, "07-12-2026,22:30:00", 60, 45.0); // night, before midnight
    run(list, "08-12-2026,00:30:00", 60, 45.0); // night, after midnight
    const EnvironmentFigures e = figuresOf(list, s).environment;
    EXPECT_NEAR(e.day.level, 70.0, 1e-9);
    EXPECT_FALSE(e.evening.present);
    EXPECT_NEAR(e.night.level, 10 * std::log10((1e4 + 2 * std::pow(10.0, 4.5)) / 3), 1e-9);

    // The evening itself may run across midnight: 19-01, night 01-07.
    s.bounds = {7, 19, 1};
    ASSERT_TRUE(s.bounds.valid());
    EXPECT_EQ(s.bounds.eveningHours(), 6.0);
    EXPECT_EQ(s.bounds.nightHours(), 6.0);
    RecordList late;
    run(late, "08-12-2026,00:30:00", 60, 55.0);
    EXPECT_TRUE(figuresOf(late, s).environment.evening.present);
    EXPECT_FALSE(figuresOf(late, s).environment.night.present);

    EXPECT_FALSE((PeriodBounds{7, 23, 19}.valid()));
    EXPECT_FALSE((PeriodBounds{7, 7, 19}.valid()));
    EXPECT_FALSE((PeriodBounds{7, 19, 24}.valid()));
}

TEST(NoiseEnvironment, ClockAlignedIntervalsWithCoverageAndPercentiles) {
    // 10:07 to 11:00 at 1 s, with a hole from 10:20 to 10:25.
    RecordList list;
    run(list, "07-12-2026,10:07:00", 13 * 60, 60.0);
    run(list, "07-12-2026,10:25:00", 35 * 60, 60.0);
    NoiseSettings s;
    s.intervalSeconds = *parseIntervalName("15m");
    const EnvironmentFigures e = figuresOf(list, s).environment;
    ASSERT_EQ(e.intervals.size(), 4u);
    EXPECT_EQ(clockOfSeconds(e.intervals[0].start), "10:00");
    EXPECT_NEAR(e.intervals[0].coverage, 8.0 / 15.0, 1e-9);
    EXPECT_EQ(clockOfSeconds(e.intervals[1].start), "10:15");
    EXPECT_NEAR(e.intervals[1].coverage, 10.0 / 15.0, 1e-9);
    EXPECT_NEAR(e.intervals[1].leq, 60.0, 1e-9); // the hole is not quiet
    EXPECT_NEAR(e.intervals[3].coverage, 1.0, 1e-9);
    EXPECT_NEAR(e.gapSeconds, 300, 1e-9);

    // One minute of 1..60 dB: L10 the 6th highest, L90 the 54th.
    RecordList ramp;
    const DateTime t0 = *parseDateTime("07-12-2026,10:00:00");
    for (int i = 0; i < 60; ++i)
        ramp.append(CObjData(i + 1, formatDateTime(addSeconds(t0, i)), "dBA", 0, 1.0));
    s.intervalSeconds = 60;
    const IntervalFigures m = figuresOf(ramp, s).environment.intervals.at(0);
    EXPECT_EQ(m.count, 60u);
    EXPECT_EQ(m.l10, 55.0);
    EXPECT_EQ(m.l90, 7.0);
    EXPECT_EQ(m.lmax, 60.0);
    EXPECT_EQ(m.lmin, 1.0);

    EXPECT_EQ(parseIntervalName("1h"), 3600);
    EXPECT_FALSE(parseIntervalName("2m").has_value());
    EXPECT_EQ(intervalName(300), "5m");
}

TEST(NoiseEnvironment, SubSecondReadingsShareStampsAndBadStampsStopOnlyTheClockFigures) {
    // Ten readings a second all stamped with their whole second: no gaps.
    RecordList fast;
    run(fast, "07-12-2026,10:00:00", 120, 70.0, 0.1);
    const EnvironmentFigures e = figuresOf(fast, {std::nullopt, 60, {}}).environment;
    EXPECT_EQ(e.gapSeconds, 0.0);
    ASSERT_EQ(e.intervals.size(), 2u);
    EXPECT_NEAR(e.intervals[0].coverage, 1.0, 1e-6);

    RecordList bad = fast;
    bad.append(CObjData(70.0, "not a time", "dBA", 0, 0.1));
    const NoiseFigures f = figuresOf(bad);
    EXPECT_EQ(f.environment.notApplicable, NotApplicable::NoTimeStamps);
    EXPECT_TRUE(f.environment.intervals.empty());
    EXPECT_EQ(f.exposure.notApplicable, NotApplicable::None);
}

} // namespace
