#include "session/SurveySession.h"

#include "mqtt/MqttPublisher.h"
#include "recording/Recording.h"
#include "session/ExceedanceOutput.h"

void PublisherOutput::sample(SurveyMs t, const CObjData& sample) {
    publisher_.addReading(t, sample.value(), std::string(sample.unit()));
}

void PublisherOutput::exceedanceGoesOn(const SeriesEvent& event) {
    publisher_.exceedanceGoesOn(event);
}

SurveySession::SurveySession(MeterSession& meter, const Clock& clock, SurveySettings settings,
                             QObject* parent)
    : QObject(parent), meter_(&meter), clock_(clock), settings_(std::move(settings)),
      runner_(diskFileSystem(), clock, settings_) {
    runner_.report = [this](const std::string& text) {
        const bool failing = runner_.writeFailing();
        writeProblem_ = failing ? QString::fromStdString(text) : QString();
        emit writing(failing, QString::fromStdString(text));
    };
    runner_.outputFailed = [this](const std::string& what) {
        emit outputFailed(QString::fromLocal8Bit(what.c_str()));
    };
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(timerPeriodMs(settings_.interval));
    connect(&timer_, &QTimer::timeout, this, &SurveySession::tick);
    connect(&meter, &MeterSession::portLost, this, [this] { portWentAway_ = true; });
    if (settings_.events) {
        exceedances_ = std::make_unique<ExceedanceOutput>(settings_.dir, *settings_.events,
                                                          settings_.interval, clock_);
        exceedances_->onLong = [this](const SeriesEvent& e) {
            runner_.exceedanceGoesOn(e);
            emit exceedanceGoesOn(e);
        };
        exceedances_->onEvent = [this](int n, const SeriesEvent& e) { emit exceedanceEnded(n, e); };
        exceedances_->onWriting = [this](const std::string& text) {
            emit exceedancesWriting(!text.empty(), QString::fromStdString(text));
        };
        runner_.addOutput(*exceedances_);
    }
}

SurveySession::~SurveySession() {
    // Whoever listened may be going too; the files are finished all the same.
    runner_.report = nullptr;
    runner_.outputFailed = nullptr;
    if (exceedances_) {
        exceedances_->onLong = nullptr;
        exceedances_->onEvent = nullptr;
        exceedances_->onWriting = nullptr;
    }
    stop();
}

void SurveySession::start() {
    if (running_)
        return;
    running_ = true;
    if (meter_)
        meter_->setReopenWhenSilentFor(surveyReopenSilentSeconds);
    runner_.start(clock_.nowMs());
    timer_.start();
}

bool SurveySession::stop() {
    if (!running_)
        return true;
    running_ = false;
    timer_.stop();
    if (meter_)
        meter_->setReopenWhenSilentFor(0);
    return runner_.finish(clock_.nowMs());
}

void SurveySession::tick() {
    if (!meter_)
        return;
    const SurveyMs t = clock_.nowMs();
    if (endMs_ && t >= *endMs_) {
        timer_.stop();
        emit endReached();
        return;
    }
    MeterSession::TickView view = meter_->tickView();
    // The system's words for a pulled USB port ("Inappropriate ioctl for
    // device") tell a reader of events.csv nothing.
    if (view.verdict.cause == GapCause::Disconnected && portWentAway_)
        view.verdict.detail = portGoneDetail;
    // A pending tick says nothing new about HOLD.
    const bool hold = view.verdict.cause == GapCause::Hold;
    if (hold != onHold_ && (hold || view.verdict.cause == GapCause::None)) {
        onHold_ = hold;
        emit holdChanged(onHold_);
    }
    const LiveState& state = view.snapshot.state;
    emit ticked(runner_.tick(t, view.verdict, state.level, state.weightingA));
}
