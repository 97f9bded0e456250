#pragma once

#include "layout/ReportLayout.h"
#include "model/NoiseRules.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"
#include "ui/Prompt.h"

#include <filesystem>
#include <optional>

class QWidget;

// The "Rapor" command of both windows and the settings it remembers: the
// title block and the figures' settings in Report.ini beside the colour file.
namespace WindowReport {

std::filesystem::path settingsPath();
// What the dialog showed last time; defaults when nothing is stored.
Prompt::ReportRequest remembered();
// Stores r; false when the file could not be written.
bool remember(const Prompt::ReportRequest& r);
// The figures' settings the windows' "Akustik" pages use: the remembered
// ones, read once and kept in step with remember().
const NoiseSettings& noiseSettings();
NoiseSettings noiseSettingsOf(const Prompt::ReportRequest& r);

enum class Result { Written, NothingToReport, Cancelled, Failed };
// Asks for the title block, then for the PDF file or the printer, and
// produces the report of series with the program's limit. The dialog says
// scope, what is reported, when given; span, when given, is the time the
// readings stand for (see ReportSpan).
Result run(QWidget* parent, const RecordList& series, const SeriesStats& stats,
           const QString& scope = {}, std::optional<ReportSpan> span = {});
// The same for the readings of [t0, t1) of a survey, reported from its
// figures and curves rather than its readings: for spans longer than a day
// or of more readings than the records of run() take; its figures follow
// marks, which it lists; with event rules it lists the events as well.
Result runSeries(QWidget* parent, const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                 const SurveyMarks& marks = {}, const QString& scope = {},
                 const std::optional<EventRules>& events = {});

} // namespace WindowReport
