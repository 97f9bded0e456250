#pragma once

// What the survey window hands out of a survey: the report of a span and the
// tables as a workbook. The window only says which span and which days.

#include "model/NoiseRules.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <QString>

class QWidget;

// The report of [t0, t1) with its figures following marks: from its
// readings when they fit the records a report takes and no mark is in the
// span, else from the survey's figures and curves.
// The report dialog says scope, what it reports.
void reportSurveySpan(QWidget* parent, const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                      const SurveyMarks& marks = {}, const QString& scope = {});
// The whole survey's daily and hourly tables, its figures and its marks as
// a workbook, the figures following marks, asking where to put it.
void exportSurveyTables(QWidget* parent, const SeriesStore& series, const PeriodBounds& bounds,
                        const SurveyMarks& marks = {});
