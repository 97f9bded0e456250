#pragma once

// A survey on a meter, as both programs run it: a tick at the interval, the
// tick rule's verdict with the reason the port went away, the reopen of a
// port that falls silent, the folder's files (the runner), and the outputs
// fed from each tick. The window's survey and `vrel-cli survey` only start
// one and word what it reports.

#include "link/MeterSession.h"
#include "survey/SeriesEvents.h"
#include "survey/SurveyRunner.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ExceedanceOutput;
class MqttPublisher;

// Where a survey's readings go besides its folder's files: the window's live
// series, a broker. Called on the session's thread, each in turn; one that
// throws is told once (SurveySession::outputFailed) and left out from then
// on, the others and the files go on.
class SurveyOutput {
  public:
    virtual ~SurveyOutput() = default;
    // A sample taken at t, as its data file holds it.
    virtual void sample(SurveyMs t, const CObjData& sample) = 0;
    // A run of ticks without a sample, closed by the sample at its end; a
    // resumed survey's first sample closes its "restart" gap.
    virtual void gap(const Gap&) {}
    // The run has ended: nothing comes until the survey starts again.
    virtual void ended() {}
    // With the survey's event rules: an event has gone on for over a minute,
    // as far as it has come; told once an event.
    virtual void exceedanceGoesOn(const SeriesEvent&) {}
};

// How long the end of a survey waits for the broker to take its last rows.
inline constexpr std::chrono::milliseconds surveyPublishGrace{3000};

// The broker as an output: each sample handed to the publisher, which sends
// the rows of the folder's outbox on its own threads.
class PublisherOutput final : public SurveyOutput {
  public:
    explicit PublisherOutput(MqttPublisher& publisher) : publisher_(publisher) {}
    void sample(SurveyMs t, const CObjData& sample) override;
    void exceedanceGoesOn(const SeriesEvent& event) override;

  private:
    MqttPublisher& publisher_;
};

class SurveySession : public QObject {
    Q_OBJECT
  public:
    // settings as resumeSurvey() leaves them for a folder that holds a survey.
    SurveySession(MeterSession& meter, const Clock& clock, SurveySettings settings,
                  QObject* parent = nullptr);
    // Finishes the files when the survey still runs.
    ~SurveySession() override;

    // Not owned; outputs live as long as the session runs.
    void addOutput(SurveyOutput& output) { outputs_.push_back(&output); }
    // The survey ends by itself at this time (endReached, then stop by the owner).
    void setEnd(std::optional<SurveyMs> endMs) { endMs_ = endMs; }

    void start();
    // Ends the run: the open gap and interval are written, the data file is
    // synced and closed. False when samples held could not be written.
    bool stop();
    bool running() const { return running_; }
    const SurveyRunner& runner() const { return runner_; }
    const SurveySettings& settings() const { return settings_; }
    // The meter is on HOLD as the last tick saw it.
    bool onHold() const { return onHold_; }
    // The runner's words on writing since the start: empty while it works.
    const QString& writeProblem() const { return writeProblem_; }

  signals:
    // A tick has been taken; its outcome is the runner's.
    void ticked(const SurveyRunner::TickOutcome& outcome);
    // The meter went on HOLD or came off it.
    void holdChanged(bool onHold);
    // Writing failed (failing) or works again; text is the runner's.
    void writing(bool failing, const QString& text);
    // An output failed and is left out from now on.
    void outputFailed(const QString& what);
    // The end set by setEnd has come; the session stops ticking.
    void endReached();
    // With settings().events: an event has gone on for over a minute (as
    // far as it has come), told once; an event has ended and gone to
    // exceedances.csv as row n; writing that file failed (failing, with the
    // reason) or works again.
    void exceedanceGoesOn(const SeriesEvent& event);
    void exceedanceEnded(int n, const SeriesEvent& event);
    void exceedancesWriting(bool failing, const QString& text);

  private:
    void tick();
    template <class F> void feed(F&& f);

    QPointer<MeterSession> meter_;
    const Clock& clock_;
    SurveySettings settings_;
    SurveyRunner runner_;
    QTimer timer_;
    std::unique_ptr<ExceedanceOutput> exceedances_;
    std::vector<SurveyOutput*> outputs_;
    std::optional<SurveyMs> endMs_;
    bool portWentAway_ = false;
    QString writeProblem_;
    bool running_ = false;
    bool onHold_ = false;
    bool firstSample_ = true;
};
