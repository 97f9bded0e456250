#include "survey/SurveyFiles.h"

#include <cmath>

SurveyFiles::SurveyFiles(SurveyFileSystem& fs, const Clock& clock, const std::string& dir,
                         SurveySplit split, double sampleInterval)
    : clock_(clock),
      // A day of samples may wait for a disk that fails; beyond that the newest are lost.
      store_(fs, clock, dir, split, sampleInterval,
             static_cast<std::size_t>(std::lround(86400 / sampleInterval))) {
    store_.report = [this](const std::string& text) {
        if (report)
            report(text);
    };
}

void SurveyFiles::sample(SurveyMs t, const CObjData& sample) {
    store_.addSample(sample, t);
    writeGapRows();
}

void SurveyFiles::gap(const Gap& gap) {
    gapRows_.push_back(gapRow(clock_, gap));
}

void SurveyFiles::summaryRow(const std::string& row) {
    store_.addSummaryRow(row);
}

void SurveyFiles::ended() {
    writeGapRows();
    allWritten_ = store_.close();
}

void SurveyFiles::writeGapRows() {
    for (std::string& row : gapRows_)
        store_.addEvent(std::move(row));
    gapRows_.clear();
}
