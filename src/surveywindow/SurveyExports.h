#pragma once

// What the survey window hands out of a survey: the report of a span and the
// tables as a workbook. The window only says which span and which days.

#include "survey/SeriesFigures.h"
#include "survey/SeriesReport.h"
#include "survey/SeriesStore.h"

#include <vector>

class QString;
class QWidget;

// The report of [t0, t1): from its readings when they fit the records a
// report takes, else from the survey's figures and curves. The report dialog
// says scope, what it reports.
void reportSurveySpan(QWidget* parent, const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                      const SeriesMarks& marks, const std::vector<ListedMark>& listed,
                      const QString& scope);
// The daily table (days) and the whole survey's hourly table as a workbook,
// asking where to put it; the figures follow marks as the days' do.
void exportSurveyTables(QWidget* parent, const SeriesStore& series,
                        const std::vector<DayFigures>& days, const SeriesMarks& marks);
