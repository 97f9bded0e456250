#pragma once

// A whole survey as one series in a few bytes a reading: weeks of readings at
// ten a second fit in memory, and a figure over any span or a picture at any
// zoom costs what it touches of a block summary, not the readings.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Time on the series' own clock in milliseconds: the local wall-clock time of
// the first reading, counted on as elapsed time. After the hour that comes
// twice when daylight saving ends the wall clock is behind it by that hour
// (see SeriesStore::localOf).
using SeriesMs = std::int64_t;

// Levels are kept in hundredths of a dB, what the data files hold.
using Centibel = std::uint16_t;
inline constexpr double centibelsPerDb = 100.0;

// 10^(L/10) of a level in hundredths of a dB, looked up.
double centibelEnergy(Centibel level);

// Readings of one interval and weighting, each starting where the one before
// ended: start + k * interval for the k-th.
struct SeriesRun {
    SeriesMs start = 0;
    std::int32_t intervalMs = 0;
    std::uint32_t count = 0;
    std::uint64_t first = 0; // index of the first reading in the series
    char weighting = 'A';    // 'A' or 'C'
    SeriesMs end() const { return start + static_cast<SeriesMs>(count) * intervalMs; }
};

// Stamps have whole seconds: readings stamped up to a second beyond where
// the run before ended go on in it; later ones start a run after a gap.
inline constexpr SeriesMs stampResolutionMs = 1000;
inline bool continuesRun(const SeriesRun& run, SeriesMs stamp) {
    return stamp <= run.end() + stampResolutionMs;
}

// Time without readings between two runs, with what events.csv says of it.
struct SeriesGap {
    SeriesMs start = 0;
    SeriesMs end = 0;
    std::string cause; // disconnected, silence, hold, restart, write-failure; empty when unknown
    std::string detail;
};

// From `from` on, the wall clock shows the series time less shiftMs.
struct ClockShift {
    SeriesMs from = 0;
    std::int64_t shiftMs = 0;
    bool operator==(const ClockShift&) const = default;
};

// One level held over a span of the series, as an interval's Leq is drawn.
struct SeriesStep {
    SeriesMs start = 0;
    SeriesMs end = 0;
    double db = 0;
};

// What a span of readings sums to: enough for Leq, Lmax and Lmin of any union.
struct LevelSum {
    std::uint64_t count = 0;
    double energySeconds = 0.0; // sum of 10^(L/10) * interval
    double seconds = 0.0;       // covered time
    Centibel min = 0xFFFF;
    Centibel max = 0;

    void add(const LevelSum& other);
    // Energy average over the covered time; nothing without readings.
    std::optional<double> leq() const;
    std::optional<double> lmax() const;
    std::optional<double> lmin() const;
};

class SeriesStore {
  public:
    // Readings are added in time order; a reading closer than a second to
    // where the one before ended continues its run (stamps have whole
    // seconds), one further on starts a run after a gap. A change of
    // interval or weighting starts a run where the last ended.
    void append(SeriesMs stamp, Centibel level, std::int32_t intervalMs, char weighting);
    // Adds count readings that share one stamp (ten a second share it).
    void appendStamp(SeriesMs stamp, const Centibel* levels, std::size_t count,
                     std::int32_t intervalMs, char weighting);
    // From the next reading on the wall clock is shiftMs behind the series
    // (the hour repeated when daylight saving ends, counted once per end).
    void setClockShift(std::int64_t shiftMs);
    // Room for this many readings in all, so that the levels are not copied
    // as they grow (finish() gives back what is left over).
    void reserve(std::size_t readings);
    // Where the next reading in continuation would start.
    SeriesMs end() const { return runs_.empty() ? 0 : runs_.back().end(); }
    bool empty() const { return levels_.empty(); }

    // Builds the block summary and the gaps over what was appended since the
    // last call, and gives back the room reserved beyond the readings. The
    // queries below need it, and appending after it needs another call.
    void finish();
    // The same without giving room back: a survey still running calls it
    // after each reading, and it costs what one block and its parents cost,
    // whatever the series holds. Gaps found before keep their causes.
    void extend();
    // Puts causes on the gaps (events in series time).
    void attachEvents(const std::vector<SeriesGap>& events);

    std::size_t size() const { return levels_.size(); }
    const std::vector<SeriesRun>& runs() const { return runs_; }
    const std::vector<SeriesGap>& gaps() const { return gaps_; }
    const std::vector<ClockShift>& clockShifts() const { return shifts_; }
    SeriesMs start() const { return runs_.empty() ? 0 : runs_.front().start; }

    double levelAt(std::size_t i) const { return levels_[i] / centibelsPerDb; }
    Centibel centibelsAt(std::size_t i) const { return levels_[i]; }
    SeriesMs timeAt(std::size_t i) const;
    // The first reading starting at or after t (size() when none).
    std::size_t indexAt(SeriesMs t) const;

    // Wall-clock milliseconds since 1970-01-01 00:00 of a series time, and
    // back; a wall-clock time shown twice gives the first unless later is set.
    std::int64_t localOf(SeriesMs t) const;
    SeriesMs seriesOfLocal(std::int64_t localMs, bool later = false) const;

    // The readings starting in [t0, t1).
    LevelSum sum(SeriesMs t0, SeriesMs t1) const { return sumOf(indexAt(t0), indexAt(t1)); }
    LevelSum sumOf(std::size_t first, std::size_t last) const;
    // n pixel columns of equal width across [t0, t1); a column without
    // readings (count 0) lies in a gap.
    std::vector<LevelSum> columns(SeriesMs t0, SeriesMs t1, std::size_t n) const;
    // The readings of the index ranges [first, last), in order and apart, by
    // level: histogram[L] counts those of L hundredths of a dB (the vector is
    // sized here). Ranges holding most of the series are counted as the
    // counts of all readings, kept as they come, less those outside the
    // ranges: the figures of a whole month with its marks cost no pass over
    // its readings.
    void countLevels(const std::vector<std::pair<std::size_t, std::size_t>>& ranges,
                     std::vector<std::uint32_t>& histogram) const;
    // How many of [first, last) are A- and C-weighted.
    std::pair<std::uint64_t, std::uint64_t> weightings(std::size_t first, std::size_t last) const;

    // What the store holds in memory, in bytes, counted from its containers'
    // capacities.
    std::size_t bytesUsed() const;

  private:
    struct Block {
        double energySeconds;
        double seconds;
        Centibel min, max;
    };
    static constexpr std::size_t leafSize = 64;
    static constexpr std::size_t fanOut = 8;

    const SeriesRun& runOf(std::size_t i) const;
    void sumReadings(std::size_t first, std::size_t last, LevelSum& out) const;
    void startRun(SeriesMs start, std::int32_t intervalMs, char weighting);

    std::vector<Centibel> levels_;
    std::vector<SeriesRun> runs_;
    std::vector<ClockShift> shifts_;
    std::vector<SeriesGap> gaps_;
    std::vector<std::vector<Block>> blocks_; // [0]: leafSize readings each, then fanOut each
    std::vector<std::uint32_t> counts_;      // the summarised readings by level
    std::size_t summarised_ = 0;             // readings the blocks hold
    std::size_t runsWithGaps_ = 0;           // runs whose gap before them is known
    std::optional<std::int64_t> pendingShift_;
};
