#pragma once

// A survey run as a sequence of ticks: each tick brings the tick rule's verdict
// and the meter's level; the runner takes a sample or extends a gap, closes
// interval rows on the clock, and hands each sample, closed gap, interval row
// and the end to its outputs, the folder's files first. The session owns the
// timer and the meter; this owns the rules.

#include "model/Clock.h"
#include "recording/TickRule.h"
#include "survey/SeriesEvents.h"
#include "survey/Survey.h"
#include "survey/SurveyFiles.h"
#include "survey/SurveyOutput.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A survey opens a port that stays silent this long anew, and again after as
// long: a USB bridge that came back may need it.
inline constexpr int surveyReopenSilentSeconds = 10;

// A reading of the folder's data files, as the survey took it.
struct SurveyReading {
    SurveyMs t = 0; // the start of its second
    double level = 0;
    char weighting = 'A';
};

struct SurveySettings {
    std::string dir;
    double interval = 1; // seconds between ticks
    SurveySplit split = SurveySplit::Hour;
    int summarySeconds = 900;
    // The end of an earlier run in the same folder (resume): the gap up to the
    // first sample of this run is a "restart".
    std::optional<SurveyMs> previousEnd;
    // The readings of an earlier run that no row of summary.csv holds yet (it
    // was killed before its interval closed), in order: their intervals get
    // their rows, and the interval this run starts in begins with them.
    std::vector<SurveyReading> unsummarised;
    // Noise events found as the survey goes, each written to exceedances.csv
    // when it ends; none without a threshold.
    std::optional<EventRules> events;
};

// Fills what a survey in settings.dir goes on from: where the earlier run's
// readings stopped being written (previousEnd, on clock) and its readings
// after the end of the last whole row of summary.csv. Nothing for a folder
// without data files.
void resumeSurvey(SurveySettings& settings, const Clock& clock);

class SurveyRunner {
  public:
    SurveyRunner(SurveyFileSystem& fs, const Clock& clock, SurveySettings settings);

    // Text for the user: a write failure of the folder's files, its recovery.
    std::function<void(const std::string&)> report;
    // An output threw (its words): it is left out from then on, while the
    // files and the others go on.
    std::function<void(const std::string&)> outputFailed;

    // An output after the files and those added before; not owned, it lives
    // as long as the runner runs.
    void addOutput(SurveyOutput& output) { outputs_.push_back(&output); }
    // News of a long noise event, from the output that finds events, for all.
    void exceedanceGoesOn(const SeriesEvent& event);

    void start(SurveyMs t);

    struct TickOutcome {
        bool sampled = false;
        std::optional<Gap> gapEnded; // the gap this tick's sample ended
    };
    // One tick at t: a sample of level when the verdict's cause is None.
    TickOutcome tick(SurveyMs t, const TickVerdict& verdict, double level, bool weightingA);

    // Ends the run at t: the open gap and interval go to the outputs, then the
    // end; the data file is synced and closed. False when samples held could
    // not be written.
    bool finish(SurveyMs t);

    long long samples() const { return samples_; }
    double lastLevel() const { return level_; }
    const std::string& lastUnit() const { return unit_; }
    // The newest sample as its data file holds it; nothing before the first.
    const std::optional<CObjData>& lastSample() const { return last_; }
    AcousticSummary intervalSoFar() const { return summary_.current(); }
    // Gaps of this run, the restart gap of a resume counted too.
    std::size_t gapCount() const { return gaps_.count() + (resumed_ ? 1 : 0); }
    bool inGap() const { return gaps_.inGap(); }
    const std::optional<Gap>& openGap() const { return gaps_.open(); }
    std::size_t pendingSamples() const { return files_.pendingSamples(); }
    bool writeFailing() const { return files_.failing(); }
    const std::vector<std::string>& files() const { return files_.files(); }
    SurveyMs startMs() const { return startMs_; }
    bool resumed() const { return resumed_; }

  private:
    // Hands something to the files, then to each output still in; called
    // again from within a round (an output's news for the others), it leaves
    // the list as it is until the outermost round ends.
    template <class F> void hand(F&& f);

    const Clock& clock_;
    SurveySettings settings_;
    SurveyFiles files_;
    std::vector<SurveyOutput*> outputs_; // null: failed in a round still going
    int rounds_ = 0;
    IntervalSummary summary_;
    GapTracker gaps_;
    std::optional<SurveyMs> previousEnd_; // until the restart's gap is written
    bool resumed_;
    SurveyMs startMs_ = 0;
    long long samples_ = 0;
    double level_ = 0;
    std::string unit_;
    std::optional<CObjData> last_;
};
