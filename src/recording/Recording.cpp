#include "recording/Recording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string recordTimeStamp(const LocalTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%d,%.2d:%.2d:%.2d", t.day, t.month, t.year, t.hour,
                  t.minute, t.second);
    return buf;
}

void resetStats(SeriesStats& stats) {
    const double rate = stats.samplingRate;
    stats = SeriesStats{};
    stats.samplingRate = rate;
}

StatsUpdate addToStats(SeriesStats& stats, const CObjData& sample, int n) {
    StatsUpdate update;
    if (n == 1)
        stats.startTime = sample.dateTime();
    if (sample.value() > stats.maxValue) {
        stats.maxValue = sample.value();
        stats.maxTime = sample.dateTime();
        stats.maxUnit = sample.unit();
        update.maxMoved = true;
    }
    if (sample.value() < stats.minValue) {
        stats.minValue = sample.value();
        stats.minTime = sample.dateTime();
        stats.minUnit = sample.unit();
        update.minMoved = true;
    }
    stats.sum += sample.value();
    stats.average = stats.sum / std::max(n, 1);
    return update;
}

// Rounded rather than cut: 0.29 s times 1000 is 289.99... in binary.
int timerPeriodMs(double interval) {
    return static_cast<int>(std::lround(interval * 1000));
}

void RealTimeRecorder::start(double samplingRate) {
    series_.clear();
    resetStats(stats_);
    stats_.samplingRate = samplingRate;
    series_.reserve(static_cast<std::size_t>(sampleLimit_));
    recording_ = true;
}

void RealTimeRecorder::setSampleLimit(int limit) {
    sampleLimit_ = std::clamp(limit, 1, maxSampleLimit);
}

RealTimeRecorder::TickResult RealTimeRecorder::tick(const LiveSample& live) {
    TickResult result;
    if (!recording_)
        return result;
    if (live.hold || !live.connected) {
        result.outcome = TickOutcome::Skipped;
        return result;
    }
    if (series_.count() >= sampleLimit_) {
        recording_ = false;
        result.outcome = TickOutcome::LimitReached;
        return result;
    }
    series_.append(CObjData(live.level, recordTimeStamp(clock_.localNow()),
                            live.weightingA ? "dBA" : "dBC", 0, stats_.samplingRate));
    result.stats = addToStats(stats_, series_.back(), series_.count());
    result.outcome = TickOutcome::Sampled;
    return result;
}

void RealTimeRecorder::clear() {
    series_.clear();
    resetStats(stats_);
}

void RealTimeRecorder::restore(const RecordList& records) {
    recording_ = false;
    clear();
    if (!records.empty())
        stats_.samplingRate = records[0].samplingRate();
    for (const CObjData& r : records) {
        series_.append(r);
        addToStats(stats_, r, series_.count());
    }
}
