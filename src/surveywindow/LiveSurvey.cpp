#include "surveywindow/LiveSurvey.h"

#include "formats/TextDataFile.h"
#include "model/TimeLabels.h"
#include "mqtt/MqttPublisher.h"

#include <algorithm>
#include <cmath>
#include <utility>

SeriesOutput::SeriesOutput(SeriesStore& series, const Clock& clock, double interval)
    : series_(series), clock_(clock), appender_(series),
      intervalMs_(static_cast<std::int32_t>(std::lround(interval * 1000))) {
    if (!series_.empty())
        earlierEnd_ = series_.end();
}

SeriesMs SeriesOutput::seriesTime(SurveyMs t) const {
    const SurveyMs second = t >= 0 ? t / 1000 : (t - 999) / 1000;
    const LocalTime l = clock_.local(static_cast<std::time_t>(second));
    const std::int64_t local =
        secondsBetween(DateTime{}, DateTime{l.day, l.month, l.year, l.hour, l.minute, l.second}) *
            1000 +
        (t - second * 1000);
    return local + (series_.clockShifts().empty() ? 0 : series_.clockShifts().back().shiftMs);
}

void SeriesOutput::gap(const Gap& gap) {
    SeriesMs from = seriesTime(gap.start);
    // The files' last write can come after their last reading (or be the time
    // the folder was copied): the restart's gap on the curve starts no later
    // than the readings read from them end.
    if (gap.cause == "restart" && earlierEnd_)
        from = std::min(from, *earlierEnd_);
    // Attached once its sample has brought the gap into the series.
    events_.push_back({from, seriesTime(gap.end), gap.cause, gap.detail});
}

void SeriesOutput::sample(SurveyMs, const CObjData& sample) {
    // The line as the data file holds it: the series gets what reading the
    // file would give it.
    appender_.addLine(TextDataLine(sample), intervalMs_);
    const std::size_t gapsBefore = series_.gaps().size();
    series_.extend();
    if (series_.gaps().size() != gapsBefore)
        series_.attachEvents(events_);
}

LiveSurvey::LiveSurvey(MeterSession& session, const Clock& clock, SurveySettings settings,
                       SeriesStore& series, QObject* parent)
    : QObject(parent), clock_(clock), series_(series, clock, settings.interval),
      session_(session, clock, std::move(settings)) {
    session_.addOutput(series_);
    connect(&session_, &SurveySession::ticked, this,
            [this](const SurveyRunner::TickOutcome& o) { emit ticked(o.sampled); });
    connect(&session_, &SurveySession::writing, this, &LiveSurvey::writing);
    const auto wallText = [](std::int64_t wall) {
        return QString::fromStdString(
            dateTimeText(addSeconds(DateTime{}, wall >= 0 ? wall / 1000 : (wall - 999) / 1000)));
    };
    connect(&session_, &SurveySession::exceedanceGoesOn, this,
            [this, wallText](const SeriesEvent& e) {
                exceedanceNote_ = tr("eşik aşımı %1'den beri 1 dakikadan uzun sürüyor, Lmax %2 dB")
                                      .arg(wallText(e.startWall))
                                      .arg(e.lmaxDb(), 0, 'f', 1);
            });
    connect(&session_, &SurveySession::exceedanceEnded, this,
            [this, wallText](int n, const SeriesEvent& e) {
                exceedanceNote_ = tr("eşik aşımı %1: %2, %3 s, Lmax %4 dB, SEL %5 dB")
                                      .arg(n)
                                      .arg(wallText(e.startWall))
                                      .arg(e.seconds, 0, 'f', 1)
                                      .arg(e.lmaxDb(), 0, 'f', 1)
                                      .arg(e.sel(), 0, 'f', 1);
            });
}

LiveSurvey::~LiveSurvey() {
    stop();
}

void LiveSurvey::publish(std::unique_ptr<MqttPublisher> publisher) {
    publisher_ = std::move(publisher);
    publisherOutput_ = std::make_unique<PublisherOutput>(*publisher_);
    session_.addOutput(*publisherOutput_);
}

void LiveSurvey::start() {
    endedIn_.reset();
    session_.start();
}

std::optional<SeriesGap> LiveSurvey::tailGap() const {
    if (!session_.running())
        return endedIn_;
    const std::optional<Gap>& open = session_.runner().openGap();
    const SeriesStore& s = series_.series();
    if (!open || s.empty())
        return std::nullopt;
    // From where the curve ends, so the gap and the readings meet.
    const SeriesMs start = s.end();
    return SeriesGap{start, std::max(start, series_.seriesTime(clock_.nowMs())), open->cause,
                     open->detail};
}

bool LiveSurvey::stop() {
    if (session_.running())
        endedIn_ = tailGap();
    const bool written = session_.stop();
    if (publisher_)
        publisher_->finish(surveyPublishGrace);
    return written;
}
