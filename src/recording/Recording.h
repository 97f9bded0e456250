#pragma once

#include "model/Clock.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"

#include <string>

// The live values a sampling tick looks at, taken as one snapshot.
struct LiveSample {
    double level = 0;
    bool weightingA = false;
    bool hold = false;
    bool connected = false;
};

inline constexpr int maxSampleLimit = 40000;

// "%.2d-%.2d-%d,%.2d:%.2d:%.2d": day, month, year, hour, minute, second.
std::string recordTimeStamp(const LocalTime& t);

// The statistics at the start of a recording or after a clear; the interval stays.
void resetStats(SeriesStats& stats);

// Which extremes a new sample moved (equal values move nothing, so the times
// name the first sample that reached an extreme).
struct StatsUpdate {
    bool maxMoved = false;
    bool minMoved = false;
};
// Adds the n-th sample (n counted from 1) to the running statistics without
// looking at the earlier samples again.
StatsUpdate addToStats(SeriesStats& stats, const CObjData& sample, int n);

// The sampling timer's period for an interval in seconds (0.1 -> 100 ms).
int timerPeriodMs(double interval);

// The real-time recording's series: the sampling tick rule, the series and its
// running statistics. The recording run that both programs start ticks it on
// its timer and tells what each result means.
class RealTimeRecorder {
  public:
    enum class TickOutcome {
        NotRecording,
        Skipped,      // hold set, or the meter not connected: no sample this tick
        LimitReached, // the recording has ended; stop the timer
        Sampled,      // one sample appended
    };
    struct TickResult {
        TickOutcome outcome = TickOutcome::NotRecording;
        StatsUpdate stats;
    };

    explicit RealTimeRecorder(RecordList& series, Clock& clock = appClock())
        : series_(series), clock_(clock) {}

    // Empties the series, resets the statistics and begins recording at the interval.
    void start(double samplingRate);
    TickResult tick(const LiveSample& live);
    void stop() { recording_ = false; }
    // Empties the series and resets the statistics; the interval stays.
    void clear();
    // Puts back a series recorded earlier (a journal left by a crash), with its
    // statistics as after its recording; not recording.
    void restore(const RecordList& records);

    bool recording() const { return recording_; }
    const SeriesStats& stats() const { return stats_; }
    const RecordList& series() const { return series_; }

    // Samples to take, 1..40000; kept from one recording to the next.
    int sampleLimit() const { return sampleLimit_; }
    void setSampleLimit(int limit);

  private:
    RecordList& series_;
    Clock& clock_;
    SeriesStats stats_;
    bool recording_ = false;
    int sampleLimit_ = maxSampleLimit;
};
