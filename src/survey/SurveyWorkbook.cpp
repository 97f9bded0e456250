#include "survey/SurveyWorkbook.h"

#include "survey/SeriesBackground.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesTables.h"

namespace {

// A sheet of the rows: the names as the dates they are, the figures as bare
// numbers, their unit in the heading.
template <class Row>
TableSheet sheetOf(const TableHeading& name, const FigureTable<Row>& table,
                   const std::vector<Row>& rows, Language language) {
    TableSheet sheet{name.in(language), {table.heading.in(language)}, {}, 1, table.sheetFormat};
    for (const TableColumn<Row>& c : table.columns)
        sheet.headings.push_back(withBareUnit(c.heading.in(language), c.unit));
    for (const Row& row : rows) {
        std::vector<TableCell> cells{TableCell{{}, {}, -1, table.when(row)}};
        for (const TableColumn<Row>& c : table.columns)
            cells.push_back(TableCell{c.value(row), {}});
        sheet.rows.push_back(std::move(cells));
    }
    return sheet;
}

TableCell count(std::uint64_t n) {
    return TableCell{static_cast<double>(n), {}, 0};
}

// The span's figures of the readings the marks leave beside those of all
// readings, with the figures' two decimals as vrel-cli stats prints them.
TableSheet figuresSheet(const SpanFigures& assessed, const SpanFigures& all, Language language) {
    const TableHeading name{"Değerler", "Figures"};
    TableSheet sheet{name.in(language),
                     {TableHeading{"Değer", "Figure"}.in(language),
                      TableHeading{"Değerlendirilen", "Assessed"}.in(language),
                      TableHeading{"Bütün okumalar", "All readings"}.in(language),
                      TableHeading{"Birim", "Unit"}.in(language)},
                     {},
                     2};
    const std::string readings = TableHeading{"okuma", "readings"}.in(language);
    sheet.rows.push_back({TableCell{{}, TableHeading{"Okuma", "Readings"}.in(language)},
                          count(assessed.sum.count), count(all.sum.count),
                          TableCell{{}, readings}});
    for (const SpanFigure& row : spanFigureRows())
        sheet.rows.push_back({TableCell{{}, row.heading.in(language)},
                              TableCell{row.value(assessed), {}}, TableCell{row.value(all), {}},
                              TableCell{{}, weightingOf(row, assessed)}});
    sheet.rows.push_back({TableCell{{}, TableHeading{"Hariç", "Excluded"}.in(language)},
                          count(assessed.excluded.count), TableCell{}, TableCell{{}, readings}});
    sheet.rows.push_back({TableCell{{}, TableHeading{"Artık", "Residual"}.in(language)},
                          count(assessed.residual.count), TableCell{}, TableCell{{}, readings}});
    return sheet;
}

TableSheet marksSheet(const SurveyMarks& marks, SurveyMs from, SurveyMs to, const Clock& clock,
                      Language language) {
    TableSheet sheet{TableHeading{"İşaretler", "Marks"}.in(language), {}, {}, 0};
    for (const MarkColumn& c : markColumns())
        sheet.headings.push_back(c.heading.in(language));
    for (const SurveyMark& m : marks.all()) {
        if (m.end <= from || m.start >= to)
            continue;
        std::vector<TableCell> cells;
        for (std::string& text : markCells(m, clock, language))
            cells.push_back(TableCell{{}, std::move(text)});
        sheet.rows.push_back(std::move(cells));
    }
    return sheet;
}

TableSheet eventsSheet(const SeriesEvents& events, Language language) {
    TableSheet sheet{TableHeading{"Olaylar", "Events"}.in(language), {}, {}, 1};
    for (const MarkColumn& c : eventColumns())
        sheet.headings.push_back(c.heading.in(language));
    int n = 0;
    for (const SeriesEvent& e : events.events)
        sheet.rows.push_back({count(static_cast<std::uint64_t>(++n)),
                              TableCell{{}, eventClockText(e.startWall)}, TableCell{e.seconds, {}},
                              TableCell{e.lmaxDb(), {}}, TableCell{{}, eventClockText(e.lmaxWall)},
                              TableCell{e.leq(), {}}, TableCell{e.sel(), {}}});
    return sheet;
}

TableSheet backgroundSheet(const SeriesBackground& background, Language language) {
    TableSheet sheet{TableHeading{"Arka plan", "Background"}.in(language), {}, {}, 1};
    for (const MarkColumn& c : backgroundColumns())
        sheet.headings.push_back(c.heading.in(language));
    auto add = [&sheet](const std::vector<std::string>& cells, double level, int n) {
        sheet.rows.push_back({TableCell{{}, cells[0]}, TableCell{{}, cells[1]},
                              TableCell{level, {}}, count(static_cast<std::uint64_t>(n))});
    };
    for (const BackgroundLevel& l : background.levels)
        add(backgroundCells(l, language), l.abl, l.intervals);
    for (const BackgroundRating& r : background.ratings)
        add(ratingCells(r, language), r.rbl, r.dates);
    return sheet;
}

} // namespace

std::vector<TableSheet> surveyWorkbookSheets(const SeriesStore& s, SeriesMs t0, SeriesMs t1,
                                             const PeriodBounds& bounds, const SurveyMarks& marks,
                                             const Clock& clock, Language language,
                                             const std::optional<EventRules>& eventRules) {
    const SeriesMarks inSeries = marks.inSeries(s, clock);
    std::vector<DayFigures> days = dailyFigures(s, bounds, t0, t1, inSeries);
    FigureTable<DayFigures> daily = dailyFiguresTable();
    std::optional<SeriesEvents> events;
    if (eventRules) {
        events = findEvents(s, t0, t1, *eventRules, inSeries.excluded, bounds);
        putEventDays(days, *events);
        const auto& more = dailyEventColumns();
        daily.columns.insert(daily.columns.end(), more.begin(), more.end());
    }
    std::vector<TableSheet> sheets{sheetOf({"Günler", "Days"}, daily, days, language),
                                   sheetOf({"Saatler", "Hours"}, hourlyFiguresTable(),
                                           hourlyFigures(s, t0, t1, inSeries), language),
                                   figuresSheet(spanFigures(s, t0, t1, bounds, inSeries),
                                                spanFigures(s, t0, t1, bounds), language),
                                   marksSheet(marks, instantOfSeries(s, t0, clock),
                                              instantOfSeries(s, t1, clock), clock, language)};
    if (events)
        sheets.push_back(eventsSheet(*events, language));
    sheets.push_back(
        backgroundSheet(backgroundLevels(s, t0, t1, bounds, inSeries.excluded), language));
    return sheets;
}

bool writeSurveyWorkbook(const std::string& path, const SeriesStore& series, SeriesMs t0,
                         SeriesMs t1, const PeriodBounds& bounds, const SurveyMarks& marks,
                         const Clock& clock, Language language, std::string* error,
                         const std::optional<EventRules>& eventRules) {
    return WriteTableWorkbook(
        path, surveyWorkbookSheets(series, t0, t1, bounds, marks, clock, language, eventRules),
        error);
}
