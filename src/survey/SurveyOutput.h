#pragma once

// Where a survey's readings go: its folder's files first (SurveyFiles), then
// the window's live series, a broker, the noise events' file. The runner
// keeps the rules and hands every output the same things in the same order.

#include "model/ObjData.h"
#include "survey/SeriesEvents.h"
#include "survey/Survey.h"

#include <string>

class SurveyOutput {
  public:
    virtual ~SurveyOutput() = default;
    // A sample taken at t, as its data file holds it.
    virtual void sample(SurveyMs t, const CObjData& sample) = 0;
    // A run of ticks without a sample, handed before the sample that closes
    // it (a resumed survey's first sample closes its "restart" gap), or at
    // the end of the run.
    virtual void gap(const Gap&) {}
    // An interval on the clock has closed (or the run ended inside it): its
    // row as summary.csv gets it, CR LF included.
    virtual void summaryRow(const std::string&) {}
    // The run has ended: nothing comes until the survey starts again.
    virtual void ended() {}
    // With the survey's event rules: an event has gone on for over a minute,
    // as far as it has come; told once an event.
    virtual void exceedanceGoesOn(const SeriesEvent&) {}
};
