#pragma once

// What the survey window hands out of a survey: the report of a span and the
// tables as a workbook. The window only says which span and which days.

#include "model/NoiseRules.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <QString>

#include <optional>

class QWidget;

// The report of [t0, t1) with its figures following marks: from its
// readings when they fit the records a report takes and no mark is in the
// span, else from the survey's figures and curves.
// The report dialog says scope, what it reports. With event rules it is
// the survey's report, listing the events.
void reportSurveySpan(QWidget* parent, const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                      const SurveyMarks& marks = {}, const QString& scope = {},
                      const std::optional<EventRules>& events = {});
// The whole survey's daily and hourly tables, its figures and its marks as
// a workbook, the figures following marks, asking where to put it; with
// event rules the events as well.
void exportSurveyTables(QWidget* parent, const SeriesStore& series, const PeriodBounds& bounds,
                        const SurveyMarks& marks = {},
                        const std::optional<EventRules>& events = {});
