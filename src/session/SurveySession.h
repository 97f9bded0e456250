#pragma once

// A survey on a meter, as both programs run it: a tick at the interval, the
// tick rule's verdict with the reason the port went away, the reopen of a
// port that falls silent, and the runner with its outputs: the folder's
// files first, then the noise events' file and whatever the owner adds. The
// window's survey and `vrel-cli survey` only start one and word what it
// reports.

#include "link/MeterSession.h"
#include "survey/SeriesEvents.h"
#include "survey/SurveyOutput.h"
#include "survey/SurveyRunner.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

class ExceedanceOutput;
class MqttPublisher;

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

    // After the files and the noise events' file; not owned, outputs live as
    // long as the session runs. One that throws is told once (outputFailed)
    // and left out from then on; the files and the others go on.
    void addOutput(SurveyOutput& output) { runner_.addOutput(output); }
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

    QPointer<MeterSession> meter_;
    const Clock& clock_;
    SurveySettings settings_;
    SurveyRunner runner_;
    QTimer timer_;
    std::unique_ptr<ExceedanceOutput> exceedances_;
    std::optional<SurveyMs> endMs_;
    bool portWentAway_ = false;
    QString writeProblem_;
    bool running_ = false;
    bool onHold_ = false;
};
