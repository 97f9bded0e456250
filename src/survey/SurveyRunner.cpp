#include "survey/SurveyRunner.h"

#include "recording/Recording.h"

#include <cmath>

SurveyRunner::SurveyRunner(SurveyFileSystem& fs, const Clock& clock, SurveySettings settings)
    : clock_(clock), settings_(std::move(settings)),
      // A day of samples may wait for a disk that fails; beyond that the newest are lost.
      store_(fs, clock, settings_.dir, settings_.split, settings_.interval,
             static_cast<std::size_t>(std::lround(86400 / settings_.interval))),
      summary_(clock, settings_.summarySeconds, settings_.interval),
      previousEnd_(settings_.previousEnd), resumed_(settings_.previousEnd.has_value()) {
    store_.report = [this](const std::string& text) {
        if (report)
            report(text);
    };
}

void SurveyRunner::start(SurveyMs t) {
    startMs_ = t;
    summary_.advance(t);
    store_.flush(t);
}

SurveyRunner::TickOutcome SurveyRunner::tick(SurveyMs t, const TickVerdict& verdict, double level,
                                             bool weightingA) {
    if (auto row = summary_.advance(t))
        store_.addSummaryRow(std::move(*row));
    TickOutcome outcome;
    if (verdict.cause == GapCause::None) {
        const CObjData sample(level,
                              recordTimeStamp(clock_.local(static_cast<std::time_t>(t / 1000))),
                              weightingA ? "dBA" : "dBC", 0, settings_.interval);
        if (previousEnd_) {
            store_.addEvent(
                gapRow(clock_, {*previousEnd_, t, "restart", "the survey was not running"}));
            previousEnd_.reset();
        }
        store_.addSample(sample, t);
        summary_.add(sample.value(), std::string(sample.unit()));
        ++samples_;
        level_ = sample.value();
        unit_ = sample.unit();
        last_ = sample;
        outcome.sampled = true;
    }
    if (auto gap = gaps_.tick(t, verdict.cause, verdict.detail)) {
        store_.addEvent(gapRow(clock_, *gap));
        outcome.gapEnded = std::move(gap);
    }
    store_.flush(t);
    return outcome;
}

bool SurveyRunner::finish(SurveyMs t) {
    if (const auto gap = gaps_.finish(t))
        store_.addEvent(gapRow(clock_, *gap));
    if (auto row = summary_.finish())
        store_.addSummaryRow(std::move(*row));
    return store_.close();
}
