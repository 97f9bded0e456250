#pragma once

// A survey's tables as one workbook, the same from the window and from
// vrel-cli: a day a row, an hour a row, the span's figures beside those of
// all readings, and the marks they follow.

#include "config/Language.h"
#include "formats/SpreadsheetExport.h"
#include "model/NoiseRules.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <optional>
#include <string>
#include <vector>

// The sheets of [t0, t1) with the headings of language: "Günler", "Saatler",
// "Değerler" and "İşaretler" (in English "Days", "Hours", "Figures",
// "Marks"), with event rules "Olaylar" ("Events"), and "Arka plan"
// ("Background"), the ABL of each date and period and the RBLs. The figures
// follow marks (times on clock's wall clock); the marks sheet lists those
// with a part in the span. With event rules the days carry their events and
// time above.
std::vector<TableSheet> surveyWorkbookSheets(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                                             const PeriodBounds& bounds, const SurveyMarks& marks,
                                             const Clock& clock, Language language,
                                             const std::optional<EventRules>& eventRules = {});

// Writes them to path, whole or not at all; on failure error says why.
bool writeSurveyWorkbook(const std::string& path, const SeriesStore& series, SeriesMs t0,
                         SeriesMs t1, const PeriodBounds& bounds, const SurveyMarks& marks,
                         const Clock& clock, Language language, std::string* error = nullptr,
                         const std::optional<EventRules>& eventRules = {});
