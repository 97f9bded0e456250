#include "surveywindow/SurveyExports.h"

#include "config/Language.h"
#include "model/Clock.h"
#include "model/SeriesStats.h"
#include "recording/Recording.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesReport.h"
#include "survey/SurveyWorkbook.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QCoreApplication>
#include <QFile>

void reportSurveySpan(QWidget* parent, const SeriesStore& s, SeriesMs t0, SeriesMs t1,
                      const SurveyMarks& marks, const QString& scope,
                      const std::optional<EventRules>& events) {
    // A long span is reported from the series: its readings as records would
    // not fit. So is a marked one: only that report says what was left out.
    if (events || wantsSeriesReport(s, t0, t1, marks, appClock())) {
        WindowReport::runSeries(parent, s, t0, t1, marks, scope, events);
        return;
    }
    const RecordList records = seriesRecords(s, t0, t1);
    SeriesStats stats;
    resetStats(stats);
    if (!records.empty())
        stats.samplingRate = records[0].samplingRate();
    for (int i = 0; i < records.count(); ++i)
        addToStats(stats, records[i], i + 1);
    const auto [a, b] = reportedSpan(s, t0, t1);
    WindowReport::run(parent, records, stats, scope,
                      ReportSpan{static_cast<double>(s.localOf(a)) / 1000.0,
                                 static_cast<double>(s.localOf(b)) / 1000.0});
}

void exportSurveyTables(QWidget* parent, const SeriesStore& s, const PeriodBounds& bounds,
                        const SurveyMarks& marks, const std::optional<EventRules>& events) {
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Save;
    // The window's words, where its translation has them.
    request.initialName = QCoreApplication::translate("CSurveyWnd", "Olcum-tablolari.xlsx");
    request.defaultSuffix = QStringLiteral("xlsx");
    request.filters = {QCoreApplication::translate("CSurveyWnd", "Excel çalışma kitabı (*.xlsx)")};
    const Prompt::FileChoice choice = prompt().file(parent, request);
    if (choice.path.isEmpty())
        return;
    std::string error;
    if (!writeSurveyWorkbook(QFile::encodeName(choice.path).toStdString(), s, s.start(), s.end(),
                             bounds, marks, appClock(), interfaceLanguage(), &error, events))
        ReportWriteFailure(parent, choice.path, error);
}
