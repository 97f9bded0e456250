#pragma once

#include "session/SurveySession.h"
#include "survey/SeriesReader.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class MeterSession;

// A length of time as h:mm:ss, as the survey window shows it.
QString elapsed(SurveyMs ms);

// The series the survey window shows, grown by a running survey: each sample
// goes in as its data file line would, exactly where reading the file later
// would put it, and each gap's cause onto its gap.
class SeriesOutput final : public SurveyOutput {
  public:
    // series already holds what the folder held (a resumed survey) or nothing.
    SeriesOutput(SeriesStore& series, const Clock& clock, double interval);
    void sample(SurveyMs t, const CObjData& sample) override;
    void gap(const Gap& gap) override;
    // Series time of a time on the PC's clock, on the wall clock the series
    // follows now.
    SeriesMs seriesTime(SurveyMs t) const;
    const SeriesStore& series() const { return series_; }

  private:
    SeriesStore& series_;
    const Clock& clock_;
    SeriesAppender appender_;
    std::int32_t intervalMs_;
    std::vector<SeriesGap> events_;      // the gaps of this run, in series time
    std::optional<SeriesMs> earlierEnd_; // where the readings the folder held end
};

// A survey run by the program on the meter the main view is connected to:
// the same session `vrel-cli survey` runs, so both write the same files, with
// the window's series as one more output and the broker as another when the
// survey publishes.
class LiveSurvey : public QObject {
    Q_OBJECT
  public:
    LiveSurvey(MeterSession& session, const Clock& clock, SurveySettings settings,
               SeriesStore& series, QObject* parent = nullptr);
    ~LiveSurvey() override;

    // Publishes through this publisher (started, not owned by the caller).
    void publish(std::unique_ptr<MqttPublisher> publisher);
    const MqttPublisher* publisher() const { return publisher_.get(); }

    void start();
    // Ends the run: the open gap and interval are written, the data file is
    // synced and closed. False when samples held could not be written.
    bool stop();
    bool running() const { return session_.running(); }
    const SurveyRunner& runner() const { return session_.runner(); }
    const SurveySettings& settings() const { return session_.settings(); }
    // The gap the survey is in, from where the readings end up to now, in
    // series time; after the run, the gap it ended in. Nothing without readings.
    std::optional<SeriesGap> tailGap() const;
    // The runner's words on writing since the last start: empty while it works.
    const QString& writeProblem() const { return session_.writeProblem(); }
    // The latest word on the noise events the survey finds: one going on for
    // over a minute, or the last one ended; empty before the first.
    const QString& exceedanceNote() const { return exceedanceNote_; }
    // The window's status line, as rich text: how long and how much, the last
    // level (greyed while the meter is waited for, and then led by the wait
    // and its cause), the interval's Leq so far, the gaps, what waits to be
    // written, the latest noise event and the broker's state.
    QString statusText() const;

  signals:
    // A tick has been taken; grew when it added a reading to the series.
    void ticked(bool grew);
    // Writing failed (failing) or works again; text is the runner's.
    void writing(bool failing, const QString& text);

  private:
    const Clock& clock_;
    QPointer<MeterSession> meter_;
    SeriesOutput series_;
    std::optional<SeriesGap> endedIn_; // the gap open when the run ended
    QString exceedanceNote_;
    std::unique_ptr<MqttPublisher> publisher_;
    std::unique_ptr<PublisherOutput> publisherOutput_;
    // Last: stopped (and its files finished) before the outputs go.
    SurveySession session_;
};
