#pragma once

// The survey's folder as an output: samples into the data files, interval
// rows into summary.csv, gaps into events.csv, through the store that holds
// what a failing disk does not take. The files are the record: a runner
// always has them, first, and never leaves them out.

#include "model/Clock.h"
#include "survey/Survey.h"
#include "survey/SurveyOutput.h"

#include <functional>
#include <string>
#include <vector>

class SurveyFiles final : public SurveyOutput {
  public:
    SurveyFiles(SurveyFileSystem& fs, const Clock& clock, const std::string& dir, SurveySplit split,
                double sampleInterval);

    // Text for the user: a write failure, its recovery.
    std::function<void(const std::string&)> report;

    void sample(SurveyMs t, const CObjData& sample) override;
    void gap(const Gap& gap) override;
    void summaryRow(const std::string& row) override;
    // The data file is synced and closed after everything is written.
    void ended() override;

    // Tries what waits, at most once a second while the disk fails.
    void flush(SurveyMs now) { store_.flush(now); }
    // The last end wrote everything: nothing held was lost.
    bool allWritten() const { return allWritten_; }

    std::size_t pendingSamples() const { return store_.pendingSamples(); }
    bool failing() const { return store_.failing(); }
    // The data files begun by this run, in order.
    const std::vector<std::string>& files() const { return store_.files(); }

  private:
    void writeGapRows();

    const Clock& clock_;
    SurveyStore store_;
    // The rows of the gaps the next sample closes: they follow the samples
    // the store lost before that sample, which start earlier.
    std::vector<std::string> gapRows_;
    bool allWritten_ = true;
};
