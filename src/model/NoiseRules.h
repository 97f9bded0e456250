#pragma once

#include "model/RecordList.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The figures workplace and environmental noise rules ask for, from a series
// of readings. Time is the readings' own: each reading stands for its sampling
// interval from its time stamp on, and a gap between the stamps (an outage, a
// hold) is time without readings, not noise: it lowers the coverage and never
// counts as quiet.

// Why a figure set could not be given.
enum class NotApplicable {
    None,           // the figures are given
    NoReadings,     // the series or span is empty
    NotAWeighted,   // exposure: dBC readings
    MixedWeighting, // exposure: dBA and dBC readings together
    NoTimeStamps,   // environment: a time stamp that is no date-time
};

// Why the figures are not given, in the words of the exports and the companion.
const char* notApplicableReason(NotApplicable why);

// The day, evening and night periods as hours of the day (0..23). Night runs
// from nightStart across midnight to dayStart when nightStart > dayStart.
struct PeriodBounds {
    int dayStart = 7;
    int eveningStart = 19;
    int nightStart = 23;
    // day < evening < night within the day, or the same order turned once
    // around midnight; every period at least an hour long.
    bool valid() const;
    double dayHours() const;
    double eveningHours() const;
    double nightHours() const;
    bool operator==(const PeriodBounds&) const = default;
};

struct NoiseSettings {
    // The shift the measurement samples; unset: the measured duration is the shift.
    std::optional<double> shiftHours;
    int intervalSeconds = 900; // 60, 300, 900 or 3600
    PeriodBounds bounds;
};

// The EU noise-at-work directive's three values of LEX,8h.
enum class EuActionValue { None, Lower, Upper, Limit };
inline constexpr double euLowerActionValue = 80.0;
inline constexpr double euUpperActionValue = 85.0;
inline constexpr double euLimitValue = 87.0;
// The value's name in the words of the exports and the companion.
const char* euActionValueName(EuActionValue v);

struct ExposureFigures {
    NotApplicable notApplicable = NotApplicable::NoReadings;
    double measuredSeconds = 0.0; // the readings' own time, gaps left out
    double shiftSeconds = 0.0;    // Te: the shift, or the measured time
    bool shiftGiven = false;
    double laeq = 0.0;  // LAeq,Te
    double lex8h = 0.0; // LAeq,Te + 10 lg(Te / 8 h)
    EuActionValue reached = EuActionValue::None;
    double oshaDose = 0.0;  // %, projected to the shift
    double nioshDose = 0.0; // %, projected to the shift
    // TWA from the dose; nothing for a dose of zero (all below OSHA's threshold).
    std::optional<double> oshaTwa;
    std::optional<double> nioshTwa;
};

// Leq and its companions over one clock-aligned interval.
struct IntervalFigures {
    std::int64_t start = 0; // seconds since 1970-01-01 00:00 of the readings' clock
    std::size_t count = 0;
    double leq = 0.0, lmax = 0.0, lmin = 0.0, l10 = 0.0, l90 = 0.0;
    double coverage = 0.0; // covered seconds / interval length, 0..1
};

// One of Lday, Levening, Lnight.
struct PeriodFigures {
    bool present = false;  // readings fall in the period
    double level = 0.0;    // Leq over the period's readings
    double coverage = 0.0; // covered / nominal time of the days spanned, 0..1
    bool incomplete() const { return !present || coverage < 0.9995; }
};

struct EnvironmentFigures {
    NotApplicable notApplicable = NotApplicable::NoReadings;
    int intervalSeconds = 900;
    std::vector<IntervalFigures> intervals; // the intervals holding readings, in time order
    std::int64_t firstStart = 0;            // time stamp of the first reading
    double spanSeconds = 0.0;               // first reading's start to last reading's end
    double coveredSeconds = 0.0;
    double gapSeconds = 0.0; // time between the readings not covered by any
    int days = 1;            // 24-hour days the span is counted as, for the coverage
    PeriodFigures day, evening, night;
    std::optional<double> lden; // when day, evening and night all hold readings
    bool ldenIncomplete() const {
        return day.incomplete() || evening.incomplete() || night.incomplete();
    }
};

struct NoiseFigures {
    ExposureFigures exposure;
    EnvironmentFigures environment;
};

// Puts readings, in their order, on their own clock: each starts at its time
// stamp, or where the one before ended when the stamp is within the stamps'
// one-second resolution of that (ten readings a second share a stamp); a
// stamp further on leaves a gap.
class ReadingClock {
  public:
    // Seconds since 1970-01-01 00:00 of the reading's start; nothing for a
    // stamp that is no date-time (the clock then stays where it was).
    std::optional<double> place(const CObjData& reading);
    double end() const { return end_; }
    double gapSeconds() const { return gap_; }

  private:
    std::optional<double> stampSeconds(const std::string& text);

    std::string datePrefix_;             // the date text last read, when digits
    int day_ = 0, month_ = 0, year_ = 0; // the date last converted
    double dayStart_ = 0.0;
    double end_ = 0.0;
    double gap_ = 0.0;
    bool started_ = false;
};

// OSHA: criterion 90 dB, exchange rate 5 dB, threshold 80 dB. NIOSH: 85 dB, 3 dB.
// The time a level may last for a dose of 100 %, in hours.
double oshaAllowedHours(double level);
double nioshAllowedHours(double level);
double oshaTwaOfDose(double dosePercent);
double nioshTwaOfDose(double dosePercent);
// 10 lg((d·10^(Ld/10) + e·10^((Le+5)/10) + n·10^((Ln+10)/10)) / 24), d, e, n the period hours.
double ldenOf(double lday, double levening, double lnight, const PeriodBounds& bounds);
EuActionValue euReached(double lex8h);

// The figures of records [first, last).
NoiseFigures computeNoiseFigures(const RecordList& records, std::size_t first, std::size_t last,
                                 const NoiseSettings& settings);

// "1m", "5m", "15m", "1h" to seconds; nothing for any other text.
std::optional<int> parseIntervalName(const std::string& text);
std::string intervalName(int seconds);
// "hh:mm" of a start time of the readings' clock, and "dd-mm-yyyy hh:mm".
std::string clockOfSeconds(std::int64_t seconds);
std::string dateClockOfSeconds(std::int64_t seconds);
