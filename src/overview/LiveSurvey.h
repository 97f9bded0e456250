#pragma once

#include "survey/SeriesReader.h"
#include "survey/SurveyRunner.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

class MeterSession;

// A survey run by the program on the meter the main view is connected to:
// the runner, the tick rule and a timer at the interval exactly as
// `vrel-cli survey` drives them, so both write the same files. Every sample
// also goes into the series the survey window shows, and a gap's cause onto
// its gap there.
class LiveSurvey : public QObject {
    Q_OBJECT
  public:
    // series already holds what the folder held (a resumed survey) or nothing.
    LiveSurvey(MeterSession& session, const Clock& clock, SurveySettings settings,
               SeriesStore& series, QObject* parent = nullptr);
    // Finishes the files when the survey still runs.
    ~LiveSurvey() override;

    void start();
    // Ends the run: the open gap and interval are written, the data file is
    // synced and closed. False when samples held could not be written.
    bool stop();
    bool running() const { return running_; }
    const SurveyRunner& runner() const { return runner_; }
    const SurveySettings& settings() const { return settings_; }
    // The gap the survey is in, from where the readings end up to now, in
    // series time; after the run, the gap it ended in. Nothing without readings.
    std::optional<SeriesGap> tailGap() const;
    // The runner's words on writing since the last start: empty while it works.
    const QString& writeProblem() const { return writeProblem_; }

  signals:
    // A tick has been taken; grew when it added a reading to the series.
    void ticked(bool grew);
    // Writing failed (failing) or works again; text is the runner's.
    void writing(bool failing, const QString& text);

  private:
    void tick();
    // Series time of a time on the PC's clock, on the wall clock the series
    // follows now.
    SeriesMs seriesTime(SurveyMs t) const;

    QPointer<MeterSession> session_;
    const Clock& clock_;
    SurveySettings settings_;
    SurveyRunner runner_;
    SeriesStore& series_;
    SeriesAppender appender_;
    std::int32_t intervalMs_;
    QTimer timer_;
    bool portWentAway_ = false;
    std::optional<SeriesGap> endedIn_; // the gap open when the run ended
    std::vector<SeriesGap> events_;    // the gaps of this run, in series time
    QString writeProblem_;
    bool running_ = false;
    bool firstSample_ = true;
    std::optional<SeriesMs> earlierEnd_; // where the readings the folder held end
};
