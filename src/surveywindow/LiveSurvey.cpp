#include "surveywindow/LiveSurvey.h"

#include "formats/TextDataFile.h"
#include "model/TimeLabels.h"
#include "mqtt/MqttPublisher.h"
#include "surveywindow/SurveyPlot.h"

#include <QColor>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

QString elapsed(SurveyMs ms) {
    const long long s = std::max<SurveyMs>(0, ms) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

namespace {

// The last level while the meter is away.
const QColor staleColour(140, 140, 140);

} // namespace

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
    : QObject(parent), clock_(clock), meter_(&session), series_(series, clock, settings.interval),
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

QString LiveSurvey::statusText() const {
    const SurveyRunner& r = runner();
    const long long samples = r.samples();
    const bool waiting = running() && (r.inGap() || (meter_ && meter_->waiting()));
    QStringList parts;
    parts << tr("süre %1").arg(elapsed(clock_.nowMs() - r.startMs()))
          << tr("%1 örnek").arg(QLocale().toString(samples));
    if (samples) {
        const QString last =
            tr("son %1 %2")
                .arg(QString::number(r.lastLevel(), 'f', 1), QString::fromStdString(r.lastUnit()))
                .toHtmlEscaped();
        // Greyed while waiting: it is what the meter said last, not what it says now.
        parts << (waiting ? QStringLiteral("<span style=\"color:%1\">%2</span>")
                                .arg(staleColour.name(), last)
                          : last);
    }
    const AcousticSummary interval = r.intervalSoFar();
    // In the readings' unit and to a tenth, as the level before it and the tables.
    parts << (interval.count ? tr("bu aralıkta Leq %1 %2")
                                   .arg(QString::number(interval.leq, 'f', 1),
                                        QString::fromStdString(r.lastUnit()))
                             : tr("bu aralıkta henüz Leq yok"))
                 .toHtmlEscaped();
    parts << tr("%1 boşluk").arg(r.gapCount()).toHtmlEscaped();
    if (r.pendingSamples())
        parts << tr("%1 örnek bellekte bekliyor").arg(r.pendingSamples()).toHtmlEscaped();
    if (!exceedanceNote_.isEmpty())
        parts << exceedanceNote_.toHtmlEscaped();
    if (publisher_) {
        const MqttPublisher::State broker = publisher_->state();
        if (broker.refused)
            parts << tr("broker satırları reddediyor").toHtmlEscaped();
        else if (!broker.connected)
            parts << tr("broker ulaşılamıyor").toHtmlEscaped();
        else
            parts << tr("yayında").toHtmlEscaped();
        if (broker.unsent)
            parts << tr("%n satır gönderilecek", nullptr, static_cast<int>(broker.unsent))
                         .toHtmlEscaped();
    }
    QString text = (running() ? tr("Ölçüm sürüyor: ") : tr("Ölçüm durdu: ")).toHtmlEscaped() +
                   parts.join(QStringLiteral(", "));
    if (waiting) {
        // The open gap's cause; a port waiting for its device before the
        // first tick of the gap is a pulled cable all the same.
        const std::optional<Gap>& gap = r.openGap();
        const QString cause = gapCauseText(gap ? gap->cause : std::string("disconnected"));
        text = QStringLiteral("<b>%1</b> ")
                   .arg(tr("Ölçer bekleniyor (%1).").arg(cause).toHtmlEscaped()) +
               text;
    }
    return text;
}
