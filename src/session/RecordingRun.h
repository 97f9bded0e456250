#pragma once

// The real-time recording as both programs run it: the window's "Gerçek
// zaman" and `vrel-cli record` each start one run and only show what it
// tells (the window its table, boxes and curve, the companion its file and
// standard error).

#include "model/AcousticStats.h"
#include "recording/Recording.h"
#include "recording/TickRule.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class MeterSession;

// What a tick takes from the meter session: the level only while the tick
// rule finds it the meter's now (its port open, not silent, younger than a
// second); HOLD as the rule sees it.
LiveSample liveSample(const MeterSession& meter);

class RecordingRun : public QObject {
    Q_OBJECT
  public:
    // Where each tick reads the meter; a test can put a meter of its own there.
    using MeterLookup = std::function<LiveSample()>;

    enum class End {
        LimitReached, // the last sample the limit allows was taken
        Stopped,      // by the user, an interrupt, or a failure of the front end's own
        ByMeter,      // the meter fell silent, went away or was put on HOLD (the cause says which)
    };

    RecordingRun(RecordList& series, MeterLookup meter, Clock& clock = appClock(),
                 QObject* parent = nullptr);

    void setMeterLookup(MeterLookup meter) { meter_ = std::move(meter); }
    // The meter as a tick would see it now.
    LiveSample meterNow() const { return meter_(); }

    // Empties the series and the figures and ticks every interval seconds.
    void start(double interval);
    // One tick (the timer's timeout): a sample, a skipped tick, or nothing
    // when no run is going on.
    void tick();
    // End the run (End::Stopped, End::ByMeter); nothing when none is going on,
    // so an end is told once.
    void stop();
    void endByMeter(GapCause cause);
    // Discards the samples, the statistics and the figures; the interval stays.
    void clear();
    // Puts back a series recorded earlier, with its statistics and figures as
    // after its recording; a run going on is stopped first.
    void restore(const RecordList& records);

    bool recording() const { return recorder_.recording(); }
    const RecordList& series() const { return recorder_.series(); }
    const SeriesStats& stats() const { return recorder_.stats(); }
    // The acoustic figures of the whole series, kept per sample.
    const RunningAcousticStats& acoustics() const { return acoustics_; }
    // The figures' exceedance limit; a new one counts the series again.
    void setLevelLimit(std::optional<double> limit);
    // Samples to take, 1..40000; kept from one run to the next.
    int sampleLimit() const { return recorder_.sampleLimit(); }
    void setSampleLimit(int limit) { recorder_.setSampleLimit(limit); }
    const QTimer& timer() const { return timer_; }

  signals:
    // A sample was appended to the series; moved: which extremes it moved.
    void sampled(const CObjData& sample, StatsUpdate moved);
    // The meter went on HOLD; its ticks take no sample until it ends.
    void holdBegan();
    void holdEnded(long skippedTicks);
    // The run is over; cause is GapCause::None unless the meter ended it.
    void ended(RecordingRun::End why, GapCause cause);

  private:
    void finish(End why, GapCause cause);
    void recount();

    MeterLookup meter_;
    RealTimeRecorder recorder_;
    RunningAcousticStats acoustics_;
    QTimer timer_;
    bool inHold_ = false;
    long skipped_ = 0; // ticks on HOLD since it began
};
