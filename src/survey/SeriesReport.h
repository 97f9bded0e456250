#pragma once

// The report of a survey too long for the records of the windows: its
// figures, daily table and curves come from the series' block summary, so
// weeks at ten readings a second are reported in what the pages cost.

#include "config/Language.h"
#include "layout/ReportLayout.h"
#include "model/NoiseRules.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <optional>
#include <utility>

// True when the report of [t0, t1) is made from the series rather than from
// its readings as records: the span is longer than a day, holds more
// readings than maxSeriesRecords, or has marks in it (only this report says
// what they left out).
bool wantsSeriesReport(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                       const SurveyMarks& marks = {}, const Clock& clock = appClock());

// The span a report of [t0, t1) stands for: from its own ends, so that a gap
// it starts or ends in counts as one, and at least over its readings, the
// first of which may start before t0 and the last end after t1; never beyond
// the survey. Empty without readings.
std::pair<SeriesMs, SeriesMs> reportedSpan(const SeriesStore& series, SeriesMs t0, SeriesMs t1);

// A report lists this many events at most.
inline constexpr std::size_t reportedEvents = 50;

// The report's input for the readings of [t0, t1) in the words of texts and
// the headings of the language they are in, without the title block and the
// time of printing, which the caller knows. Its figures follow marks (times
// on clock's wall clock); the marks in the span are listed, with what they
// left out and the figures of all readings beside. With event rules the
// events are listed (at most reportedEvents of them, the loudest) after
// each day's events and time above; the background table comes always.
SeriesReportInput seriesReportInput(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                                    const PeriodBounds& bounds, std::optional<double> limit,
                                    const ReportTexts& texts, Language language,
                                    const SurveyMarks& marks = {}, const Clock& clock = appClock(),
                                    const std::optional<EventRules>& eventRules = {});
