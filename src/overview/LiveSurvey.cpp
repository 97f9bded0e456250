#include "overview/LiveSurvey.h"

#include "formats/TextDataFile.h"
#include "link/MeterSession.h"
#include "model/TimeLabels.h"
#include "recording/Recording.h"

#include <algorithm>
#include <cmath>
#include <utility>

LiveSurvey::LiveSurvey(MeterSession& session, const Clock& clock, SurveySettings settings,
                       SeriesStore& series, QObject* parent)
    : QObject(parent), session_(&session), clock_(clock), settings_(std::move(settings)),
      runner_(diskFileSystem(), clock, settings_), series_(series), appender_(series),
      intervalMs_(static_cast<std::int32_t>(std::lround(settings_.interval * 1000))) {
    runner_.report = [this](const std::string& text) {
        const bool failing = runner_.writeFailing();
        writeProblem_ = failing ? QString::fromStdString(text) : QString();
        emit writing(failing, QString::fromStdString(text));
    };
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(timerPeriodMs(settings_.interval));
    connect(&timer_, &QTimer::timeout, this, &LiveSurvey::tick);
    connect(&session, &MeterSession::portLost, this, [this] { portWentAway_ = true; });
    if (!series_.empty())
        earlierEnd_ = series_.end();
}

LiveSurvey::~LiveSurvey() {
    // Whoever listened may be going too; the files are finished all the same.
    runner_.report = nullptr;
    stop();
}

void LiveSurvey::start() {
    if (running_)
        return;
    running_ = true;
    endedIn_.reset();
    if (session_)
        session_->setReopenWhenSilentFor(surveyReopenSilentSeconds);
    runner_.start(clock_.nowMs());
    timer_.start();
}

bool LiveSurvey::stop() {
    if (!running_)
        return true;
    endedIn_ = tailGap();
    running_ = false;
    timer_.stop();
    if (session_)
        session_->setReopenWhenSilentFor(0);
    return runner_.finish(clock_.nowMs());
}

std::optional<SeriesGap> LiveSurvey::tailGap() const {
    if (!running_)
        return endedIn_;
    const std::optional<Gap>& open = runner_.openGap();
    if (!open || series_.empty())
        return std::nullopt;
    // From where the curve ends, so the gap and the readings meet.
    const SeriesMs start = series_.end();
    return SeriesGap{start, std::max(start, seriesTime(clock_.nowMs())), open->cause, open->detail};
}

SeriesMs LiveSurvey::seriesTime(SurveyMs t) const {
    const SurveyMs second = t >= 0 ? t / 1000 : (t - 999) / 1000;
    const LocalTime l = clock_.local(static_cast<std::time_t>(second));
    const std::int64_t local =
        secondsBetween(DateTime{}, DateTime{l.day, l.month, l.year, l.hour, l.minute, l.second}) *
            1000 +
        (t - second * 1000);
    return local + (series_.clockShifts().empty() ? 0 : series_.clockShifts().back().shiftMs);
}

void LiveSurvey::tick() {
    if (!session_)
        return;
    const SurveyMs t = clock_.nowMs();
    MeterSession::TickView view = session_->tickView();
    if (view.verdict.cause == GapCause::Disconnected && portWentAway_)
        view.verdict.detail = portGoneDetail;
    const LiveState& state = view.snapshot.state;
    const auto outcome = runner_.tick(t, view.verdict, state.level, state.weightingA);
    if (!outcome.sampled) {
        emit ticked(false);
        return;
    }
    // The line as the data file holds it: the series gets what reading the
    // file would give it.
    appender_.addLine(TextDataLine(*runner_.lastSample()), intervalMs_);
    if (std::exchange(firstSample_, false) && settings_.previousEnd) {
        // The files' last write can come after their last reading (or be the
        // time the folder was copied): the gap on the curve starts no later
        // than the readings read from them end.
        SeriesMs from = seriesTime(*settings_.previousEnd);
        if (earlierEnd_)
            from = std::min(from, *earlierEnd_);
        events_.push_back({from, seriesTime(t), "restart", "the survey was not running"});
    }
    if (outcome.gapEnded)
        events_.push_back({seriesTime(outcome.gapEnded->start), seriesTime(outcome.gapEnded->end),
                           outcome.gapEnded->cause, outcome.gapEnded->detail});
    const std::size_t gapsBefore = series_.gaps().size();
    series_.extend();
    if (series_.gaps().size() != gapsBefore)
        series_.attachEvents(events_);
    emit ticked(true);
}
