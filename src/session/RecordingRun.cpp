#include "session/RecordingRun.h"

#include "link/MeterSession.h"

LiveSample liveSample(const MeterSession& meter) {
    const MeterSession::TickView view = meter.tickView();
    const GapCause cause = view.verdict.cause;
    const LiveState& state = view.snapshot.state;
    const bool live = cause == GapCause::None || cause == GapCause::Hold;
    return {state.level, state.weightingA, cause == GapCause::Hold,
            live && view.snapshot.connected};
}

RecordingRun::RecordingRun(RecordList& series, MeterLookup meter, Clock& clock, QObject* parent)
    : QObject(parent), meter_(std::move(meter)), recorder_(series, clock) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &RecordingRun::tick);
}

void RecordingRun::start(double interval) {
    recorder_.start(interval);
    acoustics_.clear();
    acoustics_.setInterval(interval);
    inHold_ = false;
    skipped_ = 0;
    timer_.start(timerPeriodMs(interval));
}

void RecordingRun::tick() {
    if (!recorder_.recording())
        return;
    const LiveSample live = meter_();
    if (live.hold != inHold_) {
        inHold_ = live.hold;
        if (inHold_) {
            skipped_ = 0;
            emit holdBegan();
        } else {
            emit holdEnded(skipped_);
        }
    }
    const RealTimeRecorder::TickResult result = recorder_.tick(live);
    switch (result.outcome) {
    case RealTimeRecorder::TickOutcome::NotRecording:
        return;
    case RealTimeRecorder::TickOutcome::Skipped:
        skipped_ += live.hold ? 1 : 0;
        return;
    case RealTimeRecorder::TickOutcome::LimitReached: // a limit lowered below the count
        finish(End::LimitReached, GapCause::None);
        return;
    case RealTimeRecorder::TickOutcome::Sampled:
        break;
    }
    const CObjData& sample = recorder_.series().back();
    acoustics_.add(sample.value(), std::string(sample.unit()));
    emit sampled(sample, result.stats);
    // The last sample ends the run without waiting for another tick; a front
    // end may have stopped it meanwhile.
    if (recorder_.recording() && recorder_.series().count() >= recorder_.sampleLimit())
        finish(End::LimitReached, GapCause::None);
}

void RecordingRun::finish(End why, GapCause cause) {
    timer_.stop();
    recorder_.stop();
    emit ended(why, cause);
}

void RecordingRun::stop() {
    if (recorder_.recording())
        finish(End::Stopped, GapCause::None);
}

void RecordingRun::endByMeter(GapCause cause) {
    if (recorder_.recording())
        finish(End::ByMeter, cause);
}

void RecordingRun::clear() {
    recorder_.clear();
    acoustics_.clear();
}

void RecordingRun::restore(const RecordList& records) {
    stop();
    recorder_.restore(records);
    if (!records.empty())
        acoustics_.setInterval(records[0].samplingRate());
    recount();
}

void RecordingRun::setLevelLimit(std::optional<double> limit) {
    acoustics_.setLimit(limit);
    recount();
}

void RecordingRun::recount() {
    acoustics_.clear();
    for (const CObjData& r : recorder_.series())
        acoustics_.add(r.value(), std::string(r.unit()));
}
