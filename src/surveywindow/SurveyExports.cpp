#include "surveywindow/SurveyExports.h"

#include "config/Language.h"
#include "formats/SpreadsheetExport.h"
#include "model/SeriesStats.h"
#include "recording/Recording.h"
#include "survey/SeriesReport.h"
#include "survey/SeriesTables.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QCoreApplication>
#include <QFile>

namespace {

QString tr(const char* text) {
    // The window's words, where its translation has them.
    return QCoreApplication::translate("CSurveyWnd", text);
}

// A workbook's sheet of the rows: the names as the dates they are, the
// figures as bare numbers, their unit in the heading.
template <class Row>
TableSheet sheetOf(const QString& name, const FigureTable<Row>& table,
                   const std::vector<Row>& rows) {
    const Language language = interfaceLanguage();
    TableSheet sheet{name.toStdString(), {table.heading.in(language)}, {}, 1, table.sheetFormat};
    for (const TableColumn<Row>& c : table.columns)
        sheet.headings.push_back(withBareUnit(c.heading.in(language), c.unit));
    for (const Row& row : rows) {
        std::vector<TableCell> cells{TableCell{{}, {}, table.when(row)}};
        for (const TableColumn<Row>& c : table.columns)
            cells.push_back(TableCell{c.value(row), {}, {}});
        sheet.rows.push_back(std::move(cells));
    }
    return sheet;
}

} // namespace

void reportSurveySpan(QWidget* parent, const SeriesStore& s, SeriesMs t0, SeriesMs t1,
                      const SeriesMarks& marks, const std::vector<ListedMark>& listed,
                      const QString& scope) {
    // A long span is reported from the series: its readings as records would not fit.
    if (wantsSeriesReport(s, t0, t1)) {
        WindowReport::runSeries(parent, s, t0, t1, marks, listed, scope);
        return;
    }
    const RecordList records = seriesRecords(s, t0, t1, marks);
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

void exportSurveyTables(QWidget* parent, const SeriesStore& s, const std::vector<DayFigures>& days,
                        const SeriesMarks& marks) {
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Save;
    request.initialName = tr("Olcum-tablolari.xlsx");
    request.defaultSuffix = QStringLiteral("xlsx");
    request.filters = {tr("Excel çalışma kitabı (*.xlsx)")};
    const Prompt::FileChoice choice = prompt().file(parent, request);
    if (choice.path.isEmpty())
        return;
    const TableSheet daily = sheetOf(tr("Günler"), dailyFiguresTable(), days);
    const TableSheet hourly =
        sheetOf(tr("Saatler"), hourlyFiguresTable(), hourlyFigures(s, s.start(), s.end(), marks));
    std::string error;
    if (!WriteTableWorkbook(QFile::encodeName(choice.path).toStdString(), {daily, hourly}, &error))
        ReportWriteFailure(parent, choice.path, error);
}
